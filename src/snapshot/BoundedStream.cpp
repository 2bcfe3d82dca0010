// The per-block half of TBoundedStream: reading a block and measuring the
// strings in it.
#include "snapshot/BoundedStream.h"

#include <algorithm>
#include <cstring>

// The next block, or a '\0' that rapidjson takes for the end.
void TBoundedStream::Refill() {
    Consumed += Read;
    Read = Ended ? 0 : std::fread(Block.data(), 1, Block.size() - 1, File);
    Current = Block.data();
    Ended = Ended || Read < Block.size() - 1;
    Read = Measure(Read);
    Block[Read] = '\0';
    Last = Block.data() + (Read > 0 ? Read - 1 : 0);
    if (Read == 0)
        Ended = true;
}

// How much of the block is kept: all of it, unless a string in it grows too
// long, where the file then ends for the parser. Only the quotes are looked
// at (memchr finds them): a quote after an odd run of backslashes is part of
// a string, any other opens or closes one.
std::size_t TBoundedStream::Measure(std::size_t size) {
    const char* const begin = Block.data();
    const char* const end = begin + size;
    for (const char* at = begin;;) {
        const auto* quote = static_cast<const char*>(std::memchr(at, '"', end - at));
        if (!quote)
            break;
        std::size_t slashes = 0;
        const char* run = quote;
        while (run > begin && run[-1] == '\\')
            --run, ++slashes;
        if (run == begin)
            slashes += Slashes;
        if (slashes % 2 == 0) {
            const std::size_t offset = Consumed + static_cast<std::size_t>(quote - begin);
            if (InString && offset - Opened > LongestText + 1)
                return CutAt(size);
            InString = !InString;
            Opened = offset;
        }
        at = quote + 1;
    }
    if (InString && Consumed + size - Opened > LongestText + 1)
        return CutAt(size);
    // Backslashes at the block's end escape what begins the next one.
    std::size_t trailing = 0;
    while (trailing < size && end[-1 - static_cast<std::ptrdiff_t>(trailing)] == '\\')
        ++trailing;
    Slashes = trailing == size ? Slashes + trailing : trailing;
    return size;
}

// Ends the file for the parser where the open string becomes too long.
std::size_t TBoundedStream::CutAt(std::size_t size) {
    TooLong = Ended = true;
    const std::size_t limit = Opened + LongestText + 1;
    return limit > Consumed ? std::min(size, limit - Consumed) : 0;
}
