// A drive's archives folder and what is done in it: opened once and checked,
// catalogued, packed into and restored from (see ArchiveStore.h).
#include "cleanup/ArchiveStore.h"

#include "cleanup/ArchiveCatalogue.h"
#include "platform/FileAt.h"
#include "platform/FileOps.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <unistd.h>
#include <utility>

using Platform::TFd;

namespace {

std::string Joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool Exists(const std::string& path) {
    return Platform::StatPath(path, false).Ok();
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
TResult<TFd> OpenArchivesFolder(const std::string& folder, bool create) {
    if (create) {
        const TStatus made = Platform::MakeFolderPath(folder, 0700);
        if (!made && made.Failure().Errno != EEXIST)
            return TFailure{made.Failure().Errno,
                            {},
                            "Could not create folder " + folder + ": " +
                                Platform::ErrorText(made.Failure().Errno) + "."};
    }
    TResult<TFd> fd = Platform::OpenFolderPathNoLink(folder);
    const TResult<struct stat> st =
        fd ? Platform::StatAt(fd->Get(), "") : TResult<struct stat>(fd.Failure());
    if (!st) {
        const int error = st.Failure().Errno;
        return TFailure{error,
                        {},
                        error == ELOOP || error == ENOTDIR
                            ? "The archives folder " + folder + " is not used: it is " +
                                  (error == ELOOP ? "a symbolic link." : "not a folder.")
                            : "The archives folder " + folder +
                                  " cannot be opened: " + Platform::ErrorText(error) + "."};
    }
    if (const std::string why = UnsafeFolderReason(*st); !why.empty())
        return Refusal("The archives folder " + folder + " is not used: " + why + ".");
    // Made readable by others before they were kept private; should that
    // fail, the folder is still the user's own and nobody else may write in it.
    if (st->st_uid == geteuid() && (st->st_mode & 077))
        (void)Platform::SetMode(fd->Get(), st->st_mode & 0700);
    return fd;
}

bool ExistsIn(int folderFd, const std::string& name) {
    return Platform::StatAt(folderFd, name).Ok();
}

// Partial archives ("." + name + ".part") of compressions that died; one
// still being written is locked by its writer.
// Each is tidying only: one that cannot be listed, opened or removed now is
// tried again by the next listing.
void RemoveDeadPartials(int folderFd) {
    const TResult<std::vector<std::string>> names = Platform::NamesIn(folderFd);
    if (!names)
        return;
    for (const std::string& name : *names) {
        if (!(name.size() > 6 && name[0] == '.' && name.compare(name.size() - 5, 5, ".part") == 0))
            continue;
        const TResult<TFd> fd = Platform::OpenFileAt(folderFd, name, true);
        if (fd && Platform::LockFile(fd->Get(), false))
            (void)Platform::RemoveAt(folderFd, name);
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
    if (const TResult<struct stat> st = Platform::StatPath(atRoot, false)) {
        const std::string why = UnsafeFolderReason(*st);
        if (why.empty() || inHome.empty() || inHome == atRoot)
            return atRoot;
        if (notice)
            *notice = "The archives folder " + atRoot + " is not used: " + why +
                      ". Your archives go to " + inHome + " instead.";
        return inHome;
    }
    if (Platform::MayWritePath(driveRoot))
        return atRoot;
    // The home folder's drive: the mount that holds it is the drive's root.
    if (!home.empty()) {
        const TResult<struct stat> rootSt = Platform::StatPath(driveRoot, true);
        const TResult<struct stat> homeSt = Platform::StatPath(home, true);
        if (rootSt && homeSt && rootSt->st_dev == homeSt->st_dev)
            return inHome;
    }
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

TResult<std::vector<TCatalogueEntry>> ListArchives(const std::string& archivesFolder) {
    std::vector<TCatalogueEntry> entries;
    if (!Exists(archivesFolder))
        return entries; // nothing archived on this drive yet
    const TResult<TFd> opened = OpenArchivesFolder(archivesFolder, false);
    if (!opened)
        return opened.Failure();
    const TFd& folder = *opened;
    RemoveDeadPartials(folder.Get());
    TArchiveCatalogue catalogue;
    if (const TStatus loaded = catalogue.Load(archivesFolder, folder.Get()); !loaded)
        return loaded.Failure();
    bool changed = false;
    for (const std::string& key : catalogue.Keys(DescriptionsSection)) {
        // Catalogued before it is made, and being made now: not yet listed.
        if (IsPlainArchiveName(key) && !ExistsIn(folder.Get(), key) &&
            ExistsIn(folder.Get(), "." + key + ".part"))
            continue;
        const std::string folderName = catalogue.Value(FolderNamesSection, key).value_or("");
        const std::string originalPath = catalogue.Value(OriginalPathsSection, key).value_or("/");
        const TResult<struct stat> st = IsPlainArchiveName(key)
                                            ? Platform::StatAt(folder.Get(), key)
                                            : TResult<struct stat>(Refusal({}));
        if (!st || !S_ISREG(st->st_mode)) {
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
        const TStatus removed = Platform::RemoveAt(folder.Get(), CatalogueFileName);
        // Only when nothing else is in it; else it stays, as it should.
        if (removed || removed.Failure().Errno == ENOENT)
            (void)Platform::RemovePath(archivesFolder, true);
    } else if (changed) {
        // The list is right all the same; the entries of archives that are
        // gone are dropped again next time, and whatever next changes the
        // catalogue reports that it cannot be saved.
        (void)catalogue.Save();
    }
    return entries;
}

TStatus SetArchiveDescription(const std::string& archivesFolder, const std::string& key,
                              const std::string& description) {
    const TResult<TFd> folder = OpenArchivesFolder(archivesFolder, false);
    if (!folder)
        return folder.Failure();
    TArchiveCatalogue catalogue;
    if (TStatus loaded = catalogue.Load(archivesFolder, folder->Get()); !loaded)
        return loaded;
    catalogue.Write(DescriptionsSection, key, description);
    return catalogue.Save();
}

TStatus DeleteArchive(const std::string& archivesFolder, const std::string& key) {
    const std::string path = Joined(archivesFolder, key);
    if (!IsPlainArchiveName(key))
        return Refusal("Could not delete archive " + path + ": it is not an archive of " +
                       archivesFolder + ".");
    const TResult<TFd> folder = OpenArchivesFolder(archivesFolder, false);
    if (!folder)
        return folder.Failure();
    if (const TStatus removed = Platform::RemoveAt(folder->Get(), key); !removed)
        return TFailure{removed.Failure().Errno,
                        {},
                        "Could not delete archive " + path + ": " +
                            Platform::ErrorText(removed.Failure().Errno) + "."};
    TArchiveCatalogue catalogue;
    if (TStatus loaded = catalogue.Load(archivesFolder, folder->Get()); !loaded)
        return loaded;
    Forget(catalogue, key);
    return catalogue.Save();
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

    const TResult<TFd> opened = OpenArchivesFolder(request.ArchivesFolder, true);
    if (!opened) {
        outcome.Message = opened.Failure().Text;
        return outcome;
    }
    const TFd& archives = *opened;
    // A compression that was killed left its partial archive; this one
    // would otherwise leave it for the next listing, or for ever.
    RemoveDeadPartials(archives.Get());
    // Before anything is written: a catalogue that cannot be kept would
    // leave an archive nobody can find again.
    TArchiveCatalogue catalogue;
    if (const TStatus loaded = catalogue.Load(request.ArchivesFolder, archives.Get()); !loaded) {
        outcome.Message = loaded.Failure().Text;
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
    // The archives folder, where made for nothing, goes again; one that
    // holds anything stays.
    const auto removeIfEmpty = [&] { (void)Platform::RemovePath(request.ArchivesFolder, true); };
    if (const TStatus saved = catalogue.Save(); !saved) {
        outcome.Message = saved.Failure().Text;
        removeIfEmpty();
        return outcome;
    }
    // Kept open for the removal of the folder, which may read the archive.
    struct TForget {
        TZipMaster& Zip;
        ~TForget() { Zip.ArchiveFolderFd = -1; }
    } forget{zip};
    if (const TStatus added = zip.Add(); !added) {
        outcome.Message = added.Failure().Text;
        Forget(catalogue, outcome.Key);
        // Should this fail, the next listing drops the entry all the same.
        (void)catalogue.Save();
        removeIfEmpty();
        return outcome;
    }
    // Again: a listing while the folder was being read may have dropped it.
    if (const TStatus saved = catalogue.Save(); !saved) {
        // Not catalogued, so not kept: the folder stays as it is. An archive
        // that cannot be removed is dropped from view by the next listing.
        (void)Platform::RemoveAt(archives.Get(), outcome.Key);
        removeIfEmpty();
        outcome.Message = saved.Failure().Text;
        return outcome;
    }
    if (const TResult<struct stat> st = Platform::StatAt(archives.Get(), outcome.Key))
        outcome.ArchiveSize = st->st_size;
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
    const TResult<TFd> folder = OpenArchivesFolder(archivesFolder, false);
    if (!folder)
        return notRestored(folder.Failure().Text);
    zip.ArchiveFolderFd = folder->Get();
    zip.ExtrBaseDir = base;
    zip.ExtrTopFolder = entry.FolderName;
    zip.ExtrOptions = ExtrDirNames | (overwrite ? ExtrOverWrite : 0u);
    zip.FSpecArgs.clear();
    const TStatus extracted = zip.Extract();
    zip.ArchiveFolderFd = -1;
    outcome.DroppedModeBits = zip.DroppedModeBits;
    if (!extracted)
        return notRestored(extracted.Failure().Text);
    outcome.Restored = true;
    if (deleteArchive) {
        const TStatus deleted = DeleteArchive(archivesFolder, entry.Key);
        outcome.ArchiveDeleted = deleted.Ok();
        if (!deleted)
            outcome.Message = deleted.Failure().Text;
    }
    return outcome;
}
