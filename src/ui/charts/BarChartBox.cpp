// The tree bar chart window: its layout, the drawing of a row, the choice of
// a folder and the settings it keeps between runs.
#include "ui/charts/BarChartBox.h"

#include "engine/Formatting.h"
#include "models/BarChartModel.h"
#include "models/BarChartRows.h"
#include "settings/ColorTable.h"
#include "settings/ConfigKeys.h"
#include "settings/ProgramSettings.h"
#include "settings/SettingsStore.h"
#include "shell/ShellPaths.h"
#include "shell/WindowPlacement.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QFont ArialFont(int pixelSize) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    return font;
}

QLabel* MakeStatusPanel(QStatusBar* bar, const char* name) {
    auto* panel = new QLabel(bar);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setTextFormat(Qt::PlainText);
    return panel;
}

// Hands every row to the window to draw; rows are all one height, so the
// list lays out a hundred thousand of them without asking each.
class TBarListDelegate final : public QStyledItemDelegate {
public:
    TBarListDelegate(const TBarChartBox& box, QObject* parent)
        : QStyledItemDelegate(parent), Box(box) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        Box.BarListDrawItem(painter, option, Box.RowNode(index.row()));
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {1, TBarChartBox::RowHeight};
    }

private:
    const TBarChartBox& Box;
};

} // namespace

TBarChartBox::TBarChartBox(TProgramSettings& settings, QWidget* owner)
    : QDialog(owner,
              Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      Options(settings) {
    setObjectName(QStringLiteral("BarChartBox"));
    setWindowTitle(tr("Tree Bar Chart"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(41);
    Panel1->setFont(ArialFont(13));
    auto* top = new QHBoxLayout(Panel1);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    Panel2 = new QWidget(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedWidth(177);
    chkIncludeSubfolders = new QCheckBox(tr("Include subfolder sizes"), Panel2);
    chkIncludeSubfolders->setObjectName(QStringLiteral("chkIncludeSubfolders"));
    chkIncludeSubfolders->move(4, 3);
    chkShowFullPath = new QCheckBox(tr("Show folder full path"), Panel2);
    chkShowFullPath->setObjectName(QStringLiteral("chkShowFullPath"));
    chkShowFullPath->move(4, 21);
    for (QCheckBox* box : {chkIncludeSubfolders, chkShowFullPath}) {
        box->setFont(ArialFont(12));
        box->setChecked(true);
        box->adjustSize();
        box->installEventFilter(this);
    }
    top->addWidget(Panel2);
    Label1 = new QLabel(tr("Double-click a folder to open it in Quillmere"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setMinimumWidth(1);
    Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    top->addWidget(Label1, 1);
    column->addWidget(Panel1);

    TheHeader = new QHeaderView(Qt::Horizontal, this);
    TheHeader->setObjectName(QStringLiteral("TheHeader"));
    auto* sections = new QStandardItemModel(0, 2, TheHeader);
    sections->setHorizontalHeaderLabels({tr("Graph"), tr("Folder")});
    TheHeader->setModel(sections);
    TheHeader->setSectionsClickable(false);
    TheHeader->setSectionsMovable(false);
    TheHeader->setHighlightSections(false);
    TheHeader->setStretchLastSection(false);
    TheHeader->setMinimumSectionSize(0);
    TheHeader->setSectionResizeMode(0, QHeaderView::Interactive);
    TheHeader->setSectionResizeMode(1, QHeaderView::Fixed);
    TheHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    TheHeader->setFixedHeight(17);
    TheHeader->installEventFilter(this);
    column->addWidget(TheHeader);

    BarList = new QListView(this);
    BarList->setObjectName(QStringLiteral("BarList"));
    BarList->setFont(ArialFont(13));
    BarList->setUniformItemSizes(true);
    BarList->setSelectionMode(QAbstractItemView::SingleSelection);
    BarList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    BarList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Bars start where the "Graph" column starts.
    BarList->setFrameShape(QFrame::NoFrame);
    Rows = new TBarChartModel(this);
    BarList->setModel(Rows);
    BarList->setItemDelegate(new TBarListDelegate(*this, BarList));
    BarList->installEventFilter(this);
    column->addWidget(BarList, 1);

    TheStatusBar = new QStatusBar(this);
    TheStatusBar->setObjectName(QStringLiteral("TheStatusBar"));
    StatusPanel0 = MakeStatusPanel(TheStatusBar, "StatusPanel0");
    StatusPanel0->setFixedWidth(StatusPanel0Width);
    TheStatusBar->addWidget(StatusPanel0);
    StatusPanel1 = MakeStatusPanel(TheStatusBar, "StatusPanel1");
    // A long path is cut at the window's edge rather than widening it.
    StatusPanel1->setMinimumWidth(1);
    StatusPanel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    TheStatusBar->addWidget(StatusPanel1, 1);
    column->addWidget(TheStatusBar);

    connect(BarList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TBarChartBox::BarListClick);
    connect(BarList, &QAbstractItemView::doubleClicked, this, &TBarChartBox::BarListDblClick);
    connect(TheHeader, &QHeaderView::sectionResized, this, [this](int logical) {
        if (logical == 0)
            TheHeaderSectionResize();
    });
    connect(chkIncludeSubfolders, &QCheckBox::toggled, this,
            &TBarChartBox::chkIncludeSubfoldersClick);
    connect(chkShowFullPath, &QCheckBox::toggled, this, &TBarChartBox::chkIncludeSubfoldersClick);

    // FormCreate: the first placement, graph width and check boxes.
    move(85, 110);
    resize(509, 300);
    LoadSettings(TSettingsStore());
}

TBarChartBox::~TBarChartBox() = default;

void TBarChartBox::LoadSettings(const TSettingsStore& store) {
    RestoreBounds(this, store, Keys::BarChartBoxBounds);
    int graph = store.Int(Keys::GraphWidth, AbsentValue);
    // The header spans the window, so half the window is half the header.
    if (graph == AbsentValue || graph < 0)
        graph = width() / 2;
    TheHeader->resizeSection(0, graph);
    TheHeader->resizeSection(1, std::max(0, width() - graph));
    chkIncludeSubfolders->setChecked(store.Bool(Keys::IncludeSubfolders));
    chkShowFullPath->setChecked(store.Bool(Keys::ShowFullPath));
}

void TBarChartBox::SaveSettings(TSettingsStore& store) const {
    SaveBounds(this, store, Keys::BarChartBoxBounds);
    store.SetInt(Keys::GraphWidth, GraphWidth());
    store.SetBool(Keys::IncludeSubfolders, chkIncludeSubfolders->isChecked());
    store.SetBool(Keys::ShowFullPath, chkShowFullPath->isChecked());
}

void TBarChartBox::ShowFolder(TFolderNode* node, int whatIfIndex) {
    Root = node;
    WhatIfIndex = whatIfIndex;
    ChosenPath.clear();
    TotalBytes = BarChartTotal(node, Settings().IncludeWastedInformation.Value, WhatIfIndex);
    Rows->SetRows(PreOrderNodes(node));
    setWindowTitle(tr("Tree Bar Chart - ") + DisplayPath(NodePath(node)));
    StatusPanel0->clear();
    StatusPanel1->clear();
    if (Rows->Count() > 0) {
        BarList->setCurrentIndex(Rows->index(0));
        BarListClick();
    }
}

int TBarChartBox::RowCount() const {
    return Rows->Count();
}

TFolderNode* TBarChartBox::RowNode(int row) const {
    return Rows->NodeAt(row);
}

int TBarChartBox::GraphWidth() const {
    return TheHeader->sectionSize(0);
}

int TBarChartBox::FolderWidth() const {
    return TheHeader->sectionSize(1);
}

QString TBarChartBox::RowText(const TFolderNode* node, const QFontMetrics& metrics,
                              int width) const {
    if (chkShowFullPath->isChecked())
        return MinimizePath(DisplayPath(NodePath(node)), metrics, width);
    return QString(4 * NodeLevel(node), QLatin1Char(' ')) + DisplayPath(node->Name);
}

void TBarChartBox::BarListDrawItem(QPainter* painter, const QStyleOptionViewItem& option,
                                   const TFolderNode* node) const {
    const QRect row = option.rect;
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    painter->save();
    painter->fillRect(row, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
    if (node) {
        const int graph = GraphWidth();
        const std::int64_t value =
            BarRowValue(node, chkIncludeSubfolders->isChecked(),
                        Settings().IncludeWastedInformation.Value, WhatIfIndex);
        const int length = BarLength(graph, value, TotalBytes);
        if (length > 0) {
            // A bar framed by a one-pixel line, 4 pixels clear of the row's
            // top and bottom.
            const QRect bar(row.left(), row.top() + 4, length, row.height() - 8);
            painter->fillRect(bar, Qt::black);
            painter->fillRect(bar.adjusted(1, 1, -1, -1),
                              ResolveColor(Settings().Colors[ciTreeBarChartBars]));
        }
        const QFontMetrics metrics(BarList->font());
        const int x = row.left() + graph + 4;
        // The column's width, but no more than the list shows beside a
        // scroll bar.
        const int room = std::min(FolderWidth(), row.right() + 1 - x);
        painter->setFont(BarList->font());
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const int y = row.top() + (row.height() - metrics.height()) / 2;
        painter->drawText(x, y + metrics.ascent(), RowText(node, metrics, room));
    }
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor =
            option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
        BarList->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, BarList);
    }
    painter->restore();
}

void TBarChartBox::BarListClick() {
    const TFolderNode* node = Rows->NodeAt(BarList->currentIndex().row());
    if (!node)
        return;
    StatusPanel0->setText(
        FormatSize(BarRowValue(node, chkIncludeSubfolders->isChecked(),
                               Settings().IncludeWastedInformation.Value, WhatIfIndex)));
    StatusPanel1->setText(DisplayPath(NodePath(node)));
}

void TBarChartBox::BarListDblClick() {
    ChooseSelectedRow();
}

void TBarChartBox::ChooseSelectedRow() {
    // The node's own bytes, not the status text: a name that is not UTF-8
    // would not lead back to its folder through the text.
    const TFolderNode* node = Rows->NodeAt(BarList->currentIndex().row());
    ChosenPath = node ? NodePath(node) : std::string();
    accept();
}

void TBarChartBox::chkIncludeSubfoldersClick() {
    BarList->viewport()->update();
}

void TBarChartBox::TheHeaderSectionResize() {
    const int rest = std::max(0, TheHeader->width() - TheHeader->sectionSize(0));
    if (TheHeader->sectionSize(1) != rest)
        TheHeader->resizeSection(1, rest);
    BarList->viewport()->update();
}

void TBarChartBox::ForgetRows() {
    if (Rows->Count() == 0)
        return;
    ChosenPath.clear();
    Rows->Clear();
    Root = nullptr;
    TotalBytes = 0;
    if (isVisible())
        reject();
}

void TBarChartBox::done(int result) {
    Rows->Clear();
    Root = nullptr;
    QDialog::done(result);
}

bool TBarChartBox::FormKeyPress(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ChooseSelectedRow();
        return true;
    case Qt::Key_Escape:
        ChosenPath.clear();
        reject();
        return true;
    default:
        return false;
    }
}

bool TBarChartBox::eventFilter(QObject* watched, QEvent* event) {
    // The window sees Enter and Escape before the list and the check boxes.
    if (event->type() == QEvent::KeyPress && watched != TheHeader &&
        FormKeyPress(static_cast<QKeyEvent*>(event)->key()))
        return true;
    if (watched == TheHeader && event->type() == QEvent::Resize)
        TheHeaderSectionResize();
    return QDialog::eventFilter(watched, event);
}

void TBarChartBox::keyPressEvent(QKeyEvent* event) {
    if (FormKeyPress(event->key()))
        event->accept();
    else
        QDialog::keyPressEvent(event);
}

void TBarChartBox::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    TheHeaderSectionResize();
}

void TBarChartBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    BarList->setFocus();
}
