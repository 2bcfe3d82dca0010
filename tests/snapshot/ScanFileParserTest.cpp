// The scan file parser as a seam: ncdu's and gdu's exports of one folder
// differ in their keys and their order, and the parser is where that
// difference ends; its entries build the same tree and give the same quick
// look, and a consumer that has enough ends the reading without a failure.
#include "snapshot/ScanFileParser.h"
#include "common/OutsideTool.h"
#include "common/TempTree.h"
#include "snapshot/ScanImport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t Cluster = 4096;

// Every entry by its path, with the facts a tree is built from; checks that
// the events nest.
class TRecorder final : public TScanFileEvents {
public:
    // Stops the reading at this many items; 0: never.
    explicit TRecorder(std::size_t stopAfter = 0) : StopAfter(stopAfter) {}

    bool FolderBegins(const TScanEntry& folder) override {
        Path.push_back(folder.Name);
        Folders.insert(Joined());
        EXPECT_EQ(folder.LeftOut, TLeftOut::No) << Joined();
        return true;
    }
    bool Item(const TScanEntry& item) override {
        EXPECT_FALSE(Path.empty());
        Items[Joined() + "/" + item.Name] =
            std::to_string(item.ASize) + " " + std::to_string(item.DSize) + " " +
            std::to_string(item.MTime) + (item.ReadError ? " unreadable" : "");
        return StopAfter == 0 || Items.size() < StopAfter;
    }
    bool FolderEnds() override {
        EXPECT_FALSE(Path.empty());
        Path.pop_back();
        ++Ended;
        return true;
    }

    std::set<std::string> Folders;
    std::map<std::string, std::string> Items;
    std::size_t Ended = 0;
    std::vector<std::string> Path;

private:
    std::string Joined() const {
        std::string out;
        for (const std::string& part : Path)
            out += out.empty() ? part : "/" + part;
        return out;
    }

    const std::size_t StopAfter;
};

// The differences between two trees whose children are in the same order.
std::string TreeDifferences(const TFolderNode& a, const TFolderNode& b) {
    std::string out;
    std::vector<std::pair<const TFolderNode*, const TFolderNode*>> pending{{&a, &b}};
    while (!pending.empty()) {
        const auto [x, y] = pending.back();
        pending.pop_back();
        const std::string path = NodePath(x);
        if (x->Name != y->Name || x->Children.size() != y->Children.size() ||
            x->Flags != y->Flags || !x->Data != !y->Data) {
            out += path + ": differs in name, children or flags\n";
            continue;
        }
        if (x->Data) {
            const TFolderSize& p = *x->Data;
            const TFolderSize& q = *y->Data;
            if (p.TreeSize != q.TreeSize || p.OwnSize != q.OwnSize ||
                p.TreeWasted != q.TreeWasted || p.TreeFileCount != q.TreeFileCount ||
                p.TreeFolderCount != q.TreeFolderCount || p.AttributesOr != q.AttributesOr ||
                p.NewestWriteTime != q.NewestWriteTime)
                out += path + ": differs in figures\n";
        }
        for (std::size_t i = 0; i < x->Children.size(); ++i)
            pending.emplace_back(x->Children[i].get(), y->Children[i].get());
    }
    return out;
}

TEST(ScanFileParser, NcduAndGduExportsOfOneFolderGiveTheSameEntriesTreeAndProbe) {
    if (const QString missing = MissingTool({"ncdu", "gdu"}); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString() << " is not installed";
    TTempTree temp;
    TTempTree out;
    temp.MakeFile("docs/letter.txt", 1200);
    temp.MakeFile("docs/2025/report.pdf", 70'000);
    temp.MakeFile("docs/2025/.draft", 1);
    temp.MakeFile("media/film.mkv", 3LL << 30); // sparse
    temp.MakeHardLink("docs/letter.txt", "media/letter-again.txt");
    temp.MakeFile(".config/app/settings.ini", 4097);
    temp.MakeFile("deep/a/b/c/d/e/leaf", 9);
    temp.MakeDir("empty");
    temp.MakeFile("top-level", 0);
    // Written, not a hole: its disk usage tells the cluster size.
    std::ofstream(temp.Path("docs/written.txt")) << std::string(6000, 'x');

    const std::string ncdu = out.Path("ncdu.json");
    const std::string gdu = out.Path("gdu.json");
    std::string failure;
    const QString root = QString::fromStdString(temp.Root());
    ToolOutput("ncdu", {"-0", "-x", "-e", "-o", QString::fromStdString(ncdu), root}, &failure);
    ASSERT_EQ(failure, "");
    ToolOutput("gdu", {"-n", "-p", "-x", "-o", QString::fromStdString(gdu), root}, &failure);
    ASSERT_EQ(failure, "");

    // The same entries, whatever keys and order each writer chose.
    TRecorder fromNcdu;
    TRecorder fromGdu;
    const TResult<TScanFileInfo> ncduInfo = ParseScanFile(ncdu, fromNcdu);
    const TResult<TScanFileInfo> gduInfo = ParseScanFile(gdu, fromGdu);
    ASSERT_TRUE(ncduInfo) << ncduInfo.Failure().Describe();
    ASSERT_TRUE(gduInfo) << gduInfo.Failure().Describe();
    EXPECT_EQ(ncduInfo->Program, "ncdu");
    EXPECT_EQ(gduInfo->Program, "gdu");
    EXPECT_EQ(ncduInfo->RootPath, temp.Root());
    EXPECT_EQ(gduInfo->RootPath, temp.Root());
    EXPECT_EQ(gduInfo->SourceFile, gdu);
    EXPECT_EQ(fromNcdu.Folders.size(), 13u);
    EXPECT_EQ(fromNcdu.Items.size(), 9u);
    EXPECT_EQ(fromNcdu.Folders, fromGdu.Folders);
    EXPECT_EQ(fromNcdu.Items, fromGdu.Items);
    for (const TRecorder* r : {&fromNcdu, &fromGdu}) {
        EXPECT_TRUE(r->Path.empty());
        EXPECT_EQ(r->Ended, r->Folders.size());
    }

    // The builder makes one tree of them, and the quick look tells one
    // cluster size.
    TLoadProgress progress;
    const TResult<TLoadedScan> ncduTree = LoadScanFile(ncdu, Cluster, progress);
    const TResult<TLoadedScan> gduTree = LoadScanFile(gdu, Cluster, progress);
    ASSERT_TRUE(ncduTree && gduTree);
    EXPECT_EQ(ncduTree->Root->Data->TreeFileCount, 9u);
    EXPECT_EQ(ncduTree->Root->Data->TreeFolderCount, 12u);
    EXPECT_EQ(TreeDifferences(*ncduTree->Root, *gduTree->Root), "");
    EXPECT_EQ(ncduTree->Files, gduTree->Files);
    EXPECT_EQ(ncduTree->Folders, gduTree->Folders);
    const TResult<TScanFileProbe> ncduProbe = ProbeScanFile(ncdu);
    const TResult<TScanFileProbe> gduProbe = ProbeScanFile(gdu);
    ASSERT_TRUE(ncduProbe && gduProbe);
    EXPECT_EQ(ncduProbe->ImpliedClusterSize, Cluster);
    EXPECT_EQ(gduProbe->ImpliedClusterSize, Cluster);
    EXPECT_EQ(ncduProbe->Info.RootPath, gduProbe->Info.RootPath);

    // A consumer that has what it wants ends the reading there: a success,
    // with the header read, and no entry after its last word.
    TRecorder firstTwo(2);
    const TResult<TScanFileInfo> early = ParseScanFile(ncdu, firstTwo);
    ASSERT_TRUE(early) << early.Failure().Describe();
    EXPECT_EQ(early->RootPath, temp.Root());
    EXPECT_EQ(firstTwo.Items.size(), 2u);
    EXPECT_FALSE(firstTwo.Path.empty());

    // Stopped from outside, the reading fails and says so.
    TLoadProgress stopped;
    stopped.Stop = true;
    TRecorder none;
    const TResult<TScanFileInfo> refused = ParseScanFile(ncdu, none, &stopped);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.Failure().Path, ncdu);
    EXPECT_TRUE(none.Folders.empty());
}

} // namespace
