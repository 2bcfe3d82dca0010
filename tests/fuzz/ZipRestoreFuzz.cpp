// Restoring an archive writes nothing outside the restore folder, whatever the
// archive holds. The input is either a whole ZIP file (it starts with "PK")
// or a list of entries, one a line, that is made into a ZIP here: a kind byte
// (its value modulo 4: 0 or 3 a file, 1 a folder, 2 a symbolic link; bit 2
// marks a UTF-8 name as such), then the name, then after a tab the file's
// contents or the link's target. Entries with names that could leave the
// folder must fail the restore; an archive of plain, distinct names restores
// every entry as it was stored.
#include "FuzzSupport.h"
#include "cleanup/ZipMaster.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace FuzzSupport;

enum class TKind { File, Folder, Link };

struct TEntry {
    TKind Kind = TKind::File;
    std::string Name;
    std::string Data; // contents, or the link's target
    bool Utf8Flag = false;
};

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// A ZIP file of stored entries, with Unix modes, as the archive component
// and most Unix zip programs write them.
std::string ZipOf(const std::vector<TEntry>& entries) {
    std::string zip;
    std::string central;
    for (const TEntry& e : entries) {
        const std::string data = e.Kind == TKind::Folder ? std::string() : e.Data;
        const std::uint32_t mode = e.Kind == TKind::File     ? (S_IFREG | 0644)
                                   : e.Kind == TKind::Folder ? (S_IFDIR | 0755)
                                                             : (S_IFLNK | 0777);
        const std::uint32_t crc = Crc32(data);
        const std::uint32_t offset = static_cast<std::uint32_t>(zip.size());
        const std::uint32_t flags = e.Utf8Flag ? 0x0800 : 0;
        Put32(zip, 0x04034b50);
        Put16(zip, 20);
        Put16(zip, flags);
        Put16(zip, 0); // stored
        Put16(zip, 0);
        Put16(zip, 0x21); // 1 January 1980
        Put32(zip, crc);
        Put32(zip, static_cast<std::uint32_t>(data.size()));
        Put32(zip, static_cast<std::uint32_t>(data.size()));
        Put16(zip, static_cast<std::uint32_t>(e.Name.size()));
        Put16(zip, 0);
        zip += e.Name;
        zip += data;

        Put32(central, 0x02014b50);
        Put16(central, (3 << 8) | 20); // made on Unix
        Put16(central, 20);
        Put16(central, flags);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0x21);
        Put32(central, crc);
        Put32(central, static_cast<std::uint32_t>(data.size()));
        Put32(central, static_cast<std::uint32_t>(data.size()));
        Put16(central, static_cast<std::uint32_t>(e.Name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, mode << 16);
        Put32(central, offset);
        central += e.Name;
    }
    const std::uint32_t centralAt = static_cast<std::uint32_t>(zip.size());
    zip += central;
    Put32(zip, 0x06054b50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, static_cast<std::uint32_t>(entries.size()));
    Put16(zip, static_cast<std::uint32_t>(entries.size()));
    Put32(zip, static_cast<std::uint32_t>(central.size()));
    Put32(zip, centralAt);
    Put16(zip, 0);
    return zip;
}

std::vector<TEntry> EntriesOf(const std::string& text) {
    std::vector<TEntry> entries;
    std::size_t start = 0;
    while (start < text.size() && entries.size() < 32) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty())
            continue;
        TEntry entry;
        const auto kind = static_cast<unsigned char>(line[0]);
        entry.Kind = kind % 4 == 1 ? TKind::Folder : kind % 4 == 2 ? TKind::Link : TKind::File;
        const std::size_t tab = line.find('\t', 1);
        entry.Name = line.substr(1, tab == std::string::npos ? std::string::npos : tab - 1);
        entry.Data = tab == std::string::npos ? std::string() : line.substr(tab + 1);
        if (entry.Kind == TKind::Folder && (entry.Name.empty() || entry.Name.back() != '/'))
            entry.Name += '/';
        if (entry.Kind == TKind::Link && entry.Data.empty())
            entry.Data = "../../outside";
        entry.Utf8Flag = (kind & 4) && IsUtf8(entry.Name);
        entries.push_back(std::move(entry));
    }
    return entries;
}

// The name's components without empty ones and ".".
std::vector<std::string> Components(const std::string& name) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        std::string part = name.substr(start, end - start);
        if (!part.empty() && part != ".")
            parts.push_back(std::move(part));
        start = end + 1;
    }
    return parts;
}

// The name as libarchive hands it over: one without "/" is taken for a
// Windows name, "\" its separator.
std::string AsRead(std::string name) {
    if (name.find('/') == std::string::npos)
        std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// A name the restore must refuse, by this file's own reading of it: one that
// could reach outside the restore folder, or one with a backslash left in it.
bool Escapes(const std::string& stored) {
    const std::string name = AsRead(stored);
    if (name.empty() || name[0] == '/' || name.find('\\') != std::string::npos)
        return true;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2)
            return true;
        start = end + 1;
    }
    return false;
}

// Distinct names, none below a file or link of another entry, none naming
// the restore folder itself, none cut short by a NUL: each entry's result
// can be looked at on its own.
bool Plain(const std::vector<TEntry>& entries) {
    std::vector<std::vector<std::string>> names;
    for (const TEntry& e : entries) {
        if (e.Name.find('\0') != std::string::npos || Escapes(e.Name))
            return false;
        // A name ending in "/" is a folder whatever its mode says; a link's
        // target is text up to its first NUL.
        if (e.Kind != TKind::Folder && AsRead(e.Name).back() == '/')
            return false;
        if (e.Kind == TKind::Link && e.Data.find('\0') != std::string::npos)
            return false;
        names.push_back(Components(AsRead(e.Name)));
        if (names.back().empty())
            return false;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = 0; j < names.size(); ++j) {
            if (i == j)
                continue;
            if (names[i] == names[j])
                return false;
            const bool below = names[i].size() < names[j].size() &&
                               std::equal(names[i].begin(), names[i].end(), names[j].begin());
            if (below && entries[i].Kind != TKind::Folder)
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const bool whole = input.rfind("PK", 0) == 0;
    const std::vector<TEntry> entries = whole ? std::vector<TEntry>() : EntriesOf(input);
    const std::string zip = whole ? input : ZipOf(entries);

    TScratchFolder folder;
    const std::string archive = folder.Path("archive.zip");
    FUZZ_CHECK(WriteBytes(archive, zip));
    const std::string restore = folder.Path("out/restore");
    TZipMaster master;
    master.ZipFileName = archive;
    master.ExtrBaseDir = restore;
    const bool restored = master.Extract().Ok();

    // Nothing beside the restore folder, nor beside its parent, and the
    // archive as it was.
    FUZZ_CHECK(NamesIn(folder.Path()) == (std::vector<std::string>{"archive.zip", "out"}));
    const std::vector<std::string> beside = NamesIn(folder.Path("out"));
    FUZZ_CHECK(beside.empty() || beside == std::vector<std::string>{"restore"});
    std::string bytes;
    FUZZ_CHECK(ReadBytes(archive, bytes) && bytes == zip);
    if (restored)
        FUZZ_CHECK(master.Refused.empty());
    if (whole)
        return 0;

    for (const TEntry& e : entries) {
        if (Escapes(e.Name) && e.Name.find('\0') == std::string::npos)
            FUZZ_CHECK(!restored);
    }
    if (!restored || !Plain(entries))
        return 0;
    FUZZ_CHECK(master.SuccessCnt == entries.size());
    for (const TEntry& e : entries) {
        // As libarchive writes it: "a//./b" is a/b.
        std::string path = restore;
        for (const std::string& part : Components(AsRead(e.Name)))
            path += "/" + part;
        struct stat st {};
        FUZZ_CHECK(lstat(path.c_str(), &st) == 0);
        if (e.Kind == TKind::Folder) {
            FUZZ_CHECK(S_ISDIR(st.st_mode));
        } else if (e.Kind == TKind::Link) {
            FUZZ_CHECK(S_ISLNK(st.st_mode));
            std::string target(e.Data.size() + 1, '\0');
            const ssize_t n = readlink(path.c_str(), target.data(), target.size());
            FUZZ_CHECK(n >= 0 && target.substr(0, static_cast<std::size_t>(n)) == e.Data);
        } else {
            FUZZ_CHECK(S_ISREG(st.st_mode));
            FUZZ_CHECK(ReadBytes(path, bytes) && bytes == e.Data);
        }
    }
    return 0;
}
