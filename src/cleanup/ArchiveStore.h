// Compressed folders kept in a drive's archives folder: packing a folder into
// an archive there and cataloguing it, listing a drive's archives, restoring
// and deleting one. The same rules for the dialog and for quillmere-clean.
//
// An archive is catalogued only when it was made and checked (see
// TZipMaster::Add), and the folder is removed ("move to archive") only after
// the catalogue holds the archive, file by file, keeping what changed.
#pragma once

#include "cleanup/ZipMaster.h"
#include "platform/Result.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

inline constexpr const char* ArchivesFolderName = ".Archives Bin";

// The archives folder of the drive whose root is given: ".Archives Bin" at
// its root; where the user may not write there and the drive holds the
// home folder, ".Archives Bin" in the home folder. A ".Archives Bin" at the
// root that is a link, not a folder, another user's, or writable by others
// is never used: the home folder's is, and notice (when given) says why.
//
// Every function below opens the archives folder once, never through a
// link, checks it again (the user's or root's, writable by nobody else)
// and reaches the catalogue and the archives through that descriptor
// alone. A folder it makes is for the user alone (0700), and so are the
// archives (0600).
std::string ArchivesFolderFor(const std::string& driveRoot, std::string* notice = nullptr);

// A free archive file name in the folder: a letter for the drive, hex
// digits of a random number below 2^31 - 1 (upper case, at least 7), ".ZIP".
std::string MakeArchiveName(const std::string& archivesFolder, const std::string& driveRoot,
                            std::mt19937& random);

struct TCatalogueEntry {
    std::string Key; // the archive's file name
    std::string Description;
    std::string FolderName;
    std::string OriginalPath;
};

// The archives the catalogue lists whose files still exist, in catalogue
// order. Entries whose archive is gone are removed from the catalogue; an
// emptied catalogue and archives folder are removed; partial archives of
// compressions that died are removed. Fails when the archives folder or the
// catalogue cannot be read (a damaged catalogue is kept aside and said so);
// the failure's Text is the sentence for the user.
TResult<std::vector<TCatalogueEntry>> ListArchives(const std::string& archivesFolder);

// A failure's Text is the sentence for the user.
TStatus SetArchiveDescription(const std::string& archivesFolder, const std::string& key,
                              const std::string& description);
// Deletes the archive file, then its catalogue entry.
TStatus DeleteArchive(const std::string& archivesFolder, const std::string& key);

struct TCompressRequest {
    std::string FolderPath;     // the folder to pack
    std::string ArchivesFolder; // where the archive goes
    std::string DriveRoot;      // of the archives folder, for the name
    std::string Description;
    unsigned Options = AddDirNames | AddRecurseDirs | AddHiddenFiles | AddMove;
    int Level = 9;
    std::string Password;
};

struct TCompressOutcome {
    bool Made = false;
    std::string ArchivePath;
    std::string Key;
    std::int64_t ArchiveSize = 0;
    std::string Message;                 // why not, for the user
    std::vector<std::string> Kept;       // with AddMove: changed, so not removed
    std::vector<std::string> NotRemoved; // with AddMove: could not be removed
};

// Packs the folder with zip (its events and Cancel go to the caller). A
// folder that may not be deleted or moved is not archived either.
TCompressOutcome CompressFolder(TZipMaster& zip, const TCompressRequest& request,
                                std::mt19937& random);

struct TRestoreOutcome {
    bool Restored = false;
    std::string RestoredPath; // the folder as restored
    std::string Message;      // why not, for the user
    bool ArchiveDeleted = false;
    // Entries restored without their set-user-ID, set-group-ID or sticky bit.
    std::uint64_t DroppedModeBits = 0;
};

// Unpacks the archive into restoreTo (its folder comes back below it, and
// nothing is written anywhere else); with deleteArchive, deletes it once
// every entry was restored whole and checked. Files already in the folder
// are replaced only with overwrite, which the user must have agreed to.
TRestoreOutcome RestoreArchive(TZipMaster& zip, const std::string& archivesFolder,
                               const TCatalogueEntry& entry, const std::string& restoreTo,
                               bool deleteArchive, bool overwrite = false);
