#include "ui/charts/SectionSizeBox.h"

#include "shell/ShellPaths.h"

#include "settings/ColorTable.h"
#include "settings/ConfigKeys.h"
#include "settings/ProgramSettings.h"
#include "shell/WindowPlacement.h"
#include "ui/charts/SimplePieGauge.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& text, int pixelSize, bool bold,
                  const char* name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    // The window is narrow: long sizes must shrink, not widen it.
    label->setMinimumWidth(1);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

TSimplePieGauge* MakeGauge(QWidget* parent, const char* name) {
    auto* gauge = new TSimplePieGauge(parent);
    gauge->setObjectName(QString::fromLatin1(name));
    gauge->SetBorderStyle(TGaugeBorderStyle::None);
    gauge->SetShowText(false);
    gauge->setFixedSize(32, 32);
    return gauge;
}

// Holds a gauge at a fixed top, centred horizontally on every resize.
class TGaugeHolder : public QWidget {
public:
    TGaugeHolder(QWidget* parent, TSimplePieGauge*& gauge, const char* name, int top, int height)
        : QWidget(parent), Top(top) {
        gauge = MakeGauge(this, name);
        Gauge = gauge;
        setFixedHeight(height);
    }

protected:
    void resizeEvent(QResizeEvent*) override { Gauge->move((width() - Gauge->width()) / 2, Top); }

private:
    TSimplePieGauge* Gauge = nullptr;
    int Top;
};

} // namespace

TSectionSizeBox::TSectionSizeBox(TProgramSettings& settings, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint |
                         Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      Options(settings) {
    setObjectName(QStringLiteral("SectionSizeBox"));
    setWindowTitle(tr("Wasted & Drive Info"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->setSpacing(0);

    panWasted = new QWidget(this);
    panWasted->setObjectName(QStringLiteral("panWasted"));
    panWasted->setFixedHeight(97);
    auto* wasted = new QVBoxLayout(panWasted);
    wasted->setContentsMargins(0, 0, 0, 0);
    wasted->setSpacing(0);
    wasted->addWidget(MakeLabel(panWasted, tr("Item wastes"), 12, false, "Label2"));
    txtWasted = MakeLabel(panWasted, QString(), 12, true, "txtWasted");
    wasted->addWidget(txtWasted);
    wasted->addWidget(new TGaugeHolder(panWasted, gaugeWasted, "gaugeWasted", 2, 36));
    wasted->addWidget(MakeLabel(panWasted, tr("of used space"), 12, false, "Label1"));
    auto* bevel = new QFrame(panWasted);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    wasted->addWidget(bevel);
    outer->addWidget(panWasted);

    auto* panDrive = new QWidget(this);
    panDrive->setObjectName(QStringLiteral("panDrive"));
    auto* drive = new QVBoxLayout(panDrive);
    drive->setContentsMargins(0, 0, 0, 0);
    drive->setSpacing(0);
    txtDrive = MakeLabel(panDrive, QString(), 13, true, "txtDrive");
    txtDrive->setFixedHeight(25);
    drive->addWidget(txtDrive);
    drive->addWidget(MakeLabel(panDrive, tr("Free space"), 12, false, "Label4"));
    panFreeSpace = new TGaugeHolder(panDrive, gaugeDriveFreeSpace, "gaugeDriveFreeSpace", 6, 43);
    panFreeSpace->setObjectName(QStringLiteral("panFreeSpace"));
    drive->addWidget(panFreeSpace);
    txtDriveFreeSpace = MakeLabel(panDrive, QString(), 12, false, "txtDriveFreeSpace");
    drive->addWidget(txtDriveFreeSpace);
    txtDriveCapacity = MakeLabel(panDrive, QString(), 12, false, "txtDriveCapacity");
    drive->addWidget(txtDriveCapacity);
    drive->addStretch(1);
    outer->addWidget(panDrive, 1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* hide = PopupMenu1->addAction(tr("&Hide"));
    hide->setObjectName(QStringLiteral("popSectionBoxHide"));
    connect(hide, &QAction::triggered, this, &TSectionSizeBox::popSectionBoxHideClick);
    PopupMenu1->addSeparator();
    QAction* defaultSize = PopupMenu1->addAction(tr("&Default Size"));
    defaultSize->setObjectName(QStringLiteral("popSectionBoxDefaultSize"));
    connect(defaultSize, &QAction::triggered, this,
            &TSectionSizeBox::popSectionBoxDefaultSizeClick);

    resize(DefaultWidth, DefaultHeight);
    SetDrive(QStringLiteral("?"), 0, QString(), QString());
    SetWasted(0, QString());
    ApplyGaugeColors();
}

TSectionSizeBox::~TSectionSizeBox() = default;

void TSectionSizeBox::LoadSettings(const TSettingsStore& store) {
    RestoreBounds(this, store, Keys::PopUpBoxBounds);
}

void TSectionSizeBox::SaveSettings(TSettingsStore& store) const {
    SaveBounds(this, store, Keys::PopUpBoxBounds);
}

void TSectionSizeBox::SetWasted(int percent, const QString& text) {
    txtWasted->setText(text);
    gaugeWasted->SetProgress(percent);
}

void TSectionSizeBox::SetDrive(const QString& drive, int percent, const QString& freeText,
                               const QString& capacityText) {
    DrivePath = drive;
    DriveText = tr("Drive %1").arg(drive);
    txtDrive->setToolTip(DriveText);
    ElideDriveText();
    ShowFreeSpace(percent, freeText, capacityText);
}

void TSectionSizeBox::SetScanFile(const QString& file) {
    DrivePath.clear();
    DriveText = tr("Scan file");
    txtDrive->setToolTip(file);
    ElideDriveText();
    ShowFreeSpace(-1, QString(), QString());
}

void TSectionSizeBox::ShowFreeSpace(int percent, const QString& freeText,
                                    const QString& capacityText) {
    const bool known = percent >= 0;
    gaugeDriveFreeSpace->setVisible(known);
    gaugeDriveFreeSpace->SetProgress(known ? percent : 0);
    txtDriveFreeSpace->setText(known ? freeText + tr(" out of") : tr("not known"));
    txtDriveCapacity->setText(known ? capacityText : QString());
}

void TSectionSizeBox::ElideDriveText() {
    // Root paths can be long: leading folders give way to "...", the drive's
    // own name stays ("Drive .../xdrive"); where that is still too wide the
    // word "Drive" goes, and a name too long even alone is cut at its end.
    // The tooltip has the whole path.
    const QFontMetrics metrics = txtDrive->fontMetrics();
    const int width = txtDrive->width() - 2;
    const auto fit = [&metrics](const QString& path, int room) {
        QString shown = MinimizePath(path, metrics, std::max(8, room));
        // Even where nothing but the name fits, the dots say that folders went.
        if (shown != path && !shown.startsWith(QLatin1Char('/')) &&
            !shown.startsWith(QLatin1String("...")))
            shown.prepend(QLatin1String(".../"));
        return shown;
    };
    QString text = DriveText;
    if (!DrivePath.isEmpty()) {
        const QString word = tr("Drive %1").arg(QString());
        text = word + fit(DrivePath, width - metrics.horizontalAdvance(word));
        if (metrics.horizontalAdvance(text) > width)
            text = fit(DrivePath, width);
    }
    txtDrive->setText(metrics.elidedText(text, Qt::ElideRight, width));
}

void TSectionSizeBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ElideDriveText();
}

void TSectionSizeBox::ApplyGaugeColors() {
    const TColorTable& colors = Settings().Colors;
    gaugeWasted->SetForeColor(ResolveColor(colors[ciPieSectionWasted]));
    gaugeDriveFreeSpace->SetForeColor(ResolveColor(colors[ciPieFreeSpace]));
}

void TSectionSizeBox::popSectionBoxHideClick() {
    close();
}

void TSectionSizeBox::popSectionBoxDefaultSizeClick() {
    resize(DefaultWidth, DefaultHeight);
}

void TSectionSizeBox::closeEvent(QCloseEvent* event) {
    Settings().PieSectionSizeWindow.Value = false;
    emit ClosedByUser();
    QWidget::closeEvent(event);
}

void TSectionSizeBox::contextMenuEvent(QContextMenuEvent* event) {
    PopupMenu1->popup(event->globalPos());
}
