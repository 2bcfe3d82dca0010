// The UTF-8 mark of ZIP entries, cleared in place (see ZipFormat.h).
#include "cleanup/ZipFormat.h"

#include "platform/FileAt.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace ZipFormat {

namespace {

std::uint32_t Get16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
std::uint32_t Get32(const unsigned char* p) {
    return Get16(p) | (Get16(p + 2) << 16);
}
std::uint64_t Get64(const unsigned char* p) {
    return Get32(p) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32);
}

TFailure NotAnArchive() {
    return Refusal("not a ZIP archive as written");
}

// Reads exactly size bytes at offset; a short file is no archive.
TStatus ReadExactly(int fd, void* into, std::size_t size, std::uint64_t offset) {
    const TResult<std::size_t> got =
        Platform::ReadAt(fd, into, size, static_cast<std::int64_t>(offset));
    if (!got)
        return got.Failure();
    if (*got != size)
        return NotAnArchive();
    return {};
}

struct TCentralDirectory {
    std::uint64_t Offset = 0;
    std::uint64_t Size = 0;
};

// Finds the end record in the file's tail (it may be followed by a comment),
// and the Zip64 record when the 32-bit fields overflowed.
TResult<TCentralDirectory> FindCentralDirectory(int fd) {
    const TResult<struct stat> st = Platform::StatAt(fd, "");
    if (!st)
        return st.Failure();
    const auto fileSize = static_cast<std::uint64_t>(st->st_size);
    if (fileSize < EndOfCentralDirSize)
        return NotAnArchive();
    const std::uint64_t tailSize =
        std::min<std::uint64_t>(fileSize, EndOfCentralDirSize + MaxCommentSize + Zip64LocatorSize);
    std::vector<unsigned char> tail(tailSize);
    if (TStatus read = ReadExactly(fd, tail.data(), tail.size(), fileSize - tailSize); !read)
        return read.Failure();
    std::size_t eocd = tail.size() - EndOfCentralDirSize;
    while (Get32(&tail[eocd]) != EndOfCentralDirSignature) {
        if (eocd == 0)
            return NotAnArchive();
        --eocd;
    }
    TCentralDirectory cd;
    cd.Size = Get32(&tail[eocd + EndCentralDirSizeAt]);
    cd.Offset = Get32(&tail[eocd + EndCentralDirOffsetAt]);
    if ((cd.Offset == Zip64Overflow || cd.Size == Zip64Overflow) && eocd >= Zip64LocatorSize &&
        Get32(&tail[eocd - Zip64LocatorSize]) == Zip64LocatorSignature) {
        unsigned char record[Zip64EndOfCentralDirSize];
        const std::uint64_t at = Get64(&tail[eocd - Zip64LocatorSize + Zip64LocatorRecordOffsetAt]);
        if (TStatus read = ReadExactly(fd, record, sizeof record, at); !read)
            return read.Failure();
        if (Get32(record) != Zip64EndOfCentralDirSignature)
            return NotAnArchive();
        cd.Size = Get64(record + Zip64CentralDirSizeAt);
        cd.Offset = Get64(record + Zip64CentralDirOffsetAt);
    }
    return cd;
}

// Where the entry's local header is: in its central header, or past 4 GB
// in its Zip64 extra field, after the sizes that overflowed.
std::uint64_t LocalHeaderOffset(const unsigned char* header, std::size_t nameLength,
                                std::size_t extraLength) {
    std::uint64_t local = Get32(header + CentralLocalHeaderOffsetAt);
    if (local != Zip64Overflow)
        return local;
    const unsigned char* extra = header + CentralHeaderSize + nameLength;
    for (std::size_t e = 0; e + 4 <= extraLength;) {
        const std::uint32_t id = Get16(extra + e), size = Get16(extra + e + 2);
        if (id == Zip64ExtraId) {
            std::size_t field = e + 4;
            if (Get32(header + CentralSizeAt) == Zip64Overflow)
                field += 8;
            if (Get32(header + CentralCompressedSizeAt) == Zip64Overflow)
                field += 8;
            if (field + 8 <= e + 4 + size && field + 8 <= extraLength)
                local = Get64(extra + field);
            break;
        }
        e += 4 + size;
    }
    return local;
}

} // namespace

TStatus ClearUtf8Marks(int fd, const std::set<std::string>& names) {
    if (names.empty())
        return {};
    const TResult<TCentralDirectory> cd = FindCentralDirectory(fd);
    if (!cd)
        return cd.Failure();
    std::vector<unsigned char> directory(cd->Size);
    if (TStatus read = ReadExactly(fd, directory.data(), directory.size(), cd->Offset); !read)
        return read;
    for (std::size_t at = 0; at + CentralHeaderSize <= directory.size() &&
                             Get32(&directory[at]) == CentralHeaderSignature;) {
        const unsigned char* header = &directory[at];
        const std::uint32_t flags = Get16(header + CentralFlagsAt);
        const std::size_t nameLength = Get16(header + CentralNameLengthAt);
        const std::size_t extraLength = Get16(header + CentralExtraLengthAt);
        const std::size_t commentLength = Get16(header + CentralCommentLengthAt);
        if (at + CentralHeaderSize + nameLength + extraLength > directory.size())
            return NotAnArchive();
        const std::string name(reinterpret_cast<const char*>(header + CentralHeaderSize),
                               nameLength);
        if ((flags & Utf8NameFlag) && names.contains(name)) {
            const std::uint64_t local = LocalHeaderOffset(header, nameLength, extraLength);
            const std::uint32_t kept = flags & ~static_cast<std::uint32_t>(Utf8NameFlag);
            const unsigned char cleared[2] = {static_cast<unsigned char>(kept & 0xFF),
                                              static_cast<unsigned char>(kept >> 8)};
            unsigned char signature[4];
            if (TStatus read = ReadExactly(fd, signature, sizeof signature, local); !read)
                return read;
            if (Get32(signature) != LocalHeaderSignature)
                return NotAnArchive();
            if (TStatus w = Platform::WriteAllAt(fd, cleared, 2,
                                                 static_cast<std::int64_t>(local + LocalFlagsAt));
                !w)
                return w;
            if (TStatus w = Platform::WriteAllAt(
                    fd, cleared, 2, static_cast<std::int64_t>(cd->Offset + at + CentralFlagsAt));
                !w)
                return w;
        }
        at += CentralHeaderSize + nameLength + extraLength + commentLength;
    }
    return {};
}

} // namespace ZipFormat
