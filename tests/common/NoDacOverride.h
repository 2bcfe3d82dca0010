// Root ignores permissions; tests of folders that cannot be read drop that
// override for the time they scan.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Drops the permission overrides of root on this thread (and on the reader
// threads it starts), so permission checks apply as for another user.
class TNoDacOverride {
public:
    TNoDacOverride() {
        Header.version = _LINUX_CAPABILITY_VERSION_3;
        Header.pid = 0;
        if (syscall(SYS_capget, &Header, Saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {Saved[0], Saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        Dropped = syscall(SYS_capset, &Header, reduced) == 0;
    }
    ~TNoDacOverride() {
        if (Dropped)
            syscall(SYS_capset, &Header, Saved);
    }
    bool Dropped = false;

private:
    __user_cap_header_struct Header{};
    __user_cap_data_struct Saved[2]{};
};
