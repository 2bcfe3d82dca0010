// The scan file as the JSON parser reads it, ending where a string grows
// longer than the longest name could be written (6 bytes a byte, as \u00XX):
// the parser gathers a string whole before handing it over, so a string of a
// gigabyte would be held several times over before anyone could refuse it.
// Strings are measured once per block read, in a loop of their own, so the
// parser's reading of each byte stays as plain as rapidjson's own file
// stream: Peek and Take are inline and touch one pointer.
#pragma once

#include "snapshot/ScanFile.h"

#include <cstddef>
#include <cstdio>
#include <vector>

class TBoundedStream {
public:
    using Ch = char;
    static constexpr std::size_t LongestText = 6 * LongestScanFileName + 16;

    TBoundedStream(std::FILE* file, std::size_t blockSize) : File(file), Block(blockSize + 1) {
        Refill();
    }
    Ch Peek() const { return *Current; }
    Ch Take() {
        const Ch c = *Current;
        if (Current < Last)
            ++Current;
        else
            Refill();
        return c;
    }
    std::size_t Tell() const { return Consumed + static_cast<std::size_t>(Current - Block.data()); }
    // Reading only.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    std::size_t PutEnd(Ch*) { return 0; }

    // Set once a string was too long: the file ended there for the parser.
    bool TooLong = false;

private:
    void Refill();
    std::size_t Measure(std::size_t size);
    std::size_t CutAt(std::size_t size);

    std::FILE* File;
    std::vector<char> Block;
    char* Current = nullptr;
    char* Last = nullptr;
    std::size_t Read = 0;
    std::size_t Consumed = 0;
    bool Ended = false;
    bool InString = false;
    std::size_t Opened = 0;  // offset in the file of the open string's quote
    std::size_t Slashes = 0; // backslashes that ended the block before
};
