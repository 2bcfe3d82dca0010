// The main window's construction, layout, page switching, status bar and
// life cycle. Commands are in MainCommands.cpp, scans and the tree in
// ScanCommands.cpp.
#include "ui/main/MainForm.h"

#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "models/FolderTreeModel.h"
#include "platform/Mounts.h"
#include "settings/ColorTable.h"
#include "settings/ConfigKeys.h"
#include "settings/ProgramSettings.h"
#include "shell/DriveLists.h"
#include "shell/DrivesSelectBox.h"
#include "shell/HelpWindow.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "shell/WindowPlacement.h"
#include "ui/charts/BarChartBox.h"
#include "ui/charts/SectionSizeBox.h"
#include "ui/main/CleanUpPage.h"
#include "ui/main/FolderInfoPage.h"
#include "ui/main/PiePage.h"
#include "ui/main/Strings.h"
#include "ui/main/SubfoldersPage.h"
#include "ui/main/WastedPage.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr int StatusPanel1Width = 150;

QWidget* MakePage(QTabWidget* pages, const char* name, const QString& caption) {
    auto* page = new QWidget(pages);
    page->setObjectName(QString::fromLatin1(name));
    pages->addTab(page, caption);
    return page;
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
        CreateComponents();
        BuildCommands();
        ShowPage(0);
        SubfoldersPage->LoadListSettings(*Store);
        setWindowTitle(Strings::DefaultCaption());
        ClustersBox->setCurrentIndex(0);
        setAcceptDrops(true);
        SectionBox = new TSectionSizeBox(Options, this);
        SectionBox->LoadSettings(*Store);
        connect(SectionBox, &TSectionSizeBox::ClosedByUser, this,
                [this] { cmdViewPieSectionSizeWindow->setChecked(false); });
        BarChart = new TBarChartBox(Options, this);
        BarChart->LoadSettings(*Store);
        SetEarlierScanLoader([this] { CompareWithScanFile(); });
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
    // It goes before the tree it shows.
    delete BarChart;
    BarChart = nullptr;
    // So does the tree's model: as a child it would go with the window's
    // base, after the session and its tree, and its destructor looks at the
    // tree.
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

    ToolbarSupport = new QWidget(central);
    ToolbarSupport->setObjectName(QStringLiteral("ToolbarSupport"));
    auto* strip = new QHBoxLayout(ToolbarSupport);
    strip->setContentsMargins(2, 1, 2, 1);
    strip->setSpacing(0);
    DriveBox = new TShExDriveComboBox(ToolbarSupport);
    DriveBox->setObjectName(QStringLiteral("DriveBox"));
    DriveBox->setFixedWidth(169);
    DriveBox->setToolTip(tr("Drives List Box"));
    DriveBox->setStatusTip(tr("Select a drive and press the Scan button to scan it"));
    strip->addWidget(DriveBox);
    TheToolbar = new QToolBar(ToolbarSupport);
    TheToolbar->setObjectName(QStringLiteral("TheToolbar"));
    TheToolbar->setIconSize(QSize(16, 16));
    TheToolbar->setStyleSheet(QStringLiteral("QToolBar { border: none; }"));
    strip->addWidget(TheToolbar);
    ClustersBox = new QComboBox(ToolbarSupport);
    ClustersBox->setObjectName(QStringLiteral("ClustersBox"));
    ClustersBox->addItems({tr("Drive cluster size"), tr("0.5 K (high density floppy disks)"),
                           tr("2 K (CD-ROM)"), tr("4 K (FAT 128 MB - 255 MB, FAT32)"),
                           tr("8 K (FAT 256 MB - 511 MB)"), tr("16 K (FAT 512 MB - 1023 MB)"),
                           tr("32 K (FAT 1 GB - 2 GB)"), tr("64 K")});
    ClustersBox->setToolTip(tr("User Defined Cluster Size"));
    ClustersBox->setStatusTip(tr("Select a cluster size to see how the current folder would look "
                                 "on a drive with that cluster size."));
    ClustersBox->setMinimumWidth(0);
    ClustersBox->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    strip->addSpacing(4);
    strip->addWidget(ClustersBox, 1);
    strip->addSpacing(4);
    ToolbarSupport->installEventFilter(this);
    auto* lineAbove = new QFrame(central);
    lineAbove->setFrameShape(QFrame::HLine);
    lineAbove->setFrameShadow(QFrame::Sunken);
    column->addWidget(lineAbove);
    column->addWidget(ToolbarSupport);
    auto* lineBelow = new QFrame(central);
    lineBelow->setFrameShape(QFrame::HLine);
    lineBelow->setFrameShadow(QFrame::Sunken);
    column->addWidget(lineBelow);

    MainSplitter = new QSplitter(Qt::Horizontal, central);
    MainSplitter->setObjectName(QStringLiteral("MainSplitter"));
    MainSplitter->setChildrenCollapsible(false);
    TheLeftPanel = new QWidget(MainSplitter);
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
    Model->SetIconProvider(
        [this](TFolderTreeModel::TNodeKind kind, bool open) { return NodeIcon(kind, open); });
    FolderTree->setModel(Model);
    left->addWidget(FolderTree);
    MainSplitter->addWidget(TheLeftPanel);

    TheRightPanel = new QWidget(MainSplitter);
    TheRightPanel->setObjectName(QStringLiteral("TheRightPanel"));
    auto* right = new QVBoxLayout(TheRightPanel);
    right->setContentsMargins(0, 8, 0, 0);
    ThePages = new QTabWidget(TheRightPanel);
    ThePages->setObjectName(QStringLiteral("ThePages"));
    pageNotScanned = MakePage(ThePages, "pageNotScanned", Strings::NoScannedItems());
    pagePieChart = MakePage(ThePages, "pagePieChart", tr("Pie Chart"));
    pageFolderInfo = MakePage(ThePages, "pageFolderInfo", tr("Folder Info"));
    pageSubfolders = MakePage(ThePages, "pageSubfolders", tr("Subfolders"));
    pageWastedSpace = MakePage(ThePages, "pageWastedSpace", tr("Wasted Space"));
    pageCleanUp = MakePage(ThePages, "pageCleanUp", tr("Free Some Space"));
    auto fillPage = [](QWidget* page, QWidget* content) {
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(content);
    };
    PiePage = new TPiePage(*this, pagePieChart);
    fillPage(pagePieChart, PiePage);
    FolderInfoPage = new TFolderInfoPage(*this, pageFolderInfo);
    fillPage(pageFolderInfo, FolderInfoPage);
    SubfoldersPage = new TSubfoldersPage(*this, pageSubfolders);
    fillPage(pageSubfolders, SubfoldersPage);
    WastedPage = new TWastedPage(*this, pageWastedSpace);
    fillPage(pageWastedSpace, WastedPage);
    CleanUpPage = new TCleanUpPage(*this, pageCleanUp);
    fillPage(pageCleanUp, CleanUpPage);
    right->addWidget(ThePages);
    MainSplitter->addWidget(TheRightPanel);
    MainSplitter->setStretchFactor(1, 1);
    // Wider than the classic 165 pixels: Linux folder names run long.
    MainSplitter->setSizes({220, 600});
    column->addWidget(MainSplitter, 1);
    setCentralWidget(central);

    // The not-ready page: a picture and the reason, side by side.
    auto* notReadyLayout = new QVBoxLayout(pageNotScanned);
    panNotReady = new QWidget(pageNotScanned);
    panNotReady->setObjectName(QStringLiteral("panNotReady"));
    panNotReady->setAutoFillBackground(true);
    notReadyLayout->addWidget(panNotReady);
    auto* row = new QHBoxLayout(panNotReady);
    row->addStretch(1);
    auto* picture = new QLabel(panNotReady);
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop);
    row->addWidget(picture, 0, Qt::AlignTop);
    txtNotReady = new QPlainTextEdit(panNotReady);
    txtNotReady->setObjectName(QStringLiteral("txtNotReady"));
    txtNotReady->setReadOnly(true);
    txtNotReady->setFrameShape(QFrame::NoFrame);
    txtNotReady->setFocusPolicy(Qt::NoFocus);
    txtNotReady->setMaximumWidth(200);
    txtNotReady->setMinimumWidth(120);
    txtNotReady->viewport()->setAutoFillBackground(false);
    row->addWidget(txtNotReady, 1);
    row->addStretch(1);

    TheStatusBar = new QStatusBar(this);
    TheStatusBar->setObjectName(QStringLiteral("TheStatusBar"));
    TheStatusBar->setStatusTip(QStringLiteral(":"));
    StatusPanel0 = new QLabel(TheStatusBar);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFrameShape(QFrame::Panel);
    StatusPanel0->setFrameShadow(QFrame::Sunken);
    StatusPanel0->setMinimumWidth(1);
    StatusPanel0->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusPanel0->setTextFormat(Qt::PlainText);
    TheStatusBar->addWidget(StatusPanel0, 1);
    StatusPanel1 = new QLabel(TheStatusBar);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setFrameShape(QFrame::Panel);
    StatusPanel1->setFrameShadow(QFrame::Sunken);
    StatusPanel1->setFixedWidth(StatusPanel1Width);
    TheStatusBar->addPermanentWidget(StatusPanel1);
    setStatusBar(TheStatusBar);

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
    connect(ClustersBox, &QComboBox::activated, this, &TMainForm::ClustersBoxChange);
    // Whatever leaves the tree, no page may keep pointing at it: the pie's
    // sections and the pointed-at item hold nodes.
    connect(Model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this] { DropNodeReferences(); });
    // Nor may the comparison outlive the folder it compares.
    connect(Model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            &TMainForm::ComparedRowsLeaving);
    // Unscanned folders are drawn apart; redraw when figures come in.
    connect(Model, &TFolderTreeModel::TreeFiguresChanged, FolderTree->viewport(),
            qOverload<>(&QWidget::update));
}

QIcon TMainForm::NodeIcon(TFolderTreeModel::TNodeKind kind, bool open) const {
    QStyle* s = style();
    if (kind == TFolderTreeModel::TNodeKind::Drive) {
        const QIcon theme = QIcon::fromTheme(QStringLiteral("drive-harddisk"));
        return theme.isNull() ? s->standardIcon(QStyle::SP_DriveHDIcon) : theme;
    }
    if (kind == TFolderTreeModel::TNodeKind::OtherDrive)
        return s->standardIcon(QStyle::SP_DriveNetIcon);
    const QIcon theme =
        QIcon::fromTheme(open ? QStringLiteral("folder-open") : QStringLiteral("folder"));
    if (!theme.isNull())
        return theme;
    return s->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon);
}

// ---- status bar and hints ------------------------------------------------------

void TMainForm::SetStatusText(int panel, const std::string& text) {
    SetStatusText(panel, DisplayPath(text));
}

void TMainForm::SetStatusText(int panel, const QString& text) {
    if (panel == 0) {
        Panel0Text = text;
        if (!HintShown)
            StatusPanel0->setText(text);
    } else {
        StatusPanel1->setText(text);
    }
}

void TMainForm::ShowHint(const QString& hint) {
    if (!hint.isEmpty() && hint != QLatin1String(":")) {
        HintShown = true;
        StatusPanel0->setFrameShape(QFrame::NoFrame);
        StatusPanel0->setText(hint);
        StatusPanel1->hide();
    } else {
        HintShown = false;
        StatusPanel0->setFrameShape(QFrame::Panel);
        // Back to the current path (during a scan, to the folder being read).
        StatusPanel0->setText(Scanning() || CurrentPath().empty() ? Panel0Text
                                                                  : DisplayPath(CurrentPath()));
        StatusPanel1->show();
    }
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::ResizeToolbarStrip() {
    // The cluster box takes what the drive box and toolbar leave, and goes
    // away when that is too little to be of use.
    const int left = TheToolbar->geometry().right() + 4;
    const int room = ToolbarSupport->width() - 4 - left;
    ClustersBox->setVisible(room >= 32);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ToolbarSupport && event->type() == QEvent::Resize)
        QTimer::singleShot(0, this, &TMainForm::ResizeToolbarStrip);
    // An open menu keeps the keyboard to itself: F1 there shows its topic.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        const QVariant context = watched->property("HelpContext");
        if (context.isValid()) {
            ShowHelp(context.toInt(), this);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
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
    ApplyViewSettings();
    FirstActivation();
}

void TMainForm::ApplyViewSettings() {
    TProgramSettings& s = Settings();
    toolShowWasted->setChecked(s.IncludeWastedInformation.Value);
    toolShowFiles->setChecked(s.ShowFileNames.Value);
    toolPercent->setChecked(s.ShowPercentInPie.Value == 1);
    toolMB->setChecked(s.ShowPercentInPie.Value == 2);
    cmdViewToolbar->setChecked(s.ViewToolbar.Value);
    ToolbarSupport->setVisible(s.ViewToolbar.Value);
    cmdViewStatusBar->setChecked(s.ViewStatusBar.Value);
    TheStatusBar->setVisible(s.ViewStatusBar.Value);
    cmdViewFolderTree->setChecked(s.ViewFolderTree.Value);
    TheLeftPanel->setVisible(s.ViewFolderTree.Value);
    cmdViewPieSectionSizeWindow->setChecked(s.PieSectionSizeWindow.Value);
    (s.SortAscending.Value ? cmdViewPieSortAscending : cmdViewPieSortDescending)->setChecked(true);
}

void TMainForm::FirstActivation() {
    FirstActivate = false;
    // The drive that holds the program is the one offered first.
    try {
        DriveBox->SetDrive(
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

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    activateWindow();
    raise();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return;
    const std::string path = PathBytes(urls.front().toLocalFile());
    QTimer::singleShot(0, this, [this, path] {
        try {
            SelectPath(path);
        } catch (const std::exception& e) {
            TMessageBox::Error(this, Strings::ProductName(), QString::fromLocal8Bit(e.what()));
        }
    });
}
