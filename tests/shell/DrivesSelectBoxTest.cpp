// The "Scan Drives" dialog: its texts, which drive it checks on opening, the
// select buttons, the scan-requested flag, and the network buttons with a
// fake gio. With QUILLMERE_SCREENSHOTS set to a folder, the layout test
// leaves pictures of the dialog and of the open drive combo box there.
#include "shell/DrivesSelectBox.h"
#include "shell/DriveLists.h"
#include "shell/MessageBox.h"
#include "shell/NetworkDrives.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Platform::TDrive;
using Platform::TDriveType;

TDrive MakeDrive(const std::string& root, TDriveType type, const std::string& label = {}) {
    TDrive drive;
    drive.RootPath = root;
    drive.Type = type;
    drive.Label = label;
    drive.DisplayName = Platform::DriveDisplayName(root, label);
    return drive;
}

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.find_last_of('/'));
}

class DrivesSelectBoxTest : public testing::Test {
protected:
    DrivesSelectBoxTest() {
        // The program's own drive is the folder holding the test program, a
        // longer prefix of its path than "/" and the one to be checked.
        ProgramDrive = FolderOf(TDrivesSelectBox::ProgramFilePath());
        Drives = {MakeDrive("/", TDriveType::Fixed),
                  MakeDrive(ProgramDrive, TDriveType::Fixed, "Work"),
                  MakeDrive("/media/anna/DISC", TDriveType::CdRom, "DISC"),
                  MakeDrive("/media/anna/STICK", TDriveType::Removable, "STICK"),
                  MakeDrive("/mnt/nas", TDriveType::Remote)};
    }

    QStringList Listed(const TDrivesSelectBox& box) const {
        QStringList roots;
        for (const TDrive& drive : box.TheDrivesBox->Drives())
            roots << DriveText(drive.RootPath);
        return roots;
    }

    std::string ProgramDrive;
    std::vector<TDrive> Drives;
    TDriveSourceOverride Source{[this] { return Drives; }};
    TMessageBoxScript Messages;
};

TEST_F(DrivesSelectBoxTest, TextsButtonsAndNames) {
    TDrivesSelectBox box;
    EXPECT_EQ(box.objectName(), QStringLiteral("DrivesSelectBox"));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Scan Drives"));
    EXPECT_EQ(box.Label1->text(),
              QStringLiteral("Quillmere will show you detailed information about how your disk "
                             "space is being used, but first it has to collect information about "
                             "your folders and files. This process is called scanning."));
    EXPECT_EQ(box.Label2->text(), QStringLiteral("Note: NO changes will take place on your drives "
                                                 "during the scan process."));
    EXPECT_EQ(box.GroupBox1->title(), QStringLiteral(" Select one or more drives to scan "));
    EXPECT_EQ(box.findChild<TShExDriveCheckListBox*>(QStringLiteral("TheDrivesBox")),
              box.TheDrivesBox);
    const std::pair<const char*, const char*> buttons[] = {
        {"cmdScan", "&Scan"},
        {"cmdCancel", "Cancel"},
        {"cmdSelectAll", "Select &all"},
        {"cmdDeselectAll", "&Deselect all"},
        {"Button1", "&Map Network Drive"},
        {"Button2", "&Disconnect Network Drive"}};
    for (const auto& [name, text] : buttons) {
        auto* button = box.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), QString::fromLatin1(text)) << name;
    }
    EXPECT_TRUE(box.cmdScan->isDefault());
    EXPECT_EQ(box.cmdSelectAll->property("tag").toInt(), 0);
    EXPECT_EQ(box.cmdDeselectAll->property("tag").toInt(), 1);
    // Every kind is listed.
    EXPECT_EQ(box.TheDrivesBox->DriveType(), AllDriveTypes);
    EXPECT_EQ(box.TheDrivesBox->count(), 5);
}

TEST_F(DrivesSelectBoxTest, OpeningChecksOnlyTheProgramsDrive) {
    TDrivesSelectBox box;
    EXPECT_FALSE(box.ScanRequested());
    EXPECT_EQ(box.TheDrivesBox->CheckedDrives(), QStringList{DriveText(ProgramDrive)});
    EXPECT_EQ(box.TheDrivesBox->currentRow(), 1);
}

TEST_F(DrivesSelectBoxTest, NoDriveIsCheckedWhenNoneHoldsTheProgram) {
    Drives = {MakeDrive("/nowhere/a", TDriveType::Fixed)};
    TDrivesSelectBox box;
    EXPECT_TRUE(box.TheDrivesBox->CheckedDrives().isEmpty());
}

TEST_F(DrivesSelectBoxTest, SelectButtonsCheckAndClearEveryDrive) {
    TDrivesSelectBox box;
    box.cmdSelectAll->click();
    EXPECT_EQ(box.TheDrivesBox->CheckedDrives(), Listed(box));
    box.cmdDeselectAll->click();
    EXPECT_TRUE(box.TheDrivesBox->CheckedDrives().isEmpty());
}

TEST_F(DrivesSelectBoxTest, OnlyScanSetsTheFlag) {
    TDrivesSelectBox box;
    QTimer::singleShot(0, &box, [&] { box.cmdScan->click(); });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_TRUE(box.ScanRequested());

    // Shown again and cancelled, the earlier answer does not count.
    QTimer::singleShot(0, &box, [&] { box.cmdCancel->click(); });
    EXPECT_EQ(box.exec(), QDialog::Rejected);
    EXPECT_FALSE(box.ScanRequested());

    QTimer::singleShot(0, &box, [&] { box.close(); });
    box.exec();
    EXPECT_FALSE(box.ScanRequested());
}

// --- Network buttons --------------------------------------------------------

class DrivesSelectNetworkTest : public DrivesSelectBoxTest {
protected:
    DrivesSelectNetworkTest() {
        TNetworkDriveEnvironment environment;
        environment.FindGio = [] { return QStringLiteral("/usr/bin/gio"); };
        environment.HasSessionBus = [] { return true; };
        environment.Run = [this](const TToolRun& run) {
            Runs.push_back(run.Arguments);
            if (Reply.ExitCode == 0)
                AfterSuccess();
            return Reply;
        };
        Environment.emplace(environment);
        Reply.Status = TToolOutcome::TStatus::Finished;
        Reply.ExitCode = 0;
    }

    // Answers the next map dialog with address.
    void AnswerMapDialog(const QString& address) {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, timer, [timer, address] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal->objectName() != QLatin1String("MapNetworkDriveBox"))
                return;
            timer->stop();
            modal->findChild<QLineEdit*>(QStringLiteral("ediAddress"))->setText(address);
            modal->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
            timer->deleteLater();
        });
        timer->start(10);
    }

    std::optional<TNetworkDriveEnvironmentOverride> Environment;
    TToolOutcome Reply;
    std::function<void()> AfterSuccess = [] {};
    std::vector<QStringList> Runs;
};

TEST_F(DrivesSelectNetworkTest, AMappedDriveAppearsAndNothingIsCheckedAnyMore) {
    const std::string share = "/run/user/1000/gvfs/smb-share:server=nas,share=data";
    AfterSuccess = [&] {
        Drives.insert(Drives.begin() + 4, MakeDrive(share, TDriveType::Remote, "data on nas"));
    };
    TDrivesSelectBox box;
    box.TheDrivesBox->setCurrentRow(3);
    AnswerMapDialog(QStringLiteral("smb://nas/data"));
    box.Button1->click();
    ASSERT_EQ(Runs.size(), 1u);
    EXPECT_EQ(Runs[0], (QStringList{"mount", "smb://nas/data"}));
    EXPECT_TRUE(Listed(box).contains(DriveText(share)));
    EXPECT_TRUE(box.TheDrivesBox->CheckedDrives().isEmpty());
    EXPECT_EQ(box.TheDrivesBox->currentRow(), 0);
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(DrivesSelectNetworkTest, AFailedMapKeepsTheChecksAndShowsWhy) {
    Reply.ExitCode = 2;
    Reply.ErrorOutput = QStringLiteral("gio: smb://nas/data: Location is not mountable\n");
    TDrivesSelectBox box;
    AnswerMapDialog(QStringLiteral("smb://nas/data"));
    box.Button1->click();
    EXPECT_EQ(box.TheDrivesBox->CheckedDrives(), QStringList{DriveText(ProgramDrive)});
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_TRUE(Messages.Shown()[0].Text.contains("Location is not mountable"));
}

TEST_F(DrivesSelectNetworkTest, DisconnectRemovesTheDriveFromTheList) {
    AfterSuccess = [&] { Drives.pop_back(); };
    TDrivesSelectBox box;
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != QLatin1String("DisconnectNetworkDriveBox"))
            return;
        timer->stop();
        modal->findChild<QPushButton*>(QStringLiteral("cmdDisconnect"))->click();
        timer->deleteLater();
    });
    timer->start(10);
    box.Button2->click();
    ASSERT_EQ(Runs.size(), 1u);
    EXPECT_EQ(Runs[0], (QStringList{"mount", "-u", "/mnt/nas"}));
    EXPECT_FALSE(Listed(box).contains(QStringLiteral("/mnt/nas")));
}

TEST_F(DrivesSelectNetworkTest, AfterAMapTheToolbarBoxKeepsItsDrive) {
    TShExDriveComboBox driveBox;
    driveBox.SetDrive(QStringLiteral("/media/anna/STICK"));
    AfterSuccess = [&] {
        Drives.insert(Drives.begin() + 2, MakeDrive("/media/anna/NET", TDriveType::Remote));
    };
    AnswerMapDialog(QStringLiteral("sftp://box/"));
    ASSERT_TRUE(MapNetworkDrive(&driveBox));
    const QString noted = driveBox.Drive();
    driveBox.BuildList();
    driveBox.SetDrive(noted);
    EXPECT_EQ(driveBox.count(), 6);
    EXPECT_EQ(driveBox.currentText(), QStringLiteral("STICK (/media/anna/STICK)"));
}

// --- Layout -----------------------------------------------------------------

bool Inside(const QWidget* widget, const QWidget* window) {
    const QRect rect(widget->mapTo(window, QPoint(0, 0)), widget->size());
    return window->rect().contains(rect) && widget->isVisible();
}

TEST_F(DrivesSelectBoxTest, EveryControlFitsInTheDialog) {
    TDrivesSelectBox box;
    box.show();
    QApplication::processEvents();
    for (QWidget* widget : std::initializer_list<QWidget*>{
             box.Label1, box.Label2, box.TheDrivesBox, box.cmdScan, box.cmdCancel, box.cmdSelectAll,
             box.cmdDeselectAll, box.Button1, box.Button2})
        EXPECT_TRUE(Inside(widget, &box)) << widget->objectName().toStdString();
    // The buttons show their whole captions.
    for (QPushButton* button : box.findChildren<QPushButton*>())
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
    // All five drives show without scrolling.
    const QRect last = box.TheDrivesBox->visualItemRect(box.TheDrivesBox->item(4));
    EXPECT_LE(last.bottom(), box.TheDrivesBox->viewport()->height());

    const QString folder = qEnvironmentVariable("QUILLMERE_SCREENSHOTS");
    if (!folder.isEmpty()) {
        box.grab().save(folder + QStringLiteral("/scan-drives.png"));
        QWidget host;
        host.resize(360, 300);
        TShExDriveComboBox combo(&host);
        combo.move(10, 10);
        combo.SetDrive(DriveText(ProgramDrive));
        host.show();
        combo.showPopup();
        QApplication::processEvents();
        host.grab().save(folder + QStringLiteral("/drive-combo.png"));
        combo.view()->window()->grab().save(folder + QStringLiteral("/drive-combo-popup.png"));
        combo.hidePopup();
    }
    box.close();
}

} // namespace
