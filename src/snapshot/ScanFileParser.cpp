// The parser: RapidJSON's SAX reader in its iterative mode feeds a handler
// that keeps its own stack of open folders, so neither recurses. The handler
// gathers an entry's keys as they come, checks the entry at its closing
// brace and hands it on; the structure (header, folders as arrays whose
// first element describes them) is checked as it goes.
#include "snapshot/ScanFileParser.h"

#include "platform/DirReader.h"
#include "snapshot/BoundedStream.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

// Sizes past this are taken as damage: 2^60 bytes is an exbibyte, and sums
// of many such sizes must still fit the records' 64-bit fields.
constexpr std::uint64_t LargestSize = std::uint64_t{1} << 60;
constexpr std::uint64_t LargestTotal = std::uint64_t{1} << 62;

constexpr const char* NotAScanFile = "this is not a scan file of ncdu, gdu or Quillmere";

// One JSON number as the reader hands it.
struct TNumber {
    bool Negative = false;
    bool Whole = true;
    std::uint64_t Value = 0; // magnitude, when Whole
};

class THandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, THandler> {
public:
    THandler(TScanFileEvents& events, TLoadProgress* progress, TBoundedStream& stream)
        : Events(events), Progress(progress), Stream(stream) {}

    std::string Message; // why the handler stopped the parse, if it did
    bool ConsumerDone = false;
    TScanFileInfo Info;
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
            HasName = true;
            if (length > LongestScanFileName)
                return Fail("a name longer than " + std::to_string(LongestScanFileName) +
                            " bytes, which no file can have");
            NameError = CheckName(std::string_view(s, length));
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
            Object = Frames.back().Described ? ObjectKind::Item : ObjectKind::Header;
            break;
        default:
            return Fail(NotAScanFile);
        }
        InObject = true;
        ResetEntry();
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
            return FolderHeader();
        case ObjectKind::Item:
            return ItemEntry();
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
            if (!Frames.back().Described)
                return Fail("a folder whose first item is not its own description");
            if (Frames.back().LeftOut)
                Frames.back().HasChildren = true;
            Frames.push_back(TFrame{});
            return true;
        default:
            return Fail(NotAScanFile);
        }
    }

    bool EndArray(rapidjson::SizeType) {
        if (Skip) {
            --Skip;
            return true;
        }
        if (State == Top::Folders && !Frames.empty()) {
            if (!Frames.back().Described)
                return Fail("a folder without its description");
            if (Frames.back().HasChildren)
                return Fail("a folder left out that has items");
            Frames.pop_back();
            if (Frames.empty())
                State = Top::End;
            return Pass(Events.FolderEnds());
        }
        if (State == Top::Folders || State == Top::End) {
            if (!RootSeen)
                return Fail("the scan holds no folder");
            Complete = true;
            State = Top::Done;
            return true;
        }
        return Fail(NotAScanFile);
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
        HardLink,
        Links,
        ReadError,
        ErrorName,
        Excluded,
        ProgName,
        ProgVer,
        Timestamp
    };

    struct TFrame {
        bool Described = false; // its first element, the folder's own entry, was read
        bool LeftOut = false;
        // A left-out folder can hold nothing shown; seen one, it is damage.
        bool HasChildren = false;
    };

    bool Fail(std::string message) {
        Message = std::move(message);
        return false;
    }

    // What the consumer said: on, or stop here without a failure.
    bool Pass(bool goOn) {
        if (!goOn)
            ConsumerDone = true;
        return goOn;
    }

    // Progress and Stop, every few thousand events.
    bool Tick() {
        if (++EventCount % 4096 != 0 || !Progress)
            return true;
        Progress->BytesRead = Stream.Tell();
        if (Progress->Stop)
            return Fail("the file's loading was stopped");
        return true;
    }

    void ResetEntry() {
        std::string keep = std::move(Entry.Name);
        keep.clear();
        Entry = TScanEntry{};
        Entry.Name = std::move(keep);
        HasName = false;
        NameError = nullptr;
        Excluded.clear();
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
        TScanEntry& e = Entry;
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
        case EKey::HardLink:
            e.HardLinked = e.HardLinked || (kind == Kind::Bool && Flag);
            break;
        case EKey::Links:
            e.HardLinked = e.HardLinked || (kind == Kind::Number && !Num.Negative && Num.Value > 1);
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
                Excluded = std::move(Text);
            break;
        default:
            // ino, dev, notreg, uid, gid and keys of other writers change
            // no figure; hard links count as the scanner counts them.
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
            if (k == "hlnkc")
                return EKey::HardLink;
            if (k == "nlink")
                return EKey::Links;
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

    // Another file system is "othfs" in ncdu 1's files, "otherfs" in newer
    // writers', "kernfs" for a kernel's; anything else ("pattern", "frmlnk")
    // is the writer's user leaving it out.
    TLeftOut LeftOutOf() const {
        if (Excluded.empty())
            return TLeftOut::No;
        if (Excluded == "othfs" || Excluded == "otherfs" || Excluded == "kernfs")
            return TLeftOut::OtherDrive;
        return TLeftOut::ByWriter;
    }

    bool TopScalar(Kind kind) {
        switch (State) {
        case Top::Major:
            if (kind != Kind::Number || Num.Negative || Num.Value != 1)
                return Fail(kind == Kind::Number ? "a scan file of an unknown format version"
                                                 : NotAScanFile);
            State = Top::Minor;
            return true;
        case Top::Minor:
            if (kind != Kind::Number)
                return Fail(NotAScanFile);
            State = Top::Meta;
            return true;
        case Top::Meta: // the header must be an object
        default:
            if (State == Top::Folders)
                return Fail("a value that is neither a file nor a folder");
            return Fail(NotAScanFile);
        }
    }

    // The entry's name as read, for a folder (root: a path) or a file.
    bool NameOk(bool root) {
        if (!HasName)
            return Fail("an item without a name");
        const std::string& name = Entry.Name;
        if (NameError && !(root && name.find('\0') == std::string::npos && !name.empty()))
            return Fail(name.empty() || name.find('\0') != std::string::npos
                            ? NameError
                            : std::string(NameError) + ": \"" + name + '"');
        return true;
    }

    bool AddToTotal(std::uint64_t size) {
        Total += size;
        if (Total > LargestTotal)
            return Fail("sizes that add up to more than any disk holds");
        return true;
    }

    bool FolderHeader() {
        const bool root = !RootSeen;
        if (!NameOk(root) || !AddToTotal(Entry.ASize))
            return false;
        Entry.LeftOut = LeftOutOf();
        if (root)
            Info.RootPath = Entry.Name;
        RootSeen = true;
        Frames.back().Described = true;
        Frames.back().LeftOut = Entry.LeftOut != TLeftOut::No;
        return Pass(Events.FolderBegins(Entry));
    }

    bool ItemEntry() {
        if (!NameOk(false))
            return false;
        Entry.LeftOut = LeftOutOf();
        if (Entry.LeftOut == TLeftOut::ByWriter)
            return true; // neither counted nor shown, as in ncdu
        if (Entry.LeftOut == TLeftOut::OtherDrive) {
            if (Frames.back().LeftOut)
                Frames.back().HasChildren = true;
        } else if (!Entry.ReadError && !AddToTotal(Entry.ASize)) {
            return false;
        }
        return Pass(Events.Item(Entry));
    }

    TScanFileEvents& Events;
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
    TScanEntry Entry;
    bool HasName = false;
    const char* NameError = nullptr;
    std::string Excluded;
    bool RootSeen = false;
    std::vector<TFrame> Frames;
    std::uint64_t Total = 0;
    std::uint64_t EventCount = 0;
};

struct TOpenFile {
    std::FILE* Stream = nullptr;
    ~TOpenFile() {
        if (Stream)
            std::fclose(Stream);
    }
};

} // namespace

TResult<TScanFileInfo> ParseScanFile(const std::string& file, TScanFileEvents& events,
                                     TLoadProgress* progress) {
    TOpenFile in;
    in.Stream = std::fopen(file.c_str(), "rb");
    if (!in.Stream) {
        const int error = errno;
        return TFailure{error, file, "cannot open the file: " + Platform::ErrorText(error)};
    }
    struct stat st {};
    const std::uint64_t total = fstat(fileno(in.Stream), &st) == 0 ? std::uint64_t(st.st_size) : 0;
    if (progress) {
        progress->TotalBytes = total;
        progress->BytesRead = 0;
        if (progress->Stop)
            return Refusal("the file's loading was stopped", file);
    }
    TBoundedStream stream(in.Stream, 1 << 16);
    THandler handler(events, progress, stream);
    rapidjson::Reader reader;
    const rapidjson::ParseResult result =
        reader.Parse<rapidjson::kParseIterativeFlag>(stream, handler);
    if (progress)
        progress->BytesRead = stream.Tell();
    if (handler.ConsumerDone || (result && handler.Complete)) {
        handler.Info.SourceFile = file;
        return std::move(handler.Info);
    }
    const std::string at = " (at byte " + std::to_string(result.Offset()) + ")";
    if (std::ferror(in.Stream)) {
        const int error = errno;
        return TFailure{error, file, "cannot read the file: " + Platform::ErrorText(error)};
    }
    if (stream.TooLong)
        return Refusal("a name or text longer than " + std::to_string(LongestScanFileName) +
                           " bytes, which no file can have" + at,
                       file);
    if (!handler.Message.empty())
        return Refusal(handler.Message + at, file);
    if (result.Offset() >= total && total > 0)
        return Refusal("the file ends before the scan does; it is incomplete", file);
    if (total == 0)
        return Refusal("the file is empty", file);
    return Refusal(
        std::string("not a scan file: ") + rapidjson::GetParseError_En(result.Code()) + at, file);
}
