// The archive dialog's progress and gain arithmetic.
#include "models/ArchiveProgress.h"

void TArchiveProgress::Reset(std::int64_t totalBytes) {
    Total = totalBytes;
    Done = OfFinishedFiles = CurrentFileSize = 0;
    Shown = 0;
}

void TArchiveProgress::NewFile(std::int64_t size) {
    SetBytesDone(OfFinishedFiles + CurrentFileSize);
    OfFinishedFiles = Done;
    CurrentFileSize = size;
}

void TArchiveProgress::InFile(std::int64_t bytes) {
    SetBytesDone(OfFinishedFiles + bytes);
}

void TArchiveProgress::EndOfBatch() {
    // The last entry is done too; no NewFile follows to say so.
    SetBytesDone(OfFinishedFiles + CurrentFileSize);
    OfFinishedFiles = Done;
    CurrentFileSize = 0;
}

void TArchiveProgress::SetBytesDone(std::int64_t bytes) {
    Done = bytes;
    if (Total <= 0)
        return;
    const int percent =
        static_cast<int>(static_cast<double>(bytes) * 100.0 / static_cast<double>(Total));
    if (percent > Shown && percent <= 100)
        Shown = percent;
}

std::int64_t ArchiveGain(std::int64_t spaceUsed, std::int64_t archiveSize) {
    return spaceUsed > archiveSize ? spaceUsed - archiveSize : 0;
}
