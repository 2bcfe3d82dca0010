// The fixture of the main window's tests: a window on a drive of its own (a
// plain temporary folder) holding a few files and folders. Shared by the
// files of the window's tests, so they make one test suite.
#pragma once

#include "WindowTest.h"

#include <string>
#include <vector>

class MainFormTest : public TWindowTest {
protected:
    void SetUp() override {
        MakeDrive();
        Temp.MakeFile("drive/a.txt", 1);
        Temp.MakeFile("drive/Temp/big", 4096);
        Temp.MakeFile("drive/Temp/Sub/deep", 100);
        Temp.MakeFile("drive/Other/x", 5000);
        MakeForm();
    }

    std::string Drive() const { return Root; }

    // The window's current node is none or a node still in the tree, and the
    // File menu (which reads it) opens.
    bool CheckedCurrent() {
        TFolderNode* current = Form->CurrentNode();
        bool found = current == nullptr;
        std::vector<TFolderNode*> pending;
        for (const auto& root : Form->Session().Tree().Roots())
            pending.push_back(root.get());
        while (!pending.empty() && !found) {
            TFolderNode* n = pending.back();
            pending.pop_back();
            found = n == current;
            for (const auto& c : n->Children)
                pending.push_back(c.get());
        }
        emit Menu("mnuFile")->aboutToShow();
        return found;
    }
};
