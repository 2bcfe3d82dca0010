// The "Scan Drives" dialog.
#include "shell/DrivesSelectBox.h"
#include "shell/Buttons.h"

#include "platform/ItemFacts.h"
#include "platform/Mounts.h"
#include "shell/DriveLists.h"
#include "shell/NetworkDrives.h"
#include "shell/WindowPlacement.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TDrivesSelectBox::TDrivesSelectBox(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("DrivesSelectBox"));
    setWindowTitle(tr("Scan Drives"));

    imgDrive = new QLabel(this);
    imgDrive->setObjectName(QStringLiteral("imgDrive"));
    const int iconSize = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    imgDrive->setPixmap(DriveIcon(Platform::TDriveType::Fixed).pixmap(iconSize, iconSize));
    imgDrive->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    Label1 = new QLabel(tr("Quillmere will show you detailed information about how your disk "
                           "space is being used, but first it has to collect information about "
                           "your folders and files. This process is called scanning."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label2 = new QLabel(tr("Note: NO changes will take place on your drives during the scan "
                           "process."),
                        this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);

    GroupBox1 = new QGroupBox(tr(" Select one or more drives to scan "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    TheDrivesBox = new TShExDriveCheckListBox(GroupBox1);
    TheDrivesBox->setObjectName(QStringLiteral("TheDrivesBox"));
    TheDrivesBox->setMinimumHeight(150);
    cmdSelectAll = MakeButton(GroupBox1, tr("Select &all"), "cmdSelectAll");
    cmdSelectAll->setProperty("tag", 0);
    cmdDeselectAll = MakeButton(GroupBox1, tr("&Deselect all"), "cmdDeselectAll");
    cmdDeselectAll->setProperty("tag", 1);

    cmdScan = MakeButton(this, tr("&Scan"), "cmdScan");
    cmdScan->setDefault(true);
    cmdCancel = MakeButton(this, tr("Cancel"), "cmdCancel");
    Button1 = MakeButton(this, tr("&Map Network Drive"), "Button1");
    Button2 = MakeButton(this, tr("&Disconnect Network Drive"), "Button2");

    auto* texts = new QVBoxLayout;
    texts->addWidget(Label1);
    texts->addWidget(Label2);
    auto* top = new QHBoxLayout;
    top->addWidget(imgDrive, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* selectRow = new QHBoxLayout;
    selectRow->addWidget(cmdSelectAll);
    selectRow->addWidget(cmdDeselectAll);
    selectRow->addStretch(1);
    auto* group = new QVBoxLayout(GroupBox1);
    group->addWidget(TheDrivesBox, 1);
    group->addLayout(selectRow);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Button1);
    bottom->addWidget(Button2);
    bottom->addStretch(1);
    bottom->addWidget(cmdScan);
    bottom->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(GroupBox1, 1);
    layout->addLayout(bottom);

    connect(cmdSelectAll, &QPushButton::clicked, this, &TDrivesSelectBox::cmdSelectAllClick);
    connect(cmdDeselectAll, &QPushButton::clicked, this, &TDrivesSelectBox::cmdSelectAllClick);
    connect(cmdScan, &QPushButton::clicked, this, &TDrivesSelectBox::cmdScanClick);
    connect(cmdCancel, &QPushButton::clicked, this, &TDrivesSelectBox::cmdCancelClick);
    connect(Button1, &QPushButton::clicked, this, &TDrivesSelectBox::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TDrivesSelectBox::Button2Click);

    resize(520, 400);
    FormCreate();
}

std::string TDrivesSelectBox::ProgramFilePath() {
    if (std::string file = Platform::RunningProgramFile(); !file.empty())
        return file;
    return QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
}

void TDrivesSelectBox::FormCreate() {
    ScanRequestedFlag = false;
    const int row = IndexOfDriveHolding(TheDrivesBox->Drives(), ProgramFilePath());
    if (row >= 0) {
        TheDrivesBox->SetChecked(row, true);
        TheDrivesBox->setCurrentRow(row);
    }
    CenterOverMainWindow(parentWidget() ? parentWidget()->window() : nullptr, this);
}

void TDrivesSelectBox::showEvent(QShowEvent* event) {
    // A dialog shown again must not carry the answer of its last showing.
    ScanRequestedFlag = false;
    QDialog::showEvent(event);
}

void TDrivesSelectBox::cmdSelectAllClick() {
    const QObject* button = sender();
    const bool check = !button || button->property("tag").toInt() == 0;
    TheDrivesBox->SetAllChecked(check);
}

void TDrivesSelectBox::cmdScanClick() {
    ScanRequestedFlag = true;
    accept();
}

void TDrivesSelectBox::cmdCancelClick() {
    reject();
}

void TDrivesSelectBox::ListAnew() {
    TheDrivesBox->BuildList();
    if (TheDrivesBox->count() > 0)
        TheDrivesBox->setCurrentRow(0);
}

void TDrivesSelectBox::Button1Click() {
    // Only a change of the drives is worth losing the user's checks for.
    if (MapNetworkDrive(this))
        ListAnew();
}

void TDrivesSelectBox::Button2Click() {
    if (DisconnectNetworkDrive(this))
        ListAnew();
}
