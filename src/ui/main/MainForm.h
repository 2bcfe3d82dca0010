// The main window: folder tree, the five pages of the current folder, the
// toolbar strip, the status bar and the commands. It shows a scan session
// (the tree, the scans, the current folder), which has no widgets of its own.
#pragma once

#include "cleanup/ToolsList.h"
#include "engine/FolderNode.h"
#include "engine/Scanner.h"
#include "models/FolderTreeModel.h"
#include "models/PieContent.h"
#include "models/ScanSession.h"
#include "settings/ProgramSettings.h"
#include "settings/SettingsStore.h"
#include "snapshot/Comparison.h"
#include "ui/main/PageHost.h"

#include <QMainWindow>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QSplitter;
class QTabWidget;
class QToolBar;
struct TLoadedScan;
class QTreeView;
class QStatusBar;
class TFolderInfoPage;
class TPiePage;
class TSubfoldersPage;
class TWastedPage;
class THPieChart;
struct TFolderReport;
struct TPieTarget;
class TCleanUpPage;
class TSectionSizeBox;
class TBarChartBox;
class TShExDriveComboBox;

// The five content pages, in tab order after the not-ready page.
enum TPageIndex {
    PagePie = 0,
    PageFolderInfo = 1,
    PageSubfolders = 2,
    PageWasted = 3,
    PageCleanUp = 4
};

// A new file (raw-byte path) of `bytes`, written on a thread of its own while
// the window keeps painting; throws when it fails or its drive stops
// answering.
void WriteFileAnswering(const std::string& path, const QByteArray& bytes);

// Where save dialogs open before the user has saved anything: the
// documents folder, else the home folder.
QString DefaultSaveFolder();

// The name of an exported picture: the chosen name with the extension of
// filter `filter` of the export dialog in place of its own.
QString PieExportName(const QString& chosen, int filter);

class TMainForm : public QMainWindow, private TSessionView, public TPageHost {
    Q_OBJECT
public:
    // A window that starts from the default settings and keeps none (as for
    // benchmarks and tests that are not about settings).
    explicit TMainForm(QWidget* parent = nullptr);
    // A window that takes its settings from store, which must outlive it,
    // and at the end puts them back and writes it, saying why when it cannot.
    explicit TMainForm(TSettingsStore& store, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The program's settings, read from the store when the window was made.
    TProgramSettings& Settings() override { return Options; }

    // ---- the session it shows --------------------------------------------
    TScanSession& Session() { return *TheSession; }
    const TScanSession& Session() const override { return *TheSession; }
    TFolderTree& Tree() { return TheSession->Tree(); }
    TScanner& Scanner() { return TheSession->Scanner(); }
    bool Scanning() const { return TheSession->Scanning(); }
    const std::vector<std::string>& ScannedDrives() const { return TheSession->ScannedDrives(); }
    std::int64_t CurrentDriveFree() const { return TheSession->CurrentDriveFree(); }
    int CurrentPage() const { return CurPage; }

    // ---- what the pages ask -----------------------------------------------
    bool SelectNode(TFolderNode* node) override;
    bool SelectPath(const std::string& path) override;
    void OpenFolder(TFolderNode* node) override;
    void GoUp(bool collapse) override;
    void ShowBarChart() override;
    // The context menu of a folder or file of the current folder (a pie
    // item, a subfolder row, a tree node), and the tree's repair after it.
    void ShowItemMenu(const TPieItem& item, const QPoint& pos, QWidget* control) override;
    void CleanUp(TCleanUpAction action) override;
    void SetStatusText(int panel, const QString& text) override;
    void InvalidateList(bool refresh) override;
    bool NotReadyShown() const override;
    TSectionSizeBox* SectionSizeBox() const override { return SectionBox; }
    const TScanComparison* Comparison() const override { return ActiveComparison.get(); }

    // ---- comparison with an earlier scan ---------------------------------------
    // Compares the current folder with `earlier`, the root of an earlier scan
    // of the same folder (wherever it was made), until EndComparison, a
    // rescan of the folder or its removal. False, after saying why, when the
    // current folder has no figures to compare.
    bool StartComparison(std::unique_ptr<TFolderNode> earlier, TScanFileInfo info);
    void EndComparison();
    // Shows a scan file as a top-level node of its own (asking at which
    // cluster size its wasted space is worked out, with askClusterSize).
    bool OpenScanFile(const std::string& file, bool askClusterSize);
    // What "View > Compare with Scan File..." runs: chooses and reads the
    // file, then calls StartComparison. While there is none the command is
    // disabled.
    void SetEarlierScanLoader(std::function<void()> loader);

    // ---- page machinery ------------------------------------------------------
    void SetStatusText(int panel, const std::string& text);
    void ShowPage(int page);
    void InvalidatePages(bool refresh);
    void InvalidatePie();
    void LayoutPage();
    QString NotReadyText() const;
    TBarChartBox* BarChartBox() const { return BarChart; }

    // ---- reports ----------------------------------------------------------------
    // The current folder's information report to a new file (raw-byte path),
    // followed by its subfolder list. False when it failed, after saying so.
    bool SaveFolderReport(const std::string& path);
    // The subfolder list as the page shows it, in `format` 0 (comma
    // separated), 1 (tab separated) or 2 (aligned text).
    bool SaveSubfolderList(const std::string& path, int format);
    // The information report on portrait pages, then the subfolder list
    // across landscape pages as a second job.
    bool PrintFolderInformation(QPrinter& printer);
    bool PrintSubfolderList(QPrinter& printer);

    // ---- scans ------------------------------------------------------------------
    // A drive is known by its root path; `displayName` is what its root node
    // shows.
    bool ScanNewDrive(const std::string& root, const QString& displayName, TDriveRecInfo* entry);
    void ScanOrRescanDrive(const std::string& root, const QString& displayName = {});
    // Asks the user to retry while the drive at root cannot be read.
    bool DriveAccessible(const std::string& root) { return TheSession->DriveAccessible(root); }
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
    TCleanUpPage* CleanUpPage = nullptr;

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
    QAction* cmdFileOpenScanFile = nullptr;
    QAction* cmdFileExportScan = nullptr;
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
    QAction* cmdViewCompareWithScanFile = nullptr;
    QAction* cmdViewWhatGrew = nullptr;
    QAction* cmdViewEndComparison = nullptr;
    QAction* cmdViewUnreadableFolders = nullptr;
    QAction* cmdToolsWindowsExplorer = nullptr;
    QAction* cmdToolsFindFiles = nullptr;
    QAction* cmdToolsWindowsSystemTools = nullptr;
    QAction* cmdToolsCustomize = nullptr;
    // The separator above the user's own tools in the Tools menu; hidden
    // while there are none.
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
    // The clean-up page's four commands, reached by their short-cuts.
    QAction* cmdCleanUpArchive = nullptr;
    QAction* cmdCleanUpMove = nullptr;
    QAction* cmdCleanUpTrash = nullptr;
    QAction* cmdCleanUpDelete = nullptr;

public slots:
    // Command handlers, named after their components.
    void cmdFileScanDrivesClick();
    void cmdFileRescanCurrentDirectoryClick();
    void cmdFileRescanCurrentDriveClick();
    void cmdFileRescanAllDrivesClick();
    void cmdFileRemoveCurrentDriveClick();
    void cmdFileRemoveAllDrivesClick();
    void cmdFileAbortClick();
    void cmdFileReportFolderInformationClick();
    void cmdFileReportFolderContentsClick();
    void cmdFilePrintFolderInformationClick();
    void cmdFilePrintSubfolderlistClick();
    void cmdFilePieAsMetafileClick();
    void cmdFilePieAsBitmapClick();
    void cmdFilePieToFileClick();
    void cmdFileSelectFolderClick();
    void cmdFileOpenScanFileClick();
    void cmdFileExportScanClick();
    void cmdFileMapNetworkDriveClick();
    void cmdFileDisconnectNetworkDriveClick();
    void cmdHelpHelpTopicsClick();
    void cmdHelpAboutClick();
    void cmdToolsCustomizeClick();
    void cmdFileRestoreCompressedFoldersClick();
    // Root paths of the scanned drives, as text.
    QStringList ScannedDriveList() const;
    void cmdViewBarChartClick();
    void toolScanClick();
    void toolLevelUpClick();
    void toolExploreClick();
    void cmdToolsWindowsExplorerClick();
    void cmdToolsWindowsSystemToolsClick();
    void cmdToolsFindFilesClick();
    void cmdHelpVisitWebPageClick();
    void cmdHelpFeedbackClick();
    // Opens a web address kept in the options; with none, the help's
    // support topic.
    void OpenWebAddress(const QString& address);
    void cmdFileExitClick();
    void cmdViewToolbarClick(bool on);
    void cmdViewStatusBarClick(bool on);
    void cmdViewFolderTreeClick(bool on);
    void cmdViewPieSectionSizeWindowClick(bool on);
    void cmdViewPieSortAscendingClick();
    void cmdViewPieSortDescendingClick();
    void cmdViewOptionsClick();
    void cmdViewCompareWithScanFileClick();
    void cmdViewWhatGrewClick();
    void cmdViewEndComparisonClick();
    void cmdViewUnreadableFoldersClick();
    void toolShowWastedClick(bool on);
    void toolShowFilesClick(bool on);
    void toolPercentClick(bool on);
    void toolMBClick(bool on);
    void ClustersBoxChange(int index);
    void cmdCleanUpArchiveClick();
    void cmdCleanUpMoveClick();
    void cmdCleanUpTrashClick();
    void cmdCleanUpDeleteClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
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
    // Builds the menus and the toolbar from the command table.
    void BuildCommands();
    // Enables each command by its rule.
    void UpdateCommands();
    void ShowHint(const QString& hint);
    void SetNotReadyText();
    void ApplyViewSettings();
    void FirstActivation();
    // Shows the session's current folder: tree, title, status bar, pages.
    void ShowCurrent(bool refresh);
    void ShowDriveInfo();
    bool ShowNode(const TFolderNode* node);
    // Reads a scan file under a progress box with Stop; clusterSize 0 takes
    // the one the file implies (or asks, with askClusterSize). False when it
    // could not be read (the user was told) or the user stopped.
    bool LoadScanFile(const std::string& file, std::int32_t clusterSize, bool askClusterSize,
                      TLoadedScan& loaded);
    // "Compare with Scan File...": chooses and reads the earlier scan.
    void CompareWithScanFile();
    // Whether the clean-up commands may act on node.
    static bool CanCleanUp(const TFolderNode* node);
    void ResetView();
    void ShowPiePage();
    void ShowFolderInfoPage();
    void FillSubfolderList();
    void ShowWastedPage();
    void ShowCleanUpPage();
    void PageTabClick(int tabIndex);
    void FolderTreeContextMenu(const QPoint& pos);
    QIcon NodeIcon(TFolderTreeModel::TNodeKind kind, bool open) const;
    void ResizeToolbarStrip();
    void DropNodeReferences();
    void ApplyColors();
    // Shows the pages one after the other, so each is filled for the
    // current folder.
    void ShowPagesInTurn(std::initializer_list<int> pages);
    // The folder information report of `node` from the contents the pages
    // show, once ShowPagesInTurn has filled them.
    TFolderReport PagesReport(const TFolderNode& node) const;
    // Runs a report's writing; on failure says "Generating report failed"
    // with the reason. The page shown before comes back either way.
    bool GenerateReport(const std::function<void()>& write);
    // The save dialog of a report; `suffixOf` gives each filter's extension.
    // Returns the name, with the extension of the chosen filter when it had
    // none, and the filter in `chosen`; empty when cancelled.
    QString AskReportFile(const QString& title, const QStringList& filters,
                          const std::function<QString(int)>& suffixOf, int& chosen);
    bool AskPrinter(QPrinter& printer);
    // Runs a pie export on the pie page's chart at the size it has on the
    // screen, with the pie page shown, and shows the page before again.
    void ExportPie(const std::function<void(const TPieTarget&, THPieChart&)>& how);
    // Ends the comparison when rows about to leave the tree hold the
    // compared folder (a rescan or removal of it or of an ancestor).
    void ComparedRowsLeaving(const QModelIndex& parent, int first, int last);
    // The user's tools after LT1, read again from TOOLS.INI.
    void ReloadTools();
    // Starts the tool of that place in CustomTools on the current folder.
    void RunTool(size_t index);

    // The settings read where the program started, or a store of no file.
    TSettingsStore StoreOfNoFile;
    TSettingsStore* Store;
    TProgramSettings Options;
    std::unique_ptr<TScanSession> TheSession;
    TFolderTreeModel* Model = nullptr;
    TSectionSizeBox* SectionBox = nullptr;
    TBarChartBox* BarChart = nullptr;
    QActionGroup* PageGroup = nullptr;
    std::unique_ptr<TScanComparison> ActiveComparison;
    std::function<void()> LoadEarlierScan;

    bool FirstActivate = true;
    bool CloseWhenScanEnds = false;
    bool HintShown = false;
    bool SectionBoxPlaced = false;
    int CurPage = 0;
    // The drive whose figures the section window and status bar show.
    std::string ShownDrive;
    // Page caches: empty or none means stale.
    // What the pie and information pages show: PageCacheKey() when filled.
    std::string PageCacheKey() const;
    std::string PieCachePath;
    std::string InfoCachePath;
    TFolderNode* ListCacheNode = nullptr;
    bool ChangingSelection = false;
    bool ChangingPage = false;
    // Panel 0's own text, shown again when a hint goes away.
    QString Panel0Text;
    // The desktop's disk utility, found on PATH when the window was made;
    // empty when there is none, and "System Tools" is then disabled.
    static std::string FindDiskTool();
    // The first of the programs found on PATH, as a path; empty for none.
    static std::string FindOnPath(std::initializer_list<const char*> names);
    std::string DiskTool = FindDiskTool();
    std::vector<std::string> Arguments;
    std::optional<int> RunStatus;
    bool Unattended = false;
    // The user's tools: their commands (raw bytes) and their items in the
    // Tools menu, in the same order.
    std::vector<std::string> CustomTools;
    std::vector<QAction*> ToolItems;
    TToolsFile ToolsFile;
    // The user heard that the tools file lists more tools than the menu takes.
    bool ToolsLimitTold = false;
    // Where the last report was saved; the next save dialog opens there.
    QString ReportFolder;
    // The last picture file and filter of "Export Pie", proposed again.
    QString PieExportFile;
    int PieExportFilter = 0;

    friend class TMainFormTestAccess;
};
