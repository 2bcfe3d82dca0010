// Whether a file changed since its copy began, on a RAM disk (nanosecond
// times): each kind of writer a removal must not overrun.
#include "platform/FileChange.h"
#include "common/TempTree.h"
#include "common/TmpfsMount.h"

#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using Platform::TFileChange;

TEST(FileChange, EveryWriterIsSeenAndOnlyOldFilesAreProvenByTheirTimes) {
    TTempTree tree;
    tree.MakeDir("disk");
    TTmpfsMount disk(tree.Path("disk"));
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why();
    for (const char* name : {"kept", "rewritten", "touched", "replaced", "removed"}) {
        tree.MakeFile(std::string("disk/") + name, 4096);
        tree.SetTimes(std::string("disk/") + name, 1500000000, 1500000000);
    }
    const int folder = open(tree.Path("disk").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    const std::timespec start = Platform::CopyStartTime();
    Platform::TFileStamp stamps[5];
    const char* names[5] = {"kept", "rewritten", "touched", "replaced", "removed"};
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(Platform::StampFile(folder, names[i], stamps[i]));
    // A copy that began long after the files' last change: its times prove.
    std::timespec later = start;
    later.tv_sec += 5;

    // Just made: too recent for the times to prove anything.
    EXPECT_EQ(Platform::FileChangeSince(folder, "kept", stamps[0], start), TFileChange::Unproven);
    EXPECT_EQ(Platform::FileChangeSince(folder, "kept", stamps[0], later), TFileChange::Unchanged);

    // Rewritten in place at the same size; rewritten with the old time put back.
    const int rewritten = openat(folder, "rewritten", O_WRONLY | O_CLOEXEC);
    ASSERT_EQ(pwrite(rewritten, "new", 3, 100), 3);
    close(rewritten);
    const int touched = openat(folder, "touched", O_WRONLY | O_CLOEXEC);
    ASSERT_EQ(pwrite(touched, "new", 3, 100), 3);
    const std::timespec old[2] = {stamps[2].Modified, stamps[2].Modified};
    ASSERT_EQ(futimens(touched, old), 0);
    close(touched);
    // Replaced by another file of the same size and time; removed.
    tree.MakeFile("disk/other", 4096);
    tree.SetTimes("disk/other", 1500000000, 1500000000);
    ASSERT_EQ(renameat(folder, "other", folder, "replaced"), 0);
    ASSERT_EQ(unlinkat(folder, "removed", 0), 0);
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(Platform::FileChangeSince(folder, names[i], stamps[i], later),
                  TFileChange::Changed)
            << names[i];
    close(folder);
}

} // namespace
