// archives.ini: its text, read and written whole through the folder's
// descriptor (see ArchiveCatalogue.h).
#include "cleanup/ArchiveCatalogue.h"

#include "cleanup/ZipMaster.h"
#include "platform/FileAt.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace {

bool SameKey(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string Folded(std::string key) {
    for (char& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A value as one line of UTF-8 that reads back as it was: folder names are raw
// bytes, descriptions may hold line breaks, and reading trims a line's end. A
// backslash, control characters, bytes that are not UTF-8 and a blank at the
// end are written as \\, \n, \r, \t or \xHH.
std::string Escaped(const std::string& value) {
    static const char hex[] = "0123456789ABCDEF";
    std::string line;
    for (std::size_t i = 0; i < value.size();) {
        const auto c = static_cast<unsigned char>(value[i]);
        const std::size_t length = (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length > 0 && i + length <= value.size() && IsUtf8(value.substr(i, length))) {
            line.append(value, i, length);
            i += length;
            continue;
        }
        if (c == '\\')
            line += "\\\\";
        else if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else if (c == '\t')
            line += "\\t";
        else if (c < 0x20 || c >= 0x7F || (c == ' ' && i + 1 == value.size()))
            line += std::string("\\x") + hex[c >> 4] + hex[c & 15];
        else
            line += static_cast<char>(c);
        ++i;
    }
    return line;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Escaped's reverse. A backslash before anything else stays as it is, so
// a value written by hand with one reads as typed.
std::string Unescaped(const std::string& line) {
    std::string value;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 == line.size()) {
            value += line[i];
            continue;
        }
        const char next = line[i + 1];
        if (next == '\\' || next == 'n' || next == 'r' || next == 't') {
            value += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : '\\';
            ++i;
        } else if (next == 'x' && i + 3 < line.size() && HexDigit(line[i + 2]) >= 0 &&
                   HexDigit(line[i + 3]) >= 0) {
            value += static_cast<char>(HexDigit(line[i + 2]) * 16 + HexDigit(line[i + 3]));
            i += 3;
        } else {
            value += line[i];
        }
    }
    return value;
}

} // namespace

std::optional<TArchiveCatalogue> TArchiveCatalogue::Parse(const std::string& text) {
    // Text only, and UTF-8: anything else is not a catalogue this program wrote.
    if (text.find('\0') != std::string::npos || !IsUtf8(text))
        return std::nullopt;
    TArchiveCatalogue catalogue;
    std::size_t pos = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                return std::nullopt;
            catalogue.Sections.push_back({line.substr(1, line.size() - 2), {}, {}});
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0 || catalogue.Sections.empty())
            return std::nullopt;
        catalogue.Write(catalogue.Sections.back().Name, Trimmed(line.substr(0, equals)),
                        Unescaped(line.substr(equals + 1)));
    }
    return catalogue;
}

std::string TArchiveCatalogue::Text() const {
    std::string text;
    for (const TSection& section : Sections) {
        if (std::all_of(section.Entries.begin(), section.Entries.end(),
                        [](const TEntry& e) { return e.Removed; }))
            continue;
        text += "[" + section.Name + "]\n";
        for (const TEntry& entry : section.Entries) {
            if (entry.Removed)
                continue;
            text += entry.Key + "=" + Escaped(entry.Value) + "\n";
        }
    }
    return text;
}

TStatus TArchiveCatalogue::Load(const std::string& folder, int folderFd) {
    Path = folder + "/" + CatalogueFileName;
    Sections.clear();
    Damaged.clear();
    TResult<Platform::TFd> opened =
        folderFd >= 0 ? Platform::Duplicate(folderFd) : Platform::OpenFolderPathFollowing(folder);
    if (!opened) {
        Folder = Platform::TFd();
        const int error = opened.Failure().Errno;
        return TFailure{error,
                        {},
                        "The folder \"" + folder +
                            "\" cannot be opened: " + Platform::ErrorText(error) + "."};
    }
    Folder = std::move(*opened);
    const auto unreadable = [&](int error) {
        return TFailure{error,
                        {},
                        "The catalogue \"" + Path +
                            "\" cannot be read: " + Platform::ErrorText(error) + "."};
    };
    // Not waiting, should a FIFO stand in its place.
    const TResult<Platform::TFd> file = Platform::OpenFileAt(Folder.Get(), CatalogueFileName, true);
    if (!file) {
        if (file.Failure().Errno == ENOENT)
            return {};
        return unreadable(file.Failure().Errno);
    }
    const TResult<struct stat> st = Platform::StatAt(file->Get(), "");
    if (!st || !S_ISREG(st->st_mode))
        return unreadable(EINVAL);
    const TResult<std::string> text = Platform::ReadRest(file->Get(), SIZE_MAX);
    if (!text)
        return unreadable(text.Failure().Errno);
    std::optional<TArchiveCatalogue> parsed = Parse(*text);
    if (!parsed) {
        // Kept for the user to look at; the archives themselves are untouched.
        const std::string aside = std::string(CatalogueFileName) + ".damaged";
        if (Platform::RenameAt(Folder.Get(), CatalogueFileName, aside, true))
            Damaged = Path + ".damaged";
        return Refusal(
            "The catalogue \"" + Path + "\" is damaged" +
            (Damaged.empty() ? std::string(".") : "; it was kept as \"" + Damaged + "\"."));
    }
    Sections = std::move(parsed->Sections);
    return {};
}

TStatus TArchiveCatalogue::Save() {
    if (!Folder.Valid())
        return Refusal("The catalogue \"" + Path + "\" was never loaded.");
    if (Empty()) {
        const TStatus removed = Platform::RemoveAt(Folder.Get(), CatalogueFileName);
        if (!removed && removed.Failure().Errno != ENOENT)
            return TFailure{removed.Failure().Errno,
                            {},
                            "The catalogue \"" + Path + "\" cannot be removed: " +
                                Platform::ErrorText(removed.Failure().Errno) + "."};
        return {};
    }
    const std::string fresh = std::string(CatalogueFileName) + ".new";
    // One left by a crash is ours to replace; a file is never written
    // through whatever stands under that name.
    TResult<Platform::TFd> file = Platform::CreateFileAt(Folder.Get(), fresh, 0600);
    if (!file && file.Failure().Errno == EEXIST && Platform::RemoveAt(Folder.Get(), fresh))
        file = Platform::CreateFileAt(Folder.Get(), fresh, 0600);
    TStatus written = file ? Platform::WriteAll(file->Get(), Text()) : TStatus(file.Failure());
    if (written)
        written = Platform::Sync(file->Get());
    if (file)
        *file = Platform::TFd(); // closed before it is renamed or removed
    if (written)
        written = Platform::RenameAt(Folder.Get(), fresh, CatalogueFileName, true);
    if (!written) {
        // What is left of the new file is nobody's; the next save replaces it.
        if (file)
            (void)Platform::RemoveAt(Folder.Get(), fresh);
        return TFailure{written.Failure().Errno,
                        {},
                        "The catalogue \"" + Path + "\" cannot be written: " +
                            Platform::ErrorText(written.Failure().Errno) + "."};
    }
    return {};
}

TArchiveCatalogue::TSection* TArchiveCatalogue::Find(const std::string& section) {
    for (TSection& s : Sections) {
        if (SameKey(s.Name, section))
            return &s;
    }
    return nullptr;
}

const TArchiveCatalogue::TSection* TArchiveCatalogue::Find(const std::string& section) const {
    return const_cast<TArchiveCatalogue*>(this)->Find(section);
}

std::vector<std::string> TArchiveCatalogue::Keys(const std::string& section) const {
    std::vector<std::string> keys;
    if (const TSection* s = Find(section)) {
        for (const TEntry& entry : s->Entries) {
            if (!entry.Removed)
                keys.push_back(entry.Key);
        }
    }
    return keys;
}

std::optional<std::string> TArchiveCatalogue::Value(const std::string& section,
                                                    const std::string& key) const {
    if (const TSection* s = Find(section)) {
        if (auto it = s->Index.find(Folded(key)); it != s->Index.end())
            return s->Entries[it->second].Value;
    }
    return std::nullopt;
}

void TArchiveCatalogue::Write(const std::string& section, const std::string& key,
                              const std::string& value) {
    TSection* s = Find(section);
    if (!s) {
        Sections.push_back({section, {}, {}});
        s = &Sections.back();
    }
    auto [it, added] = s->Index.try_emplace(Folded(key), s->Entries.size());
    if (added)
        s->Entries.push_back({key, value});
    else
        s->Entries[it->second].Value = value;
}

void TArchiveCatalogue::Delete(const std::string& section, const std::string& key) {
    if (TSection* s = Find(section)) {
        if (auto it = s->Index.find(Folded(key)); it != s->Index.end()) {
            s->Entries[it->second].Removed = true;
            s->Index.erase(it);
        }
    }
}

bool TArchiveCatalogue::Empty() const {
    return std::all_of(Sections.begin(), Sections.end(),
                       [](const TSection& s) { return s.Index.empty(); });
}
