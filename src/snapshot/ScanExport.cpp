// The exporter: the scan's readers serialise each folder's own entries into
// a piece of text of the folder's own; the thread that runs the scan writes
// the pieces out in tree order as soon as the next one is complete, and
// frees them. Readers take subfolders depth first, last queued first, and
// the writer follows the same order, so few finished pieces wait at a time.
#include "snapshot/ScanExport.h"

#include "engine/Scanner.h"
#include "engine/VolumeInfo.h"
#include "platform/DirReader.h"
#include "platform/Mounts.h"
#include "platform/OutputFile.h"
#include "snapshot/ScanFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef QUILLMERE_VERSION
#error "the build passes QUILLMERE_VERSION"
#endif

namespace {

// Writes name as the inside of a JSON string at p, as ncdu escapes it
// (quotes, backslashes and control characters; every other byte, valid
// UTF-8 or not, as it is), and returns the end: at most 6 bytes a byte of
// name.
char* WriteJsonName(char* p, const char* name, std::size_t length) {
    static const char hex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c >= 0x20 && c != '"' && c != '\\' && c != 0x7f) {
            *p++ = static_cast<char>(c);
            continue;
        }
        *p++ = '\\';
        switch (c) {
        case '"':
            *p++ = '"';
            break;
        case '\\':
            *p++ = '\\';
            break;
        case '\n':
            *p++ = 'n';
            break;
        case '\r':
            *p++ = 'r';
            break;
        case '\t':
            *p++ = 't';
            break;
        case '\b':
            *p++ = 'b';
            break;
        case '\f':
            *p++ = 'f';
            break;
        default:
            *p++ = 'u';
            *p++ = '0';
            *p++ = '0';
            *p++ = hex[c >> 4];
            *p++ = hex[c & 15];
        }
    }
    return p;
}

// ,"key":value at p: at most 24 bytes and the key's. Entries are formatted
// with raw pointers into room made for them beforehand: string appends per
// field showed in a scan's profile.
template <typename T> char* WriteNumber(char* p, std::string_view key, T value) {
    *p++ = ',';
    *p++ = '"';
    p = std::copy(key.begin(), key.end(), p);
    *p++ = '"';
    *p++ = ':';
    return std::to_chars(p, p + 24, value).ptr;
}

char* WriteText(char* p, std::string_view text) {
    return std::copy(text.begin(), text.end(), p);
}

// {"name":"..." of one item, up to its facts: at most 6 bytes a byte of
// the name and 16.
char* OpenItem(char* p, const char* name, std::size_t length) {
    p = WriteText(p, "{\"name\":\"");
    p = WriteJsonName(p, name, length);
    *p++ = '"';
    return p;
}

// Sizes, mode and time as ncdu writes them in its extended mode: at most
// 120 bytes.
char* WriteFacts(char* p, const Platform::TFileFacts& facts) {
    if (facts.Size > 0)
        p = WriteNumber(p, "asize", facts.Size);
    if (facts.DiskUsage > 0)
        p = WriteNumber(p, "dsize", facts.DiskUsage);
    p = WriteNumber(p, "mode", std::uint64_t{facts.Mode});
    return WriteNumber(p, "mtime", facts.WriteSeconds);
}

// ncdu's mark of something unreadable, and why in a key of our own, which
// ncdu and gdu pass over: at most 60 bytes.
char* WriteReadError(char* p, int error) {
    p = WriteText(p, ",\"read_error\":true");
    const std::string name = Platform::ErrorName(error);
    if (name.empty() || name.size() > 24)
        return p;
    p = WriteText(p, ",\"");
    p = WriteText(p, ScanFileErrorKey);
    p = WriteText(p, "\":\"");
    p = WriteText(p, name);
    *p++ = '"';
    return p;
}

// Room for an item named by length bytes, with all its facts.
constexpr std::size_t ItemRoom(std::size_t length) {
    return 6 * length + 320;
}

constexpr std::string_view OtherDrive = ",\"excluded\":\"othfs\"}]";

// Readers format entries straight into blocks of text of their own, one
// folder after another; a finished folder keeps its block alive until its
// text is written. Growing a string per folder, and allocating and freeing
// one per folder across threads, cost more than all the formatting.
struct TTextBlock {
    explicit TTextBlock(std::size_t capacity)
        : Data(std::make_unique_for_overwrite<char[]>(capacity)), Capacity(capacity) {}
    const std::unique_ptr<char[]> Data;
    const std::size_t Capacity;
};

class TPiece final : public TOutputFolder {
public:
    explicit TPiece(std::uint64_t serial) : Serial(serial) {}
    const std::uint64_t Serial;
    std::string Name;
    // Once done, in Block: Head, "[{...}" for a folder that was listed or
    // the whole entry for one that was not (a mount point, a folder that
    // could not be opened); Entries, ",\n{...}" per file of the folder.
    std::shared_ptr<TTextBlock> Block;
    std::string_view Head;
    std::string_view Entries;
    // Every subfolder made while listing, and the order to write them in.
    std::vector<std::unique_ptr<TPiece>> Made;
    std::vector<TPiece*> Order;
    bool Leaf = false;
    bool Root = false;
    std::atomic<bool> Done{false};
};

// A reader's text: the folder it is listing runs from Start to Size of the
// current block. The serial tells a folder that was left without an end (an
// aborted scan) from the next one, even where a piece is allocated at the
// same address.
class TReaderText {
public:
    static constexpr std::size_t BlockSize = 256 << 10;

    // Makes piece the folder being written, dropping what an unfinished
    // one left.
    void Begin(const TPiece& piece) {
        if (Serial != piece.Serial) {
            Serial = piece.Serial;
            Start = Size;
        }
    }
    bool Holds(const TPiece& piece) const { return Serial == piece.Serial; }

    // Room for at least more bytes; a new block takes the current folder's
    // text with it. The pointer is valid until the next call.
    char* Room(std::size_t more) {
        if (!Block || Block->Capacity - Size < more) {
            const std::size_t kept = Size - Start;
            auto block = std::make_shared<TTextBlock>(std::max(BlockSize, 2 * (kept + more)));
            if (kept)
                std::copy(Block->Data.get() + Start, Block->Data.get() + Size, block->Data.get());
            Block = std::move(block);
            Start = 0;
            Size = kept;
        }
        return Block->Data.get() + Size;
    }
    void Commit(const char* end) { Size = static_cast<std::size_t>(end - Block->Data.get()); }

    // Room for p's head after its entries (p may have none).
    char* HeadRoom(const TPiece& p, std::size_t most) {
        Begin(p);
        return Room(most);
    }
    // Ends p's text with its head, ending at end, and gives p its text.
    void Finish(TPiece& p, const char* end) {
        const std::size_t entries = Size - Start;
        Commit(end);
        const char* data = Block->Data.get();
        p.Entries = {data + Start, entries};
        p.Head = {data + Start + entries, Size - Start - entries};
        p.Block = Block;
        Start = Size;
        Serial = 0;
    }

private:
    std::shared_ptr<TTextBlock> Block;
    std::size_t Start = 0;
    std::size_t Size = 0;
    std::uint64_t Serial = 0;
};
thread_local TReaderText ReaderText;

// Frees pieces iteratively: a path of any depth cannot overflow the stack.
void FreePieces(std::unique_ptr<TPiece> piece) {
    std::vector<std::unique_ptr<TPiece>> pending;
    if (piece)
        pending.push_back(std::move(piece));
    while (!pending.empty()) {
        std::unique_ptr<TPiece> p = std::move(pending.back());
        pending.pop_back();
        for (auto& child : p->Made)
            pending.push_back(std::move(child));
    }
}

class TExportOutput final : public TScanOutput {
public:
    explicit TExportOutput(Platform::TOutputFile& file) : Target(file) {
        Buffer.reserve(BufferSize + 4096);
    }
    ~TExportOutput() override { FreePieces(std::move(Top)); }

    TOutputFolder* StartFolder(const std::string& path) override {
        Top = std::make_unique<TPiece>(NextSerial.fetch_add(1, std::memory_order_relaxed));
        Top->Name = path;
        Top->Root = true;
        return Top.get();
    }

    TOutputFolder* Subfolder(TOutputFolder& parent, const char* name, std::size_t length,
                             bool otherMount) override {
        auto& p = static_cast<TPiece&>(parent);
        if (otherMount) {
            TReaderText& text = ReaderText;
            text.Begin(p);
            char* at = WriteText(text.Room(ItemRoom(length)), ",\n[");
            text.Commit(WriteText(OpenItem(at, name, length), OtherDrive));
            return nullptr;
        }
        p.Made.push_back(
            std::make_unique<TPiece>(NextSerial.fetch_add(1, std::memory_order_relaxed)));
        p.Made.back()->Name.assign(name, length);
        return p.Made.back().get();
    }

    void File(TOutputFolder& folder, const char* name, std::size_t length,
              const Platform::TFileFacts& facts) override {
        TReaderText& text = ReaderText;
        text.Begin(static_cast<TPiece&>(folder));
        char* p = WriteText(text.Room(ItemRoom(length)), ",\n");
        p = WriteFacts(OpenItem(p, name, length), facts);
        if (facts.Links > 1) {
            p = WriteNumber(p, "ino", facts.Inode);
            p = WriteText(p, ",\"hlnkc\":true");
            p = WriteNumber(p, "nlink", std::uint64_t{facts.Links});
        }
        if ((facts.Mode & S_IFMT) != S_IFREG)
            p = WriteText(p, ",\"notreg\":true");
        *p++ = '}';
        text.Commit(p);
    }

    void Unreadable(TOutputFolder& folder, const char* name, std::size_t length,
                    int error) override {
        TReaderText& text = ReaderText;
        text.Begin(static_cast<TPiece&>(folder));
        char* p = WriteText(text.Room(ItemRoom(length)), ",\n");
        p = WriteReadError(OpenItem(p, name, length), error);
        *p++ = '}';
        text.Commit(p);
    }

    void FolderDone(TOutputFolder& folder, const TFolderOutcome& outcome) override {
        auto& p = static_cast<TPiece&>(folder);
        TReaderText& text = ReaderText;
        char* at = text.HeadRoom(p, ItemRoom(p.Name.size()));
        *at++ = '[';
        at = OpenItem(at, p.Name.data(), p.Name.size());
        if (outcome.OtherMount) {
            at = WriteText(at, OtherDrive);
            p.Leaf = true;
        } else {
            if (outcome.Facts) {
                at = WriteFacts(at, *outcome.Facts);
                if (p.Root)
                    at = WriteNumber(at, "dev", outcome.Facts->Device);
            }
            if (outcome.Error)
                at = WriteReadError(at, outcome.Error);
            *at++ = '}';
            if (outcome.NotOpened) {
                *at++ = ']';
                p.Leaf = true;
            } else if (outcome.Subfolders) {
                p.Order.reserve(outcome.Subfolders->size());
                for (auto it = outcome.Subfolders->rbegin(); it != outcome.Subfolders->rend(); ++it)
                    p.Order.push_back(static_cast<TPiece*>(*it));
            }
        }
        text.Finish(p, at);
        p.Done.store(true, std::memory_order_release);
    }

    // Writes every piece that is next in tree order and complete; on the
    // thread that runs the scan. Returns false once writing has failed.
    bool Drain() {
        if (Failed)
            return false;
        if (Stack.empty()) {
            if (Finished || !Top || !Top->Done.load(std::memory_order_acquire))
                return true;
            WritePiece(*Top);
            if (Top->Leaf) {
                Finished = true;
                return !Failed;
            }
            Stack.push_back({Top.get(), 0});
        }
        while (!Stack.empty() && !Failed) {
            TFrame& top = Stack.back();
            if (top.Next == top.Piece->Order.size()) {
                Write("]", 1);
                // Its subfolders are written: free them with what they held.
                for (auto& child : top.Piece->Made)
                    FreePieces(std::move(child));
                top.Piece->Made.clear();
                top.Piece->Made.shrink_to_fit();
                Stack.pop_back();
                if (Stack.empty())
                    Finished = true;
                continue;
            }
            TPiece* child = top.Piece->Order[top.Next];
            if (!child->Done.load(std::memory_order_acquire))
                break;
            ++top.Next;
            Write(",\n", 2);
            WritePiece(*child);
            if (!child->Leaf)
                Stack.push_back({child, 0});
        }
        return !Failed;
    }

    bool Finished = false;
    bool Failed = false;
    int WriteError = 0;
    std::uint64_t Written = 0;

    void Write(const char* data, std::size_t size) {
        if (Failed)
            return;
        Buffer.append(data, size);
        Written += size;
        if (Buffer.size() >= BufferSize)
            Flush();
    }

    // What is gathered goes to the file; false once writing has failed.
    bool Flush() {
        if (!Failed && !Buffer.empty() && !Target.Write(Buffer.data(), Buffer.size())) {
            Failed = true;
            WriteError = Target.Error();
        }
        Buffer.clear();
        return !Failed;
    }

private:
    struct TFrame {
        TPiece* Piece;
        std::size_t Next;
    };

    void WritePiece(TPiece& piece) {
        Write(piece.Head.data(), piece.Head.size());
        Write(piece.Entries.data(), piece.Entries.size());
        piece.Head = piece.Entries = {};
        piece.Block.reset();
    }

    static constexpr std::size_t BufferSize = 1 << 20;
    Platform::TOutputFile& Target;
    std::string Buffer;
    std::atomic<std::uint64_t> NextSerial{1};
    std::unique_ptr<TPiece> Top;
    std::vector<TFrame> Stack;
};

class TExportHost final : public TScanHost {
public:
    TExportHost(TExportOutput& output, TExportProgress& progress)
        : Output(output), Progress(progress) {}
    TScanner* Scanner = nullptr;

    void ProcessEvents() override {
        const bool written = Output.Drain();
        if (Scanner) {
            const TScanProgress& p = Scanner->Progress();
            Progress.Folders = p.Folders.load();
            Progress.Files = p.Files.load();
            Progress.Unreadable = p.Unreadable.load();
            if (!written || Progress.Stop)
                Scanner->Abort();
        }
        Progress.BytesWritten = Output.Written;
    }

private:
    TExportOutput& Output;
    TExportProgress& Progress;
};

} // namespace

TStatus ExportFolder(const std::string& path, const std::string& file, TExportProgress& progress,
                     int readerThreads) {
    const auto stopped = [] { return Refusal("the export was stopped"); };
    const auto unwritable = [&](int error) {
        return TFailure{error, file, "cannot write the file: " + Platform::ErrorText(error)};
    };
    // Stop also ends a wait for a FIFO's reader or for room in a full pipe.
    Platform::TOutputFile out(&progress.Stop);
    if (file == "-")
        out.OpenDescriptor(STDOUT_FILENO);
    else if (!out.Open(file))
        return out.Error() == ECANCELED ? stopped() : unwritable(out.Error());

    auto output = std::make_shared<TExportOutput>(out);
    char head[160];
    const int headLength =
        std::snprintf(head, sizeof head,
                      "[1,2,{\"progname\":\"quillmere\",\"progver\":\"%s\",\"timestamp\":%lld},\n",
                      QUILLMERE_VERSION, static_cast<long long>(std::time(nullptr)));
    output->Write(head, static_cast<std::size_t>(headLength));

    TExportHost host(*output, progress);
    TFolderTree tree;
    TScanner scanner(tree, host);
    host.Scanner = &scanner;
    if (readerThreads > 0)
        scanner.SetReaderThreads(readerThreads);
    scanner.SetOutput(output);
    scanner.ScanClusterSize = ClusterSizeOf(Platform::DriveRootOf(path));
    TFolderNode* root = tree.AddRoot(path);
    if (!progress.Stop)
        scanner.ScanFolder(path, root);
    host.ProcessEvents();
    if (progress.Stop)
        return stopped();
    if (output->Failed)
        return unwritable(output->WriteError);
    if (!root->Data || !output->Finished) {
        if (root->Error)
            return TFailure{root->Error, path,
                            "cannot read the folder: " + Platform::ErrorText(root->Error)};
        return Refusal("the scan of the folder did not finish", path);
    }
    output->Write("]\n", 2);
    progress.BytesWritten = output->Written;
    if (!output->Flush() || !out.Commit()) {
        if (progress.Stop)
            return stopped();
        return unwritable(output->Failed ? output->WriteError : out.Error());
    }
    return {};
}
