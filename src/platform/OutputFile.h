// A file written for the user (a report, a picture, a scan file, a list):
// whole or not at all.
//
// Contract: a regular file, new or old, is written under a temporary name in
// the folder of its final target (a symbolic link's target, resolved; the link
// stays) and renamed over it only by Commit, after fsync, with the older
// file's permission bits (and owner and group, where they can be kept). Until
// then the older file is untouched (one we may not write is refused, as
// writing into it would be); a failure, a Stop or the end of the object
// without Commit remove the temporary file. A kill leaves at most a hidden
// ".NAME.XXXXXX" beside the target, never a half-written target.
//
// Another user cannot make us write elsewhere: the temporary file is created
// with O_EXCL and O_NOFOLLOW, private (0600) until Commit, in the folder
// opened once; a link that someone else planted in a sticky folder anyone may
// write (/tmp) is refused, as the kernel refuses to follow one there.
//
// A device, FIFO or socket is written in place. Waiting for a FIFO's reader
// or for room in a full pipe ends within a tenth of a second of the stop flag
// being set; a reader that goes away is an error (EPIPE), not a signal.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <sys/types.h>

namespace Platform {

class TOutputFile {
public:
    // stop, when given, ends every wait on a pipe; the call then fails with
    // ECANCELED.
    explicit TOutputFile(const std::atomic<bool>* stop = nullptr) : Stop(stop) {}
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    // Prepares the file at path (raw bytes). With append, the new file starts
    // with the older one's bytes. False with Error() set when it cannot be
    // written.
    bool Open(const std::string& path, bool append = false);
    // Writes to a descriptor that stays open (standard output), in place.
    void OpenDescriptor(int fd);
    bool Write(const void* data, std::size_t size);
    // Makes the file whole under its name; false (the older file untouched
    // where there was a temporary one) when that failed.
    bool Commit();

    int Error() const { return LastError; }
    // The file that Commit replaces or writes: the resolved target.
    const std::string& Target() const { return TargetPath; }

private:
    bool Fail(int error);
    bool WaitFor(short events);
    bool CopyOlder(int olderFd);
    void Discard();

    const std::atomic<bool>* const Stop;
    std::string TargetPath;
    std::string Folder; // of the target
    std::string Name;   // of the target, in Folder
    std::string Temp;   // temporary name in Folder; empty when in place
    int FolderFd = -1;
    int Fd = -1;
    bool OwnsFd = true;
    bool Pipe = false; // a FIFO, pipe or socket: writes wait by polling
    bool Older = false;
    uid_t OlderOwner = 0;
    gid_t OlderGroup = 0;
    mode_t Mode = 0;
    int LastError = 0;
};

// The process's umask, read without changing it (umask() would race with
// other threads creating files).
mode_t CurrentUmask();

} // namespace Platform
