#include "ui/main/FileTypesBox.h"

#include "engine/FolderSize.h"
#include "engine/Formatting.h"
#include "models/FileTypesModel.h"
#include "reports/ListReports.h"
#include "reports/ReportOutput.h"
#include "settings/ConfigKeys.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "shell/WindowPlacement.h"
#include "ui/main/PageHost.h"
#include "ui/main/ReportCommands.h"
#include "ui/main/Strings.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

QByteArray FileTypesCsv(const TFileTypesModel& model) {
    using M = TFileTypesModel;
    TMemoryOutput out;
    QStringList heading;
    for (int c = 0; c < M::ColumnCount; ++c)
        heading << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    out.WriteLine(CsvLine(heading));
    for (const TFileCategoryRow& kind : model.Categories())
        for (const TFileTypeRow& type : kind.Types) {
            const TFileTypeFigures& f = type.Figures;
            out.WriteLine(CsvLine({M::ExtensionText(f.Extension), FileCategoryName(kind.Category),
                                   QString::number(f.Files), QString::number(f.Size),
                                   QString::number(f.Allocated), QString::number(f.Wasted),
                                   QString::number(model.PercentOf(f.Size), 'f', 2)}));
        }
    return out.Bytes();
}

TFileTypesBox::TFileTypesBox(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowCloseButtonHint | Qt::WindowTitleHint |
                         Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("FileTypesBox"));
    setWindowTitle(tr("File Types"));
    Types = new TFileTypesModel(this);

    auto* column = new QVBoxLayout(this);
    txtFolder = new QLabel(this);
    txtFolder->setObjectName(QStringLiteral("txtFolder"));
    txtFolder->setTextFormat(Qt::PlainText);
    column->addWidget(txtFolder);
    txtState = new QLabel(this);
    txtState->setObjectName(QStringLiteral("txtState"));
    txtState->setWordWrap(true);
    txtState->setTextFormat(Qt::PlainText);
    column->addWidget(txtState);

    TypeList = new QTreeView(this);
    TypeList->setObjectName(QStringLiteral("TypeList"));
    TypeList->setModel(Types);
    TypeList->setUniformRowHeights(true);
    TypeList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TypeList->setSelectionBehavior(QAbstractItemView::SelectRows);
    TypeList->setSelectionMode(QAbstractItemView::SingleSelection);
    TypeList->setAllColumnsShowFocus(true);
    TypeList->setSortingEnabled(true);
    TypeList->sortByColumn(TFileTypesModel::ColSize, Qt::DescendingOrder);
    QHeaderView* header = TypeList->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(TFileTypesModel::ColExtension, QHeaderView::Stretch);
    column->addWidget(TypeList, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnSaveCsv = new QPushButton(tr("&Save as CSV..."), this);
    btnSaveCsv->setObjectName(QStringLiteral("btnSaveCsv"));
    buttons->addWidget(btnSaveCsv);
    column->addLayout(buttons);
    resize(640, 420);

    // Every new set of rows opens with its kinds unfolded.
    connect(Types, &QAbstractItemModel::modelReset, TypeList, &QTreeView::expandAll);
    connect(Types, &TFileTypesModel::Changed, this, &TFileTypesBox::ModelChanged);
    connect(TypeList, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (const auto extension = Types->ExtensionAt(index))
            emit ExtensionChosen(*extension);
    });
    connect(btnSaveCsv, &QPushButton::clicked, this, [this] { SaveCsvClick(); });
    ModelChanged();
}

TFileTypesBox::~TFileTypesBox() = default;

void TFileTypesBox::LoadSettings(const TSettingsStore& store) {
    RestoreBounds(this, store, Keys::FileTypesBoxBounds);
}

void TFileTypesBox::SaveSettings(TSettingsStore& store) const {
    SaveBounds(this, store, Keys::FileTypesBoxBounds);
}

void TFileTypesBox::ShowCurrent(const TPageHost& host) {
    const TFolderNode* node = host.CurrentNode();
    const int whatIf = host.WhatIf();
    const std::int32_t cluster = whatIf > 0 && whatIf <= AltClusterCount
                                     ? AltClusterSizes[whatIf]
                                     : host.CurrentClusterSize();
    const bool ready = node && node->Data;
    txtFolder->setText(ready ? DisplayPath(host.CurrentPath()) : QString());
    setWindowTitle(ready ? tr("File Types - %1").arg(DisplayPath(host.CurrentPath()))
                         : tr("File Types"));
    Types->ShowFolder(ready ? node : nullptr, cluster);
}

TStatus TFileTypesBox::SaveCsv(const std::string& path) const {
    return WriteFileAnswering(path, FileTypesCsv(*Types));
}

void TFileTypesBox::hideEvent(QHideEvent* event) {
    // A hidden window follows nothing: the lists it holds go.
    Types->Clear();
    QWidget::hideEvent(event);
}

void TFileTypesBox::ModelChanged() {
    const QString state = Types->StateText();
    txtState->setText(state);
    txtState->setVisible(!state.isEmpty());
    btnSaveCsv->setEnabled(Types->State() == TFileTypesModel::TState::Ready &&
                           !Types->Categories().empty());
}

void TFileTypesBox::SaveCsvClick() {
    SaveCsvAs(this, QStringLiteral("file-types.csv"),
              [this](const std::string& path) { return SaveCsv(path); });
}
