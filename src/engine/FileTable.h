// The files a scan keeps: per folder one compact, immutable list of its
// entries that are not folders, made in one allocation when the folder's
// listing ends. A folder node holds its list by a counted reference, so a
// query on another thread can keep the lists it reads alive while the
// window's thread goes on changing the tree: a list is never changed once
// made, a removal puts a new list in its place.
//
// An entry takes 24 bytes plus its name's bytes, which is what lets a scan
// of millions of files keep them all.
#pragma once

#include "engine/FolderSize.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class TFileKind : std::uint8_t { Regular = 0, Link = 1, Other = 2 };

// An extension's number: 0 for none, else an index into the process-wide
// table of lower-cased extensions (FileExtensionName).
using TExtensionId = std::uint16_t;

class TFileEntry {
public:
    // Sizes up to 2^48 - 1 bytes (256 TiB); larger ones are held at that.
    static constexpr std::int64_t MaxSize = (std::int64_t{1} << 48) - 1;

    TFileEntry() = default;
    TFileEntry(std::uint32_t nameOffset, std::int64_t size, std::int64_t allocated,
               std::int64_t writeSeconds, TExtensionId extension, TFileKind kind, bool hardLinked);

    std::int64_t Size() const { return static_cast<std::int64_t>(SizeExt & SizeMask); }
    // Allocated bytes on the drive (for an opened scan file, what it says).
    std::int64_t Allocated() const { return static_cast<std::int64_t>(AllocFlags & SizeMask); }
    TExtensionId Extension() const { return static_cast<TExtensionId>(SizeExt >> 48); }
    TFileKind Kind() const { return static_cast<TFileKind>((AllocFlags >> 48) & 0x3); }
    // More than one name refers to the file; each name counts its size.
    bool HardLinked() const { return ((AllocFlags >> 48) & 0x4) != 0; }
    // Modification time in Unix seconds, 0 when unknown (or before 1970).
    std::int64_t WriteSeconds() const { return WriteTime; }
    // The same time in the record's units.
    TFileTime WriteFileTime() const;
    std::uint32_t NameOffset() const { return Offset; }

private:
    static constexpr std::uint64_t SizeMask = (std::uint64_t{1} << 48) - 1;
    std::uint64_t SizeExt = 0;    // size, extension in the top 16 bits
    std::uint64_t AllocFlags = 0; // allocated, kind and flags in bits 48-55
    std::uint32_t Offset = 0;     // of the name in the list's name bytes
    std::uint32_t WriteTime = 0;  // Unix seconds up to 2106
};
static_assert(sizeof(TFileEntry) == 24);

class TFileListRef;

// One folder's files, in listing order. Names are raw bytes, not
// necessarily UTF-8, and not terminated.
class TFileList {
public:
    std::uint32_t Count() const { return Entries; }
    const TFileEntry& Entry(std::uint32_t index) const { return First()[index]; }
    std::string_view Name(std::uint32_t index) const;
    const TFileEntry* begin() const { return First(); }
    const TFileEntry* end() const { return First() + Entries; }
    // The first entry named `name`, or Count() when there is none.
    std::uint32_t Find(std::string_view name) const;
    // Bytes the list takes, header included.
    std::size_t Bytes() const;

    TFileList(const TFileList&) = delete;
    TFileList& operator=(const TFileList&) = delete;

    // A list of the given entries and names (entries' offsets index names).
    static TFileListRef Make(const TFileEntry* entries, std::uint32_t count,
                             std::string_view names);
    // This list without entry `index`.
    TFileListRef Without(std::uint32_t index) const;

private:
    friend class TFileListRef;
    TFileList(std::uint32_t entries, std::uint32_t nameBytes)
        : Entries(entries), NameBytes(nameBytes) {}
    const TFileEntry* First() const { return reinterpret_cast<const TFileEntry*>(this + 1); }
    const char* Names() const { return reinterpret_cast<const char*>(First() + Entries); }

    mutable std::atomic<std::uint32_t> Refs{1};
    std::uint32_t Entries;
    std::uint32_t NameBytes;
    std::uint32_t Spare = 0;
};
static_assert(sizeof(TFileList) % alignof(TFileEntry) == 0);

// A counted reference to a list; copies may go to other threads.
class TFileListRef {
public:
    TFileListRef() = default;
    TFileListRef(const TFileListRef& other) : List(other.List) {
        if (List)
            List->Refs.fetch_add(1, std::memory_order_relaxed);
    }
    TFileListRef(TFileListRef&& other) noexcept : List(std::exchange(other.List, nullptr)) {}
    TFileListRef& operator=(TFileListRef other) noexcept {
        std::swap(List, other.List);
        return *this;
    }
    ~TFileListRef() { Release(); }

    const TFileList* get() const { return List; }
    const TFileList* operator->() const { return List; }
    const TFileList& operator*() const { return *List; }
    explicit operator bool() const { return List != nullptr; }
    std::uint32_t Count() const { return List ? List->Count() : 0; }
    void reset() {
        Release();
        List = nullptr;
    }

private:
    friend class TFileList;
    explicit TFileListRef(TFileList* list) : List(list) {}
    void Release();
    TFileList* List = nullptr;
};

// The lower-cased bytes after a name's last dot, when there are 1 to 16 of
// them and the dot is not the name's first byte; empty otherwise.
std::string_view ExtensionOf(std::string_view name, char (&lowered)[16]);
// The number of an extension (lower-cased, at most 16 bytes), given out
// once per process; 0 for an empty one, and for any beyond the 65,535th.
TExtensionId InternExtension(std::string_view extension);
// The extension of a number InternExtension gave; empty for 0.
std::string_view FileExtensionName(TExtensionId id);

// The extensions one thread has met, with their numbers, so that the shared
// table is locked only the first time an extension comes by.
class TExtensionCache {
public:
    TExtensionCache();
    // The number of the extension of `name` (ExtensionOf); 0 for none.
    TExtensionId Of(std::string_view name);

private:
    struct TSlot {
        std::uint64_t Bytes[2] = {}; // the lower-cased extension, zero-padded
        std::uint32_t Length = 0;    // 0: a free slot
        TExtensionId Id = 0;
    };
    void Grow();
    std::vector<TSlot> Slots;
    std::size_t Used = 0;
};

// Collects one folder's files while it is listed, reusing its buffers from
// folder to folder. Builders on one thread may share one extension cache.
class TFileListBuilder {
public:
    explicit TFileListBuilder(TExtensionCache* extensions = nullptr);
    TFileListBuilder(const TFileListBuilder&) = delete;
    TFileListBuilder& operator=(const TFileListBuilder&) = delete;
    void Add(std::string_view name, std::int64_t size, std::int64_t allocated,
             std::int64_t writeSeconds, TFileKind kind, bool hardLinked);
    // The list of the files added since the last Take (none when there were
    // none); the builder is empty again.
    TFileListRef Take();
    // Forgets what was added (a listing that was stopped).
    void Clear();

private:
    std::unique_ptr<TExtensionCache> OwnExtensions;
    TExtensionCache* Extensions;
    std::vector<TFileEntry> Entries;
    std::string Names;
};

// The kind of a file from its st_mode.
TFileKind FileKindOfMode(std::uint32_t mode);
