#include "cleanup/ArchiveStore.h"

#include "cleanup/ArchiveCatalogue.h"
#include "platform/DirReader.h"
#include "platform/FileOps.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// Partial archives ("." + name + ".part") of compressions that died; one
// still being written is locked by its writer.
void RemoveDeadPartials(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() > 6 && name[0] == '.' && name.compare(name.size() - 5, 5, ".part") == 0)
            names.push_back(name);
    }
    closedir(dir);
    for (const std::string& name : names) {
        const std::string path = Joined(folder, name);
        const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            unlink(path.c_str());
        close(fd);
    }
}

} // namespace

std::string ArchivesFolderFor(const std::string& driveRoot) {
    const std::string atRoot = Joined(driveRoot, ArchivesFolderName);
    if (Exists(atRoot) || access(driveRoot.c_str(), W_OK) == 0)
        return atRoot;
    const std::string home = Platform::HomeFolder();
    struct stat rootSt {
    }, homeSt{};
    // The home folder's drive: the mount that holds it is the drive's root.
    if (!home.empty() && stat(driveRoot.c_str(), &rootSt) == 0 &&
        stat(home.c_str(), &homeSt) == 0 && rootSt.st_dev == homeSt.st_dev)
        return Joined(home, ArchivesFolderName);
    return atRoot;
}

std::string MakeArchiveName(const std::string& archivesFolder, const std::string& driveRoot,
                            std::mt19937& random) {
    // The drive's "letter": the first letter of its root's last name, R for "/".
    char letter = 'R';
    for (auto it = driveRoot.rbegin(); it != driveRoot.rend(); ++it) {
        if (*it == '/' && it != driveRoot.rbegin())
            break;
        if (std::isalpha(static_cast<unsigned char>(*it)))
            letter = static_cast<char>(std::toupper(static_cast<unsigned char>(*it)));
    }
    std::uniform_int_distribution<std::uint32_t> draw(0, 2147483646);
    for (;;) {
        char name[32];
        std::snprintf(name, sizeof name, "%c%07X.ZIP", letter, draw(random));
        if (!Exists(Joined(archivesFolder, name)))
            return name;
    }
}

std::vector<TCatalogueEntry> ListArchives(const std::string& archivesFolder, std::string& error) {
    std::vector<TCatalogueEntry> entries;
    error.clear();
    RemoveDeadPartials(archivesFolder);
    TArchiveCatalogue catalogue;
    if (!catalogue.Load(archivesFolder)) {
        error = catalogue.Error;
        return entries;
    }
    bool changed = false;
    for (const std::string& key : catalogue.Keys(DescriptionsSection)) {
        // Catalogued before it is made, and being made now: not yet listed.
        if (!Exists(Joined(archivesFolder, key)) &&
            Exists(Joined(archivesFolder, "." + key + ".part")))
            continue;
        if (!Exists(Joined(archivesFolder, key))) {
            // The archive is gone; so goes what the catalogue said of it.
            catalogue.Delete(DescriptionsSection, key);
            catalogue.Delete(FolderNamesSection, key);
            catalogue.Delete(OriginalPathsSection, key);
            changed = true;
            continue;
        }
        entries.push_back({key,
                           catalogue.Value(DescriptionsSection, key).value_or("No description"),
                           catalogue.Value(FolderNamesSection, key).value_or(""),
                           catalogue.Value(OriginalPathsSection, key).value_or("/")});
    }
    if (catalogue.Keys(DescriptionsSection).empty()) {
        if (unlink(Joined(archivesFolder, CatalogueFileName).c_str()) == 0 || errno == ENOENT)
            rmdir(archivesFolder.c_str()); // only when nothing else is in it
    } else if (changed && !catalogue.Save()) {
        error = catalogue.Error;
    }
    return entries;
}

bool SetArchiveDescription(const std::string& archivesFolder, const std::string& key,
                           const std::string& description, std::string& error) {
    TArchiveCatalogue catalogue;
    if (!catalogue.Load(archivesFolder)) {
        error = catalogue.Error;
        return false;
    }
    catalogue.Write(DescriptionsSection, key, description);
    if (!catalogue.Save()) {
        error = catalogue.Error;
        return false;
    }
    return true;
}

bool DeleteArchive(const std::string& archivesFolder, const std::string& key, std::string& error) {
    const std::string path = Joined(archivesFolder, key);
    if (key.empty() || key.find('/') != std::string::npos || unlink(path.c_str()) != 0) {
        error = "Could not delete archive " + path;
        return false;
    }
    TArchiveCatalogue catalogue;
    if (!catalogue.Load(archivesFolder)) {
        error = catalogue.Error;
        return false;
    }
    catalogue.Delete(DescriptionsSection, key);
    catalogue.Delete(FolderNamesSection, key);
    catalogue.Delete(OriginalPathsSection, key);
    if (!catalogue.Save()) {
        error = catalogue.Error;
        return false;
    }
    return true;
}

TCompressOutcome CompressFolder(TZipMaster& zip, const TCompressRequest& request,
                                std::mt19937& random) {
    TCompressOutcome outcome;
    std::string folder = request.FolderPath;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const std::size_t slash = folder.rfind('/');
    if (slash == std::string::npos || slash + 1 >= folder.size()) {
        outcome.Message = "\"" + request.FolderPath + "\" is not a folder that can be archived.";
        return outcome;
    }
    const std::string parent = slash == 0 ? "/" : folder.substr(0, slash);
    const std::string name = folder.substr(slash + 1);

    if (mkdir(request.ArchivesFolder.c_str(), 0755) != 0 && errno != EEXIST) {
        outcome.Message = "Could not create folder " + request.ArchivesFolder;
        return outcome;
    }
    // A compression that was killed left its partial archive; this one
    // would otherwise leave it for the next listing, or for ever.
    RemoveDeadPartials(request.ArchivesFolder);
    // Before anything is written: a catalogue that cannot be kept would
    // leave an archive nobody can find again.
    TArchiveCatalogue catalogue;
    if (!catalogue.Load(request.ArchivesFolder)) {
        outcome.Message = catalogue.Error;
        return outcome;
    }
    outcome.Key = MakeArchiveName(request.ArchivesFolder, request.DriveRoot, random);
    outcome.ArchivePath = Joined(request.ArchivesFolder, outcome.Key);

    zip.ZipFileName = outcome.ArchivePath;
    zip.RootDir = parent;
    zip.FSpecArgs = {name};
    // The folder goes only once the catalogue knows the archive.
    zip.AddOptions = (request.Options | AddDirNames) & ~static_cast<unsigned>(AddMove);
    if (!request.Password.empty())
        zip.AddOptions |= AddEncrypt;
    zip.AddCompLevel = request.Level;
    zip.Password = request.Password;
    // Catalogued before the archive gets its name, so that a compression
    // killed in between leaves no archive that nobody can find: an entry
    // whose archive never came is dropped by the next listing.
    catalogue.Write(DescriptionsSection, outcome.Key, request.Description);
    catalogue.Write(FolderNamesSection, outcome.Key, name);
    catalogue.Write(OriginalPathsSection, outcome.Key, parent);
    if (!catalogue.Save()) {
        outcome.Message = catalogue.Error;
        rmdir(request.ArchivesFolder.c_str());
        return outcome;
    }
    if (zip.Add() != ZipOk) {
        outcome.Message = zip.ErrMessage;
        catalogue.Delete(DescriptionsSection, outcome.Key);
        catalogue.Delete(FolderNamesSection, outcome.Key);
        catalogue.Delete(OriginalPathsSection, outcome.Key);
        // Should this fail, the next listing drops the entry all the same.
        catalogue.Save();
        rmdir(request.ArchivesFolder.c_str()); // made for nothing, if it is empty
        return outcome;
    }
    // Again: a listing while the folder was being read may have dropped it.
    if (!catalogue.Save()) {
        // Not catalogued, so not kept: the folder stays as it is.
        unlink(outcome.ArchivePath.c_str());
        rmdir(request.ArchivesFolder.c_str());
        outcome.Message = catalogue.Error;
        return outcome;
    }
    struct stat st {};
    if (stat(outcome.ArchivePath.c_str(), &st) == 0)
        outcome.ArchiveSize = st.st_size;
    outcome.Made = true;
    if (request.Options & AddMove) {
        zip.RemoveAdded();
        outcome.Kept = zip.ChangedFiles;
        outcome.NotRemoved = zip.NotRemoved;
    }
    return outcome;
}

TRestoreOutcome RestoreArchive(TZipMaster& zip, const std::string& archivesFolder,
                               const TCatalogueEntry& entry, const std::string& restoreTo,
                               bool deleteArchive) {
    TRestoreOutcome outcome;
    std::string base = restoreTo;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    outcome.RestoredPath = Joined(base, entry.FolderName);
    zip.ZipFileName = Joined(archivesFolder, entry.Key);
    zip.ExtrBaseDir = base;
    zip.FSpecArgs.clear();
    if (zip.Extract() != ZipOk) {
        outcome.Message =
            "The folder " + outcome.RestoredPath +
            " was not successfully restored. The ZIP archive containing the folder (" +
            zip.ZipFileName +
            ") will not be deleted from your hard-disk so you can try to manually "
            "restore the folder from the archive.\n\n" +
            zip.ErrMessage;
        return outcome;
    }
    outcome.Restored = true;
    if (deleteArchive) {
        std::string error;
        outcome.ArchiveDeleted = DeleteArchive(archivesFolder, entry.Key, error);
        if (!outcome.ArchiveDeleted)
            outcome.Message = error;
    }
    return outcome;
}
