#include "ui/main/LargestFilesBox.h"

#include "engine/FolderSize.h"
#include "engine/Formatting.h"
#include "models/FolderTreeModel.h"
#include "reports/ListReports.h"
#include "reports/ReportOutput.h"
#include "settings/ConfigKeys.h"
#include "settings/SettingsStore.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "shell/WindowPlacement.h"
#include "ui/main/ReportCommands.h"
#include "ui/main/Strings.h"
#include "ui/main/WindowHost.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

TLargestFilesBox::TLargestFilesBox(TWindowHost& host, QWidget* owner)
    : QWidget(owner,
              Qt::Tool | Qt::WindowCloseButtonHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      Host(host) {
    setObjectName(QStringLiteral("LargestFilesBox"));
    setWindowTitle(tr("Largest Files"));

    auto* column = new QVBoxLayout(this);
    txtFolder = new QLabel(this);
    txtFolder->setObjectName(QStringLiteral("txtFolder"));
    txtFolder->setTextFormat(Qt::PlainText);
    column->addWidget(txtFolder);

    auto* controls = new QHBoxLayout;
    auto* countLabel = new QLabel(tr("&Files shown:"), this);
    editCount = new QSpinBox(this);
    editCount->setObjectName(QStringLiteral("editCount"));
    editCount->setRange(1, TLargestFilesModel::MaxCount);
    editCount->setValue(TLargestFilesModel::DefaultCount);
    editCount->setGroupSeparatorShown(true);
    countLabel->setBuddy(editCount);
    controls->addWidget(countLabel);
    controls->addWidget(editCount);
    auto* filterLabel = new QLabel(tr("F&ilter:"), this);
    editFilter = new QLineEdit(this);
    editFilter->setObjectName(QStringLiteral("editFilter"));
    editFilter->setPlaceholderText(tr("names, with * and ? as wildcards; ; between several"));
    editFilter->setClearButtonEnabled(true);
    filterLabel->setBuddy(editFilter);
    controls->addWidget(filterLabel);
    controls->addWidget(editFilter, 1);
    btnClearExtension = new QPushButton(this);
    btnClearExtension->setObjectName(QStringLiteral("btnClearExtension"));
    btnClearExtension->setToolTip(tr("List the files of every type again"));
    btnClearExtension->hide();
    controls->addWidget(btnClearExtension);
    column->addLayout(controls);

    txtState = new QLabel(this);
    txtState->setObjectName(QStringLiteral("txtState"));
    txtState->setWordWrap(true);
    txtState->hide();
    column->addWidget(txtState);

    FileList = new QTableView(this);
    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->setModel(&Files);
    FileList->setSortingEnabled(true);
    FileList->sortByColumn(TLargestFilesModel::ColSize, Qt::DescendingOrder);
    FileList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FileList->setSelectionMode(QAbstractItemView::SingleSelection);
    FileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FileList->setWordWrap(false);
    FileList->setTextElideMode(Qt::ElideMiddle);
    FileList->setShowGrid(false);
    FileList->setContextMenuPolicy(Qt::CustomContextMenu);
    FileList->verticalHeader()->hide();
    FileList->verticalHeader()->setDefaultSectionSize(FileList->fontMetrics().height() + 6);
    QHeaderView* header = FileList->horizontalHeader();
    header->setSectionResizeMode(TLargestFilesModel::ColName, QHeaderView::Interactive);
    header->setSectionResizeMode(TLargestFilesModel::ColFolder, QHeaderView::Stretch);
    header->resizeSection(TLargestFilesModel::ColName, 220);
    for (int c = TLargestFilesModel::ColSize; c < TLargestFilesModel::ColCount; ++c)
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    column->addWidget(FileList, 1);

    auto* buttons = new QHBoxLayout;
    btnSaveCsv = new QPushButton(tr("&Save as CSV..."), this);
    btnSaveCsv->setObjectName(QStringLiteral("btnSaveCsv"));
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    buttons->addWidget(btnSaveCsv);
    buttons->addStretch(1);
    buttons->addWidget(close);
    column->addLayout(buttons);
    resize(1040, 460);

    Later = new QTimer(this);
    Later->setSingleShot(true);
    Later->setInterval(250);
    connect(Later, &QTimer::timeout, this, [this] { FollowCurrent(true); });

    connect(&Files, &TLargestFilesModel::Updated, this, [this] { ShowState(); });
    connect(editCount, &QSpinBox::valueChanged, &Files, &TLargestFilesModel::SetCount);
    connect(editFilter, &QLineEdit::textChanged, &Files, &TLargestFilesModel::SetNameFilter);
    connect(btnClearExtension, &QPushButton::clicked, this, [this] { ClearExtension(); });
    connect(FileList, &QTableView::doubleClicked, this, &TLargestFilesBox::RowDoubleClicked);
    connect(FileList, &QTableView::customContextMenuRequested, this, &TLargestFilesBox::RowMenu);
    connect(btnSaveCsv, &QPushButton::clicked, this, [this] { SaveCsvClick(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    // The rows point into the tree: before any of it goes, they let go, and
    // the list is made again from what is left.
    TFolderTreeModel& tree = Host.TreeModel();
    const auto leaving = [this] {
        Files.ForgetNodes();
        Stale = true;
        Later->start(0);
    };
    connect(&tree, &QAbstractItemModel::rowsAboutToBeRemoved, this, leaving);
    connect(&tree, &QAbstractItemModel::modelAboutToBeReset, this, leaving);
    connect(&tree, &TFolderTreeModel::TreeFiguresChanged, this, [this] {
        if (isVisible() && !Later->isActive())
            Later->start();
    });
    ShowState();
}

TLargestFilesBox::~TLargestFilesBox() = default;

void TLargestFilesBox::LoadSettings(const TSettingsStore& store) {
    RestoreBounds(this, store, Keys::LargestFilesBoxBounds);
    editCount->setValue(store.Int(Keys::LargestFilesCount));
}

void TLargestFilesBox::SaveSettings(TSettingsStore& store) const {
    SaveBounds(this, store, Keys::LargestFilesBoxBounds);
    store.SetInt(Keys::LargestFilesCount, editCount->value());
}

void TLargestFilesBox::Open() {
    // Showing it lists the current folder (showEvent).
    show();
    raise();
    activateWindow();
}

void TLargestFilesBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FollowCurrent(false);
}

std::int32_t TLargestFilesBox::ClusterSizeInUse() const {
    const int whatIf = Host.WhatIf();
    return whatIf > 0 && whatIf <= AltClusterCount ? AltClusterSizes[whatIf]
                                                   : Host.CurrentClusterSize();
}

void TLargestFilesBox::FollowCurrent(bool refresh) {
    // A hidden window lists nothing; it catches up when shown.
    if (!isVisible())
        return;
    Later->stop();
    const TFolderNode* node = Host.CurrentNode();
    const std::int32_t cluster = ClusterSizeInUse();
    if (!refresh && !Stale && node == ShownNode && cluster == ShownCluster)
        return;
    Stale = false;
    ShownNode = node;
    ShownCluster = cluster;
    txtFolder->setText(node ? DisplayPath(NodePath(node)) : QString());
    Files.SetFolder(node, cluster);
    ShowState();
}

void TLargestFilesBox::ShowExtension(TExtensionId extension) {
    const std::string_view name = FileExtensionName(extension);
    btnClearExtension->setText(name.empty() ? tr("Files without an extension  \u2715")
                                            : tr("Only .%1  \u2715").arg(DisplayText(name)));
    btnClearExtension->show();
    Files.ShowExtension(extension);
}

void TLargestFilesBox::ClearExtension() {
    btnClearExtension->hide();
    Files.ClearExtension();
}

void TLargestFilesBox::ShowState() {
    const QString state = Files.StateText();
    txtState->setText(state);
    txtState->setVisible(!state.isEmpty());
    btnSaveCsv->setEnabled(Files.rowCount() > 0);
}

void TLargestFilesBox::RowDoubleClicked(const QModelIndex& index) {
    if (!index.isValid())
        return;
    // The tree is the window's to change; the rows only look at it.
    if (const TFolderNode* folder = Files.Row(index.row()).Folder)
        Host.SelectNode(const_cast<TFolderNode*>(folder));
}

void TLargestFilesBox::RowMenu(const QPoint& pos) {
    const QModelIndex index = FileList->indexAt(pos);
    if (!index.isValid())
        return;
    const TLargestFileRow& row = Files.Row(index.row());
    // A row whose folder went with a change of the tree waits for the new list.
    if (!row.Folder)
        return;
    TPieItem item;
    item.Folder = const_cast<TFolderNode*>(row.Folder);
    item.Name = row.Name;
    item.Path = row.Path();
    item.Size = row.Entry().Size();
    // What the ancestors hold of the file: its slack at the drive's own size.
    item.Wasted = ClusterSlack(Host.CurrentClusterSize(), item.Size);
    item.Kind = TPieItemKind::File;
    Host.ShowItemMenu(item, pos, FileList->viewport());
}

QByteArray TLargestFilesBox::Csv() const {
    TMemoryOutput out;
    QStringList captions;
    for (int c = 0; c < TLargestFilesModel::ColCount; ++c)
        captions << Files.headerData(c, Qt::Horizontal).toString();
    for (int c = TLargestFilesModel::ColSize; c <= TLargestFilesModel::ColWasted; ++c)
        captions[c] += tr(" (bytes)");
    out.WriteLine(CsvLine(captions));
    for (int row = 0; row < Files.rowCount(); ++row)
        out.WriteLine(CsvLine(Files.Cells(row, true)));
    return out.Bytes();
}

TStatus TLargestFilesBox::SaveCsv(const std::string& path) const {
    return WriteFileAnswering(path, Csv());
}

void TLargestFilesBox::SaveCsvClick() {
    SaveCsvAs(this, QStringLiteral("largest-files.csv"),
              [this](const std::string& path) { return SaveCsv(path); });
}
