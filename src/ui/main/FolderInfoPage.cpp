// The folder information page. Its texts come whole from FolderInfoContent;
// the page only places them.
#include "ui/main/FolderInfoPage.h"

#include "shell/Icons.h"
#include "shell/ItemProperties.h"
#include "shell/ShellPaths.h"
#include "ui/main/FolderInfoLabels.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int HeaderIconSize = 32;
constexpr int FigureValueWidth = 88;
constexpr int CaptionColumnWidth = 110;

// A small tree bar chart: bars of falling length hanging from a tree line.
QPixmap BarChartPicture(const QPalette& palette) {
    QPixmap pixmap(HeaderIconSize, HeaderIconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(palette.color(QPalette::Text));
    p.drawLine(3, 3, 3, 28);
    const int lengths[] = {25, 17, 11, 6};
    const QColor colors[] = {QColor(0x20, 0x50, 0xa0), QColor(0x30, 0x80, 0xc0),
                             QColor(0x40, 0xa0, 0x50), QColor(0xd0, 0x90, 0x20)};
    for (int i = 0; i < 4; ++i) {
        const QRect bar(5, 4 + i * 6, lengths[i], 4);
        p.fillRect(bar, colors[i]);
    }
    return pixmap;
}

QLabel* FigureValue(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(FigureValueWidth);
    MakeBold(label);
    return label;
}

void ShowFigure(QLabel* label, const TFigureText& figure) {
    label->setText(figure.Text);
    label->setToolTip(figure.Hint);
}

} // namespace

TFolderInfoPage::TFolderInfoPage(TPageHost& host, QWidget* parent) : TContentPage(host, parent) {
    setObjectName(QStringLiteral("FolderInfoPage"));
    UsePageBackground(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(10);

    panWebFolderInfoPath = new QWidget(this);
    panWebFolderInfoPath->setObjectName(QStringLiteral("panWebFolderInfoPath"));
    auto* header = new QHBoxLayout(panWebFolderInfoPath);
    header->setContentsMargins(0, 0, 0, 0);
    imgWebFolderInfo = new TClickLabel(panWebFolderInfoPath);
    imgWebFolderInfo->setObjectName(QStringLiteral("imgWebFolderInfo"));
    imgWebFolderInfo->setFixedSize(HeaderIconSize, HeaderIconSize);
    imgWebFolderInfo->setToolTip(tr("Click to display item properties"));
    imgWebFolderInfo->SetOnClick([this] { imgWebFolderInfoClick(); });
    header->addWidget(imgWebFolderInfo, 0, Qt::AlignTop);
    auto* names = new QVBoxLayout;
    names->setSpacing(2);
    txtWebFolderInfoType = new QLabel(panWebFolderInfoPath);
    txtWebFolderInfoType->setObjectName(QStringLiteral("txtWebFolderInfoType"));
    txtWebFolderInfoPath = new TPathLabel(panWebFolderInfoPath);
    txtWebFolderInfoPath->setObjectName(QStringLiteral("txtWebFolderInfoPath"));
    MakeBold(txtWebFolderInfoPath);
    names->addWidget(txtWebFolderInfoType);
    names->addWidget(txtWebFolderInfoPath);
    header->addLayout(names, 1);
    imgTreeBarChart = new TClickLabel(panWebFolderInfoPath);
    imgTreeBarChart->setObjectName(QStringLiteral("imgTreeBarChart"));
    imgTreeBarChart->setPixmap(BarChartPicture(palette()));
    imgTreeBarChart->setFixedSize(HeaderIconSize, HeaderIconSize);
    imgTreeBarChart->SetOnClick([this] { imgTreeBarChartClick(); });
    imgTreeBarChart->setToolTip(tr("Tree Bar Chart"));
    header->addWidget(imgTreeBarChart, 0, Qt::AlignTop);
    column->addWidget(panWebFolderInfoPath);

    auto note = [this](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        label->hide();
        return label;
    };
    txtWebFolderInfoIncomplete = note("txtWebFolderInfoIncomplete");
    // Dark red: a warning that reads on the page's light background.
    QPalette warning = txtWebFolderInfoIncomplete->palette();
    warning.setColor(QPalette::WindowText, QColor(0xa0, 0x20, 0x20));
    txtWebFolderInfoIncomplete->setPalette(warning);
    column->addWidget(txtWebFolderInfoIncomplete);
    txtWebFolderInfoChange = note("txtWebFolderInfoChange");
    MakeBold(txtWebFolderInfoChange);
    column->addWidget(txtWebFolderInfoChange);

    CreateFigures();
    auto* centred = new QHBoxLayout;
    centred->addStretch(1);
    centred->addWidget(panWebFolderInfoSizeSupport2);
    centred->addStretch(1);
    column->addLayout(centred);

    CreateGrid();
    column->addWidget(gridFolderInfo, 1);
}

void TFolderInfoPage::CreateFigures() {
    panWebFolderInfoSizeSupport2 = new QWidget(this);
    panWebFolderInfoSizeSupport2->setObjectName(QStringLiteral("panWebFolderInfoSizeSupport2"));
    auto* grid = new QGridLayout(panWebFolderInfoSizeSupport2);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    grid->setColumnMinimumWidth(2, 24);

    auto heading = [this](const QString& text) {
        auto* label = new QLabel(text, panWebFolderInfoSizeSupport2);
        MakeBold(label);
        return label;
    };
    grid->addWidget(heading(TreeFiguresHeading()), 0, 0, 1, 2);
    grid->addWidget(heading(FolderFiguresHeading()), 0, 3, 1, 2);
    const QString captions[] = {SizeCaption(), AllocatedCaption(), WastedCaption(),
                                ObjectsCaption()};
    for (int r = 0; r < 4; ++r) {
        grid->addWidget(new QLabel(captions[r], panWebFolderInfoSizeSupport2), r + 1, 0);
        grid->addWidget(new QLabel(captions[r], panWebFolderInfoSizeSupport2), r + 1, 3);
    }
    QWidget* p = panWebFolderInfoSizeSupport2;
    txtWebTreeInfoSize = FigureValue(p, "txtWebTreeInfoSize");
    txtWebTreeInfoAllocated = FigureValue(p, "txtWebTreeInfoAllocated");
    txtWebTreeInfoWasted = FigureValue(p, "txtWebTreeInfoWasted");
    txtWebTreeInfoObjects = FigureValue(p, "txtWebTreeInfoObjects");
    txtWebFolderInfoSize = FigureValue(p, "txtWebFolderInfoSize");
    txtWebFolderInfoAllocated = FigureValue(p, "txtWebFolderInfoAllocated");
    txtWebFolderInfoWasted = FigureValue(p, "txtWebFolderInfoWasted");
    txtWebFolderInfoObjects = FigureValue(p, "txtWebFolderInfoObjects");
    QLabel* tree[] = {txtWebTreeInfoSize, txtWebTreeInfoAllocated, txtWebTreeInfoWasted,
                      txtWebTreeInfoObjects};
    QLabel* own[] = {txtWebFolderInfoSize, txtWebFolderInfoAllocated, txtWebFolderInfoWasted,
                     txtWebFolderInfoObjects};
    for (int r = 0; r < 4; ++r) {
        grid->addWidget(tree[r], r + 1, 1);
        grid->addWidget(own[r], r + 1, 4);
    }
}

void TFolderInfoPage::CreateGrid() {
    gridFolderInfo = new QTableWidget(FolderInfoRowCount, 2, this);
    gridFolderInfo->setObjectName(QStringLiteral("gridFolderInfo"));
    gridFolderInfo->horizontalHeader()->hide();
    gridFolderInfo->verticalHeader()->hide();
    gridFolderInfo->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridFolderInfo->setSelectionMode(QAbstractItemView::SingleSelection);
    gridFolderInfo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridFolderInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    gridFolderInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    gridFolderInfo->setWordWrap(false);
    const QFontMetrics metrics(gridFolderInfo->font());
    gridFolderInfo->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    gridFolderInfo->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    // The captions keep their column; the values take the rest of the grid.
    int captionWidth = CaptionColumnWidth;
    for (int r = 0; r < FolderInfoRowCount; ++r) {
        for (int c = 0; c < 2; ++c) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            gridFolderInfo->setItem(r, c, item);
        }
    }
    for (const QString& caption : FolderInfoCaptions())
        captionWidth = qMax(captionWidth, metrics.horizontalAdvance(caption) + 16);
    gridFolderInfo->setColumnWidth(0, captionWidth);
    gridFolderInfo->horizontalHeader()->setStretchLastSection(true);
    gridFolderInfo->setMinimumHeight(4 * (metrics.height() + 6));
}

void TFolderInfoPage::Fill() {
    const TFolderNode* node = Host.CurrentNode();
    if (!node || !node->Data)
        return;
    Shown = Host.Contents().Info();
    txtWebFolderInfoIncomplete->setText(Shown.Incomplete);
    txtWebFolderInfoIncomplete->setVisible(!Shown.Incomplete.isEmpty());
    txtWebFolderInfoChange->setText(Shown.Change);
    txtWebFolderInfoChange->setVisible(!Shown.Change.isEmpty());
    txtWebFolderInfoType->setText(Shown.TypeText);
    if (Shown.IsDriveRoot)
        txtWebFolderInfoPath->SetPlainText(Shown.DisplayName);
    else
        txtWebFolderInfoPath->SetPath(Shown.PathText);
    const QIcon icon =
        Shown.IsDriveRoot ? ThemeIcon("drive-harddisk", QStyle::SP_DriveHDIcon) : FolderIcon();
    // Some themes hold only small pictures of an icon; the header wants a large one.
    QPixmap picture = icon.pixmap(HeaderIconSize, HeaderIconSize);
    if (!picture.isNull() && picture.width() < HeaderIconSize)
        picture = picture.scaled(HeaderIconSize, HeaderIconSize, Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
    imgWebFolderInfo->setPixmap(picture);

    ShowFigure(txtWebTreeInfoSize, Shown.Tree.Size);
    ShowFigure(txtWebTreeInfoAllocated, Shown.Tree.Allocated);
    ShowFigure(txtWebTreeInfoWasted, Shown.Tree.Wasted);
    ShowFigure(txtWebTreeInfoObjects, Shown.Tree.Objects);
    ShowFigure(txtWebFolderInfoSize, Shown.Folder.Size);
    ShowFigure(txtWebFolderInfoAllocated, Shown.Folder.Allocated);
    ShowFigure(txtWebFolderInfoWasted, Shown.Folder.Wasted);
    ShowFigure(txtWebFolderInfoObjects, Shown.Folder.Objects);

    for (int r = 0; r < FolderInfoRowCount; ++r) {
        const TInfoRow& row = Shown.Rows[static_cast<std::size_t>(r)];
        gridFolderInfo->item(r, 0)->setText(row.Caption);
        gridFolderInfo->item(r, 1)->setText(row.Value);
        gridFolderInfo->item(r, 1)->setToolTip(row.Value);
    }
}

void TFolderInfoPage::Layout() {
    // A folder's header shows its path, shortened to the room there is; a
    // drive root keeps the drive's name that Fill put there.
    const TFolderNode* node = Host.CurrentNode();
    if (node && node->Parent)
        txtWebFolderInfoPath->SetPath(DisplayPath(Host.CurrentPath()));
}

void TFolderInfoPage::resizeEvent(QResizeEvent* event) {
    TContentPage::resizeEvent(event);
    Layout();
}

void TFolderInfoPage::imgWebFolderInfoClick() {
    const TFolderNode* node = Host.CurrentNode();
    if (!node || Host.CurrentPath().empty())
        return;
    ShowItemProperties(Host.CurrentPath(), window(),
                       node->Data ? std::optional<std::int64_t>(node->Data->TreeSize)
                                  : std::nullopt);
}

void TFolderInfoPage::imgTreeBarChartClick() {
    Host.ShowBarChart();
}
