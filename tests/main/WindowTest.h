// The base of the window tests: a main window and a drive of its own (a plain
// temporary folder that the window's session takes for a drive, so no test
// needs mount rights), with message boxes answered by a script, and helpers
// to find and select the drive's folders.
#pragma once

#include "common/TempTree.h"
#include "engine/FolderNode.h"
#include "platform/Mounts.h"
#include "shell/MessageBox.h"
#include "settings/SettingsStore.h"
#include "ui/main/MainForm.h"

#include <QApplication>
#include <QFile>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class TWindowTest : public ::testing::Test {
protected:
    // Makes the drive at Root, a plain folder.
    void MakeDrive() {
        // Every test starts from no settings at all: an earlier test in the
        // same run may have left a maximised window or other lists behind.
        QFile::remove(SettingsFilePath());
        Root = Temp.Path("drive");
        Temp.MakeDir("drive");
        Drives = {Root};
    }

    // The window, with the test's settings, whose session takes each folder
    // of Drives for a drive.
    void MakeForm() {
        Form = std::make_unique<TMainForm>(Store);
        Form->Session().SetDriveResolver([this](const std::string& path) {
            for (const std::string& root : Drives)
                if (path == root || path.rfind(root + "/", 0) == 0)
                    return root;
            return Platform::DriveRootOf(path);
        });
    }

    void TearDown() override {
        Form.reset();
        // Windows a test opened (help, properties) must not lie over the
        // next test's window and take its mouse.
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible())
                window->close();
    }

    // The node of a folder of the drive ("" for its root), or none.
    TFolderNode* Node(const std::string& relative) {
        TDriveRecInfo* drive = Form->Tree().FindDriveRec(Root);
        if (!drive || !drive->RootNode)
            return nullptr;
        return relative.empty() ? drive->RootNode : FindNodeByPath(drive->RootNode, relative, true);
    }

    void Select(const std::string& relative) {
        ASSERT_TRUE(Form->SelectPath(relative.empty() ? Root : Root + "/" + relative));
    }

    TTempTree Temp;
    std::string Root;
    std::vector<std::string> Drives;
    TMessageBoxScript Boxes;
    // Settings a test hands its window; they outlive it.
    TSettingsStore Store;
    std::unique_ptr<TMainForm> Form;
};
