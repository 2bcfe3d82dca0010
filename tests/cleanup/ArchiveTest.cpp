// Archiving folders on real trees: what goes in comes back byte for byte,
// readers we did not write accept the archives, and every failure leaves the
// folder whole with no archive and no catalogue entry.
#include "cleanup/ArchiveCatalogue.h"
#include "cleanup/ArchiveStore.h"
#include "cleanup/ZipFormat.h"
#include "common/FaultFigures.h"
#include "common/TempTree.h"
#include "common/TmpfsMount.h"
#include "common/TreeSnapshot.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The archives listed; none, with `error` saying why, when listing failed.
std::vector<TCatalogueEntry> Listed(const std::string& folder, std::string& error) {
    TResult<std::vector<TCatalogueEntry>> listed = ListArchives(folder);
    error = listed ? std::string() : listed.Failure().Describe();
    return listed ? std::move(*listed) : std::vector<TCatalogueEntry>();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Have(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// Whether the readers of other programs that are installed accept the
// archive; the password, when given, goes to those that can decrypt.
void ExpectReadersAccept(const std::string& archive, const std::string& password = {}) {
    const std::string quoted = "'" + archive + "'";
    if (Have("7z")) {
        EXPECT_EQ(std::system(("7z t -p'" + password + "' " + quoted + " >/dev/null").c_str()), 0);
    }
    if (Have("bsdtar")) {
        EXPECT_EQ(std::system(("bsdtar -tf " + quoted + " >/dev/null").c_str()), 0);
    }
    // unzip and Python's zipfile know no AES: they test only open archives.
    if (password.empty() && Have("unzip")) {
        EXPECT_EQ(std::system(("unzip -tq " + quoted + " >/dev/null").c_str()), 0);
    }
    if (password.empty()) {
        EXPECT_EQ(std::system(("/usr/bin/python3 -c 'import sys, zipfile; "
                               "sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)' " +
                               quoted)
                                  .c_str()),
                  0);
    }
}

// Sets an environment variable for one scope.
class TScopedEnv {
public:
    TScopedEnv(const char* name, const std::string& value) : Name(name) {
        if (const char* old = std::getenv(name))
            Old = old;
        setenv(name, value.c_str(), 1);
    }
    ~TScopedEnv() {
        if (Old)
            setenv(Name, Old->c_str(), 1);
        else
            unsetenv(Name);
    }

private:
    const char* Name;
    std::optional<std::string> Old;
};

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class Archives : public testing::Test {
protected:
    void SetUp() override {
        Tree.MakeDir("drive");
        Folder = Tree.Path("drive/.Archives Bin");
    }

    void MakeFolder() {
        Tree.MakeFile("docs/letter.txt", 0);
        WriteText(Tree.Path("docs/letter.txt"), std::string(70000, 'x') + "the end\n");
        WriteText(Tree.Path("docs/picture.png"), std::string(3000, '\x89'));
        WriteText(Tree.Path("docs/.hidden"), "hidden\n");
        Tree.MakeDir("docs/empty");
        WriteText(Tree.Path("docs/caf\xe9-latin1.txt"), "latin1\n");
        WriteText(Tree.Path("docs/r\xc3\xa9sum\xc3\xa9.txt"), "utf8\n");
        Tree.MakeDir("docs/sub");
        Tree.MakeSymlink("../letter.txt", "docs/sub/link");
        chmod(Tree.Path("docs/letter.txt").c_str(), 0600);
        Tree.SetTimes("docs/letter.txt", 1000000000, 1000000000);
    }

    TCompressOutcome Compress(unsigned options, const std::string& password = {},
                              std::function<void(TZipMaster&, const std::string&)> hook = {}) {
        TZipMaster zip;
        if (hook)
            zip.OnProgress = [&](ProgressType type, const std::string& name, std::int64_t) {
                if (type == ProgressType::NewFile)
                    hook(zip, name);
            };
        TCompressRequest request{
            Tree.Path("docs"), Folder, Tree.Path("drive"), "My letters", options, 6, password};
        return CompressFolder(zip, request, Random);
    }

    TTempTree Tree;
    std::string Folder;
    std::mt19937 Random{7};
};

TEST_F(Archives, AFolderGoesIntoItsArchiveAndComesBackAsItWas) {
    MakeFolder();
    const TTreeSnapshot before = SnapshotTree(Tree.Path("docs"), true);
    const TCompressOutcome made = Compress(AddDirNames | AddRecurseDirs | AddHiddenFiles | AddMove);
    ASSERT_TRUE(made.Made) << made.Message;
    EXPECT_TRUE(made.Kept.empty());
    EXPECT_TRUE(made.NotRemoved.empty());
    EXPECT_TRUE(SnapshotTree(Tree.Path("docs")).empty()); // moved into the archive
    EXPECT_GT(made.ArchiveSize, 0);
    EXPECT_LT(made.ArchiveSize, 20000); // the letter compresses; the picture is stored
    ExpectReadersAccept(made.ArchivePath);

    std::string error;
    std::vector<TCatalogueEntry> listed = Listed(Folder, error);
    ASSERT_EQ(listed.size(), 1u) << error;
    EXPECT_EQ(listed[0].Key, made.Key);
    EXPECT_EQ(listed[0].Description, "My letters");
    EXPECT_EQ(listed[0].FolderName, "docs");
    EXPECT_EQ(listed[0].OriginalPath, Tree.Root());
    const TStatus described = SetArchiveDescription(Folder, made.Key, "Old letters");
    ASSERT_TRUE(described) << described.Failure().Text;

    TZipMaster zip;
    TRestoreOutcome restored =
        RestoreArchive(zip, Folder, Listed(Folder, error)[0], Tree.Root(), true);
    ASSERT_TRUE(restored.Restored) << restored.Message;
    EXPECT_EQ(restored.RestoredPath, Tree.Path("docs"));
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Tree.Path("docs"), true)), "");
    // The archive and its entry went with the restore, and the emptied
    // catalogue and folder with the next listing.
    EXPECT_TRUE(Listed(Folder, error).empty());
    EXPECT_TRUE(FolderNames(Tree.Path("drive")).empty());

    // Without subfolders and hidden files, and kept: what was left out stays
    // out of the archive; encrypted, it needs its password back.
    const TCompressOutcome partial = Compress(AddDirNames, "s3cret pass");
    ASSERT_TRUE(partial.Made) << partial.Message;
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Tree.Path("docs"), true)), "");
    ExpectReadersAccept(partial.ArchivePath, "s3cret pass");
    TZipMaster wrong;
    wrong.Password = "guess";
    listed = Listed(Folder, error);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_FALSE(RestoreArchive(wrong, Folder, listed[0], Tree.Path("elsewhere"), true).Restored);
    EXPECT_EQ(Listed(Folder, error).size(), 1u); // a failed restore deletes nothing
    TZipMaster right;
    right.Password = "s3cret pass";
    ASSERT_TRUE(RestoreArchive(right, Folder, listed[0], Tree.Path("elsewhere"), false).Restored);
    EXPECT_EQ(FolderNames(Tree.Path("elsewhere/docs")),
              (std::vector<std::string>{"caf\xe9-latin1.txt", "letter.txt", "picture.png",
                                        "r\xc3\xa9sum\xc3\xa9.txt"}));
}

TEST_F(Archives, AFailedArchiveLeavesTheFolderWholeAndNothingCatalogued) {
    MakeFolder();
    const TTreeSnapshot before = SnapshotTree(Tree.Path("docs"));
    const unsigned move = AddDirNames | AddRecurseDirs | AddHiddenFiles | AddMove;
    const auto expectNothingLeft = [&](const TCompressOutcome& outcome) {
        EXPECT_FALSE(outcome.Made);
        EXPECT_FALSE(outcome.Message.empty());
        EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Tree.Path("docs"))), "");
        std::string error;
        EXPECT_TRUE(Listed(Folder, error).empty());
        EXPECT_EQ(FolderNames(Folder), std::vector<std::string>{});
    };
    {
        SCOPED_TRACE("Stop half way");
        expectNothingLeft(Compress(move, {}, [](TZipMaster& zip, const std::string& name) {
            if (name == "docs/picture.png")
                zip.Cancel();
        }));
    }
    {
        SCOPED_TRACE("the catalogue cannot be kept");
        mkdir(Folder.c_str(), 0755);
        mkdir((Folder + "/archives.ini").c_str(), 0755);
        const TCompressOutcome outcome = Compress(move);
        rmdir((Folder + "/archives.ini").c_str());
        expectNothingLeft(outcome);
    }
    {
        SCOPED_TRACE("the archive drive fills up");
        TTmpfsMount small(Tree.Path("drive"), "size=40k");
        if (small.Mounted()) {
            WriteText(Tree.Path("docs/noise.bin"), ReadText("/proc/self/exe").substr(0, 200000));
            const TTreeSnapshot withNoise = SnapshotTree(Tree.Path("docs"));
            const TCompressOutcome full = Compress(move);
            EXPECT_FALSE(full.Made);
            EXPECT_NE(full.Message.find("space"), std::string::npos) << full.Message;
            EXPECT_EQ(SnapshotDifference(withNoise, SnapshotTree(Tree.Path("docs"))), "");
            EXPECT_TRUE(FolderNames(Folder).empty());
            Tree.Remove("docs/noise.bin");
        }
    }
    // A file written to while it is archived stays, and is named; the rest goes.
    const TCompressOutcome changed = Compress(move, {}, [&](TZipMaster&, const std::string& name) {
        if (name == "docs/picture.png")
            WriteText(Tree.Path("docs/letter.txt"), "rewritten\n");
    });
    ASSERT_TRUE(changed.Made) << changed.Message;
    ASSERT_EQ(changed.Kept.size(), 1u);
    EXPECT_EQ(changed.Kept[0], Tree.Path("docs/letter.txt"));
    EXPECT_EQ(FolderNames(Tree.Path("docs")), std::vector<std::string>{"letter.txt"});
    EXPECT_EQ(ReadText(Tree.Path("docs/letter.txt")), "rewritten\n");
}

// Archives made elsewhere, as an attacker would make them: nothing is
// written outside the restore folder, the bad entries are named, the
// restore fails and the archive stays. A damaged archive fails too.
TEST_F(Archives, RestoringNeverWritesOutsideItsFolder) {
    Tree.MakeDir("drive/.Archives Bin");
    Tree.MakeDir("outside");
    const std::string hostile = Folder + "/H0000001.ZIP";
    {
        archive* a = archive_write_new();
        archive_write_set_format_zip(a);
        ASSERT_EQ(archive_write_open_filename(a, hostile.c_str()), ARCHIVE_OK);
        const auto add = [&](const std::string& name, const std::string& data,
                             const char* link = nullptr) {
            archive_entry* e = archive_entry_new();
            archive_entry_set_pathname(e, name.c_str());
            archive_entry_set_mode(e, (link ? AE_IFLNK : AE_IFREG) | 0644);
            if (link)
                archive_entry_set_symlink(e, link);
            archive_entry_set_size(e, static_cast<la_int64_t>(data.size()));
            archive_write_header(a, e);
            archive_write_data(a, data.data(), data.size());
            archive_entry_free(e);
        };
        add("box/fine.txt", "fine");
        add("box/../../outside/dotdot.txt", "evil");
        add((Tree.Path("outside") + "/absolute.txt"), "evil");
        add("box/escape", "", Tree.Path("outside").c_str());
        add("box/escape/through-link.txt", "evil");
        add("box\\..\\..\\outside\\backslash.txt", "evil");
        add("box/fine.txt", "second");
        archive_write_close(a);
        archive_write_free(a);
    }
    TArchiveCatalogue catalogue;
    ASSERT_TRUE(catalogue.Load(Folder));
    catalogue.Write(DescriptionsSection, "H0000001.ZIP", "hostile");
    catalogue.Write(FolderNamesSection, "H0000001.ZIP", "box");
    ASSERT_TRUE(catalogue.Save());

    std::string error;
    const std::vector<TCatalogueEntry> listed = Listed(Folder, error);
    ASSERT_EQ(listed.size(), 1u) << error;
    TZipMaster zip;
    const TRestoreOutcome outcome = RestoreArchive(zip, Folder, listed[0], Tree.Path("in"), true);
    EXPECT_FALSE(outcome.Restored);
    EXPECT_TRUE(FolderNames(Tree.Path("outside")).empty());
    // The second "box/fine.txt" may not replace the first: the user never
    // agreed to restore into a folder that was there.
    EXPECT_EQ(zip.Refused.size(), 5u);
    EXPECT_EQ(ReadText(Tree.Path("in/box/fine.txt")), "fine");
    EXPECT_EQ(Listed(Folder, error).size(), 1u);

    // One flipped byte in the data of an archive of our own.
    MakeFolder();
    const TCompressOutcome made = Compress(AddDirNames | AddRecurseDirs);
    ASSERT_TRUE(made.Made) << made.Message;
    std::string bytes = ReadText(made.ArchivePath);
    bytes[bytes.find("docs/letter.txt") + 40] ^= 0x20;
    WriteText(made.ArchivePath, bytes);
    TZipMaster damaged;
    for (const TCatalogueEntry& entry : Listed(Folder, error)) {
        if (entry.Key == made.Key) {
            EXPECT_FALSE(RestoreArchive(damaged, Folder, entry, Tree.Path("again"), true).Restored);
        }
    }
    EXPECT_TRUE(access(made.ArchivePath.c_str(), F_OK) == 0);

    // Cut short, and restored to a place that cannot be made: both fail,
    // and the archive stays for another try.
    WriteText(made.ArchivePath, bytes.substr(0, bytes.size() / 2));
    Tree.MakeFile("a-file", 10);
    for (const std::string& to : {Tree.Path("cut"), Tree.Path("a-file/below")}) {
        SCOPED_TRACE(to);
        for (const TCatalogueEntry& entry : Listed(Folder, error)) {
            if (entry.Key == made.Key) {
                TZipMaster zip;
                EXPECT_FALSE(RestoreArchive(zip, Folder, entry, to, true).Restored);
            }
        }
        EXPECT_TRUE(access(made.ArchivePath.c_str(), F_OK) == 0);
    }
}

TEST_F(Archives, TheCatalogueKeepsOrderAndCaseAndIsNeverSilentlyEmptied) {
    Tree.MakeDir("drive/.Archives Bin");
    WriteText(Folder + "/A0000001.ZIP", "");
    WriteText(Folder + "/A0000003.ZIP", "");
    WriteText(Folder + "/archives.ini",
              "[Descriptions]\r\nA0000003.ZIP=Third\r\na0000002.zip=Gone\r\nA0000001.ZIP=First\r\n"
              "[FolderNames]\r\nA0000001.zip=one\r\n[OriginalPaths]\r\n");
    std::string error;
    const std::vector<TCatalogueEntry> listed = Listed(Folder, error);
    ASSERT_EQ(listed.size(), 2u) << error;
    EXPECT_EQ(listed[0].Description, "Third");
    EXPECT_EQ(listed[1].FolderName, "one"); // keys match in any case
    EXPECT_EQ(listed[1].OriginalPath, "/");
    EXPECT_EQ(ReadText(Folder + "/archives.ini").find("Gone"), std::string::npos);

    // Garbage is set aside, said so, and the archives stay.
    WriteText(Folder + "/archives.ini", std::string("PK\x03\x04\0\0garbage", 14));
    const TResult<std::vector<TCatalogueEntry>> damaged = ListArchives(Folder);
    ASSERT_FALSE(damaged);
    EXPECT_NE(damaged.Failure().Describe().find("damaged"), std::string::npos)
        << damaged.Failure().Describe();
    EXPECT_EQ(ReadText(Folder + "/archives.ini.damaged").substr(0, 2), "PK");
    EXPECT_EQ(FolderNames(Folder),
              (std::vector<std::string>{"A0000001.ZIP", "A0000003.ZIP", "archives.ini.damaged"}));

    // A catalogue of 20,000 entries, all but one of whose archives are gone.
    std::string big = "[Descriptions]\n";
    for (int i = 0; i < 20000; ++i)
        big += "B" + std::to_string(i) + ".ZIP=old " + std::to_string(i) + "\n";
    big += "A0000001.ZIP=kept\n";
    WriteText(Folder + "/archives.ini", big);
    const std::vector<TCatalogueEntry> kept = Listed(Folder, error);
    ASSERT_EQ(kept.size(), 1u) << error;
    EXPECT_EQ(kept[0].Description, "kept");
    EXPECT_EQ(ReadText(Folder + "/archives.ini"), "[Descriptions]\nA0000001.ZIP=kept\n");
}

// What is archived comes back, odd names, outside links and set-ID files
// included; an archive that does not check is never restored as good nor
// deleted; and what delete and move refuse is not archived either.
TEST_F(Archives, AnArchiveIsTheOnlyCopySoItMustComeBackWholeOrNotBeMade) {
    const TScopedEnv home("HOME", Tree.Path("home"));
    Tree.MakeDir("home");
    MakeFolder();
    WriteText(Tree.Path("docs/back\\slash"), "a backslash is a byte\n");
    Tree.MakeSymlink("/usr/lib", "docs/lib");
    WriteText(Tree.Path("docs/tool"), "#!/bin/sh\n");
    chmod(Tree.Path("docs/tool").c_str(), 04755);
    Tree.MakeHardLink("docs/picture.png", "docs/sub/same-picture.png");
    const unsigned move = AddDirNames | AddRecurseDirs | AddHiddenFiles | AddMove;

    // Never archived: the folder's parent or itself by "..", ".", the home folder.
    for (const std::string& refused : {Tree.Path("docs/sub/.."), Tree.Path("docs/sub/../.."),
                                       Tree.Path("docs/."), Tree.Path("home")}) {
        SCOPED_TRACE(refused);
        TZipMaster zip;
        TCompressRequest request{refused, Folder, Tree.Path("drive"), "no", move, 6, {}};
        const TCompressOutcome outcome = CompressFolder(zip, request, Random);
        EXPECT_FALSE(outcome.Made);
        EXPECT_FALSE(outcome.Message.empty());
        EXPECT_EQ(access(Tree.Path("docs/letter.txt").c_str(), F_OK), 0);
    }
    RecordFaultCase("archive", "a folder delete and move refuse (\"..\" or \".\" or home)",
                    !HasFailure(), access(Tree.Path("docs/letter.txt").c_str(), F_OK) == 0 ? 0 : 1);

    const TTreeSnapshot before = SnapshotTree(Tree.Path("docs"), true);
    const TCompressOutcome made = Compress(move);
    ASSERT_TRUE(made.Made) << made.Message;
    EXPECT_TRUE(made.Kept.empty()); // the hard-linked file too: nothing was written to it
    EXPECT_NE(access(Tree.Path("docs").c_str(), F_OK), 0);
    EXPECT_EQ(ModeOf(Folder), 0700u);
    EXPECT_EQ(ModeOf(made.ArchivePath), 0600u);
    ExpectReadersAccept(made.ArchivePath);
    std::string error;
    TZipMaster zip;
    const TRestoreOutcome restored =
        RestoreArchive(zip, Folder, Listed(Folder, error).at(0), Tree.Root(), true);
    ASSERT_TRUE(restored.Restored) << restored.Message;
    EXPECT_EQ(restored.DroppedModeBits, 1u);
    EXPECT_EQ(ModeOf(Tree.Path("docs/tool")), 0755u);
    chmod(Tree.Path("docs/tool").c_str(), 04755);
    // ZIP keeps no hard links: the second name comes back as a copy.
    EXPECT_EQ(ReadText(Tree.Path("docs/sub/same-picture.png")),
              ReadText(Tree.Path("docs/picture.png")));
    // Linking it again moves its folder's time, which the restore had set
    // as archived: set back, or a second ticking over in between tells.
    struct stat sub {};
    ASSERT_EQ(lstat(Tree.Path("docs/sub").c_str(), &sub), 0);
    Tree.Remove("docs/sub/same-picture.png");
    Tree.MakeHardLink("docs/picture.png", "docs/sub/same-picture.png");
    Tree.SetTimes("docs/sub", sub.st_atim.tv_sec, sub.st_mtim.tv_sec);
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Tree.Path("docs"), true)), "");

    // Stored (level 0), one byte of a file's data flipped: only the CRC
    // tells, and the restore must listen to it.
    TZipMaster packer;
    TCompressRequest request{Tree.Path("docs"), Folder, Tree.Path("drive"), "stored", move, 0, {}};
    const TCompressOutcome stored = CompressFolder(packer, request, Random);
    ASSERT_TRUE(stored.Made) << stored.Message;
    std::string bytes = ReadText(stored.ArchivePath);
    const std::size_t data = bytes.find("the end\n");
    ASSERT_NE(data, std::string::npos);
    bytes[data] ^= 0x01;
    WriteText(stored.ArchivePath, bytes);
    if (Have("unzip")) {
        EXPECT_NE(std::system(("unzip -tq '" + stored.ArchivePath + "' >/dev/null 2>&1").c_str()),
                  0);
    }
    TZipMaster unpacker;
    const TRestoreOutcome bad =
        RestoreArchive(unpacker, Folder, Listed(Folder, error).at(0), Tree.Root(), true);
    EXPECT_FALSE(bad.Restored);
    EXPECT_NE(bad.Message.find("CRC"), std::string::npos) << bad.Message;
    EXPECT_EQ(ReadText(stored.ArchivePath), bytes);
    EXPECT_EQ(Listed(Folder, error).size(), 1u);
    EXPECT_NE(access(Tree.Path("docs/letter.txt").c_str(), F_OK), 0); // not left as if whole
    // The archive stays byte for byte, so no file is lost.
    RecordFaultCase("restore", "a flipped byte that only the CRC tells", !HasFailure(),
                    ReadText(stored.ArchivePath) == bytes ? 0 : 1);
}

// A drive anyone may write, like /tmp: another user's archives folder, a
// link in its place, or a catalogue that points elsewhere never lead our
// archives, or our restores, where that user wants them.
TEST_F(Archives, ArchivesFoldersAndCataloguesOfOtherUsersAreNeverUsed) {
    const TScopedEnv home("HOME", Tree.Path("home"));
    Tree.MakeDir("home");
    chmod(Tree.Root().c_str(), 0755);
    chmod(Tree.Path("drive").c_str(), 01777);
    const std::string mkdirAsNobody = "/usr/bin/setpriv --reuid=nobody --regid=nogroup "
                                      "--clear-groups mkdir -m 0755 '" +
                                      Folder + "'";
    ASSERT_EQ(std::system(mkdirAsNobody.c_str()), 0);
    std::string notice;
    const std::string used = ArchivesFolderFor(Tree.Path("drive"), &notice);
    EXPECT_EQ(used, Tree.Path("home/.Archives Bin"));
    EXPECT_NE(notice.find("another user"), std::string::npos) << notice;
    MakeFolder();
    const TTreeSnapshot before = SnapshotTree(Tree.Path("docs"), true);
    const unsigned move = AddDirNames | AddRecurseDirs | AddHiddenFiles | AddMove;
    const TCompressOutcome intoTheirs = Compress(move); // asked for their folder all the same
    EXPECT_FALSE(intoTheirs.Made);
    EXPECT_TRUE(FolderNames(Folder).empty());
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Tree.Path("docs"), true)), "");
    RecordFaultCase("archive", "another user's archives folder, made first", !HasFailure(), 0);

    // Their folder replaced by a link to a folder of ours: nothing in it is
    // renamed, removed or written.
    rmdir(Folder.c_str());
    Tree.MakeDir("victim");
    WriteText(Tree.Path("victim/archives.ini"), "[Descriptions]\nV0000001.ZIP=mine\n");
    WriteText(Tree.Path("victim/.V0000002.ZIP.part"), "half");
    Tree.MakeSymlink(Tree.Path("victim"), "drive/.Archives Bin");
    EXPECT_EQ(ArchivesFolderFor(Tree.Path("drive")), Tree.Path("home/.Archives Bin"));
    EXPECT_FALSE(ListArchives(Folder));
    EXPECT_EQ(FolderNames(Tree.Path("victim")),
              (std::vector<std::string>{".V0000002.ZIP.part", "archives.ini"}));
    EXPECT_FALSE(Compress(move).Made);
    RecordFaultCase("archive", "a link in the archives folder's place", !HasFailure(), 0);

    // A catalogue of our own folder whose entries reach out of it or out
    // of the archived folder, and an archive with a device node, a set-ID
    // file and an entry beside its folder.
    Folder = used;
    const TCompressOutcome ours = Compress(AddDirNames | AddRecurseDirs);
    ASSERT_TRUE(ours.Made) << ours.Message;
    const std::string hostile = Folder + "/H0000001.ZIP";
    {
        archive* a = archive_write_new();
        archive_write_set_format_zip(a);
        ASSERT_EQ(archive_write_open_filename(a, hostile.c_str()), ARCHIVE_OK);
        const auto add = [&](const std::string& name, mode_t mode, const std::string& data) {
            archive_entry* e = archive_entry_new();
            archive_entry_set_pathname(e, name.c_str());
            archive_entry_set_mode(e, mode);
            archive_entry_set_size(e, static_cast<la_int64_t>(data.size()));
            archive_write_header(a, e);
            archive_write_data(a, data.data(), data.size());
            archive_entry_free(e);
        };
        add("box/fine.txt", AE_IFREG | 0644, "fine");
        add("neighbour/existing", AE_IFREG | 0644, "replaced");
        add("box/setgid", AE_IFREG | 02755, "x");
        add("box/null", AE_IFREG | 0666, "");
        archive_write_close(a);
        archive_write_free(a);
    }
    // libarchive writes no device into a ZIP; its central directory can
    // say one all the same.
    std::string bytes = ReadText(hostile);
    const std::size_t device = bytes.rfind(std::string("PK\x01\x02", 4));
    ASSERT_EQ(bytes.compare(device + 46, 8, "box/null"), 0);
    bytes[device + 40] = static_cast<char>(0xB6);
    bytes[device + 41] = static_cast<char>(0x21); // S_IFCHR | 0666
    WriteText(hostile, bytes);
    TArchiveCatalogue catalogue;
    ASSERT_TRUE(catalogue.Load(Folder));
    catalogue.Write(DescriptionsSection, "H0000001.ZIP", "hostile");
    catalogue.Write(FolderNamesSection, "H0000001.ZIP", "box");
    catalogue.Write(DescriptionsSection, "../../victim/V0000001.ZIP", "elsewhere");
    ASSERT_TRUE(catalogue.Save());
    Tree.MakeDir("in/neighbour");
    WriteText(Tree.Path("in/neighbour/existing"), "keep");
    std::string error;
    const std::vector<TCatalogueEntry> listed = Listed(Folder, error);
    ASSERT_EQ(listed.size(), 2u) << error; // ours and the hostile one; the path is no key
    TZipMaster zip;
    const TRestoreOutcome outcome = RestoreArchive(zip, Folder, listed[1], Tree.Path("in"), true);
    EXPECT_FALSE(outcome.Restored);
    EXPECT_EQ(zip.Refused.size(), 2u);
    EXPECT_EQ(ReadText(Tree.Path("in/neighbour/existing")), "keep");
    EXPECT_EQ(FolderNames(Tree.Path("in/box")), (std::vector<std::string>{"fine.txt", "setgid"}));
    EXPECT_EQ(ModeOf(Tree.Path("in/box/setgid")), 0755u);
    EXPECT_EQ(access(hostile.c_str(), F_OK), 0);
    EXPECT_TRUE(DeleteArchive(Folder, ours.Key).Ok());
    EXPECT_FALSE(DeleteArchive(Folder, "../../victim/archives.ini").Ok());
    EXPECT_EQ(access(Tree.Path("victim/archives.ini").c_str(), F_OK), 0);
    RecordFaultCase(
        "restore",
        "catalogue keys and entries that reach out (paths; a neighbour; a device; set-ID)",
        !HasFailure(), ReadText(Tree.Path("in/neighbour/existing")) == "keep" ? 0 : 1);
}

// The UTF-8 mark, as readers we did not write see it: set for names that
// are UTF-8, cleared for the others in the central directory and in the
// local header alike, and a file that is no archive left as it was.
TEST_F(Archives, OnlyNamesThatAreUtf8AreMarkedSoInBothHeaders) {
    MakeFolder();
    WriteText(Tree.Path("docs/sub/\xff\xfe-raw"), "deeper and not UTF-8\n");
    const TCompressOutcome made = Compress(AddDirNames | AddRecurseDirs | AddHiddenFiles);
    ASSERT_TRUE(made.Made) << made.Message;
    // Each entry: its name's bytes in hex, its mark in the central
    // directory, its mark in its local header.
    const std::string script =
        "import sys, zipfile, struct\n"
        "data = open(sys.argv[1], 'rb').read()\n"
        "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
        "    raw = i.filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')\n"
        "    local = struct.unpack_from('<H', data, i.header_offset + 6)[0]\n"
        "    print(raw.hex(), (i.flag_bits >> 11) & 1, (local >> 11) & 1)\n";
    FILE* pipe =
        popen(("/usr/bin/python3 -c \"" + script + "\" '" + made.ArchivePath + "'").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::map<std::string, std::string> marks;
    char hex[1024];
    char central[4], local[4];
    while (std::fscanf(pipe, "%1023s %3s %3s", hex, central, local) == 3)
        marks[hex] = std::string(central) + local;
    EXPECT_EQ(pclose(pipe), 0);
    const auto markOf = [&](const std::string& name) {
        std::string h;
        for (unsigned char c : name) {
            char two[3];
            std::snprintf(two, sizeof two, "%02x", c);
            h += two;
        }
        return marks.count(h) ? marks[h] : "missing";
    };
    EXPECT_EQ(marks.size(), 10u);
    EXPECT_EQ(markOf("docs/caf\xe9-latin1.txt"), "00");
    EXPECT_EQ(markOf("docs/sub/\xff\xfe-raw"), "00");
    EXPECT_EQ(markOf("docs/r\xc3\xa9sum\xc3\xa9.txt"), "11");
    EXPECT_NE(markOf("docs/letter.txt"), "missing");

    WriteText(Tree.Path("not-a-zip"), std::string(100, 'P'));
    const int fd = open(Tree.Path("not-a-zip").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(ZipFormat::ClearUtf8Marks(fd, {"a"}).Ok());
    close(fd);
    EXPECT_EQ(ReadText(Tree.Path("not-a-zip")), std::string(100, 'P'));
}

} // namespace
