// A temporary folder for tests that work on real files, with helpers to make
// files of a given size, folders, links and odd names. Removed with
// everything below it when the object goes away.
#pragma once

#include <cstdint>
#include <string>

class TTempTree {
public:
    TTempTree();
    ~TTempTree();
    TTempTree(const TTempTree&) = delete;
    TTempTree& operator=(const TTempTree&) = delete;

    // Absolute path of the temporary folder (no trailing slash).
    const std::string& Root() const { return RootPath; }
    // Root() + "/" + relative.
    std::string Path(const std::string& relative) const;

    // Creates the folder and any missing parents.
    void MakeDir(const std::string& relative) const;
    // Creates (or truncates) a file of `size` bytes; sparse when large, so a
    // 5 GiB file costs no disk space. Parents are created.
    void MakeFile(const std::string& relative, std::int64_t size) const;
    // Sets access and modification times (seconds since 1970, UTC).
    void SetTimes(const std::string& relative, std::int64_t accessSec, std::int64_t writeSec) const;
    void MakeSymlink(const std::string& target, const std::string& relative) const;
    void MakeHardLink(const std::string& existing, const std::string& relative) const;
    void Remove(const std::string& relative) const;

private:
    std::string RootPath;
};

// Removes a tree with openat/unlinkat, restoring permissions on the way, so a
// test that made a folder unreadable still cleans up. Never follows links.
void RemoveTreeForTest(const std::string& path);
