// The loader: RapidJSON's SAX reader in its iterative mode feeds a handler
// that keeps its own stack of open folders, so neither the parser nor the
// handler recurses. Each folder's files are folded into its record as they
// come; a folder is finished (record summed, children in display order) at
// its closing bracket and added into its parent, the same steps in the same
// order as a live scan's owner takes them.
#include "snapshot/ScanImport.h"

#include "engine/NameOrder.h"
#include "platform/DirReader.h"
#include "snapshot/ReadErrors.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

// Sizes past this are taken as damage: 2^60 bytes is an exbibyte, and sums
// of many such sizes must still fit the records' 64-bit fields.
constexpr std::uint64_t LargestSize = std::uint64_t{1} << 60;
constexpr std::uint64_t LargestTotal = std::uint64_t{1} << 62;

// The smallest cluster size that allocates exactly dsize bytes to a file of
// asize bytes; 0 when none does (a sparse file, one with extra metadata
// blocks counted, a compressed one).
std::uint64_t SmallestFittingCluster(std::uint64_t asize, std::uint64_t dsize) {
    for (std::uint64_t p = 512; p <= (std::uint64_t{1} << 20); p <<= 1)
        if ((asize + p - 1) / p * p == dsize)
            return p;
    return 0;
}

// The file as the parser reads it, ending where a string grows longer than
// the longest name could be written (6 bytes a byte, as \u00XX): the parser
// gathers a string whole before handing it over, so a string of a gigabyte
// would be held several times over before anyone could refuse it. Strings
// are measured once per block read, in a loop of their own, so the parser's
// reading of each byte stays as plain as rapidjson's own file stream.
class TBoundedStream {
public:
    using Ch = char;
    static constexpr std::size_t LongestText = 6 * LongestScanFileName + 16;

    TBoundedStream(std::FILE* file, std::size_t blockSize) : File(file), Block(blockSize + 1) {
        Refill();
    }
    Ch Peek() const { return *Current; }
    Ch Take() {
        const Ch c = *Current;
        if (Current < Last)
            ++Current;
        else
            Refill();
        return c;
    }
    std::size_t Tell() const { return Consumed + static_cast<std::size_t>(Current - Block.data()); }
    // Reading only.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    std::size_t PutEnd(Ch*) { return 0; }

    bool TooLong = false;

private:
    // The next block, or a '\0' that rapidjson takes for the end.
    void Refill() {
        Consumed += Read;
        Read = Ended ? 0 : std::fread(Block.data(), 1, Block.size() - 1, File);
        Current = Block.data();
        Ended = Ended || Read < Block.size() - 1;
        Read = Measure(Read);
        Block[Read] = '\0';
        Last = Block.data() + (Read > 0 ? Read - 1 : 0);
        if (Read == 0)
            Ended = true;
    }

    // How much of the block is kept: all of it, unless a string in it grows
    // too long, where the file then ends for the parser. Only the quotes are
    // looked at (memchr finds them): a quote after an odd run of backslashes
    // is part of a string, any other opens or closes one.
    std::size_t Measure(std::size_t size) {
        const char* const begin = Block.data();
        const char* const end = begin + size;
        for (const char* at = begin;;) {
            const auto* quote = static_cast<const char*>(std::memchr(at, '"', end - at));
            if (!quote)
                break;
            std::size_t slashes = 0;
            const char* run = quote;
            while (run > begin && run[-1] == '\\')
                --run, ++slashes;
            if (run == begin)
                slashes += Slashes;
            if (slashes % 2 == 0) {
                const std::size_t offset = Consumed + static_cast<std::size_t>(quote - begin);
                if (InString && offset - Opened > LongestText + 1)
                    return CutAt(size);
                InString = !InString;
                Opened = offset;
            }
            at = quote + 1;
        }
        if (InString && Consumed + size - Opened > LongestText + 1)
            return CutAt(size);
        // Backslashes at the block's end escape what begins the next one.
        std::size_t trailing = 0;
        while (trailing < size && end[-1 - static_cast<std::ptrdiff_t>(trailing)] == '\\')
            ++trailing;
        Slashes = trailing == size ? Slashes + trailing : trailing;
        return size;
    }

    // Ends the file for the parser where the open string becomes too long.
    std::size_t CutAt(std::size_t size) {
        TooLong = Ended = true;
        const std::size_t limit = Opened + LongestText + 1;
        return limit > Consumed ? std::min(size, limit - Consumed) : 0;
    }

    std::FILE* File;
    std::vector<char> Block;
    char* Current = nullptr;
    char* Last = nullptr;
    std::size_t Read = 0;
    std::size_t Consumed = 0;
    bool Ended = false;
    bool InString = false;
    std::size_t Opened = 0;  // offset in the file of the open string's quote
    std::size_t Slashes = 0; // backslashes that ended the block before
};

// One JSON number as the reader hands it.
struct TNumber {
    bool Negative = false;
    bool Whole = true;
    std::uint64_t Value = 0; // magnitude, when Whole
};

class THandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, THandler> {
public:
    THandler(std::int32_t clusterSize, TLoadProgress* progress, TBoundedStream& stream)
        : ClusterSize(clusterSize), Progress(progress), Stream(stream) {}
    // What was read and not taken, iteratively: it may be deep.
    ~THandler() { DestroyDetachedTree(std::move(Root)); }
    THandler(const THandler&) = delete;
    THandler& operator=(const THandler&) = delete;

    // Probing: stop after the header and this many files.
    std::uint64_t ProbeFiles = 0;
    bool ProbeDone = false;
    // The largest of the files' smallest fitting clusters: a file no larger
    // than a cluster takes a whole one, so the largest is the cluster size.
    std::uint64_t ImpliedCluster = 0;

    std::string Message; // why the handler stopped the parse, if it did
    TScanFileInfo Info;
    std::unique_ptr<TFolderNode> Root;
    std::uint64_t Folders = 0;
    std::uint64_t Files = 0;
    bool Complete = false;

    // ---- RapidJSON's handler interface ----
    bool Null() { return Scalar(Kind::Other); }
    bool Bool(bool b) {
        Flag = b;
        return Scalar(Kind::Bool);
    }
    bool Int(int i) { return Number(i < 0, static_cast<std::uint64_t>(std::abs(std::int64_t{i}))); }
    bool Uint(unsigned u) { return Number(false, u); }
    bool Int64(std::int64_t i) {
        return Number(i < 0, i < 0 ? static_cast<std::uint64_t>(-(i + 1)) + 1
                                   : static_cast<std::uint64_t>(i));
    }
    bool Uint64(std::uint64_t u) { return Number(false, u); }
    bool Double(double d) {
        Num = TNumber{};
        Num.Negative = d < 0;
        Num.Whole = std::floor(d) == d && std::fabs(d) < 1.8e19;
        if (Num.Whole)
            Num.Value = static_cast<std::uint64_t>(std::fabs(d));
        else if (std::fabs(d) >= 1.8e19) // a whole number too large for any field
            Num.Value = UINT64_MAX, Num.Whole = true;
        return Scalar(Kind::Number);
    }
    bool String(const char* s, rapidjson::SizeType length, bool) {
        if (InObject && !Skip && CurrentKey == EKey::Name) {
            // Into the entry's own buffer, which keeps its capacity from
            // one entry to the next.
            if (!Tick())
                return false;
            Entry.HasName = true;
            if (length > LongestScanFileName)
                return Fail("a name longer than " + std::to_string(LongestScanFileName) +
                            " bytes, which no file can have");
            Entry.NameError = CheckName(std::string_view(s, length));
            Entry.Hidden = length > 0 && s[0] == '.';
            Entry.Name.assign(s, length);
            return true;
        }
        Text.assign(s, length);
        return Scalar(Kind::String);
    }
    bool Key(const char* s, rapidjson::SizeType length, bool) {
        CurrentKey = KeyOf(std::string_view(s, length));
        return true;
    }

    bool StartObject() {
        if (!Tick())
            return false;
        if (Skip) {
            ++Skip;
            return true;
        }
        if (InObject) // an object as a value of a key: nothing we read
            return ++Skip, true;
        switch (State) {
        case Top::Meta:
            Object = ObjectKind::Meta;
            break;
        case Top::Root:
            return Fail("the scan does not start with a folder");
        case Top::Folders:
            if (Frames.empty())
                return Fail("an item after the scanned folder");
            Object = Frames.back().Node ? ObjectKind::Item : ObjectKind::Header;
            break;
        default:
            return Fail("this is not a scan file of ncdu, gdu or Quillmere");
        }
        InObject = true;
        Entry.Reset();
        return true;
    }

    bool EndObject(rapidjson::SizeType) {
        if (Skip) {
            --Skip;
            return true;
        }
        InObject = false;
        switch (Object) {
        case ObjectKind::Meta:
            State = Top::Root;
            return true;
        case ObjectKind::Header:
            return OpenFolder();
        case ObjectKind::Item:
            return AddItem();
        }
        return true;
    }

    bool StartArray() {
        if (!Tick())
            return false;
        if (Skip || InObject)
            return ++Skip, true;
        switch (State) {
        case Top::Outside:
            State = Top::Major;
            return true;
        case Top::Root:
            State = Top::Folders;
            Frames.push_back(TFrame{});
            return true;
        case Top::Folders:
            if (Frames.empty())
                return Fail("an item after the scanned folder");
            if (!Frames.back().Node)
                return Fail("a folder whose first item is not its own description");
            Frames.push_back(TFrame{});
            return true;
        default:
            return Fail("this is not a scan file of ncdu, gdu or Quillmere");
        }
    }

    bool EndArray(rapidjson::SizeType) {
        if (Skip) {
            --Skip;
            return true;
        }
        if (State == Top::Folders && !Frames.empty()) {
            if (!Frames.back().Node)
                return Fail("a folder without its description");
            return CloseFolder();
        }
        if (State == Top::Folders || State == Top::End) {
            if (!Root)
                return Fail("the scan holds no folder");
            Complete = true;
            State = Top::Done;
            return true;
        }
        return Fail("this is not a scan file of ncdu, gdu or Quillmere");
    }

private:
    enum class Top { Outside, Major, Minor, Meta, Root, Folders, End, Done };
    enum class ObjectKind { Meta, Header, Item };
    enum class Kind { Bool, Number, String, Other };
    enum class EKey {
        Other,
        Name,
        ASize,
        DSize,
        MTime,
        Mode,
        ReadError,
        ErrorName,
        Excluded,
        ProgName,
        ProgVer,
        Timestamp
    };

    struct TEntry {
        std::string Name;
        bool HasName = false;
        bool Hidden = false;
        const char* NameError = nullptr;
        std::uint64_t ASize = 0;
        std::uint64_t DSize = 0;
        std::int64_t MTime = 0;
        std::uint32_t Mode = 0;
        bool HasMode = false;
        bool ReadError = false;
        int Reason = 0; // errno our own key names; 0 when none does
        std::string Excluded;

        void Reset() {
            std::string keep = std::move(Name);
            keep.clear();
            *this = TEntry{};
            Name = std::move(keep);
        }
    };

    struct TFrame {
        TFolderNode* Node = nullptr; // null until its description is read
        TFolderSize Record;
        bool ReadError = false;
        // Why: the folder's own failure, else the first of its entries'.
        bool OwnError = false;
        int Reason = 0;
        bool IncompleteBelow = false;
    };

    bool Fail(std::string message) {
        Message = std::move(message);
        return false;
    }

    // Progress and Stop, every few thousand events.
    bool Tick() {
        if (++Events % 4096 != 0 || !Progress)
            return true;
        Progress->BytesRead = Stream.Tell();
        if (Progress->Stop)
            return Fail("the file's loading was stopped");
        return true;
    }

    bool Number(bool negative, std::uint64_t magnitude) {
        Num = TNumber{negative, true, magnitude};
        return Scalar(Kind::Number);
    }

    bool Size(const char* what, std::uint64_t& out) {
        if (!Num.Whole || Num.Negative)
            return Fail(std::string("a negative or fractional ") + what);
        if (Num.Value > LargestSize)
            return Fail(std::string("an impossible ") + what + " (" + std::to_string(Num.Value) +
                        " bytes)");
        out = Num.Value;
        return true;
    }

    bool Scalar(Kind kind) {
        if (!Tick())
            return false;
        if (Skip)
            return true;
        if (!InObject)
            return TopScalar(kind);
        TEntry& e = Entry;
        const EKey key = CurrentKey;
        if (Object == ObjectKind::Meta) {
            if (key == EKey::ProgName && kind == Kind::String)
                Info.Program = Text;
            else if (key == EKey::ProgVer && kind == Kind::String)
                Info.ProgramVersion = Text;
            else if (key == EKey::Timestamp && kind == Kind::Number && !Num.Negative && Num.Whole &&
                     Num.Value < (std::uint64_t{1} << 40))
                Info.Timestamp = static_cast<std::int64_t>(Num.Value);
            return true;
        }
        switch (key) {
        case EKey::Name:
            return Fail("a name that is not a string");
        case EKey::ASize:
        case EKey::DSize:
            if (kind != Kind::Number)
                return Fail(std::string(key == EKey::ASize ? "asize" : "dsize") +
                            " is not a number");
            return Size(key == EKey::ASize ? "apparent size" : "disk usage",
                        key == EKey::ASize ? e.ASize : e.DSize);
        case EKey::MTime:
            if (kind == Kind::Number) {
                const std::uint64_t limit = std::uint64_t{1} << 40; // some 35,000 years
                const std::uint64_t v = std::min(Num.Value, limit);
                e.MTime =
                    Num.Negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
            }
            break;
        case EKey::Mode:
            if (kind == Kind::Number && !Num.Negative && Num.Value <= 0xFFFF) {
                e.Mode = static_cast<std::uint32_t>(Num.Value);
                e.HasMode = true;
            }
            break;
        case EKey::ReadError:
            e.ReadError = kind == Kind::Bool && Flag;
            break;
        case EKey::ErrorName:
            if (kind == Kind::String)
                e.Reason = Platform::ErrorOfName(Text);
            break;
        case EKey::Excluded:
            if (kind == Kind::String)
                e.Excluded = std::move(Text);
            break;
        default:
            // ino, dev, nlink, hlnkc, notreg, uid, gid and keys of other
            // writers change no figure: hard links count as the scanner
            // counts them.
            break;
        }
        return true;
    }

    static EKey KeyOf(std::string_view k) {
        switch (k.size()) {
        case 4:
            if (k == "name")
                return EKey::Name;
            if (k == "mode")
                return EKey::Mode;
            break;
        case 5:
            if (k == "asize")
                return EKey::ASize;
            if (k == "dsize")
                return EKey::DSize;
            if (k == "mtime")
                return EKey::MTime;
            break;
        case 7:
            if (k == "progver")
                return EKey::ProgVer;
            break;
        case 8:
            if (k == "progname")
                return EKey::ProgName;
            if (k == "excluded")
                return EKey::Excluded;
            break;
        case 9:
            if (k == "timestamp")
                return EKey::Timestamp;
            break;
        case 10:
            if (k == "read_error")
                return EKey::ReadError;
            break;
        case ScanFileErrorKey.size():
            if (k == ScanFileErrorKey)
                return EKey::ErrorName;
            break;
        }
        return EKey::Other;
    }

    // Why a name cannot be a file's name; null when it can.
    static const char* CheckName(std::string_view name) {
        if (name.empty())
            return "an item without a name";
        if (name.find('\0') != std::string_view::npos)
            return "a name with a NUL byte";
        if (name.find('/') != std::string_view::npos || name == "." || name == "..")
            return "a name which no file can have";
        return nullptr;
    }

    bool TopScalar(Kind kind) {
        switch (State) {
        case Top::Major:
            if (kind != Kind::Number || Num.Negative || Num.Value != 1)
                return Fail(kind == Kind::Number
                                ? "a scan file of an unknown format version"
                                : "this is not a scan file of ncdu, gdu or Quillmere");
            State = Top::Minor;
            return true;
        case Top::Minor:
            if (kind != Kind::Number)
                return Fail("this is not a scan file of ncdu, gdu or Quillmere");
            State = Top::Meta;
            return true;
        case Top::Meta: // the header must be an object
        default:
            if (State == Top::Folders)
                return Fail("a value that is neither a file nor a folder");
            return Fail("this is not a scan file of ncdu, gdu or Quillmere");
        }
    }

    // The entry's name as read, for a folder (root: a path) or a file.
    bool NameOk(bool root) {
        if (!Entry.HasName)
            return Fail("an item without a name");
        if (Entry.NameError &&
            !(root && Entry.Name.find('\0') == std::string::npos && !Entry.Name.empty()))
            return Fail(Entry.Name.empty() || Entry.Name.find('\0') != std::string::npos
                            ? Entry.NameError
                            : std::string(Entry.NameError) + ": \"" + Entry.Name + '"');
        return true;
    }

    std::uint32_t Attributes() const {
        std::uint32_t attributes = 0;
        if (Entry.Hidden)
            attributes |= AttrHidden;
        if (Entry.HasMode) {
            const unsigned type = Entry.Mode & S_IFMT;
            if (!(Entry.Mode & S_IWUSR))
                attributes |= AttrReadOnly;
            if (type != S_IFREG && type != S_IFDIR && type != S_IFLNK && type != 0)
                attributes |= AttrSystem;
        }
        return attributes;
    }

    bool AddToTotal(std::uint64_t size) {
        Total += size;
        if (Total > LargestTotal)
            return Fail("sizes that add up to more than any disk holds");
        return true;
    }

    bool OpenFolder() {
        const bool root = !Root;
        if (!NameOk(root))
            return false;
        if (!AddToTotal(Entry.ASize))
            return false;
        auto node = std::make_unique<TFolderNode>();
        node->Name = Entry.Name;
        TFolderNode* raw = node.get();
        if (root) {
            Info.RootPath = raw->Name;
            Root = std::move(node);
        } else {
            TFrame& parent = Frames[Frames.size() - 2];
            raw->Parent = parent.Node;
            parent.Record.AddSubfolder();
            parent.Node->Children.push_back(std::move(node));
        }
        TFrame& frame = Frames.back();
        frame.Node = raw;
        if (!Entry.Excluded.empty()) {
            // Another drive (or a folder left out by the writer's user): not
            // read, so it holds no figures, like a mount point in a scan.
            raw->Set(NodeOtherDrive);
            frame.ReadError = false;
            return true;
        }
        ++Folders;
        frame.ReadError = frame.OwnError = Entry.ReadError;
        frame.Reason = Entry.ReadError ? Entry.Reason : 0;
        if (ProbeFiles && Folders >= 10 * ProbeFiles)
            return ProbeStop(); // deep or wide, but with few files to tell by
        return true;
    }

    bool AddItem() {
        if (!NameOk(false))
            return false;
        TFrame& frame = Frames.back();
        if (!Entry.Excluded.empty()) {
            if (Entry.Excluded == "othfs" || Entry.Excluded == "otherfs" ||
                Entry.Excluded == "kernfs") {
                auto node = std::make_unique<TFolderNode>();
                node->Name = Entry.Name;
                node->Parent = frame.Node;
                node->Set(NodeOtherDrive);
                frame.Record.AddSubfolder();
                frame.Node->Children.push_back(std::move(node));
            }
            // Left out by a pattern: neither counted nor shown, as in ncdu.
            return true;
        }
        ++Files;
        if (Entry.ReadError) {
            frame.Record.AddFile(ClusterSize, 0, 0, 0, Attributes());
            frame.ReadError = true;
            if (!frame.OwnError && !frame.Reason)
                frame.Reason = Entry.Reason;
            return true;
        }
        if (!AddToTotal(Entry.ASize))
            return false;
        frame.Record.AddFile(ClusterSize, static_cast<std::int64_t>(Entry.ASize), 0,
                             Entry.MTime ? Platform::UnixTimeToFileTime(Entry.MTime, 0) : 0,
                             Attributes());
        if (ProbeFiles) {
            if (Entry.DSize > 0 && Entry.ASize > 0)
                ImpliedCluster =
                    std::max(ImpliedCluster, SmallestFittingCluster(Entry.ASize, Entry.DSize));
            if (Files >= ProbeFiles)
                return ProbeStop();
        }
        return true;
    }

    bool ProbeStop() {
        ProbeDone = true;
        return false;
    }

    bool CloseFolder() {
        TFrame frame = std::move(Frames.back());
        Frames.pop_back();
        TFolderNode* node = frame.Node;
        if (node->Has(NodeOtherDrive)) {
            if (!node->Children.empty())
                return Fail("a folder left out that has items");
            return true;
        }
        SortByName(node->Children, [](const auto& c) -> std::string_view { return c->Name; });
        node->RenumberChildren();
        frame.Record.Finish();
        node->Data = std::make_unique<TFolderSize>(frame.Record);
        node->Set(NodeScanned);
        node->Set(NodeChildrenPublished);
        if (frame.ReadError) {
            node->Set(NodeReadError);
            // ncdu's and gdu's files say only that it failed, not why.
            node->Error = frame.Reason ? frame.Reason : ReasonNotRecorded;
        }
        node->Set(NodeIncompleteBelow, frame.IncompleteBelow);
        if (!Frames.empty()) {
            TFrame& parent = Frames.back();
            parent.Record.AddFinishedChild(*node->Data);
            if (frame.ReadError || frame.IncompleteBelow)
                parent.IncompleteBelow = true;
        } else {
            State = Top::End;
        }
        return true;
    }

    const std::int32_t ClusterSize;
    TLoadProgress* const Progress;
    TBoundedStream& Stream;
    Top State = Top::Outside;
    ObjectKind Object = ObjectKind::Meta;
    bool InObject = false;
    std::uint32_t Skip = 0; // depth inside values nobody reads
    EKey CurrentKey = EKey::Other;
    std::string Text;
    TNumber Num;
    bool Flag = false;
    TEntry Entry;
    std::vector<TFrame> Frames;
    std::uint64_t Total = 0;
    std::uint64_t Events = 0;
};

struct TOpenFile {
    std::FILE* Stream = nullptr;
    ~TOpenFile() {
        if (Stream)
            std::fclose(Stream);
    }
};

// Runs a handler over the file, leaving it in handler (none when the file
// could not be opened); false with error set unless the handler read it
// whole (or, probing, as far as it wanted).
bool Parse(const std::string& file, std::int32_t clusterSize, TLoadProgress* progress,
           std::uint64_t probeFiles, std::unique_ptr<THandler>& handlerOut, std::string& error) {
    TOpenFile in;
    in.Stream = std::fopen(file.c_str(), "rb");
    if (!in.Stream) {
        error = "cannot open " + file + ": " + Platform::ErrorText(errno);
        return false;
    }
    struct stat st {};
    const std::uint64_t total = fstat(fileno(in.Stream), &st) == 0 ? std::uint64_t(st.st_size) : 0;
    if (progress) {
        progress->TotalBytes = total;
        progress->BytesRead = 0;
    }
    if (progress && progress->Stop) {
        error = file + ": the file's loading was stopped";
        return false;
    }
    TBoundedStream stream(in.Stream, 1 << 16);
    handlerOut = std::make_unique<THandler>(clusterSize, progress, stream);
    THandler& handler = *handlerOut;
    handler.ProbeFiles = probeFiles;
    rapidjson::Reader reader;
    const rapidjson::ParseResult result =
        reader.Parse<rapidjson::kParseIterativeFlag>(stream, handler);
    if (progress)
        progress->BytesRead = stream.Tell();
    if (handler.ProbeDone || (result && handler.Complete))
        return true;
    const std::size_t offset = result.Offset();
    if (std::ferror(in.Stream)) {
        error = "cannot read " + file + ": " + Platform::ErrorText(errno);
    } else if (stream.TooLong) {
        error = file + ": a name or text longer than " + std::to_string(LongestScanFileName) +
                " bytes, which no file can have (at byte " + std::to_string(offset) + ")";
    } else if (!handler.Message.empty()) {
        error = file + ": " + handler.Message + " (at byte " + std::to_string(offset) + ")";
    } else if (offset >= total && total > 0) {
        error = file + ": the file ends before the scan does; it is incomplete";
    } else if (total == 0) {
        error = file + ": the file is empty";
    } else {
        error = file + ": not a scan file: " + rapidjson::GetParseError_En(result.Code()) +
                " (at byte " + std::to_string(offset) + ")";
    }
    return false;
}

} // namespace

bool ProbeScanFile(const std::string& file, TScanFileInfo& info, std::int32_t& impliedClusterSize,
                   std::string& error) {
    std::unique_ptr<THandler> handler;
    impliedClusterSize = 0;
    // Enough files for their disk usage to tell the cluster size.
    constexpr std::uint64_t SampleFiles = 2000;
    if (!Parse(file, 0, nullptr, SampleFiles, handler, error))
        return false;
    info = handler->Info;
    info.SourceFile = file;
    impliedClusterSize = static_cast<std::int32_t>(handler->ImpliedCluster);
    return true;
}

bool LoadScanFile(const std::string& file, std::int32_t clusterSize, TLoadProgress& progress,
                  TLoadedScan& result, std::string& error) {
    std::unique_ptr<THandler> handler;
    if (!Parse(file, clusterSize, &progress, 0, handler, error))
        return false;
    DestroyDetachedTree(std::move(result.Root));
    result.Info = handler->Info;
    result.Info.SourceFile = file;
    result.Info.ClusterSize = clusterSize;
    result.Root = std::move(handler->Root);
    result.Folders = handler->Folders;
    result.Files = handler->Files;
    return true;
}
