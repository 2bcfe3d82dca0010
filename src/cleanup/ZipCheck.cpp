// The read-back check of a new archive: before it gets its name, every entry
// is read back whole (its data decompressed, its CRC checked by libarchive)
// and must carry the name, place and size it was written with. An archive
// that fails is never named, so the folder it holds is never taken away.
#include "cleanup/ZipGatherer.h"
#include "cleanup/ZipLibArchive.h"
#include "cleanup/ZipMaster.h"

#include <vector>

using ZipLib::Quoted;

TStatus TZipMaster::CheckReadsBack(int folderFd, const std::string& leaf,
                                   const std::vector<TZipSource>& sources) {
    ZipLib::TArchiveReader reader;
    archive* a = reader.A;
    if (!reader.Open(leaf, Password, folderFd))
        return Fail(ZipCheckFailed, "The archive cannot be read back: " + ZipLib::ErrorOf(a),
                    archive_errno(a));
    std::size_t index = 0;
    archive_entry* entry = nullptr;
    std::vector<char> buffer(ZipLib::Block);
    int r;
    while ((r = archive_read_next_header(a, &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN) {
        if (CancelRequested)
            return Stopped();
        const char* name = archive_entry_pathname(entry);
        if (index >= sources.size() || !name || sources[index].Name != name)
            return Fail(ZipCheckFailed, "The archive does not read back as written, at " +
                                            Quoted(name ? name : "?") + ".");
        // Never made when its own restore would refuse it.
        if (const std::string why = ArchiveNameRefusal(name); !why.empty())
            return Fail(ZipNameRefused,
                        Quoted(name) + " could not be restored from the archive: " + why + ".");
        std::int64_t total = 0;
        for (;;) {
            const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
            if (n < 0)
                return Fail(ZipCheckFailed, "The archive does not read back whole, at " +
                                                Quoted(name) + ": " + ZipLib::ErrorOf(a));
            if (n == 0)
                break;
            total += n;
        }
        // A link holds no contents that were read, only its target.
        if (!S_ISLNK(sources[index].St.st_mode) && total != sources[index].Written)
            return Fail(ZipCheckFailed,
                        "The archive does not read back whole, at " + Quoted(name) + ".");
        ++index;
    }
    if (r != ARCHIVE_EOF || index != sources.size()) {
        const std::string why = ZipLib::ErrorOf(a);
        return Fail(ZipCheckFailed, "The archive does not read back whole: " +
                                        (why.empty() ? std::string("entries are missing") : why));
    }
    return {};
}
