// "archives.ini", the catalogue of a drive's archives folder: for each
// archive file a description, the archived folder's name and the folder it
// was in. INI text in UTF-8; sections and keys keep their file order, keys
// match without regard to letter case. Values read back byte for byte as they
// were written: what one line of UTF-8 cannot hold is escaped (\\, \n, \r,
// \t, \xHH). Saved to a temporary file that is then renamed, so a crash
// never leaves half a catalogue. The file and its temporary one are reached
// through the folder's descriptor and never through a link, and the
// temporary one is made anew (it never reuses a file that is there). A file that cannot be read as
// a catalogue is kept beside it as "archives.ini.damaged", never silently emptied.
#pragma once

#include "platform/DirReader.h"
#include "platform/Result.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

inline constexpr const char* CatalogueFileName = "archives.ini";
inline constexpr const char* DescriptionsSection = "Descriptions";
inline constexpr const char* FolderNamesSection = "FolderNames";
inline constexpr const char* OriginalPathsSection = "OriginalPaths";

class TArchiveCatalogue {
public:
    // Reads folder/archives.ini; a missing file is an empty catalogue. A
    // damaged file is set aside first (Damaged then holds where it went).
    // With folderFd, the folder is that open one (folder is then only its
    // name for messages). A failure's Text is the sentence for the user.
    TStatus Load(const std::string& folder, int folderFd = -1);
    // Writes the catalogue back; an empty one removes the file.
    TStatus Save();

    std::vector<std::string> Keys(const std::string& section) const;
    std::optional<std::string> Value(const std::string& section, const std::string& key) const;
    // Replaces the value where the key stands, else appends it to its
    // section, made at the end when missing.
    void Write(const std::string& section, const std::string& key, const std::string& value);
    void Delete(const std::string& section, const std::string& key);
    bool Empty() const;

    // The catalogue's text, and what reads it.
    std::string Text() const;
    static std::optional<TArchiveCatalogue> Parse(const std::string& text);

    std::string Damaged;

private:
    struct TEntry {
        std::string Key, Value;
        bool Removed = false; // left in place, so positions stay valid
    };
    struct TSection {
        std::string Name;
        std::vector<TEntry> Entries;
        std::unordered_map<std::string, std::size_t> Index; // lower-cased key -> position
    };
    TSection* Find(const std::string& section);
    const TSection* Find(const std::string& section) const;

    std::string Path;
    // The folder the catalogue was loaded from, kept open for Save.
    Platform::TFd Folder;
    std::vector<TSection> Sections;
};
