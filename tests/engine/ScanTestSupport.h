// Helpers shared by the scanner tests: a host that records what the scanner
// told it, and checks of the tree's arithmetic.
#pragma once

#include "engine/FolderNode.h"
#include "engine/Scanner.h"

#include <functional>
#include <string>
#include <vector>

class TTestHost : public TScanHost {
public:
    void ScanStateChanged(bool on) override { ScanningCalls.push_back(on); }
    void ScanReached(const TFolderNode& node) override { Reached.push_back(NodePath(&node)); }
    void FolderFinished(TFolderNode& node) override {
        Finished.push_back(&node);
        FinishedWithRecord.push_back(node.Data != nullptr);
    }
    void ProcessEvents() override {
        ++EventTurns;
        if (OnEvents)
            OnEvents(EventTurns);
    }

    std::vector<bool> ScanningCalls;
    std::vector<std::string> Reached;
    std::vector<TFolderNode*> Finished;
    std::vector<bool> FinishedWithRecord;
    int EventTurns = 0;
    std::function<void(int)> OnEvents;
};

// Every finished record whose children are all finished is the exact sum of
// its own figures and its children's; reports the first node that is not.
// Returns an empty string when the whole tree holds.
std::string CheckSums(const TFolderNode* node);

// One line per node (path, scanned or not, every figure), sorted by path, so
// two trees can be compared as text.
std::string DumpTree(const TFolderNode* root);

// Finds a node by a "/"-separated path relative to root, case-sensitively.
TFolderNode* Find(TFolderNode* root, const std::string& relative);
