// The base of the window tests: a main window and a drive of its own (a
// tmpfs mounted on a temporary folder), with message boxes answered by a
// script, and helpers to find and select the drive's folders.
#pragma once

#include "TestMounts.h"
#include "common/TempTree.h"
#include "engine/FolderNode.h"
#include "settings/MessageBox.h"
#include "settings/SettingsStore.h"
#include "ui/main/MainForm.h"

#include <QApplication>
#include <QFile>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>

class TWindowTest : public ::testing::Test {
protected:
    // Mounts the drive at Root; false (with DriveMount.Error()) where the
    // test may not mount, and the caller skips.
    bool MountDrive(const char* options = "size=64m") {
        // Every test starts from no settings at all: an earlier test in the
        // same run may have left a maximised window or other lists behind.
        QFile::remove(SettingsFilePath());
        AbortScan = false;
        WhatIfIndex = 0;
        Root = Temp.Path("drive");
        Temp.MakeDir("drive");
        return DriveMount.MountTmpfs(Root, options);
    }

    void TearDown() override {
        Form.reset();
        WhatIfIndex = 0;
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
    TTestMount DriveMount;
    TMessageBoxScript Boxes;
    // Settings a test hands its window; they outlive it.
    TSettingsStore Store;
    std::unique_ptr<TMainForm> Form;
};
