// The pie page: builds the chart from the section choice, keeps the header in
// step with the mouse, and turns clicks into moves through the folder tree.
#include "ui/main/PiePage.h"

#include "engine/ScopeExit.h"

#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "engine/PieArithmetic.h"
#include "models/FolderInfoContent.h"
#include "models/FolderTreeModel.h"
#include "models/PieContent.h"
#include "settings/ColorTable.h"
#include "settings/ProgramSettings.h"
#include "shell/ItemProperties.h"
#include "shell/ShellPaths.h"
#include "ui/charts/PieDisplay.h"
#include "ui/charts/SectionSizeBox.h"
#include "ui/charts/SimplePieGauge.h"
#include "ui/main/PieLook.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// A label that shortens its text to fit instead of growing; text() stays whole.
class TElidedLabel : public QLabel {
public:
    TElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), Mode(mode) {
        setTextFormat(Qt::PlainText);
        setMinimumWidth(1);
    }
    QSize minimumSizeHint() const override { return QSize(1, QLabel::minimumSizeHint().height()); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(area, int(alignment()),
                         fontMetrics().elidedText(text(), Mode, area.width()));
    }

private:
    Qt::TextElideMode Mode;
};

QFont Bold(QFont font) {
    font.setBold(true);
    return font;
}

} // namespace

TPieOptions PieOptionsFromSettings(const TProgramSettings& s) {
    TPieOptions options;
    options.IncludeWasted = s.IncludeWastedInformation.Value;
    options.ShowFiles = s.ShowFileNames.Value;
    options.LabelValue = s.ShowPercentInPie.Value;
    options.SortAscending = s.SortAscending.Value;
    options.MinFolderAngle = s.MinFolderSectionAngle;
    options.MinFileAngle = s.MinFileSectionAngle;
    return options;
}

TPiePage::TPiePage(TPageHost& host, QWidget* parent)
    : TContentPage(host, parent), PieChart(&Surface, 0, 0), ZoomInCursor(MakeZoomCursor(true)),
      ZoomOutCursor(MakeZoomCursor(false)), GroupIcons{MakeGroupIcon(0), MakeGroupIcon(1)} {
    setObjectName(QStringLiteral("PiePage"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    CreateHeader();
    column->addWidget(panPieSectionHeader);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    column->addWidget(line);
    FolderPie = new TPieDisplay(this);
    FolderPie->setObjectName(QStringLiteral("FolderPie"));
    column->addWidget(FolderPie, 1);
    connect(FolderPie, &TPieDisplay::MouseMove, this, &TPiePage::FolderPieMouseMove);
    connect(FolderPie, &TPieDisplay::MouseDown, this, &TPiePage::FolderPieMouseDown);
    connect(FolderPie, &TPieDisplay::Resized, this, &TPiePage::Layout);

    PieChart.Display = FolderPie;
    PieChart.Picture = &Surface.Image();
    PieChart.CloseLastSection = true;
    PieChart.MinLabelAngle = Host.Settings().MinTextSectionAngle;
    // The window applies the colours again when it is shown and after the
    // options change; a page used before that must not draw in black.
    ApplyColors();
}

TPiePage::~TPiePage() = default;

void TPiePage::CreateHeader() {
    panPieSectionHeader = new QWidget(this);
    panPieSectionHeader->setObjectName(QStringLiteral("panPieSectionHeader"));
    panPieSectionHeader->setFixedHeight(41);
    panPieSectionHeader->setAutoFillBackground(true);
    QPalette palette = panPieSectionHeader->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    panPieSectionHeader->setPalette(palette);

    auto* row = new QHBoxLayout(panPieSectionHeader);
    row->setContentsMargins(4, 2, 8, 2);
    row->setSpacing(8);

    imgIcon = new QLabel(panPieSectionHeader);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setFixedSize(32, 32);
    imgIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgIcon->setCursor(Qt::PointingHandCursor);
    imgIcon->setToolTip(tr("Click to display item properties"));
    imgIcon->installEventFilter(this);
    row->addWidget(imgIcon);

    auto* names = new QVBoxLayout;
    names->setSpacing(0);
    txtWebFolderType = new TElidedLabel(Qt::ElideRight, panPieSectionHeader);
    txtWebFolderType->setObjectName(QStringLiteral("txtWebFolderType"));
    txtWebFolderType->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    names->addWidget(txtWebFolderType);
    txtWebFolderName = new TElidedLabel(Qt::ElideMiddle, panPieSectionHeader);
    txtWebFolderName->setObjectName(QStringLiteral("txtWebFolderName"));
    txtWebFolderName->setFont(Bold(txtWebFolderName->font()));
    txtWebFolderName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    names->addWidget(txtWebFolderName);
    row->addLayout(names, 1);

    txtWebFolderSize = new QLabel(panPieSectionHeader);
    txtWebFolderSize->setObjectName(QStringLiteral("txtWebFolderSize"));
    txtWebFolderSize->setFont(Bold(txtWebFolderSize->font()));
    txtWebFolderSize->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for any size text, so the header does not jump about as
    // the mouse moves from section to section.
    txtWebFolderSize->setMinimumWidth(
        QFontMetrics(txtWebFolderSize->font()).horizontalAdvance(QStringLiteral("9,999.99 GB")));
    auto* sizes = new QVBoxLayout;
    sizes->setSpacing(0);
    sizes->addStretch(1);
    sizes->addWidget(txtWebFolderSize);
    txtWebFolderChange = new QLabel(panPieSectionHeader);
    txtWebFolderChange->setObjectName(QStringLiteral("txtWebFolderChange"));
    txtWebFolderChange->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtWebFolderChange->hide();
    sizes->addWidget(txtWebFolderChange);
    sizes->addStretch(1);
    row->addLayout(sizes);

    gaugeWebSection = new TSimplePieGauge(panPieSectionHeader);
    gaugeWebSection->setObjectName(QStringLiteral("gaugeWebSection"));
    gaugeWebSection->SetShowText(false);
    gaugeWebSection->SetBorderStyle(TGaugeBorderStyle::None);
    gaugeWebSection->setFixedSize(32, 32);
    row->addWidget(gaugeWebSection);

    auto* drive = new QVBoxLayout;
    drive->setSpacing(0);
    txtWebSectionDrive = new TElidedLabel(Qt::ElideMiddle, panPieSectionHeader);
    txtWebSectionDrive->setObjectName(QStringLiteral("txtWebSectionDrive"));
    txtWebSectionDrive->setMaximumWidth(200);
    drive->addWidget(txtWebSectionDrive);
    txtWebSectionDriveSize = new QLabel(panPieSectionHeader);
    txtWebSectionDriveSize->setObjectName(QStringLiteral("txtWebSectionDriveSize"));
    drive->addWidget(txtWebSectionDriveSize);
    row->addLayout(drive);
}

QCursor TPiePage::CursorShape(int number) const {
    switch (number) {
    case PieCursorZoomIn:
        return ZoomInCursor;
    case PieCursorZoomOut:
        return ZoomOutCursor;
    default:
        return QCursor(Qt::ArrowCursor);
    }
}

// ---- building ---------------------------------------------------------------------

void TPiePage::Fill() {
    BuildPie(Host.CurrentNode());
}

void TPiePage::Clear() {
    Highlighted = -1;
    PieChart.HighlightIndex = -1;
    PieChart.BeginUpdate();
    Shown = TPieContent{};
    Pointed = 0;
    PieChart.Clear();
    HeaderRecord = -1;
    PieChart.EndUpdate();
}

void TPiePage::BuildPie(TFolderNode* node) {
    if (!node || !node->Data)
        return;
    Highlighted = -1;
    PieChart.HighlightIndex = -1;
    PieChart.MinLabelAngle = Host.Settings().MinTextSectionAngle;
    PieChart.BeginUpdate();
    // However the build ends, the chart paints and shows what it has.
    TScopeExit endUpdate([this] { PieChart.EndUpdate(); });

    PieChart.Clear();
    Shown = Host.Contents().Pie(PieOptionsFromSettings(Host.Settings()));
    Pointed = 0;
    ShowDriveLabels();
    HeaderRecord = -1;
    ShowRecord(0);

    const TColorTable& colors = Host.Settings().Colors;
    for (const TPieSlice& slice : Shown.Slices) {
        TPieSection* section = PieChart.AddSection(
            slice.Caption, ResolveColor(colors[std::size_t(slice.ColorIndex)]), slice.Angle);
        section->Item = slice.Item;
    }
    // The slices come sorted: the chart's own sort need not run, and equal
    // sections keep the order an export of the same pie shows.
    FitChart();
}

void TPiePage::Layout() {
    const QSize size = FolderPie->size();
    if (size == LaidOutSize)
        return;
    LaidOutSize = size;
    Surface.Resize(size.width(), size.height());
    FitChart();
    // Inside a build the build's own end paints.
    if (PieChart.UpdateCount() == 0)
        PieChart.EndUpdate();
}

void TPiePage::FitChart() {
    // The chart keeps fixed margins around its disc, too narrow for long
    // captions beside it or any caption below it. It gets an area of its own,
    // centred on the display, just large enough for the largest disc whose
    // labels all fit; never less than half the disc the display allows, so
    // one absurdly long name cannot shrink the pie to nothing.
    constexpr int mx = THPieChart::HorizontalMargin;
    constexpr int my = THPieChart::VerticalMargin;
    const QSize area = LaidOutSize;
    const int full = std::max(0, std::min(area.width() - 2 * mx, area.height() - 2 * my));

    struct TLabel {
        double Middle;
        QSize Extent;
    };
    std::vector<TLabel> labels;
    double c0 = 0.0;
    for (int i = 0; i < PieChart.SectionCount(); ++i) {
        const TPieSection& section = *PieChart.GetSection(i);
        const double c = std::min(c0 + section.Angle, 360.0);
        if (!section.Caption.isEmpty() && section.Angle >= PieChart.MinLabelAngle)
            labels.push_back({(c - c0) / 2.0 + c0, Surface.TextExtent(section.Caption)});
        c0 = c;
        if (c >= 360.0)
            break;
    }
    // Label boxes placed as the chart places them, around a disc of diameter d.
    const QRect bounds(QPoint(0, 0), area);
    auto fits = [&](int d) {
        const int r = d / 2;
        const QPoint origin((area.width() - d - 2 * mx) / 2, (area.height() - d - 2 * my) / 2);
        const QPoint centre = origin + QPoint(mx + r, my + r);
        for (const TLabel& label : labels) {
            QPoint pos = centre + PieChart.PointAt(label.Middle, r + THPieChart::LeaderLength) -
                         PieChart.Centre();
            if (label.Middle < 180.0)
                pos.rx() -= label.Extent.width();
            if (label.Middle < 90.0 || label.Middle > 270.0)
                pos.ry() -= label.Extent.height();
            const QRect box(pos - QPoint(4, 2), label.Extent + QSize(8, 4));
            if (!bounds.contains(box))
                return false;
        }
        return true;
    };
    int low = full / 2;
    int high = full;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    const QSize chart(low + 2 * mx, low + 2 * my);
    PieChart.SetSize(chart.width(), chart.height());
    const QPoint origin((area.width() - chart.width()) / 2, (area.height() - chart.height()) / 2);
    Surface.PlaceChart(origin, chart);
    // Labels that must move may use the whole display, not only the chart's margins.
    PieChart.LabelArea = QRect(-origin, area);
}

void TPiePage::ApplyColors() {
    const TColorTable& c = Host.Settings().Colors;
    PieChart.BeginUpdate();
    PieChart.SetLabelColors(
        ResolveColor(c[ciPieTextRectBackground]), ResolveColor(c[ciPieTextRectLines]),
        ResolveColor(c[ciPieText]), ResolveColor(c[ciPieTextRectBackgroundHighlighted]),
        ResolveColor(c[ciPieTextRectLinesHighlighted]), ResolveColor(c[ciPieTextHighlighted]));
    PieChart.SetColors(ResolveColor(c[ciPieBackground]), ResolveColor(c[ciPieLines]),
                       ResolveColor(c[ciPieNormalFolder]));
    PieChart.EndUpdate();
    gaugeWebSection->SetForeColor(ResolveColor(c[ciPieSectionSize]));
}

// ---- the header -------------------------------------------------------------------

void TPiePage::ShowDriveLabels() {
    txtWebSectionDrive->setText(tr("of %1").arg(DisplayPath(Host.CurrentDrive())));
    txtWebSectionDrive->setToolTip(txtWebSectionDrive->text());
    const std::int64_t total = Host.CurrentDriveTotal();
    txtWebSectionDriveSize->setText(total >= 0 ? FormatSize(total) : QString());
}

void TPiePage::ShowRecord(int index) {
    if (index < 0 || std::size_t(index) >= Shown.Items.size())
        return;
    const TPieItem& item = Shown.Items[std::size_t(index)];
    FolderPie->setCursor(CursorShape(item.Cursor));
    Pointed = index;
    if (index == HeaderRecord)
        return;
    HeaderRecord = index;
    UpdateSectionHeader(item);
}

void TPiePage::UpdateSectionHeader(const TPieItem& item) {
    const std::string& path = item.Path;
    const TPieItemKind kind = item.Kind;
    const std::int64_t wasted = item.Wasted;
    const std::int64_t size = item.Size;
    std::int64_t shown = size;
    if (Host.Settings().IncludeWastedInformation.Value && size != -1 && wasted != -1)
        shown = size + wasted;
    if (TSectionSizeBox* box = Host.SectionSizeBox())
        box->SetWasted(PercentOf(size + wasted, wasted), FormatSize(wasted));

    const QString text = DisplayPath(path);
    switch (kind) {
    case TPieItemKind::File:
        Host.SetStatusText(0, tr("File ") + text);
        break;
    case TPieItemKind::Folder:
        Host.SetStatusText(0, tr("Folder ") + text);
        break;
    case TPieItemKind::Drive:
        Host.SetStatusText(0, tr("Drive ") + text);
        break;
    case TPieItemKind::Group:
        Host.SetStatusText(0, text);
        break;
    }

    txtWebFolderSize->setText(shown >= 0 ? FormatSize(shown) : QString());
    const std::int64_t total = Host.CurrentDriveTotal();
    const int percent = total > 0 && shown >= 0 ? PercentOf(total, shown) : 0;
    gaugeWebSection->SetProgress(percent);
    gaugeWebSection->setToolTip(tr("%1% of the drive").arg(percent));

    QPixmap icon(32, 32);
    icon.fill(panPieSectionHeader->palette().color(QPalette::Window));
    if (kind == TPieItemKind::Group) {
        txtWebFolderType->clear();
        txtWebFolderName->setText(text);
        QPainter painter(&icon);
        painter.drawPixmap(0, 0, GroupIcons[text == PieOtherSmallerFolders() ? 1 : 0]);
    } else {
        const bool folder = kind != TPieItemKind::File;
        // A scanned drive's root is the top of its tree.
        const bool driveRoot = item.Node && !item.Node->Parent;
        const TPieItemLook look = LookOfPieItem(path, folder, driveRoot ? item.Node : nullptr);
        txtWebFolderName->setText(look.DisplayName);
        txtWebFolderType->setText(look.TypeName);
        QPainter painter(&icon);
        painter.drawPixmap(0, 0, look.Icon.pixmap(32, 32));
    }
    imgIcon->setPixmap(icon);
    txtWebFolderName->setToolTip(txtWebFolderName->text());

    const TChangeText change =
        item.Node ? FolderChangeText(Host.Comparison(), *item.Node) : TChangeText{};
    txtWebFolderChange->setText(change.Short);
    txtWebFolderChange->setToolTip(change.Long);
    txtWebFolderChange->setVisible(!change.Short.isEmpty());
}

// ---- the mouse ----------------------------------------------------------------------

void TPiePage::FolderPieMouseMove(int x, int y) {
    if (Host.NotReadyShown())
        return;
    const QPoint at = QPoint(x, y) - Surface.ChartOrigin();
    const int index = PieChart.SectionAt(at.x(), at.y());
    if (index != Highlighted) {
        PieChart.DrawSectionLabel(Highlighted, false);
        Highlighted = index;
        PieChart.HighlightIndex = index;
        PieChart.DrawSectionLabel(index, true);
    }
    // Outside the disc the folder itself is under attention.
    const TPieSection* section = PieChart.GetSection(index);
    ShowRecord(section ? section->Item : 0);
}

void TPiePage::FolderPieMouseDown(Qt::MouseButton button, int x, int y) {
    if (Host.NotReadyShown())
        return;
    // The item under the button, even when no move announced it.
    FolderPieMouseMove(x, y);
    if (button == Qt::RightButton) {
        if (Shown.Items.empty() || PointedItem().Kind == TPieItemKind::Group)
            return;
        // A copy: the menu may rebuild the pie, which replaces the items.
        const TPieItem item = PointedItem();
        Host.ShowItemMenu(item, QPoint(x, y), FolderPie);
        return;
    }
    if (button != Qt::LeftButton)
        return;
    const QPoint at = QPoint(x, y) - Surface.ChartOrigin();
    const int index = PieChart.SectionAt(at.x(), at.y());
    if (index < 0) {
        GoUpOneLevel();
        return;
    }
    const TPieSection* section = PieChart.GetSection(index);
    // Files and groups open nothing; "Files in this folder" stands for the
    // folder already shown.
    TFolderNode* node = section && std::size_t(section->Item) < Shown.Items.size()
                            ? Shown.Items[std::size_t(section->Item)].Node
                            : nullptr;
    if (node && node != Host.CurrentNode())
        OpenSubfolder(node);
}

void TPiePage::OpenSubfolder(TFolderNode* node) {
    Host.OpenFolder(node);
}

void TPiePage::GoUpOneLevel() {
    Host.GoUp(Host.Settings().AutoCollapse.Value);
}

void TPiePage::imgIconClick() {
    // The item the header describes; a group is no item on disk, so its
    // header stands for the folder it belongs to.
    std::string path = Host.CurrentPath();
    std::optional<std::int64_t> knownSize;
    if (const TFolderNode* node = Host.CurrentNode(); node && node->Data)
        knownSize = node->Data->TreeSize;
    if (HeaderRecord >= 0 && std::size_t(HeaderRecord) < Shown.Items.size() &&
        Shown.Items[std::size_t(HeaderRecord)].Kind != TPieItemKind::Group) {
        const TPieItem& item = Shown.Items[std::size_t(HeaderRecord)];
        path = item.Path;
        knownSize = item.Node ? std::optional<std::int64_t>(item.Size) : std::nullopt;
    }
    if (!path.empty())
        ShowItemProperties(path, window(), knownSize);
}

bool TPiePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgIcon && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        imgIconClick();
        return true;
    }
    return TContentPage::eventFilter(watched, event);
}
