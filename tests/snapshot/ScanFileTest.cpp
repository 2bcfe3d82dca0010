// Scan files on real folders: what Quillmere writes loads back into the tree
// a live scan builds; ncdu and gdu read it as they read their own exports;
// their exports load with the live scan's figures; damaged files are refused
// with a reason.
#include "common/NoDacOverride.h"
#include "common/OutsideTool.h"
#include "common/TempTree.h"
#include "common/TmpfsMount.h"
#include "common/TreeSnapshot.h"
#include "engine/FileQueries.h"
#include "engine/Scanner.h"
#include "snapshot/ReadErrors.h"
#include "snapshot/ScanExport.h"
#include "snapshot/ScanImport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace {

constexpr std::int32_t Cluster = 4096;

std::unique_ptr<TFolderTree> LiveScan(const std::string& path, TFolderNode*& root) {
    static TScanHost host;
    auto tree = std::make_unique<TFolderTree>();
    TScanner scanner(*tree, host);
    scanner.ScanClusterSize = Cluster;
    root = tree->AddRoot(path);
    scanner.ScanFolder(path, root);
    return tree;
}

std::string Describe(const TFolderNode& n) {
    std::ostringstream out;
    out << "flags "
        << (n.Flags & (NodeScanned | NodeOtherDrive | NodeReadError | NodeIncompleteBelow |
                       NodeChildrenPublished));
    if (const TFolderSize* r = n.Data.get()) {
        out << " size " << r->TreeSize << '/' << r->OwnSize << " wasted " << r->TreeWasted << '/'
            << r->OwnWasted << " files " << r->TreeFileCount << '/' << r->OwnFileCount
            << " folders " << r->TreeFolderCount << '/' << r->OwnFolderCount << " attrs "
            << r->AttributesOr << " written " << r->NewestWriteTime / 10000000;
        for (int i = 1; i <= AltClusterCount; ++i)
            out << ' ' << r->TreeWastedAlt[i] << '/' << r->OwnWastedAlt[i];
    }
    return out.str();
}

// Path -> description of every node below root, both trees walked alike.
std::map<std::string, std::string> Records(const TFolderNode* root) {
    std::map<std::string, std::string> out;
    std::vector<std::pair<std::string, const TFolderNode*>> pending{{"", root}};
    while (!pending.empty()) {
        auto [path, n] = pending.back();
        pending.pop_back();
        out[path] = Describe(*n);
        for (const auto& c : n->Children) {
            EXPECT_EQ(c->Parent, n);
            EXPECT_EQ(n->Children[c->Row].get(), c.get());
            pending.emplace_back(path + "/" + c->Name, c.get());
        }
    }
    return out;
}

std::string Differences(const std::map<std::string, std::string>& a,
                        const std::map<std::string, std::string>& b) {
    std::string out;
    for (const auto& [path, text] : a) {
        auto it = b.find(path);
        if (it == b.end())
            out += path + ": missing\n";
        else if (it->second != text)
            out += path + ":\n  " + text + "\n  " + it->second + "\n";
    }
    for (const auto& [path, text] : b)
        if (!a.count(path))
            out += path + ": extra\n";
    return out;
}

// Why a step failed, for a test's message.
template <class T> std::string Why(const TResult<T>& result) {
    return result ? std::string() : result.Failure().Describe();
}

std::string ReadAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// Every kept file of a tree with all it holds, one line each, sorted.
std::string KeptFiles(const TFolderNode* root) {
    std::vector<std::string> lines;
    for (const TFolderFiles& folder : GatherFiles(root)) {
        const std::string path = NodePath(folder.Folder);
        for (std::uint32_t i = 0; i < folder.Files.Count(); ++i) {
            const TFileEntry& f = folder.Files->Entry(i);
            lines.push_back(
                path + "/" + std::string(folder.Files->Name(i)) + " " + std::to_string(f.Size()) +
                " " + std::to_string(f.Allocated()) + " " + std::to_string(f.WriteSeconds()) + " " +
                std::to_string(static_cast<int>(f.Kind())) + (f.HardLinked() ? " linked " : " ") +
                std::string(FileExtensionName(f.Extension())));
        }
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

struct TCounter : TTreeObserver {
    int Added = 0;
    void NodeAboutToBeAdded(TFolderNode*, std::uint32_t) override {}
    void NodeAdded(TFolderNode*) override { ++Added; }
    void ChildrenAboutToBePublished(TFolderNode*, std::uint32_t) override {}
    void ChildrenPublished(TFolderNode*) override {}
    void NodeAboutToBeRemoved(TFolderNode*) override {}
    void NodeRemoved(TFolderNode*, std::uint32_t) override {}
    void ChildrenAboutToBeRemoved(TFolderNode*) override {}
    void ChildrenRemoved(TFolderNode*) override {}
    void FiguresChanged() override {}
};

TEST(ScanFile, ExportLoadsBackIntoTheTreeOfTheLiveScan) {
    TTempTree temp;
    TTempTree out;
    temp.MakeFile("a/one", 5000);
    temp.MakeDir("b");
    temp.MakeHardLink("a/one", "b/one-again"); // counted twice, as the scanner does
    temp.MakeFile("a/sparse", 5LL << 30);
    temp.MakeFile("a/deeper/still/.hidden", 1);
    temp.MakeFile(std::string("odd\xff\x01 \"name\\inside\n"), 12345);
    WriteAll(temp.Path("a/written"), std::string(6000, 'x')); // the others are holes
    temp.MakeSymlink("a/one", "link");
    temp.MakeFile("readonly", 10);
    chmod(temp.Path("readonly").c_str(), 0444);
    temp.MakeFile("empty/none", 0);
    // More text than a reader's block of text holds: the folder moves to a
    // larger block part way. Written last, it leaves the cluster size to
    // the files that come first.
    for (int i = 0; i < 3000; ++i)
        temp.MakeFile("0many/" + std::string(100, 'n') + std::to_string(i), i);
    temp.MakeFile("locked/secret", 7000);
    temp.MakeFile("blind/hidden-size", 7000);
    temp.MakeDir("mnt");
    TTmpfsMount drive(temp.Path("mnt"));
    if (drive.Mounted())
        temp.MakeFile("mnt/on-other-drive", 9000);
    chmod(temp.Path("locked").c_str(), 0);
    chmod(temp.Path("blind").c_str(), 0444);

    const std::string file = out.Path("scan.json");
    TExportProgress progress;
    TFolderNode* live = nullptr;
    std::unique_ptr<TFolderTree> liveTree;
    TStatus exported;
    {
        TNoDacOverride noOverride;
        if (geteuid() == 0 && !noOverride.Dropped)
            GTEST_SKIP() << "running as root without the right to drop capabilities";
        liveTree = LiveScan(temp.Root(), live);
        exported = ExportFolder(temp.Root(), file, progress, 3);
        // Where opening cannot tell mount points, the listing does.
        const Platform::TNoXdevOpenOverride listingSeesMounts(false);
        if (exported)
            exported = ExportFolder(temp.Root(), out.Path("listing.json"), progress, 1);
    }
    chmod(temp.Path("locked").c_str(), 0755);
    chmod(temp.Path("blind").c_str(), 0755);
    ASSERT_TRUE(exported) << Why(exported);
    ASSERT_TRUE(live->Data);
    EXPECT_EQ(progress.Unreadable.load(), 2u); // locked, and the file in blind
    EXPECT_EQ(progress.BytesWritten.load(), ReadAll(file).size());

    // The file names things as they are; ncdu's own escapes for the rest.
    const std::string text = ReadAll(file);
    EXPECT_EQ(text.rfind("[1,2,{\"progname\":\"quillmere\"", 0), 0u);
    EXPECT_NE(text.find("\"odd\xff\\u0001 \\\"name\\\\inside\\n\""), std::string::npos);
    EXPECT_NE(text.find("\"hlnkc\":true,\"nlink\":2"), std::string::npos);
    EXPECT_NE(text.find("\"notreg\":true"), std::string::npos);
    if (drive.Mounted()) {
        EXPECT_NE(text.find("[{\"name\":\"mnt\",\"excluded\":\"othfs\"}]"), std::string::npos);
    }

    const TResult<TScanFileProbe> probe = ProbeScanFile(file);
    ASSERT_TRUE(probe) << Why(probe);
    EXPECT_EQ(probe->Info.Program, "quillmere");
    EXPECT_EQ(probe->Info.RootPath, temp.Root());
    EXPECT_GT(probe->Info.Timestamp, 1700000000);
    EXPECT_EQ(probe->ImpliedClusterSize, Cluster);

    TLoadProgress loading;
    TResult<TLoadedScan> loadedFile = LoadScanFile(file, Cluster, loading);
    ASSERT_TRUE(loadedFile) << Why(loadedFile);
    TLoadedScan& loaded = *loadedFile;
    EXPECT_EQ(loading.BytesRead.load(), loading.TotalBytes.load());
    ASSERT_TRUE(loaded.Root);
    EXPECT_EQ(loaded.Root->Name, temp.Root());
    EXPECT_EQ(loaded.Root->Parent, nullptr);
    EXPECT_EQ(loaded.Files, std::uint64_t{live->Data->TreeFileCount});
    EXPECT_EQ(Differences(Records(live), Records(loaded.Root.get())), "");
    // The opened file keeps every file the live scan kept, with the same facts.
    EXPECT_EQ(KeptFiles(loaded.Root.get()), KeptFiles(live));
    EXPECT_NE(KeptFiles(live).find(" linked "), std::string::npos);
    const TResult<TLoadedScan> fromListing =
        LoadScanFile(out.Path("listing.json"), Cluster, loading);
    ASSERT_TRUE(fromListing) << Why(fromListing);
    EXPECT_EQ(Differences(Records(live), Records(fromListing->Root.get())), "");
    // Each unreadable folder keeps its own reason through the file.
    const std::vector<TReadError> liveErrors = ReadErrors({live});
    const std::vector<TReadError> loadedErrors = ReadErrors({loaded.Root.get()});
    ASSERT_EQ(liveErrors.size(), 2u);
    ASSERT_EQ(loadedErrors.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(loadedErrors[i].Error, EACCES) << loadedErrors[i].Path;
        EXPECT_EQ(loadedErrors[i].Error, liveErrors[i].Error) << loadedErrors[i].Path;
    }
    if (drive.Mounted()) {
        EXPECT_TRUE(FindChildNode(loaded.Root.get(), "mnt", true)->Has(NodeOtherDrive));
    }

    // The window's tree takes the loaded scan as a top-level node.
    TFolderTree tree;
    TCounter counter;
    tree.SetObserver(&counter);
    TDriveRecInfo* drive2 = tree.CreateDriveRec(loaded.Root->Name);
    TFolderNode* adopted = tree.AdoptRoot(std::move(loaded.Root), drive2);
    EXPECT_EQ(counter.Added, 1);
    EXPECT_EQ(tree.Roots().size(), 1u);
    EXPECT_EQ(drive2->RootNode, adopted);
    EXPECT_EQ(adopted->Drive, drive2);
    tree.SetObserver(nullptr);

    // Stopped, or unable to write: nothing under the final name, no leftovers.
    TExportProgress stopped;
    stopped.Stop = true;
    const std::string never = out.Path("never.json");
    EXPECT_FALSE(ExportFolder(temp.Root(), never, stopped));
    const TStatus nowhere = ExportFolder(temp.Root(), out.Path("no/such/folder.json"), progress);
    ASSERT_FALSE(nowhere);
    EXPECT_EQ(nowhere.Failure().Errno, ENOENT);
    EXPECT_NE(nowhere.Failure().Describe().find("No such file"), std::string::npos)
        << nowhere.Failure().Describe();
    struct stat st {};
    EXPECT_NE(lstat(never.c_str(), &st), 0);
    exported = ExportFolder(temp.Root(), file, progress); // replaces
    ASSERT_TRUE(exported) << Why(exported);
    // A pipe (or a device such as /dev/null) is written into, not replaced.
    const std::string pipe = temp.Path("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // Both ends held open by the test, so that an export that never opens
    // the pipe finds the test at its end instead of leaving it waiting, and
    // the reader waits for the export rather than seeing an empty pipe.
    const int readEnd = open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(readEnd, 0);
    const int writeEnd = open(pipe.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writeEnd, 0);
    fcntl(readEnd, F_SETFL, 0);
    std::string piped;
    std::thread reader([&] {
        char buffer[65536];
        for (ssize_t n; (n = read(readEnd, buffer, sizeof buffer)) > 0;)
            piped.append(buffer, static_cast<std::size_t>(n));
        close(readEnd);
    });
    exported = ExportFolder(temp.Path("a"), pipe, progress);
    EXPECT_TRUE(exported) << Why(exported);
    close(writeEnd);
    reader.join();
    ASSERT_GT(piped.size(), 3u);
    EXPECT_EQ(piped.rfind("[1,2,{", 0), 0u);
    EXPECT_EQ(piped.substr(piped.size() - 3), "]]\n");
    ASSERT_EQ(lstat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    int entries = 0;
    for (const std::string& name : FolderNames(out.Root()))
        entries += name != "listing.json";
    EXPECT_EQ(entries, 1); // scan.json alone: no temporary file is left
}

// Path -> the entry's keys that decide a total, from an ncdu export.
void Flatten(const QJsonArray& folder, const QString& path, std::map<QString, QString>& out) {
    for (qsizetype i = 0; i < folder.size(); ++i) {
        const bool isFolder = folder[i].isArray();
        QJsonObject item = isFolder ? folder[i].toArray()[0].toObject() : folder[i].toObject();
        const QString name = item.take("name").toString();
        const QString itemPath = i == 0 ? path : path + '/' + name;
        for (const char* key : {"mode", "mtime", "uid", "gid"})
            item.remove(key);
        out[itemPath] = QString::fromUtf8(QJsonDocument(item).toJson(QJsonDocument::Compact));
        if (isFolder && i > 0)
            Flatten(folder[i].toArray(), itemPath, out);
    }
}

std::map<QString, QString> NcduEntries(const QByteArray& json) {
    std::map<QString, QString> out;
    // Qt's parser refuses bytes that are not UTF-8; both sides lose them alike.
    const QJsonArray top = QJsonDocument::fromJson(QString::fromUtf8(json).toUtf8()).array();
    if (top.size() == 4)
        Flatten(top[3].toArray(), QString(), out);
    return out;
}

TEST(ScanFile, NcduAndGduReadOurExportAsTheirOwnAndWeReadTheirs) {
    if (const QString missing = MissingTool({"ncdu", "gdu"}); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString() << " is not installed";
    TTempTree temp;
    TTempTree out;
    temp.MakeFile("photos/2024/a.jpg", 3'000'000);
    temp.MakeFile("photos/2024/b.jpg", 1);
    temp.MakeHardLink("photos/2024/a.jpg", "photos/best.jpg");
    temp.MakeFile("vm/disk.img", 1LL << 32); // sparse
    temp.MakeFile(".cache/x/y/z", 4097);
    temp.MakeFile("n\xe9ither utf8", 100);
    temp.MakeSymlink("photos", "shortcut");
    temp.MakeDir("empty");
    WriteAll(temp.Path("photos/written"), std::string(6000, 'x')); // the others are holes

    const std::string ours = out.Path("ours.json");
    const std::string ncdu = out.Path("ncdu.json");
    const std::string gdu = out.Path("gdu.json");
    TExportProgress progress;
    const TStatus exported = ExportFolder(temp.Root(), ours, progress);
    ASSERT_TRUE(exported) << Why(exported);
    std::string failure;
    const QString root = QString::fromStdString(temp.Root());
    ToolOutput("ncdu", {"-0", "-x", "-e", "-o", QString::fromStdString(ncdu), root}, &failure);
    ASSERT_EQ(failure, "");
    ToolOutput("gdu", {"-n", "-p", "-x", "-o", QString::fromStdString(gdu), root}, &failure);
    ASSERT_EQ(failure, "");

    // ncdu loads our file into the entries of its own scan, so every total
    // it shows is the same.
    const auto reread = [&](const std::string& file) {
        return NcduEntries(
            ToolOutput("ncdu", {"-0", "-f", QString::fromStdString(file), "-o", "-"}, &failure));
    };
    const auto fromOurs = reread(ours);
    ASSERT_EQ(failure, "");
    const auto fromNcdu = reread(ncdu);
    EXPECT_GE(fromOurs.size(), 12u);
    EXPECT_EQ(fromOurs, fromNcdu);

    // gdu totals a file of ours as it totals ncdu's (gdu's own export leaves
    // out folder sizes and its own scan counts a hard link once).
    for (const QStringList& how : {QStringList{}, QStringList{"-a"}}) {
        const auto total = [&](const std::string& file) {
            return ToolOutput("gdu",
                              QStringList{"-n", "-p", "-s", "--no-prefix"} + how +
                                  QStringList{"-f", QString::fromStdString(file)},
                              &failure)
                .simplified()
                .split(' ')
                .value(0);
        };
        const QString fromOurFile = total(ours);
        EXPECT_EQ(failure, "");
        EXPECT_FALSE(fromOurFile.isEmpty());
        EXPECT_EQ(fromOurFile, total(ncdu)) << how.join(' ').toStdString();
    }

    // Their exports load into the live scan's figures.
    TFolderNode* live = nullptr;
    auto tree = LiveScan(temp.Root(), live);
    ASSERT_TRUE(live->Data);
    for (const std::string& file : {ncdu, gdu}) {
        TLoadProgress loading;
        const TResult<TLoadedScan> loadedFile = LoadScanFile(file, Cluster, loading);
        ASSERT_TRUE(loadedFile) << Why(loadedFile);
        const TLoadedScan& loaded = *loadedFile;
        EXPECT_EQ(loaded.Info.Program, file == ncdu ? "ncdu" : "gdu");
        const TFolderSize& r = *loaded.Root->Data;
        EXPECT_EQ(r.TreeSize, live->Data->TreeSize) << file;
        EXPECT_EQ(r.TreeWasted, live->Data->TreeWasted) << file;
        EXPECT_EQ(r.TreeFileCount, live->Data->TreeFileCount) << file;
        EXPECT_EQ(r.TreeFolderCount, live->Data->TreeFolderCount) << file;
        if (file == ncdu) { // gdu writes names that are not UTF-8 as U+FFFD
            EXPECT_EQ(Differences(Records(live), Records(loaded.Root.get())), "");
        }
        const TResult<TScanFileProbe> probe = ProbeScanFile(file);
        ASSERT_TRUE(probe) << Why(probe);
        EXPECT_EQ(probe->ImpliedClusterSize, Cluster);
        EXPECT_EQ(probe->Info.RootPath, temp.Root());
    }
}

struct TLoadResult {
    bool Ok = false;
    std::string Error;
    TLoadedScan Scan;
};

TLoadResult Load(const TTempTree& temp, const std::string& text, bool stop = false) {
    const std::string file = temp.Path("in.json");
    WriteAll(file, text);
    TLoadResult result;
    TLoadProgress progress;
    progress.Stop = stop;
    TResult<TLoadedScan> loaded = LoadScanFile(file, Cluster, progress);
    result.Ok = loaded.Ok();
    if (loaded)
        result.Scan = std::move(*loaded);
    else
        result.Error = loaded.Failure().Describe();
    EXPECT_EQ(result.Ok, result.Error.empty()) << result.Error;
    EXPECT_EQ(result.Ok, result.Scan.Root != nullptr);
    return result;
}

TEST(ScanFile, DamagedOrStrangeFilesGiveAReasonOrLoadCorrectly) {
    TTempTree temp;
    const std::string head = "[1,2,{\"progname\":\"x\"},\n";
    const auto refused = [&](const std::string& text, const std::string& reason) {
        const TLoadResult r = Load(temp, text);
        EXPECT_FALSE(r.Ok) << text.substr(0, 200);
        EXPECT_NE(r.Error.find(reason), std::string::npos) << r.Error;
    };
    refused("", "empty");
    refused("hello", "not a scan file");
    refused("{\"a\":1}", "not a scan file");
    refused("[2,0,{},[{\"name\":\"/r\"}]]", "format version");
    refused(head + "[{\"asize\":1}]]", "without a name");
    refused(head + "[{\"name\":\"/r\"},{\"asize\":5}]]", "without a name");
    refused(head + "[{\"name\":\"/r\"},{\"name\":\"f\",\"asize\":-5}]]", "negative");
    refused(head + "[{\"name\":\"/r\"},{\"name\":\"f\",\"asize\":1e30}]]", "impossible");
    refused(head + "[{\"name\":\"/r\"},{\"name\":\"f\",\"asize\":18446744073709551615}]]",
            "impossible");
    refused(head + "[{\"name\":\"/r\"},{\"name\":\"f\",\"asize\":\"12\"}]]", "not a number");
    refused(head + "[{\"name\":\"/r\"},{\"name\":\"a\\u0000b\",\"asize\":1}]]", "NUL");
    refused(head + "[{\"name\":\"/r\"},{\"name\":\"a/b\",\"asize\":1}]]", "no file can have");
    refused(head + "[{\"name\":\"/r\"},[5]]]", "neither a file nor a folder");
    refused(head + "{\"name\":\"/r\"}]", "does not start with a folder");
    std::string many;
    for (int i = 0; i < 5; ++i)
        many += ",{\"name\":\"f" + std::to_string(i) + "\",\"asize\":1152921504606846976}";
    refused(head + "[{\"name\":\"/r\"}" + many + "]]", "add up");
    // Names no file system allows, and texts longer than any name, are
    // refused before they are held whole.
    refused(head + "[{\"name\":\"/r\"},{\"name\":\"" + std::string(4097, 'n') + "\"}]]",
            "longer than 4096 bytes");
    refused(head + "[{\"name\":\"/r\",\"note\":\"" + std::string(64 << 20, 'x') + "\"}]]",
            "longer than 4096 bytes");

    // Why a folder could not be read: ncdu's mark alone does not say; our
    // own key does, through the folder's entries too.
    const TLoadResult reasons =
        Load(temp, head +
                       "[{\"name\":\"/r\"},[{\"name\":\"ncdu\",\"read_error\":true}],"
                       "[{\"name\":\"ours\",\"read_error\":true,\"quillmere_error\":\"EACCES\"}],"
                       "[{\"name\":\"entry\"},{\"name\":\"f\",\"read_error\":true,"
                       "\"quillmere_error\":\"ENOENT\"}],"
                       "{\"name\":\"" +
                       std::string(4096, 'n') + "\"}]]");
    ASSERT_TRUE(reasons.Ok) << reasons.Error;
    const std::vector<TReadError> errors = ReadErrors({reasons.Scan.Root.get()});
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].Error, ENOENT);
    EXPECT_EQ(errors[1].Error, ReasonNotRecorded);
    EXPECT_NE(ReadErrorReason(errors[1]).toStdString(), Platform::ErrorText(EIO));
    EXPECT_FALSE(ReadErrorReason(errors[1]).isEmpty());
    EXPECT_EQ(errors[2].Error, EACCES);

    // Cut anywhere, the file is incomplete.
    std::string whole = head + "[{\"name\":\"/r\"},{\"name\":\"f\",\"asize\":10},"
                               "[{\"name\":\"d\"},{\"name\":\"g\",\"asize\":20}]]]";
    ASSERT_TRUE(Load(temp, whole).Ok);
    for (std::size_t cut : {whole.size() - 1, whole.size() / 2, std::size_t{3}})
        refused(whole.substr(0, cut), "incomplete");
    refused(whole + "[]", "not a scan file");
    EXPECT_FALSE(Load(temp, whole, true).Ok); // stopped before it began

    // A chain 100,000 folders deep: no recursion in the parser, the loader
    // or the tree's teardown.
    constexpr int Depth = 100000;
    std::string deep = head + "[{\"name\":\"/r\"}";
    deep.reserve(deep.size() + Depth * 24);
    for (int i = 0; i < Depth; ++i)
        deep += ",[{\"name\":\"d\"}";
    deep += ",{\"name\":\"leaf\",\"asize\":7}";
    deep += std::string(Depth + 2, ']');
    {
        const TLoadResult r = Load(temp, deep);
        ASSERT_TRUE(r.Ok) << r.Error;
        EXPECT_EQ(r.Scan.Root->Data->TreeFolderCount, std::uint32_t{Depth});
        EXPECT_EQ(r.Scan.Root->Data->TreeSize, 7);
        const TFolderNode* n = r.Scan.Root.get();
        int depth = 0;
        while (!n->Children.empty())
            n = n->Children[0].get(), ++depth;
        EXPECT_EQ(depth, Depth);
        EXPECT_EQ(n->Data->OwnSize, 7);
    }
    refused(deep.substr(0, deep.size() - Depth / 2), "incomplete");

    // gdu's keys and values of other writers are passed over; names keep
    // their raw bytes; hard links whose members disagree each count as the
    // scanner counts them; a file that could not be read marks its folder.
    const TLoadResult r =
        Load(temp, "[1,2,{\"progname\":\"gdu\",\"progver\":\"v5\",\"timestamp\":1700000000,"
                   "\"extra\":{\"list\":[1,{\"name\":\"no\"}]}},\n"
                   "[{\"name\":\"/srv\",\"usage\":1,\"flag\":\"!\",\"tags\":[[1],[2]]},"
                   "{\"name\":\"caf\xc3\xa9 \xff\",\"asize\":100,\"dsize\":4096,\"ino\":5,"
                   "\"hlnkc\":true,\"nlink\":2,\"mtime\":1600000000,\"mode\":33060},"
                   "[{\"name\":\".d\",\"read_error\":true},"
                   "{\"name\":\"twin\",\"asize\":300,\"dsize\":4096,\"ino\":5,\"hlnkc\":true},"
                   "{\"name\":\"gone\",\"read_error\":true},"
                   "[{\"name\":\"mnt\",\"excluded\":\"othfs\"}],"
                   "{\"name\":\"skipped\",\"excluded\":\"pattern\"}],"
                   "{\"name\":\"dev\",\"asize\":0,\"mode\":8592,\"notreg\":true}]]");
    ASSERT_TRUE(r.Ok) << r.Error;
    EXPECT_EQ(r.Scan.Info.Program, "gdu");
    EXPECT_EQ(r.Scan.Info.ProgramVersion, "v5");
    EXPECT_EQ(r.Scan.Info.Timestamp, 1700000000);
    EXPECT_EQ(r.Scan.Info.ClusterSize, Cluster);
    const TFolderSize& top = *r.Scan.Root->Data;
    EXPECT_EQ(top.TreeSize, 400);
    EXPECT_EQ(top.OwnSize, 100);
    EXPECT_EQ(top.TreeFileCount, 4u); // café, dev, twin, gone
    EXPECT_EQ(top.TreeFolderCount, 2u);
    EXPECT_EQ(top.TreeWasted, 2 * Cluster - 400);
    EXPECT_EQ(top.AttributesOr, AttrReadOnly | AttrSystem); // from files only, as in a scan
    EXPECT_EQ(top.NewestWriteTime, Platform::UnixTimeToFileTime(1600000000, 0));
    EXPECT_TRUE(r.Scan.Root->Has(NodeIncompleteBelow));
    const TFolderNode* d = FindChildNode(r.Scan.Root.get(), ".d", true);
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->Has(NodeReadError));
    EXPECT_TRUE(FindChildNode(const_cast<TFolderNode*>(d), "mnt", true)->Has(NodeOtherDrive));
    EXPECT_EQ(d->Children.size(), 1u);
    const auto unreadable = ReadErrors({r.Scan.Root.get()});
    ASSERT_EQ(unreadable.size(), 1u);
    EXPECT_EQ(unreadable[0].Path, "/srv/.d");
    EXPECT_EQ(unreadable[0].SizeSoFar, 300);

    const TResult<TScanFileProbe> probe = ProbeScanFile(temp.Path("in.json"));
    ASSERT_TRUE(probe) << Why(probe);
    EXPECT_EQ(probe->Info.RootPath, "/srv");
    EXPECT_EQ(probe->ImpliedClusterSize, 4096);
}

} // namespace
