#include "cleanup/ArchiveStore.h"

#include "cleanup/ArchiveCatalogue.h"
#include "cleanup/Fd.h"
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
#include <utility>

namespace {

std::string Joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// Why an archives folder with these facts must not be used: another user
// could take the archives out of it, read them, or plant a catalogue.
std::string UnsafeFolderReason(const struct stat& st) {
    if (S_ISLNK(st.st_mode))
        return "it is a symbolic link";
    if (!S_ISDIR(st.st_mode))
        return "it is not a folder";
    if (st.st_uid != geteuid() && st.st_uid != 0)
        return "it belongs to another user";
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return "other users may write in it";
    return {};
}

// The archives folder opened once, never through a link, and checked; all
// work in it goes through this descriptor. With create, a missing folder is
// made for the user alone.
TFd OpenArchivesFolder(const std::string& folder, bool create, std::string& error) {
    if (create && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "Could not create folder " + folder + ": " + Platform::ErrorText(errno) + ".";
        return TFd();
    }
    TFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0) {
        error = errno == ELOOP || errno == ENOTDIR
                    ? "The archives folder " + folder + " is not used: it is " +
                          (errno == ELOOP ? "a symbolic link." : "not a folder.")
                    : "The archives folder " + folder +
                          " cannot be opened: " + Platform::ErrorText(errno) + ".";
        return TFd();
    }
    if (const std::string why = UnsafeFolderReason(st); !why.empty()) {
        error = "The archives folder " + folder + " is not used: " + why + ".";
        return TFd();
    }
    // Made readable by others before they were kept private.
    if (st.st_uid == geteuid() && (st.st_mode & 077))
        fchmod(fd.Get(), st.st_mode & 0700);
    return fd;
}

bool ExistsIn(int folderFd, const std::string& name) {
    struct stat st {};
    return fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Partial archives ("." + name + ".part") of compressions that died; one
// still being written is locked by its writer.
void RemoveDeadPartials(int folderFd) {
    DIR* dir = fdopendir(fcntl(folderFd, F_DUPFD_CLOEXEC, 0));
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
        TFd fd(openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.Get() >= 0 && flock(fd.Get(), LOCK_EX | LOCK_NB) == 0)
            unlinkat(folderFd, name.c_str(), 0);
    }
}

// A name the catalogue may key an archive by: a file of the folder itself.
bool IsPlainArchiveName(const std::string& key) {
    return !key.empty() && key[0] != '.' && key.find('/') == std::string::npos;
}

bool IsPlainFolderName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

void Forget(TArchiveCatalogue& catalogue, const std::string& key) {
    catalogue.Delete(DescriptionsSection, key);
    catalogue.Delete(FolderNamesSection, key);
    catalogue.Delete(OriginalPathsSection, key);
}

} // namespace

std::string ArchivesFolderFor(const std::string& driveRoot, std::string* notice) {
    const std::string atRoot = Joined(driveRoot, ArchivesFolderName);
    const std::string home = Platform::HomeFolder();
    const std::string inHome = home.empty() ? std::string() : Joined(home, ArchivesFolderName);
    struct stat st {};
    if (lstat(atRoot.c_str(), &st) == 0) {
        const std::string why = UnsafeFolderReason(st);
        if (why.empty() || inHome.empty() || inHome == atRoot)
            return atRoot;
        if (notice)
            *notice = "The archives folder " + atRoot + " is not used: " + why +
                      ". Your archives go to " + inHome + " instead.";
        return inHome;
    }
    if (access(driveRoot.c_str(), W_OK) == 0)
        return atRoot;
    struct stat rootSt {
    }, homeSt{};
    // The home folder's drive: the mount that holds it is the drive's root.
    if (!home.empty() && stat(driveRoot.c_str(), &rootSt) == 0 &&
        stat(home.c_str(), &homeSt) == 0 && rootSt.st_dev == homeSt.st_dev)
        return inHome;
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
    if (!Exists(archivesFolder))
        return entries; // nothing archived on this drive yet
    const TFd folder = OpenArchivesFolder(archivesFolder, false, error);
    if (folder.Get() < 0)
        return entries;
    RemoveDeadPartials(folder.Get());
    TArchiveCatalogue catalogue;
    if (!catalogue.Load(archivesFolder, folder.Get())) {
        error = catalogue.Error;
        return entries;
    }
    bool changed = false;
    for (const std::string& key : catalogue.Keys(DescriptionsSection)) {
        // Catalogued before it is made, and being made now: not yet listed.
        if (IsPlainArchiveName(key) && !ExistsIn(folder.Get(), key) &&
            ExistsIn(folder.Get(), "." + key + ".part"))
            continue;
        struct stat st {};
        const std::string folderName = catalogue.Value(FolderNamesSection, key).value_or("");
        const std::string originalPath = catalogue.Value(OriginalPathsSection, key).value_or("/");
        if (!IsPlainArchiveName(key) ||
            fstatat(folder.Get(), key.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode)) {
            // The archive is gone, or the entry names no archive of this
            // folder: so goes what it said. (An entry without a folder
            // name to restore stays listed; the restore refuses it.)
            Forget(catalogue, key);
            changed = true;
            continue;
        }
        entries.push_back({key,
                           catalogue.Value(DescriptionsSection, key).value_or("No description"),
                           folderName, originalPath});
    }
    if (catalogue.Keys(DescriptionsSection).empty()) {
        if (unlinkat(folder.Get(), CatalogueFileName, 0) == 0 || errno == ENOENT)
            rmdir(archivesFolder.c_str()); // only when nothing else is in it
    } else if (changed && !catalogue.Save()) {
        error = catalogue.Error;
    }
    return entries;
}

bool SetArchiveDescription(const std::string& archivesFolder, const std::string& key,
                           const std::string& description, std::string& error) {
    const TFd folder = OpenArchivesFolder(archivesFolder, false, error);
    if (folder.Get() < 0)
        return false;
    TArchiveCatalogue catalogue;
    if (!catalogue.Load(archivesFolder, folder.Get())) {
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
    if (!IsPlainArchiveName(key)) {
        error = "Could not delete archive " + path + ": it is not an archive of " + archivesFolder +
                ".";
        return false;
    }
    const TFd folder = OpenArchivesFolder(archivesFolder, false, error);
    if (folder.Get() < 0)
        return false;
    if (unlinkat(folder.Get(), key.c_str(), 0) != 0) {
        error = "Could not delete archive " + path + ": " + Platform::ErrorText(errno) + ".";
        return false;
    }
    TArchiveCatalogue catalogue;
    if (!catalogue.Load(archivesFolder, folder.Get())) {
        error = catalogue.Error;
        return false;
    }
    Forget(catalogue, key);
    if (!catalogue.Save()) {
        error = catalogue.Error;
        return false;
    }
    return true;
}

TCompressOutcome CompressFolder(TZipMaster& zip, const TCompressRequest& request,
                                std::mt19937& random) {
    TCompressOutcome outcome;
    // The same refusals as a delete or a move: ".", "..", drive roots, the
    // home folder, system folders, and folders with a drive mounted inside.
    if (const std::string refused = Platform::FolderRemovalRefusal(request.FolderPath);
        !refused.empty()) {
        outcome.Message = refused;
        return outcome;
    }
    std::string folder = request.FolderPath;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const std::size_t slash = folder.rfind('/');
    const std::string parent = slash == 0 ? "/" : folder.substr(0, slash);
    const std::string name = folder.substr(slash + 1);

    const TFd archives = OpenArchivesFolder(request.ArchivesFolder, true, outcome.Message);
    if (archives.Get() < 0)
        return outcome;
    // A compression that was killed left its partial archive; this one
    // would otherwise leave it for the next listing, or for ever.
    RemoveDeadPartials(archives.Get());
    // Before anything is written: a catalogue that cannot be kept would
    // leave an archive nobody can find again.
    TArchiveCatalogue catalogue;
    if (!catalogue.Load(request.ArchivesFolder, archives.Get())) {
        outcome.Message = catalogue.Error;
        return outcome;
    }
    outcome.Key = MakeArchiveName(request.ArchivesFolder, request.DriveRoot, random);
    outcome.ArchivePath = Joined(request.ArchivesFolder, outcome.Key);

    zip.ZipFileName = outcome.ArchivePath;
    zip.ArchiveFolderFd = archives.Get();
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
    // Kept open for the removal of the folder, which may read the archive.
    struct TForget {
        TZipMaster& Zip;
        ~TForget() { Zip.ArchiveFolderFd = -1; }
    } forget{zip};
    if (zip.Add() != ZipOk) {
        outcome.Message = zip.ErrMessage;
        Forget(catalogue, outcome.Key);
        // Should this fail, the next listing drops the entry all the same.
        catalogue.Save();
        rmdir(request.ArchivesFolder.c_str()); // made for nothing, if it is empty
        return outcome;
    }
    // Again: a listing while the folder was being read may have dropped it.
    if (!catalogue.Save()) {
        // Not catalogued, so not kept: the folder stays as it is.
        unlinkat(archives.Get(), outcome.Key.c_str(), 0);
        rmdir(request.ArchivesFolder.c_str());
        outcome.Message = catalogue.Error;
        return outcome;
    }
    struct stat st {};
    if (fstatat(archives.Get(), outcome.Key.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
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
                               bool deleteArchive, bool overwrite) {
    TRestoreOutcome outcome;
    std::string base = restoreTo;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    outcome.RestoredPath = Joined(base, entry.FolderName);
    zip.ZipFileName = Joined(archivesFolder, entry.Key);
    const auto notRestored = [&](const std::string& why) {
        outcome.Message =
            "The folder " + outcome.RestoredPath +
            " was not successfully restored. The ZIP archive containing the folder (" +
            zip.ZipFileName +
            ") will not be deleted from your hard-disk so you can try to manually "
            "restore the folder from the archive.\n\n" +
            why;
        return outcome;
    };
    if (!IsPlainArchiveName(entry.Key) || !IsPlainFolderName(entry.FolderName))
        return notRestored("The catalogue does not name an archive of " + archivesFolder +
                           " and a folder in it.");
    std::string error;
    const TFd folder = OpenArchivesFolder(archivesFolder, false, error);
    if (folder.Get() < 0)
        return notRestored(error);
    zip.ArchiveFolderFd = folder.Get();
    zip.ExtrBaseDir = base;
    zip.ExtrTopFolder = entry.FolderName;
    zip.ExtrOptions = ExtrDirNames | (overwrite ? ExtrOverWrite : 0u);
    zip.FSpecArgs.clear();
    const int extracted = zip.Extract();
    zip.ArchiveFolderFd = -1;
    outcome.DroppedModeBits = zip.DroppedModeBits;
    if (extracted != ZipOk)
        return notRestored(zip.ErrMessage);
    outcome.Restored = true;
    if (deleteArchive) {
        outcome.ArchiveDeleted = DeleteArchive(archivesFolder, entry.Key, error);
        if (!outcome.ArchiveDeleted)
            outcome.Message = error;
    }
    return outcome;
}
