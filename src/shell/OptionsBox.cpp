// The "Options" dialog.
#include "shell/OptionsBox.h"
#include "shell/Buttons.h"

#include "settings/Product.h"
#include "settings/ProgramSettings.h"
#include "shell/DriveLists.h"
#include "shell/DrivesSelectBox.h"
#include "shell/FileManagerEntry.h"
#include "shell/HelpWindow.h"
#include "shell/MessageBox.h"
#include "shell/WindowPlacement.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QCheckBox* MakeCheckBox(QWidget* parent, const QString& text, const char* name) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

constexpr std::array<double, 3> DefaultAngles{
    DefaultMinFileSectionAngle, DefaultMinFolderSectionAngle, DefaultMinTextSectionAngle};

} // namespace

TOptionsBox::TOptionsBox(TProgramSettings& settings, QWidget* owner)
    : QDialog(owner), ProgramPath(QCoreApplication::applicationFilePath()), Settings(settings) {
    setObjectName(QStringLiteral("OptionsBox"));
    setWindowTitle(tr("Options"));
    CreateComponents();
    FormCreate();
}

void TOptionsBox::CreateComponents() {
    grpColors = new QGroupBox(tr(" Co&lors "), this);
    grpColors->setObjectName(QStringLiteral("grpColors"));
    lbColors = new QListWidget(grpColors);
    lbColors->setObjectName(QStringLiteral("lbColors"));
    for (int i = 0; i < ColorCount; ++i)
        lbColors->addItem(ColorCaption(i));
    // Wide enough for the longest caption; whole rows, so none shows cut.
    lbColors->setMinimumWidth(lbColors->sizeHintForColumn(0) + 28);
    lbColors->setFixedHeight(lbColors->sizeHintForRow(0) * 12 + 2 * lbColors->frameWidth());
    auto* colorLabel = new QLabel(tr("Color"), grpColors);
    TheColorButton = MakeButton(grpColors, QString(), "TheColorButton");
    TheColorButton->setFixedSize(64, 26);
    TheColorButton->setIconSize(QSize(52, 16));
    TheColorButton->setToolTip(tr("Click to change the color"));
    Button1 = MakeButton(grpColors, tr("&Default colors"), "Button1");
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(TheColorButton);
    colorRow->addStretch(1);
    colorRow->addWidget(Button1);
    auto* colors = new QVBoxLayout(grpColors);
    colors->addWidget(lbColors, 1);
    colors->addLayout(colorRow);

    grpPreferences = new QGroupBox(tr(" Preferences "), this);
    grpPreferences->setObjectName(QStringLiteral("grpPreferences"));
    chkIncludeWasted =
        MakeCheckBox(grpPreferences, tr("Include &wasted space"), "chkIncludeWasted");
    chkShowFileNames = MakeCheckBox(grpPreferences, tr("Show file&names"), "chkShowFileNames");
    chkAutoExpand = MakeCheckBox(grpPreferences, tr("Auto &Expand"), "chkAutoExpand");
    chkAutoCollapse = MakeCheckBox(grpPreferences, tr("Auto &Collapse"), "chkAutoCollapse");
    chkKeepEveryFile = MakeCheckBox(grpPreferences, tr("&Keep every file"), "chkKeepEveryFile");
    chkKeepEveryFile->setToolTip(
        tr("Scans keep the name, size and time of every file, for Largest Files, File Types and "
           "Find; without it folders keep their sums only, in less memory. Drives scanned from "
           "now on follow it."));
    auto* preferences = new QGridLayout(grpPreferences);
    preferences->addWidget(chkIncludeWasted, 0, 0);
    preferences->addWidget(chkShowFileNames, 1, 0);
    preferences->addWidget(chkAutoExpand, 0, 1);
    preferences->addWidget(chkAutoCollapse, 1, 1);
    preferences->addWidget(chkKeepEveryFile, 2, 0, 1, 2);

    grpPie = new QGroupBox(tr(" Pie "), this);
    grpPie->setObjectName(QStringLiteral("grpPie"));
    auto* pie = new QGridLayout(grpPie);
    const std::pair<QString, const char*> thresholds[] = {
        {tr("Show &files larger than"), "ediMinFileSection"},
        {tr("Show folde&rs larger than"), "ediMinFolderSection"},
        {tr("Show &text near sections larger than"), "ediMinTextSection"}};
    for (int row = 0; row < 3; ++row) {
        auto* label = new QLabel(thresholds[row].first, grpPie);
        auto* edit = new QLineEdit(grpPie);
        edit->setObjectName(QString::fromLatin1(thresholds[row].second));
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("100.0000")) + 16);
        edit->setAlignment(Qt::AlignRight);
        label->setBuddy(edit);
        pie->addWidget(label, row, 0);
        pie->addWidget(edit, row, 1);
        pie->addWidget(new QLabel(tr("% of parent"), grpPie), row, 2);
        Edits[std::size_t(row)] = edit;
    }
    ediMinFileSection = Edits[0];
    ediMinFolderSection = Edits[1];
    ediMinTextSection = Edits[2];
    cmdDefaultValues = MakeButton(grpPie, tr("Default &values"), "cmdDefaultValues");
    pie->addWidget(cmdDefaultValues, 3, 0, 1, 3, Qt::AlignRight);
    pie->setColumnStretch(0, 1);

    grpDrives = new QGroupBox(tr(" Scan the following drives on &start-up "), this);
    grpDrives->setObjectName(QStringLiteral("grpDrives"));
    TheDrivesBox = new TShExDriveCheckListBox(grpDrives);
    TheDrivesBox->setObjectName(QStringLiteral("TheDrivesBox"));
    // Room for five whole drives; more scroll. Taller only stretches the
    // dialog. The rows' own height, where there is a row, so that no sixth
    // row shows cut.
    const int row = TheDrivesBox->count() > 0 ? TheDrivesBox->sizeHintForRow(0)
                                              : TheDrivesBox->fontMetrics().height() + 6;
    TheDrivesBox->setFixedHeight(row * 5 + 2 * TheDrivesBox->frameWidth());
    auto* drives = new QVBoxLayout(grpDrives);
    drives->addWidget(TheDrivesBox);
    grpDrives->setFocusProxy(TheDrivesBox);

    chkExplorerMenu =
        MakeCheckBox(this, tr("Quillmere in the file &manager's context menu"), "chkExplorerMenu");
    chkExplorerMenu->setToolTip(tr("Adds \"Analyze with Quillmere\" to the context menu of "
                                   "folders in Dolphin, Nautilus, Nemo, Caja and PCManFM"));

    cmdOK = MakeButton(this, tr("OK"), "cmdOK");
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdCancel = MakeButton(this, tr("Cancel"), "cmdCancel");
    cmdHelp = MakeButton(this, tr("Help"), "cmdHelp");

    TheColorDialog = new QColorDialog(this);
    TheColorDialog->setObjectName(QStringLiteral("TheColorDialog"));

    auto* right = new QVBoxLayout;
    right->addWidget(grpPreferences);
    right->addWidget(grpPie);
    right->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(grpColors, 1);
    top->addLayout(right);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chkExplorerMenu);
    bottom->addStretch(1);
    bottom->addWidget(cmdOK);
    bottom->addWidget(cmdCancel);
    bottom->addWidget(cmdHelp);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grpDrives);
    layout->addLayout(bottom);
    // A fixed dialog: its size is what its contents need.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(lbColors, &QListWidget::currentRowChanged, this, &TOptionsBox::lbColorsClick);
    connect(lbColors, &QListWidget::itemDoubleClicked, this, &TOptionsBox::TheColorButtonClick);
    connect(TheColorButton, &QPushButton::clicked, this, &TOptionsBox::TheColorButtonClick);
    connect(Button1, &QPushButton::clicked, this, &TOptionsBox::Button1Click);
    connect(cmdDefaultValues, &QPushButton::clicked, this, &TOptionsBox::cmdDefaultValuesClick);
    connect(cmdOK, &QPushButton::clicked, this, &TOptionsBox::cmdOKClick);
    connect(cmdCancel, &QPushButton::clicked, this, &TOptionsBox::cmdCancelClick);
    connect(cmdHelp, &QPushButton::clicked, this, &TOptionsBox::cmdHelpClick);
    // F1, as everywhere else in the program.
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, &TOptionsBox::cmdHelpClick);
}

void TOptionsBox::FormCreate() {
    Accepted = false;
    Colors = Settings.Colors;
    lbColors->setCurrentRow(0);
    ShowSelectedColor();

    chkIncludeWasted->setChecked(Settings.IncludeWastedInformation.Value);
    chkShowFileNames->setChecked(Settings.ShowFileNames.Value);
    chkAutoExpand->setChecked(Settings.AutoExpand.Value);
    chkAutoCollapse->setChecked(Settings.AutoCollapse.Value);
    chkKeepEveryFile->setChecked(Settings.KeepEveryFile.Value);

    SetThreshold(0, Settings.MinFileSectionAngle);
    SetThreshold(1, Settings.MinFolderSectionAngle);
    SetThreshold(2, Settings.MinTextSectionAngle);

    // The drive of the program first in view, as in the "Scan Drives"
    // dialog; roots in the setting that are not listed (not mounted now, or
    // a damaged value) simply check nothing.
    const int row =
        IndexOfDriveHolding(TheDrivesBox->Drives(), TDrivesSelectBox::ProgramFilePath());
    if (row >= 0)
        TheDrivesBox->setCurrentRow(row);
    TheDrivesBox->CheckDrives(SplitDriveList(Settings.DrivesToAutoScan.Value));

    chkExplorerMenu->setChecked(FileManagerEntryPresent());
    CenterOverMainWindow(parentWidget() ? parentWidget()->window() : nullptr, this);
}

void TOptionsBox::SetThreshold(int index, double angle) {
    const auto i = std::size_t(index);
    ShownAngles[i] = angle;
    ShownTexts[i] = PercentTextOfAngle(angle, QLocale());
    Edits[i]->setText(ShownTexts[i]);
}

void TOptionsBox::ShowSelectedColor() {
    const int row = lbColors->currentRow();
    if (row < 0 || row >= ColorCount)
        return;
    QPixmap swatch(TheColorButton->iconSize());
    swatch.fill(ResolveColor(Colors[std::size_t(row)]));
    QPainter painter(&swatch);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    painter.end();
    TheColorButton->setIcon(QIcon(swatch));
}

void TOptionsBox::lbColorsClick() {
    ShowSelectedColor();
}

void TOptionsBox::TheColorButtonClick() {
    const int row = lbColors->currentRow();
    if (row < 0 || row >= ColorCount)
        return;
    TheColorDialog->setCurrentColor(ResolveColor(Colors[std::size_t(row)]));
    if (TheColorDialog->exec() != QDialog::Accepted)
        return;
    Colors[std::size_t(row)] = ColorWordOf(TheColorDialog->currentColor());
    ShowSelectedColor();
}

void TOptionsBox::Button1Click() {
    Colors = DefaultColors;
    ShowSelectedColor();
}

void TOptionsBox::cmdDefaultValuesClick() {
    for (int i = 0; i < 3; ++i)
        SetThreshold(i, DefaultAngles[std::size_t(i)]);
}

void TOptionsBox::cmdOKClick() {
    // Everything that can be refused is checked before anything changes.
    std::array<double, 3> angles{};
    for (std::size_t i = 0; i < Edits.size(); ++i) {
        const QString text = Edits[i]->text();
        if (text == ShownTexts[i]) {
            angles[i] = ShownAngles[i];
            continue;
        }
        const std::optional<double> angle = AngleOfPercentText(text, QLocale());
        if (!angle) {
            TMessageBox::Error(
                this, QString::fromLatin1(ProductTitle),
                tr("\"%1\" is not a valid positive value between 0 and 100.").arg(text));
            Edits[i]->setFocus();
            Edits[i]->selectAll();
            return;
        }
        angles[i] = *angle;
    }
    // Rewritten also when it was there: the program may have moved since.
    const std::optional<TEntryFailure> failure = chkExplorerMenu->isChecked()
                                                     ? InstallFileManagerEntry(ProgramPath)
                                                     : RemoveFileManagerEntry();
    if (failure) {
        const QString text = chkExplorerMenu->isChecked()
                                 ? tr("The file manager entry could not be written to %1: %2.")
                                 : tr("The file manager entry could not be removed from %1: %2.");
        TMessageBox::Error(this, QString::fromLatin1(ProductTitle),
                           text.arg(failure->File, failure->Reason));
        return;
    }

    Settings.IncludeWastedInformation.Value = chkIncludeWasted->isChecked();
    Settings.ShowFileNames.Value = chkShowFileNames->isChecked();
    Settings.AutoExpand.Value = chkAutoExpand->isChecked();
    Settings.AutoCollapse.Value = chkAutoCollapse->isChecked();
    Settings.KeepEveryFile.Value = chkKeepEveryFile->isChecked();
    Settings.DrivesToAutoScan.Value = TheDrivesBox->SelectedDrives();
    Settings.MinFileSectionAngle = angles[0];
    Settings.MinFolderSectionAngle = angles[1];
    Settings.MinTextSectionAngle = angles[2];
    Settings.Colors = Colors;
    Accepted = true;
    accept();
}

void TOptionsBox::cmdCancelClick() {
    reject();
}

void TOptionsBox::cmdHelpClick() {
    ShowHelp(HelpOptions, this);
}
