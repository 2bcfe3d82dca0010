// One scan: reader threads that list folders and the owner (the thread that
// started the scan) that builds the tree from their results. Only the
// scanner uses it.
#pragma once

#include "engine/ScanOutput.h"
#include "engine/Scanner.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

class TScanRun {
public:
    static std::shared_ptr<TScanRun>
    Create(TFolderTree& tree, TScanHost& host, std::shared_ptr<TFolderLister> lister,
           std::shared_ptr<TScanProgress> counters, int maxReaders, std::int32_t clusterSize,
           std::chrono::milliseconds answerLimit, TScanner::TFolderHook hook, void* hookContext,
           std::shared_ptr<TScanOutput> output = nullptr, bool keepFiles = false);
    virtual ~TScanRun() = default;

    // Scans path into node, running the host's events meanwhile; returns
    // when the scan has ended (or was given up after an abort).
    virtual void Run(const std::string& path, TFolderNode* node) = 0;
    // Stops the readers when the owner leaves by an exception: waits a little
    // for them, and gives up on those that are stuck.
    virtual void Stop() noexcept = 0;

    // The readers' abort flag. It belongs to the run, so a reader left behind
    // in the file system can still read it after the scanner is gone.
    std::atomic<bool> Abort{false};
};
