// The record a running move keeps of its partial copy, so that a move ended
// by a crash or a kill has its copy removed by the next one. One small file
// per move in the state folder, locked by its move for as long as it runs:
// a record nobody holds a lock on belongs to a move that is gone.
#pragma once

#include "platform/DirReader.h"
#include "platform/TreeCopy.h"

#include "platform/Result.h"

#include <string>

// $XDG_STATE_HOME/quillmere/moves, else ~/.local/state/quillmere/moves.
std::string MoveJournalFolder();

class TMoveJournalEntry {
public:
    TMoveJournalEntry() = default;
    ~TMoveJournalEntry(); // releases the lock; the file stays unless Remove ran
    TMoveJournalEntry(const TMoveJournalEntry&) = delete;
    TMoveJournalEntry& operator=(const TMoveJournalEntry&) = delete;

    // Writes the record (a new file the first time, replacing it after) and
    // flushes it to disk. The failure's text is the whole sentence for the
    // user, naming the folder of the records.
    TStatus Write(const Platform::TCopyRecord& record);
    void Remove();

private:
    Platform::TFd Fd; // holds the lock
    std::string Path;
};

// Reads the records of moves that are gone and removes their copies; a
// record is dropped once its copy is gone. Returns how many copies went.
int RemoveLeftoverCopies();
