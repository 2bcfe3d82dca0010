#include "engine/FileTable.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace {

std::uint64_t Clamped(std::int64_t bytes) {
    return static_cast<std::uint64_t>(std::clamp<std::int64_t>(bytes, 0, TFileEntry::MaxSize));
}

// The process-wide extension table. Entries are written once, before their
// number is handed out under the lock; whoever holds a number got it through
// that lock or through data handed over under another one, so reading the
// entry needs no lock of its own.
struct TExtensionName {
    char Bytes[16];
    std::uint8_t Length;
};

class TExtensionTable {
public:
    TExtensionId Intern(std::string_view extension) {
        if (extension.empty() || extension.size() > 16)
            return 0;
        std::lock_guard lock(Lock);
        // Open addressing over the numbers given so far.
        std::size_t slot = Hash(extension) & (Slots.size() - 1);
        while (const TExtensionId id = Slots[slot]) {
            if (Name(id) == extension)
                return id;
            slot = (slot + 1) & (Slots.size() - 1);
        }
        if (Count + 1 >= MaxIds)
            return 0;
        const auto id = static_cast<TExtensionId>(++Count);
        TExtensionName& entry = Names[id];
        std::memcpy(entry.Bytes, extension.data(), extension.size());
        entry.Length = static_cast<std::uint8_t>(extension.size());
        Slots[slot] = id;
        return id;
    }

    std::string_view Name(TExtensionId id) const {
        if (id == 0)
            return {};
        const TExtensionName& entry = Names[id];
        return {entry.Bytes, entry.Length};
    }

    static std::size_t Hash(std::string_view text) {
        std::size_t h = 1469598103934665603ull;
        for (const char c : text)
            h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        return h;
    }

private:
    static constexpr std::size_t MaxIds = 65536;
    std::mutex Lock;
    std::uint32_t Count = 0;
    // Twice the numbers there can be, so probing always ends.
    std::array<TExtensionId, 2 * MaxIds> Slots{};
    std::array<TExtensionName, MaxIds> Names{};
};

TExtensionTable& Extensions() {
    // Made on first use and kept to the end: lists anywhere may hold numbers.
    static TExtensionTable* table = new TExtensionTable;
    return *table;
}

} // namespace

TFileEntry::TFileEntry(std::uint32_t nameOffset, std::int64_t size, std::int64_t allocated,
                       std::int64_t writeSeconds, TExtensionId extension, TFileKind kind,
                       bool hardLinked)
    : SizeExt(Clamped(size) | (std::uint64_t{extension} << 48)),
      AllocFlags(Clamped(allocated) |
                 (std::uint64_t{static_cast<std::uint8_t>(kind) | (hardLinked ? 0x4u : 0u)} << 48)),
      Offset(nameOffset),
      WriteTime(static_cast<std::uint32_t>(std::clamp<std::int64_t>(writeSeconds, 0, 0xffffffff))) {
}

TFileTime TFileEntry::WriteFileTime() const {
    constexpr std::uint64_t EpochDifference = 11644473600ull; // 1601 to 1970
    return WriteTime ? (WriteTime + EpochDifference) * 10000000ull : 0;
}

std::string_view TFileList::Name(std::uint32_t index) const {
    const std::uint32_t begin = First()[index].NameOffset();
    const std::uint32_t end = index + 1 < Entries ? First()[index + 1].NameOffset() : NameBytes;
    return {Names() + begin, end - begin};
}

std::uint32_t TFileList::Find(std::string_view name) const {
    for (std::uint32_t i = 0; i < Entries; ++i)
        if (Name(i) == name)
            return i;
    return Entries;
}

std::size_t TFileList::Bytes() const {
    return sizeof(TFileList) + std::size_t{Entries} * sizeof(TFileEntry) + NameBytes;
}

TFileListRef TFileList::Make(const TFileEntry* entries, std::uint32_t count,
                             std::string_view names) {
    if (count == 0)
        return {};
    const std::size_t bytes =
        sizeof(TFileList) + std::size_t{count} * sizeof(TFileEntry) + names.size();
    void* block = ::operator new(bytes);
    auto* list = new (block) TFileList(count, static_cast<std::uint32_t>(names.size()));
    std::memcpy(const_cast<TFileEntry*>(list->First()), entries,
                std::size_t{count} * sizeof(TFileEntry));
    std::memcpy(const_cast<char*>(list->Names()), names.data(), names.size());
    return TFileListRef(list);
}

TFileListRef TFileList::Without(std::uint32_t index) const {
    if (index >= Entries)
        return Make(First(), Entries, {Names(), NameBytes});
    const std::string_view gone = Name(index);
    std::vector<TFileEntry> entries;
    entries.reserve(Entries - 1);
    std::string names;
    names.reserve(NameBytes - gone.size());
    for (std::uint32_t i = 0; i < Entries; ++i) {
        if (i == index)
            continue;
        const TFileEntry& e = First()[i];
        const std::string_view name = Name(i);
        entries.emplace_back(static_cast<std::uint32_t>(names.size()), e.Size(), e.Allocated(),
                             e.WriteSeconds(), e.Extension(), e.Kind(), e.HardLinked());
        names.append(name);
    }
    return Make(entries.data(), static_cast<std::uint32_t>(entries.size()), names);
}

void TFileListRef::Release() {
    if (List && List->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        List->~TFileList();
        ::operator delete(List);
    }
}

std::string_view ExtensionOf(std::string_view name, char (&lowered)[16]) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    const std::size_t length = name.size() - dot - 1;
    if (length == 0 || length > sizeof lowered)
        return {};
    for (std::size_t i = 0; i < length; ++i) {
        const char c = name[dot + 1 + i];
        lowered[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return {lowered, length};
}

TExtensionId InternExtension(std::string_view extension) {
    return Extensions().Intern(extension);
}

std::string_view FileExtensionName(TExtensionId id) {
    return Extensions().Name(id);
}

TExtensionCache::TExtensionCache() : Slots(1024) {}

namespace {

std::size_t SlotOf(const std::uint64_t (&key)[2], std::size_t length, std::size_t mask) {
    return static_cast<std::size_t>(
               ((key[0] * 0x9E3779B97F4A7C15ull) ^ (key[1] * 0xC2B2AE3D27D4EB4Full) ^ length) >>
               20) &
           mask;
}

} // namespace

TExtensionId TExtensionCache::Of(std::string_view name) {
    char lowered[16];
    const std::string_view extension = ExtensionOf(name, lowered);
    if (extension.empty())
        return 0;
    std::uint64_t key[2] = {0, 0};
    std::memcpy(key, extension.data(), extension.size());
    const std::size_t mask = Slots.size() - 1;
    std::size_t slot = SlotOf(key, extension.size(), mask);
    for (;; slot = (slot + 1) & mask) {
        const TSlot& s = Slots[slot];
        if (s.Length == 0)
            break;
        if (s.Length == extension.size() && s.Bytes[0] == key[0] && s.Bytes[1] == key[1])
            return s.Id;
    }
    const TExtensionId id = InternExtension(extension);
    TSlot& s = Slots[slot];
    s.Bytes[0] = key[0];
    s.Bytes[1] = key[1];
    s.Length = static_cast<std::uint32_t>(extension.size());
    s.Id = id;
    if (++Used * 2 > Slots.size())
        Grow();
    return id;
}

void TExtensionCache::Grow() {
    std::vector<TSlot> old(Slots.size() * 2);
    old.swap(Slots);
    const std::size_t mask = Slots.size() - 1;
    for (const TSlot& s : old) {
        if (s.Length == 0)
            continue;
        std::size_t slot = SlotOf(s.Bytes, s.Length, mask);
        while (Slots[slot].Length != 0)
            slot = (slot + 1) & mask;
        Slots[slot] = s;
    }
}

TFileListBuilder::TFileListBuilder(TExtensionCache* extensions)
    : OwnExtensions(extensions ? nullptr : std::make_unique<TExtensionCache>()),
      Extensions(extensions ? extensions : OwnExtensions.get()) {}

void TFileListBuilder::Add(std::string_view name, std::int64_t size, std::int64_t allocated,
                           std::int64_t writeSeconds, TFileKind kind, bool hardLinked) {
    Entries.emplace_back(static_cast<std::uint32_t>(Names.size()), size, allocated, writeSeconds,
                         Extensions->Of(name), kind, hardLinked);
    Names.append(name);
}

TFileListRef TFileListBuilder::Take() {
    TFileListRef list =
        TFileList::Make(Entries.data(), static_cast<std::uint32_t>(Entries.size()), Names);
    Clear();
    return list;
}

void TFileListBuilder::Clear() {
    Entries.clear();
    Names.clear();
    // A folder of a million files leaves no lasting buffers behind.
    if (Entries.capacity() > 65536) {
        Entries.shrink_to_fit();
        Names.shrink_to_fit();
    }
}

TFileKind FileKindOfMode(std::uint32_t mode) {
    switch (mode & S_IFMT) {
    case S_IFREG:
        return TFileKind::Regular;
    case S_IFLNK:
        return TFileKind::Link;
    default:
        return TFileKind::Other;
    }
}
