// The wasted space page: a heading and seven panels of caption, gauge and
// value, filled from WastedSpaceContent every time the page is shown.
#include "ui/main/WastedPage.h"

#include "shell/HelpWindow.h"
#include "shell/ShellPaths.h"
#include "ui/charts/SimplePieGauge.h"
#include "ui/main/FolderInfoLabels.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int PanelWidth = 75;
constexpr int GaugeSize = 52;

QLabel* CentredLabel(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

TWastedPage::TWastedPage(TPageHost& host, QWidget* parent) : TContentPage(host, parent) {
    setObjectName(QStringLiteral("WastedPage"));
    UsePageBackground(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);

    panWebWastedPath = new QWidget(this);
    panWebWastedPath->setObjectName(QStringLiteral("panWebWastedPath"));
    auto* heading = new QVBoxLayout(panWebWastedPath);
    heading->setContentsMargins(0, 0, 0, 0);
    heading->setSpacing(2);
    txtWebWastedAmount = new QLabel(panWebWastedPath);
    txtWebWastedAmount->setObjectName(QStringLiteral("txtWebWastedAmount"));
    txtWebWastedPath = new TPathLabel(panWebWastedPath);
    txtWebWastedPath->setObjectName(QStringLiteral("txtWebWastedPath"));
    MakeBold(txtWebWastedPath);
    txtWebWastedAtDiff = new QLabel(panWebWastedPath);
    txtWebWastedAtDiff->setObjectName(QStringLiteral("txtWebWastedAtDiff"));
    heading->addWidget(txtWebWastedAmount);
    heading->addWidget(txtWebWastedPath);
    heading->addWidget(txtWebWastedAtDiff);
    column->addWidget(panWebWastedPath);

    // Two rows of panels, centred in the room below the heading.
    auto* panels = new QGridLayout;
    panels->setHorizontalSpacing(6);
    panels->setVerticalSpacing(0);
    const auto names = WastedPanels(nullptr, 0);
    for (int i = 0; i < AltClusterCount; ++i) {
        const TWastedPanel& facts = names[static_cast<std::size_t>(i)];
        const QString n = QString::number(i + 1);
        auto* panel = new QWidget(this);
        panel->setObjectName(QStringLiteral("panWasted") + n);
        panel->setFixedWidth(PanelWidth);
        panel->setAutoFillBackground(true);
        panel->setToolTip(facts.PanelHint);
        auto* box = new QVBoxLayout(panel);
        box->setContentsMargins(2, 4, 2, 4);
        box->setSpacing(3);
        QLabel* caption = CentredLabel(panel, QStringLiteral("capWasted") + n);
        caption->setText(facts.Caption);
        caption->setToolTip(facts.CaptionHint);
        MakeBold(caption);
        auto* gauge = new TSimplePieGauge(panel);
        gauge->setObjectName(QStringLiteral("WastedInd") + n);
        gauge->setFixedSize(GaugeSize, GaugeSize);
        gauge->SetForeColor(QColor(0x00, 0xff, 0x00));
        gauge->SetBackColor(Qt::white);
        QLabel* value = CentredLabel(panel, QStringLiteral("txtWasted") + n);
        box->addWidget(caption);
        box->addWidget(gauge, 0, Qt::AlignHCenter);
        box->addWidget(value);
        panWasted[static_cast<std::size_t>(i)] = panel;
        capWasted[static_cast<std::size_t>(i)] = caption;
        WastedInd[static_cast<std::size_t>(i)] = gauge;
        txtWasted[static_cast<std::size_t>(i)] = value;
        panels->addWidget(panel, i / 4, i % 4);
    }
    txtWebReduceWaste = new TClickLabel(this);
    txtWebReduceWaste->setObjectName(QStringLiteral("txtWebReduceWaste"));
    txtWebReduceWaste->setText(ReduceWasteLinkText());
    txtWebReduceWaste->setWordWrap(true);
    txtWebReduceWaste->setAlignment(Qt::AlignCenter);
    txtWebReduceWaste->setFixedWidth(PanelWidth + 20);
    QPalette link = txtWebReduceWaste->palette();
    link.setColor(QPalette::WindowText, link.color(QPalette::Link));
    txtWebReduceWaste->setPalette(link);
    QFont underlined = txtWebReduceWaste->font();
    underlined.setUnderline(true);
    txtWebReduceWaste->setFont(underlined);
    txtWebReduceWaste->SetOnClick([this] { txtWebReduceWasteClick(); });
    panels->addWidget(txtWebReduceWaste, 1, 3, Qt::AlignCenter);

    auto* across = new QHBoxLayout;
    across->addStretch(1);
    across->addLayout(panels);
    across->addStretch(1);
    column->addStretch(1);
    column->addLayout(across);
    column->addStretch(1);
}

void TWastedPage::Fill() {
    const TFolderNode* node = Host.CurrentNode();
    if (!node || !node->Data)
        return;
    Shown = Host.Contents().Wasted();
    txtWebWastedAmount->setText(Shown.Amount);
    if (Shown.IsDriveRoot)
        txtWebWastedPath->SetPlainText(Shown.PathText);
    else
        txtWebWastedPath->SetPath(Shown.PathText);
    txtWebWastedAtDiff->setText(Shown.AtDifferentSizes);
    for (std::size_t i = 0; i < Shown.Panels.size(); ++i) {
        const TWastedPanel& p = Shown.Panels[i];
        QPalette palette = panWasted[i]->palette();
        palette.setColor(QPalette::Window,
                         palette.color(p.DriveSize ? QPalette::Button : QPalette::Base));
        panWasted[i]->setPalette(palette);
        WastedInd[i]->SetProgress(p.Percent);
        txtWasted[i]->setText(p.Value.Text);
        txtWasted[i]->setToolTip(p.Value.Hint);
    }
}

void TWastedPage::Layout() {
    const TFolderNode* node = Host.CurrentNode();
    if (node && node->Parent)
        txtWebWastedPath->SetPath(DisplayPath(Host.CurrentPath()));
}

void TWastedPage::resizeEvent(QResizeEvent* event) {
    TContentPage::resizeEvent(event);
    Layout();
}

void TWastedPage::txtWebReduceWasteClick() {
    ShowHelp(Shown.HelpContext, window());
}
