// The figures of the archive dialog, without a window: how far an archive or
// a restore is, as the archive component's events tell it, and what packing
// a folder gained. The dialog's bar and result lines only show them.
#pragma once

#include <cstdint>

class TArchiveProgress {
public:
    // A new run over `totalBytes` (0 or less: nothing to measure against,
    // the bar waits for the end).
    void Reset(std::int64_t totalBytes);
    // The component's three events: an entry begins, an entry is `bytes`
    // far (how far into it, not by how much it moved, so a late or merged
    // event cannot push the bar too far), and the last entry is done.
    void NewFile(std::int64_t size);
    void InFile(std::int64_t bytes);
    void EndOfBatch();

    std::int64_t BytesDone() const { return Done; }
    // The percentage to show: it only rises, and never past 100.
    int Percent() const { return Shown; }

private:
    void SetBytesDone(std::int64_t bytes);

    std::int64_t Total = 0;
    std::int64_t Done = 0;
    std::int64_t OfFinishedFiles = 0;
    std::int64_t CurrentFileSize = 0;
    int Shown = 0;
};

// What packing a folder that used `spaceUsed` into an archive of
// `archiveSize` gains; 0 when it gains nothing.
std::int64_t ArchiveGain(std::int64_t spaceUsed, std::int64_t archiveSize);
