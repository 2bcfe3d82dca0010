// The main window: the folder tree, the five pages of the current folder, the
// toolbar strip and the status bar, showing a scan session (the tree, the
// scans, the current folder), which has no widgets of its own. The commands
// live in modules (ScanCommands.h, ReportCommands.h, ...) that reach the
// window only through TWindowHost; tests find its widgets and actions by
// object name.
#pragma once

#include "models/ScanSession.h"
#include "settings/ProgramSettings.h"
#include "settings/SettingsStore.h"
#include "ui/main/WindowHost.h"

#include <QMainWindow>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QSplitter;
class QTabWidget;
class QTreeView;
class TCleanUpCommands;
class TCleanUpPage;
class TCommandRegistry;
class TFolderInfoPage;
class TLargestFilesBox;
class TNotReadyPanel;
class TPiePage;
class TSubfoldersPage;
class TWastedPage;
class TCompareCommands;
class TReportCommands;
class TScanCommands;
class TScanFileCommands;
class TStatusLine;
class TToolbarStrip;
class TViewCommands;

class TMainForm : public QMainWindow, private TSessionView, public TWindowHost {
    Q_OBJECT
public:
    // A window that starts from the default settings and keeps none (as for
    // benchmarks and tests that are not about settings).
    explicit TMainForm(QWidget* parent = nullptr);
    // A window that takes its settings from store, which must outlive it,
    // and at the end puts them back and writes it, saying why when it cannot.
    explicit TMainForm(TSettingsStore& store, QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- the session it shows --------------------------------------------
    TProgramSettings& Settings() override { return Options; }
    TScanSession& Session() override { return *TheSession; }
    const TScanSession& Session() const override { return *TheSession; }
    bool Scanning() const { return TheSession->Scanning(); }

    // ---- what the pages and the command modules ask -------------------------
    bool SelectNode(TFolderNode* node) override;
    bool SelectPath(const std::string& path) override;
    void OpenFolder(TFolderNode* node) override;
    void GoUp(bool collapse) override;
    void ShowBarChart() override;
    void ShowItemMenu(const TPieItem& item, const QPoint& pos, QWidget* control) override;
    void CleanUp(TCleanUpAction action) override;
    void SetStatusText(int panel, const QString& text) override;
    void SetStatusText(int panel, const std::string& path);
    void InvalidateList(bool refresh) override;
    bool NotReadyShown() const override;
    TSectionSizeBox* SectionSizeBox() const override { return SectionBox; }
    const TScanComparison* Comparison() const override;
    QWidget* Window() override { return this; }
    TFolderTreeModel& TreeModel() override { return *Model; }
    void ExpandInTree(const TFolderNode* node) override;
    int CurrentPage() const override { return CurPage; }
    void ShowPage(int page) override;
    void InvalidatePages(bool refresh) override;
    void InvalidatePie() override;
    void LayoutPage() override;
    void DropNodeReferences() override;
    void ApplyColors() override;
    void UpdateCommands() override;
    void ShowPart(TWindowPart part, bool on) override;
    QString ChosenDrive() const override;
    void RebuildDriveList() override;
    TBarChartBox* BarChartBox() const override { return BarChart; }
    TLargestFilesBox* LargestFilesBox() const override { return LargestBox; }
    TPiePage& Pie() override { return *PiePage; }
    const TSubfolderListModel& SubfolderList() override;
    const TCurrentFolderContents& Contents() const override { return *FolderContents; }
    bool StartComparison(std::unique_ptr<TFolderNode> earlier, TScanFileInfo info) override;
    void EndComparison() override;

    // The text of the not-ready page, which stands for the pages while the
    // current folder has no figures.
    QString NotReadyText() const;

    // ---- start-up and report runs ------------------------------------------------
    // Paths and drives to scan and select at start-up (raw bytes).
    void SetArguments(std::vector<std::string> arguments);
    // The start-up scans (chosen drives, then the arguments); run once after
    // the window is first shown.
    void StartUp();
    // A report run from the command line (see ReportRun.h). True when the
    // report was written. With "/Q" the window closes afterwards, written or
    // not, and ExitStatus says which; its messages go to standard error.
    bool RunReportCommand(const std::vector<std::string>& arguments);
    // The status the program ends with, when a report run set one.
    std::optional<int> ExitStatus() const { return RunStatus; }
    // Nobody watches the run (there is no display): a report run then ends
    // after its report as with "/Q", and the start-up ends the program
    // whatever happened on the way.
    void SetUnattended(bool unattended) { Unattended = unattended; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // ---- what the session tells --------------------------------------------
    bool RetryDrive(const std::string& root) override;
    void Inform(const QString& text) override;
    void ScanStateChanged(bool scanning) override;
    void ScanReached(const std::string& path) override;
    void CurrentChanged(bool refresh) override;
    void ProcessEvents() override;

    TMainForm(TSettingsStore* store, QWidget* parent);
    void KeepSettings();
    void CreateComponents();
    void CreateCommands();
    void ShowHint(const QString& hint);
    void SetNotReadyText();
    void FirstActivation();
    // Shows the session's current folder: tree, title, status bar, pages.
    void ShowCurrent(bool refresh);
    void ShowDriveInfo();
    bool ShowNode(const TFolderNode* node);
    void ResetView();
    void FillPage();
    void PageTabClick(int tabIndex);
    void FolderTreeContextMenu(const QPoint& pos);
    void ClustersBoxChange(int index);
    // What the pie and information pages show: PageCacheKey() when filled.
    std::string PageCacheKey() const;

    // The settings read where the program started, or a store of no file.
    TSettingsStore StoreOfNoFile;
    TSettingsStore* Store;
    TProgramSettings Options;
    std::unique_ptr<TScanSession> TheSession;
    std::unique_ptr<TCurrentFolderContents> FolderContents;
    TFolderTreeModel* Model = nullptr;
    TSectionSizeBox* SectionBox = nullptr;
    TBarChartBox* BarChart = nullptr;
    TLargestFilesBox* LargestBox = nullptr;

    TToolbarStrip* Strip = nullptr;
    QWidget* TheLeftPanel = nullptr;
    QTreeView* FolderTree = nullptr;
    QTabWidget* ThePages = nullptr;
    TStatusLine* StatusLine = nullptr;
    TNotReadyPanel* NotReady = nullptr;
    TPiePage* PiePage = nullptr;
    TFolderInfoPage* FolderInfoPage = nullptr;
    TSubfoldersPage* SubfoldersPage = nullptr;
    TWastedPage* WastedPage = nullptr;
    TCleanUpPage* CleanUpPage = nullptr;

    TCommandRegistry* Commands = nullptr;
    TScanCommands* Scans = nullptr;
    TReportCommands* Reports = nullptr;
    TScanFileCommands* ScanFiles = nullptr;
    TCleanUpCommands* CleanUps = nullptr;
    TViewCommands* View = nullptr;
    TCompareCommands* Compare = nullptr;

    bool FirstActivate = true;
    // The start-up ran: showing the window queues it, and a caller may run
    // it before the queue gets there; a second run would open every
    // argument again, replacing what the first opened.
    bool StartUpRan = false;
    bool CloseWhenScanEnds = false;
    bool SectionBoxPlaced = false;
    int CurPage = 0;
    // The drive whose figures the section window and status bar show.
    std::string ShownDrive;
    // Page caches: empty or none means stale.
    std::string PieCachePath;
    std::string InfoCachePath;
    TFolderNode* ListCacheNode = nullptr;
    bool ChangingSelection = false;
    bool ChangingPage = false;
    std::vector<std::string> Arguments;
    std::optional<int> RunStatus;
    bool Unattended = false;
};
