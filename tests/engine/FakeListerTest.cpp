// The scanner over a made-up file system: every failure a real disk can
// give, on demand, without root and without touching the disk.
#include "ScanTestSupport.h"
#include "engine/Scanner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace {

// Folders by path ("" is the top); each lists files (name, size or an errno
// as a negative size) and subfolders. A folder may fail to open, fail part
// way through its listing, or be a mount point.
class TFakeLister final : public TFolderLister {
public:
    struct TFolder {
        std::vector<std::pair<std::string, std::int64_t>> Files;
        std::vector<std::string> Subfolders;
        int OpenError = 0;
        int ListError = 0; // after the entries above were handed out
        bool Mount = false;
    };
    std::map<std::string, TFolder> Folders;

    int OpenTop(const std::string&, int& error) override { return Open("", error); }
    int OpenSub(int parent, const char* name, int& error, bool& otherMount) override {
        std::string path;
        {
            std::lock_guard lock(Lock);
            path = Handles.at(parent);
        }
        path = path.empty() ? name : path + "/" + name;
        otherMount = Folders.at(path).Mount;
        if (otherMount) {
            error = 0;
            return -1;
        }
        return Open(path, error);
    }
    void Close(int handle) override {
        if (handle < 0)
            return;
        std::lock_guard lock(Lock);
        ASSERT_EQ(Handles.erase(handle), 1u) << "closed twice";
    }
    bool Identity(int handle, std::uint64_t& device, std::uint64_t& inode) override {
        device = 1;
        inode = static_cast<std::uint64_t>(handle) + 1000;
        return true;
    }
    std::uint64_t ListingMount(int) override { return 0; }
    bool List(int handle, std::uint64_t, Platform::TListSink& sink, const std::atomic<bool>&,
              std::vector<char>&, bool& aborted, int& error) override {
        std::string path;
        {
            std::lock_guard lock(Lock);
            path = Handles.at(handle);
        }
        const TFolder& folder = Folders.at(path);
        aborted = false;
        for (const auto& [name, size] : folder.Files) {
            if (size < 0) {
                sink.OnUnreadable(name.data(), name.size(), static_cast<int>(-size));
                continue;
            }
            Platform::TFileFacts facts;
            facts.Size = size;
            sink.OnFile(name.data(), name.size(), facts);
        }
        for (const std::string& name : folder.Subfolders)
            sink.OnFolder(name.data(), name.size(), false);
        error = folder.ListError;
        return error == 0;
    }
    std::size_t OpenHandles() {
        std::lock_guard lock(Lock);
        return Handles.size();
    }

private:
    int Open(const std::string& path, int& error) {
        error = Folders.at(path).OpenError;
        if (error)
            return -1;
        std::lock_guard lock(Lock);
        Handles[++Last] = path;
        return Last;
    }
    std::mutex Lock;
    std::map<int, std::string> Handles;
    int Last = 0;
};

TEST(FakeLister, EveryFailureIsKeptApartAndTheSumsHold) {
    auto fake = std::make_shared<TFakeLister>();
    fake->Folders[""] = {{{"a", 100}, {"b", -EIO}}, {"good", "locked", "torn", "mnt"}};
    fake->Folders["good"] = {{{"c", 5000}}, {"deeper"}};
    fake->Folders["good/deeper"] = {{{"d", 1}}, {}};
    fake->Folders["locked"] = {{}, {}, EACCES};
    fake->Folders["torn"] = {{{"e", 70}}, {"half"}, 0, EIO};
    fake->Folders["torn/half"] = {{{"f", 3}}, {}};
    fake->Folders["mnt"] = {{}, {}, 0, 0, true};
    for (int threads : {1, 8}) {
        TScanHost host;
        TFolderTree tree;
        TScanner scanner(tree, host);
        scanner.SetLister(fake);
        scanner.SetReaderThreads(threads);
        scanner.ScanClusterSize = 4096;
        TFolderNode* root = tree.AddRoot("/made-up");
        ASSERT_TRUE(scanner.ScanFolder(root->Name, root)) << threads;
        EXPECT_EQ(CheckSums(root), "");
        EXPECT_EQ(root->Data->TreeSize, 100 + 5000 + 1 + 70 + 3);
        EXPECT_EQ(root->Data->OwnFileCount, 2u);    // b counts, of unknown size
        EXPECT_EQ(root->Data->TreeFolderCount, 6u); // mnt included
        EXPECT_EQ(root->Error, EIO);                // b could not be examined
        EXPECT_TRUE(root->Has(NodeReadError));
        EXPECT_TRUE(root->Has(NodeIncompleteBelow));
        EXPECT_EQ(Find(root, "locked")->Error, EACCES);
        EXPECT_EQ(Find(root, "torn")->Error, EIO);
        EXPECT_TRUE(Find(root, "torn/half")->Data); // what was listed is still read
        EXPECT_FALSE(Find(root, "good")->Has(NodeIncompleteBelow));
        EXPECT_TRUE(Find(root, "mnt")->Has(NodeOtherDrive));
        EXPECT_EQ(Find(root, "good/deeper")->Inode > 1000, true);
        EXPECT_EQ(scanner.Progress().Unreadable.load(), 3u); // b, locked, torn
        EXPECT_EQ(fake->OpenHandles(), 0u) << "every handle is closed";
    }
}

// A reader that has posted its folder but is still closing the folder's
// handle when the scan is given up: the owner may have finished and freed
// that folder already, so it must not look at it, nor call it stuck.
class TSlowCloseLister final : public TFolderLister {
public:
    std::atomic<bool> Posted{false};
    int OpenTop(const std::string&, int& error) override {
        error = 0;
        return 1;
    }
    int OpenSub(int, const char* name, int& error, bool& otherMount) override {
        otherMount = false;
        error = 0;
        return std::string(name) == "slow" ? 2 : 3;
    }
    void Close(int handle) override {
        if (handle == 2) {
            Posted = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
        }
    }
    bool Identity(int handle, std::uint64_t& device, std::uint64_t& inode) override {
        device = 1;
        inode = static_cast<std::uint64_t>(handle);
        return true;
    }
    std::uint64_t ListingMount(int) override { return 0; }
    bool List(int handle, std::uint64_t, Platform::TListSink& sink, const std::atomic<bool>&,
              std::vector<char>&, bool& aborted, int& error) override {
        aborted = false;
        error = 0;
        if (handle == 1) {
            sink.OnFolder("slow", 4, false);
        } else {
            Platform::TFileFacts facts;
            facts.Size = 10;
            sink.OnFile("f", 1, facts);
        }
        return true;
    }
};

TEST(FakeLister, AReaderStillClosingItsFolderIsNotTakenForStuck) {
    auto lister = std::make_shared<TSlowCloseLister>();
    TTestHost host;
    TFolderTree tree;
    TScanner scanner(tree, host);
    scanner.SetLister(lister);
    host.OnEvents = [&](int) {
        if (lister->Posted)
            scanner.Abort();
    };
    TFolderNode* root = tree.AddRoot("/made-up");
    scanner.ScanFolder(root->Name, root);
    TFolderNode* slow = Find(root, "slow");
    ASSERT_TRUE(slow);
    EXPECT_FALSE(slow->Has(NodeNotAnswering));
    EXPECT_EQ(slow->Error, 0);
    // The reader left behind finishes its close; give it time to leave.
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
}

} // namespace
