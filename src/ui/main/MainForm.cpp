// The main window's construction and layout, its command modules, the
// status bar and its hints, and its life cycle. What it shows of the session
// is in Pages.cpp and Selection.cpp; the start-up scans in StartUp.cpp.
#include "ui/main/MainForm.h"

#include "engine/Paths.h"
#include "models/FolderTreeModel.h"
#include "platform/Mounts.h"
#include "settings/ConfigKeys.h"
#include "shell/DriveLists.h"
#include "shell/DrivesSelectBox.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "shell/WindowPlacement.h"
#include "ui/charts/BarChartBox.h"
#include "ui/charts/SectionSizeBox.h"
#include "ui/main/CleanUpCommands.h"
#include "ui/main/CleanUpPage.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/CompareCommands.h"
#include "ui/main/FileTypesBox.h"
#include "ui/main/FolderInfoPage.h"
#include "ui/main/LargestFilesBox.h"
#include "ui/main/NotReadyPanel.h"
#include "ui/main/PieExportCommands.h"
#include "ui/main/PiePage.h"
#include "ui/main/ProgramCommands.h"
#include "ui/main/ReportCommands.h"
#include "ui/main/ScanCommands.h"
#include "ui/main/ScanFileCommands.h"
#include "ui/main/StatusLine.h"
#include "ui/main/Strings.h"
#include "ui/main/SubfoldersPage.h"
#include "ui/main/ToolbarStrip.h"
#include "ui/main/ToolsMenu.h"
#include "ui/main/ViewCommands.h"
#include "ui/main/WastedPage.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QWidget* MakePage(QTabWidget* pages, const char* name, const QString& caption) {
    auto* page = new QWidget(pages);
    page->setObjectName(QString::fromLatin1(name));
    pages->addTab(page, caption);
    return page;
}

QIcon NodeIcon(const QStyle* s, TFolderTreeModel::TNodeKind kind, bool open) {
    if (kind == TFolderTreeModel::TNodeKind::Drive)
        return ThemeIcon("drive-harddisk", QStyle::SP_DriveHDIcon, s);
    if (kind == TFolderTreeModel::TNodeKind::OtherDrive)
        return s->standardIcon(QStyle::SP_DriveNetIcon);
    return open ? ThemeIcon("folder-open", QStyle::SP_DirOpenIcon, s)
                : ThemeIcon("folder", QStyle::SP_DirClosedIcon, s);
}

} // namespace

TMainForm::TMainForm(QWidget* parent) : TMainForm(nullptr, parent) {}

TMainForm::TMainForm(TSettingsStore& store, QWidget* parent) : TMainForm(&store, parent) {}

TMainForm::TMainForm(TSettingsStore* store, QWidget* parent)
    : QMainWindow(parent), Store(store ? store : &StoreOfNoFile) {
    setObjectName(QStringLiteral("MainForm"));
    // Every failure while the window is built ends the program with one
    // message; nothing half-built is shown.
    try {
        LoadSettings(Settings(), *Store);
        TheSession = std::make_unique<TScanSession>(static_cast<TSessionView&>(*this));
        TheSession->Scanner().SetKeepFiles(Settings().KeepEveryFile.Value);
        FolderContents =
            std::make_unique<TCurrentFolderContents>(*TheSession, [this] { return Comparison(); });
        CreateComponents();
        CreateCommands();
        ShowPage(0);
        SubfoldersPage->LoadListSettings(*Store);
        setWindowTitle(Strings::DefaultCaption());
        Strip->Clusters().setCurrentIndex(0);
        setAcceptDrops(true);
        SectionBox = new TSectionSizeBox(Options, this);
        SectionBox->LoadSettings(*Store);
        connect(SectionBox, &TSectionSizeBox::ClosedByUser, this,
                [this] { Commands->Action("cmdViewPieSectionSizeWindow")->setChecked(false); });
        BarChart = new TBarChartBox(Options, this);
        BarChart->LoadSettings(*Store);
        LargestBox = new TLargestFilesBox(*this, this);
        LargestBox->LoadSettings(*Store);
        FileTypes = new TFileTypesBox(this);
        FileTypes->LoadSettings(*Store);
        // A type chosen there lists its largest files.
        connect(FileTypes, &TFileTypesBox::ExtensionChosen, this, [this](TExtensionId extension) {
            LargestBox->Open();
            LargestBox->ShowExtension(extension);
        });
        Compare->SetEarlierScanLoader([this] { ScanFiles->CompareWithScanFile(); });
    } catch (const std::exception& e) {
        TMessageBox::Error(nullptr, tr("Fatal error"),
                           tr("Fatal error: ") + Strings::ProductName() + tr(" must close"),
                           QString::fromLocal8Bit(e.what()));
        throw;
    }
}

TMainForm::~TMainForm() {
    KeepSettings();
    // The one write of the run. A lock that cannot be had costs a couple of
    // seconds here, never the program's end; the box (while the window's
    // parts are all still there) says what was not saved.
    if (const auto why = Store->Write())
        ReportProblem(this, Strings::ProductName(),
                      tr("The settings could not be saved: %1.").arg(*why));
    delete SectionBox;
    SectionBox = nullptr;
    // They go before the tree they show.
    delete BarChart;
    BarChart = nullptr;
    delete LargestBox;
    LargestBox = nullptr;
    delete FileTypes;
    FileTypes = nullptr;
    // So do the comparison, which holds the compared folder, and the tree's
    // model: as children they would go with the window's base, after the
    // session and its tree, and the model's destructor looks at the tree.
    delete Compare;
    Compare = nullptr;
    delete Model;
    Model = nullptr;
    TheSession->Tree().SetObserver(nullptr);
}

void TMainForm::KeepSettings() {
    // A run that ended after its report was nobody's session: its window
    // (offscreen, or shown only while the report was made) and its view are
    // not the user's. Only the list values it restored are written back.
    if (RunStatus) {
        SubfoldersPage->SaveListSettings(*Store);
        return;
    }
    // Whatever fails on the way, the program-wide settings are kept.
    try {
        SaveWindowState(this, *Store, Keys::WindowState);
        if (!isMaximized() && !isMinimized())
            SaveBounds(this, *Store, Keys::MainWindowBounds);
    } catch (...) {
        // Placement is a convenience; the settings below matter more.
    }
    try {
        SubfoldersPage->SaveListSettings(*Store);
        SectionBox->SaveSettings(*Store);
        BarChart->SaveSettings(*Store);
        LargestBox->SaveSettings(*Store);
        FileTypes->SaveSettings(*Store);
    } catch (...) {
        // Like the placement: the settings below are kept whatever happened here.
    }
    SaveSettings(Settings(), *Store);
}

void TMainForm::CreateComponents() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    Strip = new TToolbarStrip(central);
    // The strip between two sunken lines.
    for (QWidget* part : {static_cast<QWidget*>(nullptr), static_cast<QWidget*>(Strip),
                          static_cast<QWidget*>(nullptr)}) {
        if (part) {
            column->addWidget(part);
            continue;
        }
        auto* line = new QFrame(central);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        column->addWidget(line);
    }

    auto* splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setObjectName(QStringLiteral("MainSplitter"));
    splitter->setChildrenCollapsible(false);
    TheLeftPanel = new QWidget(splitter);
    TheLeftPanel->setObjectName(QStringLiteral("TheLeftPanel"));
    auto* left = new QVBoxLayout(TheLeftPanel);
    left->setContentsMargins(0, 0, 0, 0);
    FolderTree = new QTreeView(TheLeftPanel);
    FolderTree->setObjectName(QStringLiteral("FolderTree"));
    FolderTree->setHeaderHidden(true);
    FolderTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FolderTree->setUniformRowHeights(true);
    FolderTree->setContextMenuPolicy(Qt::CustomContextMenu);
    FolderTree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    FolderTree->header()->setStretchLastSection(false);
    Model = new TFolderTreeModel(TheSession->Tree(), this);
    Model->SetIconProvider([this](TFolderTreeModel::TNodeKind kind, bool open) {
        return NodeIcon(style(), kind, open);
    });
    FolderTree->setModel(Model);
    left->addWidget(FolderTree);
    splitter->addWidget(TheLeftPanel);

    auto* rightPanel = new QWidget(splitter);
    rightPanel->setObjectName(QStringLiteral("TheRightPanel"));
    auto* right = new QVBoxLayout(rightPanel);
    right->setContentsMargins(0, 8, 0, 0);
    ThePages = new QTabWidget(rightPanel);
    ThePages->setObjectName(QStringLiteral("ThePages"));
    QWidget* notScanned = MakePage(ThePages, "pageNotScanned", Strings::NoScannedItems());
    // Each page holds one content widget, made with the page as its parent.
    const auto fillPage = [this](const char* name, const QString& caption, auto make) {
        QWidget* page = MakePage(ThePages, name, caption);
        auto* content = make(page);
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(content);
        return content;
    };
    PiePage = fillPage("pagePieChart", tr("Pie Chart"),
                       [this](QWidget* page) { return new TPiePage(*this, page); });
    FolderInfoPage = fillPage("pageFolderInfo", tr("Folder Info"),
                              [this](QWidget* page) { return new TFolderInfoPage(*this, page); });
    SubfoldersPage = fillPage("pageSubfolders", tr("Subfolders"),
                              [this](QWidget* page) { return new TSubfoldersPage(*this, page); });
    WastedPage = fillPage("pageWastedSpace", tr("Wasted Space"),
                          [this](QWidget* page) { return new TWastedPage(*this, page); });
    CleanUpPage = fillPage("pageCleanUp", tr("Free Some Space"),
                           [this](QWidget* page) { return new TCleanUpPage(*this, page); });
    right->addWidget(ThePages);
    splitter->addWidget(rightPanel);
    splitter->setStretchFactor(1, 1);
    // Wider than the classic 165 pixels: Linux folder names run long.
    splitter->setSizes({220, 600});
    column->addWidget(splitter, 1);
    setCentralWidget(central);

    // The not-ready page: a picture and the reason, side by side.
    auto* notReadyLayout = new QVBoxLayout(notScanned);
    NotReady = new TNotReadyPanel(notScanned);
    notReadyLayout->addWidget(NotReady);
    StatusLine = new TStatusLine(this);
    setStatusBar(StatusLine);

    connect(FolderTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                // The tree's own moves (rows taken away by the session) and
                // the window following the session are not the user's choice.
                if (!ChangingSelection && !TheSession->EditingTree() && current.isValid())
                    TheSession->Select(Model->NodeOf(current));
            });
    connect(FolderTree, &QWidget::customContextMenuRequested, this,
            &TMainForm::FolderTreeContextMenu);
    connect(ThePages, &QTabWidget::currentChanged, this, &TMainForm::PageTabClick);
    connect(&Strip->Clusters(), &QComboBox::activated, this, &TMainForm::ClustersBoxChange);
    // Whatever leaves the tree, no page may keep pointing at it: the pie's
    // sections and the pointed-at item hold nodes.
    connect(Model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this] { DropNodeReferences(); });
    // Unscanned folders are drawn apart; redraw when figures come in.
    connect(Model, &TFolderTreeModel::TreeFiguresChanged, FolderTree->viewport(),
            qOverload<>(&QWidget::update));
}

void TMainForm::CreateCommands() {
    // The modules' actions are found by their object names; the registry
    // lays them out in the menus and on the toolbar and enables them.
    Commands = new TCommandRegistry(*TheSession, *this);
    Scans = new TScanCommands(*Commands, *this, this);
    Reports = new TReportCommands(*Commands, *this, this);
    ScanFiles = new TScanFileCommands(*Commands, *this, this);
    CleanUps = new TCleanUpCommands(*Commands, *this, this);
    View = new TViewCommands(*Commands, *this, this);
    Compare = new TCompareCommands(*Commands, *this, this);
    auto* tools = new TToolsMenu(*Commands, *this, this);
    new TPieExportCommands(*Commands, *this, this);
    new TProgramCommands(*Commands, *this, this);
    Commands->Build(*menuBar(), Strip->Toolbar());
    tools->Attach(*Commands->Menu("mnuTools"));
}

void TMainForm::UpdateCommands() {
    if (!Commands)
        return;
    Commands->Update();
    Strip->Clusters().setEnabled(!Scanning());
}

// ---- what the modules ask of the window ------------------------------------------

void TMainForm::ShowPart(TWindowPart part, bool on) {
    QWidget* shown = part == TWindowPart::Toolbar     ? static_cast<QWidget*>(Strip)
                     : part == TWindowPart::StatusBar ? static_cast<QWidget*>(StatusLine)
                                                      : TheLeftPanel;
    shown->setVisible(on);
}

QString TMainForm::ChosenDrive() const {
    return Strip->Drives().Drive();
}

void TMainForm::RebuildDriveList() {
    Strip->RebuildDriveList();
}

void TMainForm::ShowBarChart() {
    if (QAction* chart = Commands->Action("cmdViewBarChart"); chart->isEnabled())
        chart->trigger();
}

void TMainForm::ShowItemMenu(const TPieItem& item, const QPoint& pos, QWidget* control) {
    CleanUps->ShowItemMenu(item, pos, control);
}

void TMainForm::CleanUp(TCleanUpAction action) {
    CleanUps->CleanUp(action);
}

const TScanComparison* TMainForm::Comparison() const {
    return Compare ? Compare->Active() : nullptr;
}

bool TMainForm::StartComparison(std::unique_ptr<TFolderNode> earlier, TScanFileInfo info) {
    return Compare->StartComparison(std::move(earlier), std::move(info));
}

void TMainForm::EndComparison() {
    Compare->EndComparison();
}

// ---- status bar and hints ------------------------------------------------------

void TMainForm::SetStatusText(int panel, const std::string& text) {
    SetStatusText(panel, DisplayPath(text));
}

void TMainForm::SetStatusText(int panel, const QString& text) {
    StatusLine->SetText(panel, text);
}

void TMainForm::ShowHint(const QString& hint) {
    // Back to the current path (during a scan, to the folder being read).
    StatusLine->ShowHint(hint, Scanning() || CurrentPath().empty() ? QString()
                                                                   : DisplayPath(CurrentPath()));
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

// ---- life cycle -------------------------------------------------------------------

void TMainForm::ApplyColors() {
    if (PiePage)
        PiePage->ApplyColors();
    if (SectionBox)
        SectionBox->ApplyGaugeColors();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!FirstActivate)
        return;
    ApplyColors();
    RestoreBounds(this, *Store, Keys::MainWindowBounds);
    View->ApplySettings();
    FirstActivation();
}

void TMainForm::FirstActivation() {
    FirstActivate = false;
    // The drive that holds the program is the one offered first.
    try {
        Strip->Drives().SetDrive(
            QFile::decodeName(Platform::DriveRootOf(TDrivesSelectBox::ProgramFilePath()).c_str()));
    } catch (...) {
        // Only a convenience: the box simply starts without a choice.
    }
    RestoreWindowState(this, *Store, Keys::WindowState);
    QTimer::singleShot(0, this, &TMainForm::StartUp);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (Scanning()) {
        // The scan runs inside a command further up the stack; stop it and
        // close once it has returned.
        TheSession->Abort();
        CloseWhenScanEnds = true;
        event->ignore();
        return;
    }
    setAcceptDrops(false);
    if (SectionBox)
        SectionBox->hide();
    QMainWindow::closeEvent(event);
}
