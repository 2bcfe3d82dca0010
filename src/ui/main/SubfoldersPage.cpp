// The subfolder list page. Rows, cell texts, filters and sorting live in
// TSubfolderListModel; the page holds the controls and passes their values.
#include "ui/main/SubfoldersPage.h"

#include "engine/Formatting.h"
#include "settings/ConfigKeys.h"
#include "settings/ProgramSettings.h"
#include "settings/SettingsStore.h"
#include "shell/Icons.h"
#include "shell/ShellPaths.h"
#include "ui/main/FolderInfoLabels.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <cstdlib>

namespace {

constexpr int HeaderHeight = 73;
constexpr int LevelUpWidth = 89;
// Column widths before the texts are measured; a column is never narrower.
// Folder names on Linux run long, so the name column starts wider.
constexpr int ColumnWidths[SubfolderColumnCount] = {180, 80, 80, 80, 70, 70, 80, 80};

struct TWaitCursor {
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

TSubfoldersPage::TSubfoldersPage(TPageHost& host, QWidget* parent) : TContentPage(host, parent) {
    setObjectName(QStringLiteral("SubfoldersPage"));
    UsePageBackground(this);
    Model = new TSubfolderListModel(this);
    Model->SetFolderIcon(FolderIcon());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    CreateHeader();
    column->addWidget(panWebFolderListPath);
    CreateList();
    column->addWidget(TheFilesList, 1);
}

void TSubfoldersPage::CreateHeader() {
    panWebFolderListPath = new QWidget(this);
    panWebFolderListPath->setObjectName(QStringLiteral("panWebFolderListPath"));
    panWebFolderListPath->setFixedHeight(HeaderHeight);
    auto* across = new QHBoxLayout(panWebFolderListPath);
    across->setContentsMargins(8, 6, 4, 6);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(6);

    auto* top = new QHBoxLayout;
    auto* caption = new QLabel(tr("Subfolders of"), panWebFolderListPath);
    top->addWidget(caption);
    txtWebFolderListPath = new TPathLabel(panWebFolderListPath);
    txtWebFolderListPath->setObjectName(QStringLiteral("txtWebFolderListPath"));
    MakeBold(txtWebFolderListPath);
    top->addWidget(txtWebFolderListPath, 1);
    lines->addLayout(top);

    auto* filters = new QHBoxLayout;
    cbFoldersDisplayType = new QComboBox(panWebFolderListPath);
    cbFoldersDisplayType->setObjectName(QStringLiteral("cbFoldersDisplayType"));
    cbFoldersDisplayType->addItems(FoldersDisplayTypeNames());
    cbFoldersDisplayType->setCurrentIndex(DisplayAll);
    filters->addWidget(cbFoldersDisplayType);
    txtFoldersTop = new QLabel(tr("Top"), panWebFolderListPath);
    txtFoldersTop->setObjectName(QStringLiteral("txtFoldersTop"));
    filters->addWidget(txtFoldersTop);
    cbFoldersTop = new QComboBox(panWebFolderListPath);
    cbFoldersTop->setObjectName(QStringLiteral("cbFoldersTop"));
    cbFoldersTop->setEditable(true);
    cbFoldersTop->setInsertPolicy(QComboBox::NoInsert);
    cbFoldersTop->addItems({QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("15"),
                            QStringLiteral("20"), QStringLiteral("25"), QStringLiteral("50"),
                            QStringLiteral("75"), QStringLiteral("100"), QStringLiteral("250"),
                            QStringLiteral("500"), QStringLiteral("1000")});
    cbFoldersTop->setEditText(QStringLiteral("10"));
    cbFoldersTop->setMinimumContentsLength(5);
    filters->addWidget(cbFoldersTop);
    udFoldersLargerThan = new QSpinBox(panWebFolderListPath);
    udFoldersLargerThan->setObjectName(QStringLiteral("udFoldersLargerThan"));
    udFoldersLargerThan->setRange(0, 32767);
    udFoldersLargerThan->setValue(0);
    ediFoldersLargerThan = udFoldersLargerThan->findChild<QLineEdit*>();
    ediFoldersLargerThan->setObjectName(QStringLiteral("ediFoldersLargerThan"));
    ediFoldersLargerThan->installEventFilter(this);
    filters->addWidget(udFoldersLargerThan);
    cbFoldersLargerThanBytes = new QComboBox(panWebFolderListPath);
    cbFoldersLargerThanBytes->setObjectName(QStringLiteral("cbFoldersLargerThanBytes"));
    cbFoldersLargerThanBytes->addItems(LargerThanUnitNames());
    filters->addWidget(cbFoldersLargerThanBytes);
    filters->addStretch(1);
    lines->addLayout(filters);
    across->addLayout(lines, 1);

    panWebListLevelUp = new TClickArea(panWebFolderListPath);
    panWebListLevelUp->setObjectName(QStringLiteral("panWebListLevelUp"));
    panWebListLevelUp->setFixedWidth(LevelUpWidth);
    panWebListLevelUp->setToolTip(tr("Up One Level"));
    auto* levelUp = new QVBoxLayout(panWebListLevelUp);
    levelUp->setContentsMargins(0, 0, 0, 0);
    levelUp->setSpacing(2);
    imgWebUpOneLevel = new QLabel(panWebListLevelUp);
    imgWebUpOneLevel->setObjectName(QStringLiteral("imgWebUpOneLevel"));
    imgWebUpOneLevel->setAlignment(Qt::AlignCenter);
    imgWebUpOneLevel->setPixmap(ThemeIcon("go-up", QStyle::SP_FileDialogToParent).pixmap(24, 24));
    imgWebUpOneLevel->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* levelUpText = new QLabel(tr("Up One Level"), panWebListLevelUp);
    levelUpText->setAlignment(Qt::AlignCenter);
    levelUpText->setAttribute(Qt::WA_TransparentForMouseEvents);
    levelUp->addStretch(1);
    levelUp->addWidget(imgWebUpOneLevel);
    levelUp->addWidget(levelUpText);
    levelUp->addStretch(1);
    panWebListLevelUp->SetOnClick([this] { Host.GoUp(true); });
    across->addWidget(panWebListLevelUp);

    connect(cbFoldersDisplayType, &QComboBox::currentIndexChanged, this,
            &TSubfoldersPage::cbFoldersDisplayTypeChange);
    connect(cbFoldersTop, &QComboBox::editTextChanged, this, &TSubfoldersPage::FilterChange);
    connect(udFoldersLargerThan, &QSpinBox::valueChanged, this, &TSubfoldersPage::FilterChange);
    connect(cbFoldersLargerThanBytes, &QComboBox::currentIndexChanged, this,
            &TSubfoldersPage::FilterChange);
    ShowFilterControls();
}

void TSubfoldersPage::CreateList() {
    TheFilesList = new QTableView(this);
    TheFilesList->setObjectName(QStringLiteral("TheFilesList"));
    TheFilesList->setModel(Model);
    TheFilesList->setShowGrid(true);
    TheFilesList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TheFilesList->setSelectionBehavior(QAbstractItemView::SelectRows);
    TheFilesList->setSelectionMode(QAbstractItemView::SingleSelection);
    TheFilesList->setWordWrap(false);
    TheFilesList->setIconSize(QSize(16, 16));
    TheFilesList->setContextMenuPolicy(Qt::CustomContextMenu);
    TheFilesList->setTextElideMode(Qt::ElideRight);
    // Fixed rows: the view never measures a row, so 50,000 rows cost nothing
    // until they are scrolled into sight.
    QHeaderView* rows = TheFilesList->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(qMax(18, TheFilesList->fontMetrics().height() + 4));
    QHeaderView* columns = TheFilesList->horizontalHeader();
    columns->setSectionsClickable(true);
    columns->setSortIndicatorShown(false);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    // The widths of the list's own design are too narrow for some fonts and
    // for the locale's dates; each column gets room for its widest usual text.
    const QFontMetrics metrics(TheFilesList->font());
    const QString samples[SubfolderColumnCount] = {QString(),
                                                   KBCell(Q_INT64_C(9999999) * 1024),
                                                   KBCell(Q_INT64_C(9999999) * 1024),
                                                   KBCell(Q_INT64_C(9999999) * 1024),
                                                   ShareCell(100, 100),
                                                   FormatCount64(9999999),
                                                   DosDateTimeCell(0x599CBF7D),
                                                   DosDateTimeCell(0x599CBF7D)};
    for (int c = 0; c < SubfolderColumnCount; ++c) {
        const int caption =
            metrics.horizontalAdvance(QLatin1String(SortMark) + Model->Caption(c)) + 20;
        const int sample = samples[c].isEmpty() ? 0 : metrics.horizontalAdvance(samples[c]) + 14;
        TheFilesList->setColumnWidth(c, qMax(ColumnWidths[c], qMax(caption, sample)));
    }
    connect(columns, &QHeaderView::sectionClicked, this, &TSubfoldersPage::TheFilesListColumnClick);
    connect(TheFilesList, &QAbstractItemView::doubleClicked, this,
            &TSubfoldersPage::TheFilesListDblClick);
    connect(TheFilesList, &QWidget::customContextMenuRequested, this,
            &TSubfoldersPage::TheFilesListRightButton);
}

TSubfolderFilter TSubfoldersPage::Filter() const {
    TSubfolderFilter f;
    f.DisplayType = cbFoldersDisplayType->currentIndex();
    f.TopText = cbFoldersTop->currentText();
    f.LargerThan = udFoldersLargerThan->value();
    f.LargerThanUnit = cbFoldersLargerThanBytes->currentIndex();
    f.IncludeWasted = Host.Settings().IncludeWastedInformation.Value;
    f.WhatIfIndex = Host.WhatIf();
    return f;
}

TSubfolderListSettings TSubfoldersPage::ListSettings() const {
    TSubfolderListSettings s;
    s.DisplayType = cbFoldersDisplayType->currentIndex();
    s.TopText = cbFoldersTop->currentText();
    s.LargerThanUnit = cbFoldersLargerThanBytes->currentIndex();
    s.LargerThanText = ediFoldersLargerThan->text();
    s.SortCode = Model->SortColumn();
    return s;
}

void TSubfoldersPage::ApplyListSettings(const TSubfolderListSettings& settings) {
    cbFoldersDisplayType->setCurrentIndex(settings.DisplayType);
    cbFoldersTop->setEditText(settings.TopText);
    cbFoldersLargerThanBytes->setCurrentIndex(settings.LargerThanUnit);
    ediFoldersLargerThan->setText(settings.LargerThanText);
    Model->SetSortColumn(settings.SortCode);
    Model->MarkSortColumn(std::abs(settings.SortCode) - 1);
    cbFoldersDisplayTypeChange();
}

void TSubfoldersPage::Fill() {
    const TFolderNode* node = Host.CurrentNode();
    if (!node || !node->Data) {
        Model->Clear();
        return;
    }
    panWebListLevelUp->setVisible(node->Parent != nullptr);
    TWaitCursor wait;
    const TSubfolderFilter filter = Filter();
    const int columnsBefore = Model->ColumnCount();
    const int top = Model->Fill(*node, filter, Host.Comparison());
    if (Model->ColumnCount() != columnsBefore && Model->ColumnCount() > SubfolderColumnCount)
        PlaceComparisonColumns();
    if (filter.DisplayType == DisplayTopLarge) {
        // The box shows the count that was used; rewriting it must not start
        // another fill.
        const QString shown = QString::number(top);
        if (cbFoldersTop->currentText() != shown) {
            const QSignalBlocker block(cbFoldersTop);
            cbFoldersTop->setEditText(shown);
        }
    }
}

void TSubfoldersPage::PlaceComparisonColumns() {
    // Shown where the reports write them, whatever their place (the end) in
    // the model.
    QHeaderView* columns = TheFilesList->horizontalHeader();
    const QFontMetrics metrics(TheFilesList->font());
    const QString samples[] = {KBCell(Q_INT64_C(9999999) * 1024),
                               ChangeCell(Q_INT64_C(-9999999) * 1024),
                               ChangePercentCell(1, 100000)};
    for (int c = ColThen; c <= ColChangePercent; ++c) {
        const int caption =
            metrics.horizontalAdvance(QLatin1String(SortMark) + Model->Caption(c)) + 20;
        const int sample = metrics.horizontalAdvance(samples[c - ColThen]) + 14;
        TheFilesList->setColumnWidth(c, qMax(caption, sample));
    }
    const std::vector<int> order = ShownColumnOrder(Model->ColumnCount());
    for (std::size_t place = 0; place < order.size(); ++place)
        columns->moveSection(columns->visualIndex(order[place]), static_cast<int>(place));
}

void TSubfoldersPage::Layout() {
    const TFolderNode* node = Host.CurrentNode();
    panWebListLevelUp->setVisible(node && node->Parent);
    txtWebFolderListPath->SetPath(DisplayPath(Host.CurrentPath()));
}

void TSubfoldersPage::resizeEvent(QResizeEvent* event) {
    TContentPage::resizeEvent(event);
    Layout();
}

void TSubfoldersPage::cbFoldersDisplayTypeChange() {
    ShowFilterControls();
    Host.InvalidateList(true);
}

void TSubfoldersPage::ShowFilterControls() {
    const int type = cbFoldersDisplayType->currentIndex();
    txtFoldersTop->setVisible(type == DisplayTopLarge);
    cbFoldersTop->setVisible(type == DisplayTopLarge);
    udFoldersLargerThan->setVisible(type == DisplayLargerThan);
    cbFoldersLargerThanBytes->setVisible(type == DisplayLargerThan);
}

void TSubfoldersPage::FilterChange() {
    Host.InvalidateList(true);
}

bool TSubfoldersPage::eventFilter(QObject* watched, QEvent* event) {
    // The number edit takes digits and backspace; any other typed character
    // is dropped. Keys that type nothing (arrows, Home) still move the caret.
    if (watched == ediFoldersLargerThan && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty() && !(text.size() == 1 && (text[0].isDigit() || text[0] == u'\b')))
            return true;
    }
    return TContentPage::eventFilter(watched, event);
}

void TSubfoldersPage::TheFilesListColumnClick(int column) {
    Model->ColumnClick(column);
}

TFolderNode* TSubfoldersPage::RowNode(int row) const {
    TFolderNode* node = Host.CurrentNode();
    if (!node || row < 0 || row >= Model->RowCount() || Model->FolderPath() != Host.CurrentPath())
        return nullptr;
    // Names are raw bytes: two folders may differ in letter case alone.
    return FindChildNode(node, Model->Row(row).Name, true);
}

void TSubfoldersPage::TheFilesListDblClick(const QModelIndex& index) {
    if (const TFolderNode* child = RowNode(index.row()))
        Host.SelectPath(NodePath(child));
}

void TSubfoldersPage::TheFilesListRightButton(const QPoint& pos) {
    QModelIndex index = TheFilesList->indexAt(pos);
    if (!index.isValid())
        index = TheFilesList->currentIndex();
    TFolderNode* child = index.isValid() ? RowNode(index.row()) : nullptr;
    if (!child)
        return;
    TheFilesList->selectRow(index.row());
    TPieItem item;
    item.Kind = TPieItemKind::Folder;
    item.Path = NodePath(child);
    item.Node = child;
    item.Size = child->Data ? child->Data->TreeSize : 0;
    item.Wasted = child->Data ? ShownTreeWasted(*child->Data, Host.WhatIf()) : 0;
    Host.ShowItemMenu(item, pos, TheFilesList->viewport());
}

void TSubfoldersPage::LoadListSettings(const TSettingsStore& store) {
    {
        const QSignalBlocker a(cbFoldersDisplayType);
        const QSignalBlocker b(cbFoldersTop);
        const QSignalBlocker c(udFoldersLargerThan);
        const QSignalBlocker d(cbFoldersLargerThanBytes);
        cbFoldersDisplayType->setCurrentIndex(store.Int(Keys::FoldersDisplayType));
        cbFoldersTop->setEditText(QString::number(store.Int(Keys::FoldersDisplayTopX)));
        udFoldersLargerThan->setValue(store.Int(Keys::FoldersDisplayLargerThan));
        cbFoldersLargerThanBytes->setCurrentIndex(store.Int(Keys::FoldersDisplayLargerThanUnit));
    }
    Model->SetSortColumn(store.Int(Keys::FoldersDisplaySort));
    Model->MarkSortColumn(std::abs(Model->SortColumn()) - 1);
    cbFoldersDisplayTypeChange();
}

void TSubfoldersPage::SaveListSettings(TSettingsStore& store) const {
    store.SetInt(Keys::FoldersDisplayType, cbFoldersDisplayType->currentIndex());
    store.SetInt(Keys::FoldersDisplayTopX, TopCountOf(cbFoldersTop->currentText()));
    store.SetInt(Keys::FoldersDisplayLargerThan, udFoldersLargerThan->value());
    store.SetInt(Keys::FoldersDisplayLargerThanUnit, cbFoldersLargerThanBytes->currentIndex());
    store.SetInt(Keys::FoldersDisplaySort, Model->SortColumn());
}
