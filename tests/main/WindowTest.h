// The base of the window tests: a main window and a drive of its own (a plain
// temporary folder that the window's session takes for a drive, so no test
// needs mount rights), with message boxes answered by a script, and helpers
// to find and select the drive's folders.
#pragma once

#include "common/TempTree.h"
#include "engine/FolderNode.h"
#include "models/FolderTreeModel.h"
#include "platform/Mounts.h"
#include "settings/SettingsStore.h"
#include "shell/MessageBox.h"
#include "ui/main/CompareCommands.h"
#include "ui/main/MainForm.h"
#include "ui/main/ReportCommands.h"
#include "ui/main/ScanFileCommands.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
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

    // The window's parts as the user meets them: actions, menus and widgets
    // by object name; pages and command modules by their class.
    QAction* Action(const char* name) const {
        auto* action = Form->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << "no action " << name;
        return action;
    }
    QMenu* Menu(const char* name) const { return Widget<QMenu>(name); }
    template <class T> T* Widget(const char* name) const {
        auto* widget = Form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << "no widget " << name;
        return widget;
    }
    QTreeView* FolderTree() const { return Widget<QTreeView>("FolderTree"); }
    template <class T> T& Part() const {
        auto* part = Form->findChild<T*>();
        if (!part)
            throw std::logic_error("the window has no such part");
        return *part;
    }

    // The node of a folder of the drive ("" for its root), or none.
    TFolderNode* Node(const std::string& relative) {
        TDriveRecInfo* drive = Form->Session().Tree().FindDriveRec(Root);
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
