// The few facts of the ZIP format (APPNOTE.TXT) that the archive component
// needs beyond libarchive: where the central directory is and how to clear
// the UTF-8 mark of a name in place.
#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

namespace ZipFormat {

// Record signatures ("PK" and two bytes), as read little-endian.
inline constexpr std::uint32_t LocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t CentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t EndOfCentralDirSignature = 0x06054b50;
inline constexpr std::uint32_t Zip64EndOfCentralDirSignature = 0x06064b50;
inline constexpr std::uint32_t Zip64LocatorSignature = 0x07064b50;

// The end-of-central-directory record: its fixed size, where it keeps the
// directory's size and offset, and the longest comment that may follow it.
inline constexpr std::size_t EndOfCentralDirSize = 22;
inline constexpr std::size_t EndCentralDirSizeAt = 12;
inline constexpr std::size_t EndCentralDirOffsetAt = 16;
inline constexpr std::size_t MaxCommentSize = 0xFFFF;

// The Zip64 locator, just before that record, and the Zip64 record it points to.
inline constexpr std::size_t Zip64LocatorSize = 20;
inline constexpr std::size_t Zip64LocatorRecordOffsetAt = 8;
inline constexpr std::size_t Zip64EndOfCentralDirSize = 56;
inline constexpr std::size_t Zip64CentralDirSizeAt = 40;
inline constexpr std::size_t Zip64CentralDirOffsetAt = 48;

// A central directory header: fixed part, then name, extra field, comment.
inline constexpr std::size_t CentralHeaderSize = 46;
inline constexpr std::size_t CentralFlagsAt = 8;
inline constexpr std::size_t CentralCompressedSizeAt = 20;
inline constexpr std::size_t CentralSizeAt = 24;
inline constexpr std::size_t CentralNameLengthAt = 28;
inline constexpr std::size_t CentralExtraLengthAt = 30;
inline constexpr std::size_t CentralCommentLengthAt = 32;
inline constexpr std::size_t CentralLocalHeaderOffsetAt = 42;

// A local header's general-purpose flags follow its signature and version.
inline constexpr std::size_t LocalFlagsAt = 6;

// General-purpose flag bit 11: the name and comment are UTF-8.
inline constexpr std::uint16_t Utf8NameFlag = 1u << 11;

// A 32-bit field holding this value has its true value in the Zip64 extra
// field, whose header id is 1 and which holds, in this order, the size, the
// compressed size and the local header's offset, each only when its 32-bit
// field overflowed.
inline constexpr std::uint32_t Zip64Overflow = 0xFFFFFFFF;
inline constexpr std::uint16_t Zip64ExtraId = 0x0001;

// Clears the UTF-8 mark of the entries named, in the central directory and
// in their local headers, of the ZIP archive open for reading and writing
// at fd, so that readers take the names' bytes as they are. No checksum
// covers the flags. A file that is not such an archive is a failure.
TStatus ClearUtf8Marks(int fd, const std::set<std::string>& names);

} // namespace ZipFormat
