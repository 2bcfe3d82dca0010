// The window's side of the session: showing the current folder (tree,
// title, status bar, the section window) and the five pages, each filled
// only when its cache is stale.
#include "ui/main/MainForm.h"

#include "engine/Formatting.h"
#include "engine/PieArithmetic.h"
#include "engine/ScopeExit.h"
#include "engine/VolumeInfo.h"
#include "models/FolderTreeModel.h"
#include "settings/ColorTable.h"
#include "settings/ConfigKeys.h"
#include "settings/ProgramSettings.h"
#include "settings/SettingsStore.h"
#include "shell/DriveLists.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "ui/charts/SectionSizeBox.h"
#include "ui/main/CleanUpPage.h"
#include "ui/main/FolderInfoPage.h"
#include "ui/main/LargestFilesBox.h"
#include "ui/main/NotReadyPanel.h"
#include "ui/main/PiePage.h"
#include "ui/main/Strings.h"
#include "ui/main/SubfoldersPage.h"
#include "ui/main/ToolbarStrip.h"
#include "ui/main/WastedPage.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

// ---- what the session tells ---------------------------------------------------------

bool TMainForm::RetryDrive(const std::string& root) {
    return TMessageBox::Show(
               this, TMessageKind::Error, Strings::ProductName(),
               DisplayPath(root) + tr(" is not accessible. The drive door may not be closed or the "
                                      "network connection may be down. Please try to correct this "
                                      "error and retry."),
               QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry) == QMessageBox::Retry;
}

void TMainForm::Inform(const QString& text) {
    TMessageBox::Information(this, Strings::ProductName(), text);
}

void TMainForm::ProcessEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TMainForm::ScanReached(const std::string& path) {
    SetStatusText(0, path);
}

void TMainForm::ScanStateChanged(bool on) {
    UpdateCommands();
    // The not-ready text depends on whether a scan runs.
    if (NotReadyShown())
        SetNotReadyText();
    if (on)
        return;
    SetStatusText(0, Strings::Done());
    if (CloseWhenScanEnds)
        QTimer::singleShot(0, this, [this] {
            if (!Scanning())
                close();
        });
}

void TMainForm::CurrentChanged(bool refresh) {
    ShowCurrent(refresh);
}

void TMainForm::ShowCurrent(bool refresh) {
    if (refresh)
        InvalidatePages(false);
    if (LargestBox)
        LargestBox->FollowCurrent(refresh);
    TFolderNode* node = CurrentNode();
    if (!node) {
        if (TheSession->ScannedDrives().empty())
            ResetView();
        else
            ShowNode(nullptr);
        UpdateCommands();
        return;
    }
    // The tree follows the session; the user's own clicks go the other way.
    {
        TFlagScope changing(ChangingSelection);
        const QModelIndex index = Model->Reveal(node);
        if (index.isValid() && FolderTree->currentIndex() != index) {
            FolderTree->scrollTo(index);
            FolderTree->setCurrentIndex(index);
        }
    }
    const std::string& path = CurrentPath();
    setWindowTitle(Strings::DefaultCaption() + QStringLiteral(" - ") + DisplayPath(path));
    // A drive that does not answer keeps its folders in the tree, as scanned.
    SetStatusText(0, Session().CurrentNotAnswering()
                         ? tr("%1 is not answering; showing the figures of the last scan")
                               .arg(DisplayPath(CurrentDrive()))
                         : DisplayPath(path));
    if (ShownDrive != CurrentDrive() || !node->Parent)
        ShowDriveInfo();
    const bool ready = ShowNode(node);
    UpdateCommands();
    if (!ready)
        return;
    if (!node->Parent && CurPage == PageCleanUp)
        CurPage = PagePie;
    const std::int64_t wasted = ShownTreeWasted(*node->Data, WhatIf());
    SectionBox->SetWasted(PercentOf(node->Data->TreeSize, wasted), FormatSize(wasted));
    ShowPage(CurPage);
}

void TMainForm::ShowDriveInfo() {
    const TScanSession& s = Session();
    ShownDrive = s.CurrentDrive();
    const std::int64_t total = s.CurrentDriveTotal();
    const std::int64_t free = s.CurrentDriveFree();
    const bool known = total >= 0 && free >= 0;
    if (IsOpenedScan(CurrentNode()))
        SectionBox->SetScanFile(DisplayPath(ShownDrive));
    else
        SectionBox->SetDrive(DisplayPath(ShownDrive), known ? PercentOf(total, free) : -1,
                             known ? FormatSize(free) : QString(),
                             known ? FormatSize(total) : QString());
    const QString fs = QString::fromStdString(s.CurrentFileSystem());
    const std::int32_t cluster = s.CurrentClusterSize();
    if (cluster <= 0)
        SetStatusText(1, tr("? Cluster (%1)").arg(fs));
    else if (cluster < 1024)
        SetStatusText(1, tr("%1 Cluster (%2)").arg(FormatSize32(cluster), fs));
    else
        SetStatusText(1, tr("%1K Cluster (%2)").arg(cluster / 1024).arg(fs));
    Strip->Drives().SetDrive(QFile::decodeName(ShownDrive.c_str()));
}

// ---- page machinery ---------------------------------------------------------

bool TMainForm::NotReadyShown() const {
    return ThePages->isTabVisible(0);
}

QString TMainForm::NotReadyText() const {
    return NotReady->Text();
}

void TMainForm::SetNotReadyText() {
    QString text;
    const TFolderNode* current = CurrentNode();
    if (TheSession->ScannedDrives().empty()) {
        ThePages->setTabText(0, Strings::NoScannedItems());
        text = Strings::NoDrivesScanned();
    } else {
        ThePages->setTabText(0, Strings::FolderNotScanned());
        const QString word = !current ? tr("item") : current->Parent ? tr("folder") : tr("drive");
        text = (Scanning() ? Strings::ScanNotFinished() : Strings::ScanInterrupted()).arg(word);
    }
    NotReady->SetText(text);
}

bool TMainForm::ShowNode(const TFolderNode* node) {
    TFlagScope changing(ChangingPage);
    if (node && node->Data) {
        for (int i = 1; i <= 5; ++i)
            ThePages->setTabVisible(i, i != PageCleanUp + 1 || CanCleanUp(node));
        if (CurPage == PageCleanUp && !CanCleanUp(node))
            CurPage = PagePie;
        ThePages->setCurrentIndex(CurPage + 1);
        ThePages->setTabVisible(0, false);
        return true;
    }
    if (SectionBox)
        SectionBox->hide();
    NotReady->SetColor(ResolveColor(Settings().Colors[ciNotScannedPanel]));
    ThePages->setTabVisible(0, true);
    ThePages->setCurrentIndex(0);
    for (int i = 1; i <= 5; ++i)
        ThePages->setTabVisible(i, false);
    SetNotReadyText();
    return false;
}

void TMainForm::ShowPage(int page) {
    CurPage = page;
    if (!ShowNode(CurrentNode()))
        return;
    // The page's mark in the View menu follows.
    UpdateCommands();
    FillPage();
}

void TMainForm::PageTabClick(int tabIndex) {
    if (ChangingPage || NotReadyShown() || tabIndex < 1)
        return;
    QWidget* page = ThePages->widget(tabIndex);
    page->setUpdatesEnabled(false);
    TScopeExit enable([page] { page->setUpdatesEnabled(true); });
    ShowPage(tabIndex - 1);
}

void TMainForm::DropNodeReferences() {
    PiePage->Clear();
    PieCachePath.clear();
    InfoCachePath.clear();
    ListCacheNode = nullptr;
}

void TMainForm::InvalidatePages(bool refresh) {
    PieCachePath.clear();
    InfoCachePath.clear();
    ListCacheNode = nullptr;
    if (refresh)
        ShowPage(CurPage);
}

void TMainForm::InvalidatePie() {
    PieCachePath.clear();
    if (CurPage == PagePie)
        ShowPage(PagePie);
}

void TMainForm::InvalidateList(bool refresh) {
    ListCacheNode = nullptr;
    if (refresh)
        ShowPage(CurPage);
}

void TMainForm::ResetView() {
    ShowNode(nullptr);
    setWindowTitle(Strings::DefaultCaption());
    SetStatusText(0, QString());
    SetStatusText(1, QString());
    if (TheSession->ScannedDrives().empty())
        SetNotReadyText();
    UpdateCommands();
}

void TMainForm::LayoutPage() {
    switch (CurPage) {
    case PagePie:
        PiePage->Layout();
        break;
    case PageFolderInfo:
        FolderInfoPage->Layout();
        break;
    case PageSubfolders:
        SubfoldersPage->Layout();
        break;
    case PageWasted:
        WastedPage->Layout();
        break;
    default:
        break;
    }
    // The section size window belongs to the pie page.
    if (!SectionBox)
        return;
    const bool wanted = CurPage == PagePie && CurrentNode() && CurrentNode()->Data &&
                        Settings().PieSectionSizeWindow.Value && isVisible();
    if (wanted && !SectionBox->isVisible()) {
        // Never placed by the user: just right of the window, where it
        // covers nothing, when the screen has room; else where the window
        // manager puts it.
        if (!SectionBoxPlaced && Store->Int(Keys::PopUpBoxLeft) == AbsentValue && screen()) {
            const QRect free = screen()->availableGeometry();
            const QRect frame = frameGeometry();
            const QPoint spot(frame.right() + 8, frame.top() + 80);
            if (free.contains(QRect(spot, SectionBox->frameGeometry().size())))
                SectionBox->move(spot);
        }
        SectionBoxPlaced = true;
        SectionBox->show();
    } else if (!wanted && SectionBox->isVisible())
        SectionBox->hide();
}

std::string TMainForm::PageCacheKey() const {
    // The drive too: an opened scan file shows the same paths as the drive
    // it was made of.
    return CurrentDrive() + '\n' + CurrentPath();
}

const TSubfolderListModel& TMainForm::SubfolderList() {
    if (ListCacheNode != CurrentNode()) {
        SubfoldersPage->Fill();
        ListCacheNode = CurrentNode();
    }
    return SubfoldersPage->List();
}

void TMainForm::FillPage() {
    LayoutPage();
    switch (CurPage) {
    case PagePie:
        if (PieCachePath == PageCacheKey())
            return;
        PiePage->Fill();
        PieCachePath = PageCacheKey();
        break;
    case PageFolderInfo:
        if (InfoCachePath == PageCacheKey())
            return;
        FolderInfoPage->Fill();
        InfoCachePath = PageCacheKey();
        break;
    case PageSubfolders:
        SubfolderList();
        break;
    case PageWasted:
        WastedPage->Fill();
        break;
    case PageCleanUp:
        CleanUpPage->Fill();
        break;
    default:
        break;
    }
}
