// Sending items to the freedesktop trash through GIO, which knows the home
// trash and the per-mount trash folders. Qt's own trash function is not used:
// in Qt 6.4 it can report success after moving a file somewhere else.
#include "platform/FileOps.h"
#include "platform/linux/TrashCheck.h"

#include <gio/gio.h>

namespace Platform {

TTrashResult MoveToTrash(const TScannedItem& item) {
    TTrashResult result;
    dev_t device = 0;
    ino_t inode = 0;
    const std::string path = TrashablePath(item, result.Error, device, inode);
    if (path.empty())
        return result;
    GFile* file = g_file_new_for_path(path.c_str());
    GError* error = nullptr;
    result.Ok = g_file_trash(file, nullptr, &error) != FALSE;
    if (!result.Ok)
        result.Error = error && error->message ? error->message : "The trash refused the item.";
    if (error)
        g_error_free(error);
    g_object_unref(file);
    // GIO reports success once the item is renamed into the trash; make sure
    // it really left its place before telling the caller so.
    if (result.Ok && StillInPlace(item, device, inode)) {
        result.Ok = false;
        result.Error = "The item is still in its place after moving it to the trash.";
    }
    return result;
}

TTrashResult MoveToTrash(const std::string& path) {
    return MoveToTrash(ItemAtPath(path));
}

} // namespace Platform
