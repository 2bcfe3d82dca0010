// The main window: folder tree, the five pages of the selected folder, the
// toolbar strip, the status bar and every command of the program. It owns the
// tree and the scanner and is the host the scanner reports to.
#pragma once

#include "engine/FolderNode.h"
#include "engine/Scanner.h"
#include "settings/SettingsStore.h"

#include <QMainWindow>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTabWidget;
class QToolBar;
class QTreeView;
class QStatusBar;
class TFolderInfoPage;
class TFolderTreeModel;
class TPiePage;
class TSubfoldersPage;
class TWastedPage;
class TSectionSizeBox;
class TBarChartBox;
class TShExDriveComboBox;

// The item the pie's mouse or a tree right-click last pointed at.
struct TCurrentPieItem {
    std::string Path;
    TFolderNode* Node = nullptr;
    std::int64_t Size = 0;
    std::int64_t Wasted = 0;
    int SectionInfo = 0;
};

// The five content pages, in tab order after the not-ready page.
enum TPageIndex {
    PagePie = 0,
    PageFolderInfo = 1,
    PageSubfolders = 2,
    PageWasted = 3,
    PageCleanUp = 4
};

class TMainForm : public QMainWindow, public TScanHost {
    Q_OBJECT
public:
    // A window that starts from the default settings and keeps none (as for
    // benchmarks and tests that are not about settings).
    explicit TMainForm(QWidget* parent = nullptr);
    // A window that takes its settings from store, which must outlive it,
    // and at the end puts them back and writes it, saying why when it cannot.
    explicit TMainForm(TSettingsStore& store, QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- what the scanner calls -------------------------------------------
    void SetScanning(bool on) override;
    void SetStatusText(int panel, const std::string& text) override;
    TFolderNode* CurrentNode() override { return CurNode; }
    int CurrentPage() override { return CurPage; }
    void ShowPage(int page) override;
    void ProcessEvents() override;

    // ---- page machinery ------------------------------------------------------
    void SetStatusText(int panel, const QString& text);
    bool ShowNode(TFolderNode* node);
    void InvalidatePages(bool refresh);
    void InvalidatePie();
    void InvalidateList(bool refresh);
    void ResetView();
    void LayoutPage();

    // ---- scans and the tree ---------------------------------------------------
    // A drive is known by its root path; `displayName` is what its root node
    // shows.
    bool ScanNewDrive(const std::string& root, const QString& displayName, TDriveRecInfo* entry);
    void ScanOrRescanDrive(const std::string& root, const QString& displayName = {});
    void RescanDrives(const std::vector<std::string>& roots);
    void RemoveDrive(const std::string& root);
    bool SelectPath(const std::string& path);
    // Makes node the tree's current node; false when selecting it removed it.
    bool SelectNode(TFolderNode* node);
    void ShowItemMenu(const TCurrentPieItem& item, const QPoint& pos, QWidget* control);
    // Asks the user to retry while the drive at root cannot be read.
    bool DriveAccessible(const std::string& root);
    // Paths and drives to scan and select at start-up (raw bytes).
    void SetArguments(std::vector<std::string> arguments);

    // State, readable by tests and by the pages.
    bool Scanning() const { return ScanningFlag; }
    const std::vector<std::string>& ScannedDrives() const { return ScannedDriveRoots; }
    const std::string& CurrentPath() const { return CurPath; }
    const std::string& CurrentDrive() const { return CurDrive; }
    TFolderNode* CurrentRootNode() const { return CurRootNode; }
    // The current drive's cluster size, total and free bytes (-1 unknown).
    std::int32_t CurrentClusterSize() const { return CurClusterSize; }
    std::int64_t CurrentDriveTotal() const { return DriveTotal; }
    std::int64_t CurrentDriveFree() const { return DriveFree; }
    TFolderTree& Tree() { return FolderTreeData; }
    TScanner& Scanner() { return *TheScanner; }
    TSectionSizeBox* SectionSizeBox() const { return SectionBox; }
    TBarChartBox* BarChartBox() const { return BarChart; }
    QString NotReadyText() const;
    bool NotReadyShown() const;

    // Components, named as the program refers to them.
    QWidget* ToolbarSupport = nullptr;
    TShExDriveComboBox* DriveBox = nullptr;
    QToolBar* TheToolbar = nullptr;
    QComboBox* ClustersBox = nullptr;
    QWidget* TheLeftPanel = nullptr;
    QTreeView* FolderTree = nullptr;
    QSplitter* MainSplitter = nullptr;
    QWidget* TheRightPanel = nullptr;
    QTabWidget* ThePages = nullptr;
    QStatusBar* TheStatusBar = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QWidget* pageNotScanned = nullptr;
    QWidget* pagePieChart = nullptr;
    QWidget* pageFolderInfo = nullptr;
    QWidget* pageSubfolders = nullptr;
    QWidget* pageWastedSpace = nullptr;
    QWidget* pageCleanUp = nullptr;
    QWidget* panNotReady = nullptr;
    QPlainTextEdit* txtNotReady = nullptr;
    // The contents of the content pages.
    TPiePage* PiePage = nullptr;
    TFolderInfoPage* FolderInfoPage = nullptr;
    TSubfoldersPage* SubfoldersPage = nullptr;
    TWastedPage* WastedPage = nullptr;

    QMenu* mnuFile = nullptr;
    QMenu* mnuView = nullptr;
    QMenu* mnuTools = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* cmdFileScanDrives = nullptr;
    QAction* cmdFileRescan = nullptr;
    QAction* cmdFileRescanCurrentDirectory = nullptr;
    QAction* cmdFileRescanCurrentDrive = nullptr;
    QAction* cmdFileRescanAllDrives = nullptr;
    QAction* cmdFileRemove = nullptr;
    QAction* cmdFileRemoveCurrentDrive = nullptr;
    QAction* cmdFileRemoveAllDrives = nullptr;
    QAction* cmdFileMapNetworkDrive = nullptr;
    QAction* cmdFileDisconnectNetworkDrive = nullptr;
    QAction* cmdFileAbort = nullptr;
    QAction* cmdFileExportPie = nullptr;
    QAction* ToClipboard1 = nullptr;
    QAction* cmdFilePieAsMetafile = nullptr;
    QAction* cmdFilePieAsBitmap = nullptr;
    QAction* cmdFilePieToFile = nullptr;
    QAction* cmdFileReports = nullptr;
    QAction* cmdFileReportFolderInformation = nullptr;
    QAction* cmdFileReportFolderContents = nullptr;
    QAction* cmdFilePrint = nullptr;
    QAction* cmdFilePrintFolderInformation = nullptr;
    QAction* cmdFilePrintSubfolderlist = nullptr;
    QAction* cmdFileSelectFolder = nullptr;
    QAction* cmdFileRestoreCompressedFolders = nullptr;
    QAction* cmdFileExit = nullptr;
    QAction* cmdViewToolbar = nullptr;
    QAction* cmdViewStatusBar = nullptr;
    QAction* cmdViewFolderTree = nullptr;
    QAction* cmdViewPieChart = nullptr;
    QAction* cmdViewFolderInformation = nullptr;
    QAction* cmdViewSubfolders = nullptr;
    QAction* cmdViewWastedSpace = nullptr;
    QAction* cmdViewCleanUp = nullptr;
    QAction* cmdViewPieSectionSizeWindow = nullptr;
    QAction* cmdViewBarChart = nullptr;
    QAction* cmdViewPieSort = nullptr;
    QAction* cmdViewPieSortAscending = nullptr;
    QAction* cmdViewPieSortDescending = nullptr;
    QAction* cmdViewOptions = nullptr;
    QAction* cmdToolsWindowsExplorer = nullptr;
    QAction* cmdToolsFindFiles = nullptr;
    QAction* cmdToolsWindowsSystemTools = nullptr;
    QAction* cmdToolsCustomize = nullptr;
    QAction* LT1 = nullptr;
    QAction* cmdHelpHelpTopics = nullptr;
    QAction* cmdHelpVisitWebPage = nullptr;
    QAction* cmdHelpFeedback = nullptr;
    QAction* cmdHelpAbout = nullptr;
    QAction* toolScan = nullptr;
    QAction* toolRescanDir = nullptr;
    QAction* toolStop = nullptr;
    QAction* toolLevelUp = nullptr;
    QAction* toolExplore = nullptr;
    QAction* toolShowWasted = nullptr;
    QAction* toolShowFiles = nullptr;
    QAction* toolPercent = nullptr;
    QAction* toolMB = nullptr;

    // The item the pie's mouse or a tree right-click last pointed at.
    TCurrentPieItem CurrentPieItem;

    // Page fillers; each rebuilds only when its cache is stale.
    void ShowPiePage();
    void ShowFolderInfoPage();
    void FillSubfolderList();
    void ShowWastedPage();
    void ShowCleanUpPage();

public slots:
    // Command handlers, named after their components.
    void cmdFileScanDrivesClick();
    void cmdFileRescanCurrentDirectoryClick();
    void cmdFileRescanCurrentDriveClick();
    void cmdFileRescanAllDrivesClick();
    void cmdFileRemoveCurrentDriveClick();
    void cmdFileRemoveAllDrivesClick();
    void cmdFileAbortClick();
    void cmdFileSelectFolderClick();
    void cmdFileMapNetworkDriveClick();
    void cmdFileDisconnectNetworkDriveClick();
    void cmdHelpHelpTopicsClick();
    void cmdHelpAboutClick();
    void cmdViewBarChartClick();
    void toolScanClick();
    void toolLevelUpClick();
    void ClustersBoxChange(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TMainForm(TSettingsStore* store, QWidget* parent);
    void KeepSettings();
    void CreateComponents();
    void CreateCommands();
    void CreateToolbar();
    void UpdateFileMenu();
    void UpdateViewMenu();
    void ShowHint(const QString& hint);
    void SetNotReadyText();
    void ApplyViewSettings();
    void FirstActivation();
    void StartUp();
    void FolderTreeChange(TFolderNode* node, TFolderNode* previous);
    void RemoveVanishedNode(TFolderNode* node);
    void RefreshDriveInfo(const std::string& root);
    void PageTabClick(int tabIndex);
    void NotAvailableYet(const QString& what);
    void FolderTreeContextMenu(const QPoint& pos);
    QIcon NodeIcon(const TFolderNode* node, bool open) const;
    void ResizeToolbarStrip();
    void DropNodeReferences();
    void RunPendingVanishChecks();
    void ApplyColors();

    // The settings read where the program started, or a store of no file.
    TSettingsStore StoreOfNoFile;
    TSettingsStore* Store;
    TFolderTree FolderTreeData;
    std::unique_ptr<TScanner> TheScanner;
    TFolderTreeModel* Model = nullptr;
    TSectionSizeBox* SectionBox = nullptr;
    TBarChartBox* BarChart = nullptr;
    QActionGroup* PageGroup = nullptr;

    bool ScanningFlag = false;
    bool FirstActivate = true;
    bool CloseWhenScanEnds = false;
    bool HintShown = false;
    bool SectionBoxPlaced = false;
    int CurPage = 0;
    std::vector<std::string> ScannedDriveRoots;
    std::string CurPath;
    TFolderNode* CurNode = nullptr;
    TFolderNode* CurRootNode = nullptr;
    std::string CurDrive;
    std::int32_t CurClusterSize = 0;
    std::int64_t DriveTotal = -1;
    std::int64_t DriveFree = -1;
    // Page caches: empty or none means stale.
    std::string PieCachePath;
    std::string InfoCachePath;
    TFolderNode* ListCacheNode = nullptr;
    bool ChangingSelection = false;
    bool ChangingPage = false;
    // Panel 0's own text, shown again when a hint goes away.
    QString Panel0Text;
    // Paths found gone while a scan ran; the tree is repaired when it ends,
    // since the running scan may still hold nodes below them.
    std::vector<std::string> PendingVanishChecks;
    std::vector<std::string> Arguments;

    friend class TMainFormTestAccess;
};
