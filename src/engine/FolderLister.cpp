#include "engine/FolderLister.h"

#include <unistd.h>

TDiskLister::TDiskLister() : SeesMounts(Platform::SubfolderOpenSeesMounts()) {}

int TDiskLister::OpenTop(const std::string& path, int& error) {
    return Platform::OpenFolderPath(path, error).Release();
}

int TDiskLister::OpenSub(int parent, const char* name, int& error, bool& otherMount) {
    otherMount = false;
    if (SeesMounts)
        return Platform::OpenSubfolderAt(parent, name, error, otherMount).Release();
    // Mount points were told apart while the parent was listed.
    return Platform::OpenFolderAt(parent, name, error).Release();
}

void TDiskLister::Close(int handle) {
    if (handle >= 0)
        close(handle);
}

bool TDiskLister::Identity(int handle, std::uint64_t& device, std::uint64_t& inode) {
    return Platform::IdentityOf(handle, device, inode);
}

std::uint64_t TDiskLister::ListingMount(int handle) {
    return SeesMounts ? 0 : Platform::MountIdOf(handle);
}

bool TDiskLister::Facts(int handle, const char* name, Platform::TFileFacts& facts) {
    int error = 0;
    return Platform::FullFactsAt(handle, name, facts, error);
}

bool TDiskLister::List(int handle, std::uint64_t mountId, Platform::TListSink& sink,
                       const std::atomic<bool>& abort, std::vector<char>& buffer, bool& aborted,
                       int& error) {
    return Platform::ListFolder(handle, mountId, sink, abort, buffer, aborted, error);
}
