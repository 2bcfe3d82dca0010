// Mapping and disconnecting network drives with a fake gio: what the tool is
// asked, what the user is told when it fails or is missing, and the child
// process runner on real processes.
#include "shell/NetworkDrives.h"
#include "shell/DriveLists.h"
#include "shell/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
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

// Runs action on the modal dialog named name once its exec() shows it;
// rejects whatever modal dialog is up if it never comes.
void OnModal(const QString& name, std::function<void(QDialog*)> action) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->objectName() == name) {
            timer->stop();
            action(dialog);
            timer->deleteLater();
        } else if (++*tries > 300) {
            timer->stop();
            ADD_FAILURE() << "no dialog " << name.toStdString();
            if (dialog)
                dialog->reject();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

void FillAndAccept(QDialog* dialog, const QString& address, const QString& user = {},
                   const QString& password = {}) {
    dialog->findChild<QLineEdit*>(QStringLiteral("ediAddress"))->setText(address);
    dialog->findChild<QLineEdit*>(QStringLiteral("ediUser"))->setText(user);
    dialog->findChild<QLineEdit*>(QStringLiteral("ediPassword"))->setText(password);
    dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
}

// A gio that records its runs and answers with Reply, changing the drive
// list the way a real mount or unmount would.
class NetworkDriveTest : public testing::Test {
protected:
    NetworkDriveTest() {
        TNetworkDriveEnvironment environment;
        environment.FindGio = [this] { return GioPath; };
        environment.HasSessionBus = [this] { return SessionBus; };
        environment.MountTimeoutMs = 45000;
        environment.Run = [this](const TToolRun& run) {
            Runs.push_back(run);
            OwnerEnabledDuringRun = Owner.isEnabled();
            Conversation(run);
            if (Reply.Status == TToolOutcome::TStatus::Finished && Reply.ExitCode == 0)
                AfterSuccess();
            return Reply;
        };
        Environment.emplace(environment);
        Reply.Status = TToolOutcome::TStatus::Finished;
        Reply.ExitCode = 0;
    }

    std::vector<TDrive> Drives{MakeDrive("/", TDriveType::Fixed),
                               MakeDrive("/mnt/nas", TDriveType::Remote)};
    TDriveSourceOverride Source{[this] { return Drives; }};
    std::optional<TNetworkDriveEnvironmentOverride> Environment;
    QString GioPath = QStringLiteral("/usr/bin/gio");
    bool SessionBus = true;
    TToolOutcome Reply;
    std::function<void()> AfterSuccess = [] {};
    // What the fake gio asks before it ends.
    std::function<void(const TToolRun&)> Conversation = [](const TToolRun&) {};
    std::vector<TToolRun> Runs;
    bool OwnerEnabledDuringRun = true;
    QWidget Owner;
    TMessageBoxScript Messages;
};

TEST_F(NetworkDriveTest, MapMountsTheAddressAndAnswersTheLoginQuestions) {
    const std::string share = "/run/user/1000/gvfs/smb-share:server=nas,share=data";
    AfterSuccess = [&] { Drives.push_back(MakeDrive(share, TDriveType::Remote, "data on nas")); };
    OnModal(QStringLiteral("MapNetworkDriveBox"), [](QDialog* dialog) {
        FillAndAccept(dialog, QStringLiteral("  smb://nas/data "), QStringLiteral("anna"),
                      QStringLiteral("s3cret pass"));
    });
    EXPECT_TRUE(MapNetworkDrive(&Owner));
    ASSERT_EQ(Runs.size(), 1u);
    const TToolRun& run = Runs[0];
    EXPECT_EQ(run.Program, QStringLiteral("/usr/bin/gio"));
    EXPECT_EQ(run.Arguments, (QStringList{"mount", "smb://nas/data"}));
    EXPECT_EQ(run.TimeoutMs, 45000);
    ASSERT_TRUE(run.AnswerPrompt);
    EXPECT_EQ(run.AnswerPrompt(QStringLiteral("User [root]:")), QStringLiteral("anna"));
    EXPECT_EQ(run.AnswerPrompt(QStringLiteral("Domain [WORKGROUP]:")), QString());
    EXPECT_EQ(run.AnswerPrompt(QStringLiteral("Password:")), QStringLiteral("s3cret pass"));
    EXPECT_FALSE(run.AnswerPrompt(QStringLiteral("Choice:")));
    // Asked again after the password, the login was refused: no second try.
    EXPECT_FALSE(run.AnswerPrompt(QStringLiteral("User [root]:")));
    // The user cannot start anything else in the window while gio runs.
    EXPECT_FALSE(OwnerEnabledDuringRun);
    EXPECT_TRUE(Owner.isEnabled());
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(NetworkDriveTest, WithoutPasswordTheQuestionEndsTheToolsInput) {
    TNetworkLogin login{QStringLiteral("sftp://anna@box/home"), {}, {}};
    EXPECT_TRUE(MountNetworkAddress(&Owner, login));
    ASSERT_EQ(Runs.size(), 1u);
    EXPECT_FALSE(Runs[0].AnswerPrompt(QStringLiteral("Password:")));
    EXPECT_EQ(Runs[0].AnswerPrompt(QStringLiteral("User [anna]:")), QString());
    // gio mounted it, but no folder appeared: the user learns why.
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TMessageKind::Information);
    EXPECT_TRUE(Messages.Shown()[0].Text.contains("no folder"));
}

TEST_F(NetworkDriveTest, ARefusedOrMissingPasswordIsNamed) {
    Reply.ExitCode = 2; // gio says nothing about a login it gave up itself
    Conversation = [](const TToolRun& run) {
        if (run.AnswerPrompt(QStringLiteral("Password:")))
            run.AnswerPrompt(QStringLiteral("Password:"));
    };
    EXPECT_FALSE(MountNetworkAddress(&Owner, {QStringLiteral("smb://nas/data"), {}, "wrong"}));
    EXPECT_FALSE(MountNetworkAddress(&Owner, {QStringLiteral("smb://nas/data"), {}, {}}));
    ASSERT_EQ(Messages.Shown().size(), 2u);
    EXPECT_TRUE(Messages.Shown()[0].Text.contains("did not accept the user name or password"));
    EXPECT_TRUE(Messages.Shown()[1].Text.contains("asks for a password"));
}

TEST_F(NetworkDriveTest, TheToolsErrorTextReachesTheUser) {
    Reply.ExitCode = 2;
    Reply.ErrorOutput =
        QStringLiteral("gio: smb://nas/data: Failed to mount Windows share: Connection refused\n");
    EXPECT_FALSE(MountNetworkAddress(&Owner, {QStringLiteral("smb://nas/data"), {}, {}}));
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TMessageKind::Error);
    EXPECT_TRUE(Messages.Shown()[0].Text.contains("Failed to mount Windows share: Connection "
                                                  "refused"));
    EXPECT_TRUE(Messages.Shown()[0].Text.contains("smb://nas/data"));
}

TEST_F(NetworkDriveTest, TimeOutsAndToolsThatDoNotStartAreReported) {
    Reply.Status = TToolOutcome::TStatus::TimedOut;
    EXPECT_FALSE(MountNetworkAddress(&Owner, {QStringLiteral("nfs://srv/export"), {}, {}}));
    Reply.Status = TToolOutcome::TStatus::NotStarted;
    EXPECT_FALSE(UnmountNetworkDrive(&Owner, QStringLiteral("/mnt/nas")));
    Reply.Status = TToolOutcome::TStatus::Finished;
    Reply.ExitCode = 1;
    EXPECT_FALSE(UnmountNetworkDrive(&Owner, QStringLiteral("/mnt/nas")));
    ASSERT_EQ(Messages.Shown().size(), 3u);
    EXPECT_TRUE(Messages.Shown()[0].Text.contains("45 seconds"));
    EXPECT_TRUE(Messages.Shown()[1].Text.contains("could not be started"));
    EXPECT_TRUE(Messages.Shown()[2].Text.contains("code 1"));
}

TEST_F(NetworkDriveTest, MissingGioOrSessionBusIsSaidPlainlyAndNothingRuns) {
    GioPath.clear();
    EXPECT_FALSE(MapNetworkDrive(&Owner));
    EXPECT_FALSE(DisconnectNetworkDrive(&Owner));
    GioPath = QStringLiteral("/usr/bin/gio");
    SessionBus = false;
    EXPECT_FALSE(MapNetworkDrive(&Owner));
    EXPECT_FALSE(UnmountNetworkDrive(&Owner, QStringLiteral("/mnt/nas")));
    EXPECT_TRUE(Runs.empty());
    ASSERT_EQ(Messages.Shown().size(), 4u);
    EXPECT_TRUE(Messages.Shown()[0].Text.contains("\"gio\", which is not installed"));
    EXPECT_EQ(Messages.Shown()[1].Text, Messages.Shown()[0].Text);
    EXPECT_TRUE(Messages.Shown()[2].Text.contains("no session bus"));
    for (const TShownMessage& shown : Messages.Shown())
        EXPECT_EQ(shown.Kind, TMessageKind::Error);
}

TEST_F(NetworkDriveTest, AnAddressThatIsNoNetworkAddressIsAskedForAgain) {
    OnModal(QStringLiteral("MapNetworkDriveBox"), [this](QDialog* dialog) {
        FillAndAccept(dialog, QStringLiteral("nas/data"));
        // Still open after the complaint.
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(Messages.Shown().size(), 1u);
        dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    });
    EXPECT_FALSE(MapNetworkDrive(&Owner));
    EXPECT_TRUE(Runs.empty());
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_TRUE(Messages.Shown()[0].Text.contains("\"nas/data\" is not a network address"));
}

TEST_F(NetworkDriveTest, DisconnectUnmountsTheChosenNetworkDrive) {
    Drives.push_back(MakeDrive("/run/user/1000/gvfs/sftp:host=box", TDriveType::Remote, "box"));
    AfterSuccess = [&] { Drives.erase(Drives.begin() + 2); };
    OnModal(QStringLiteral("DisconnectNetworkDriveBox"), [](QDialog* dialog) {
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("lvDrives"));
        // Only the network drives, by their names.
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->item(1)->text(), QStringLiteral("box (/run/user/1000/gvfs/sftp:host=box)"));
        list->setCurrentRow(1);
        dialog->findChild<QPushButton*>(QStringLiteral("cmdDisconnect"))->click();
    });
    EXPECT_TRUE(DisconnectNetworkDrive(&Owner));
    ASSERT_EQ(Runs.size(), 1u);
    EXPECT_EQ(Runs[0].Arguments, (QStringList{"mount", "-u", "/run/user/1000/gvfs/sftp:host=box"}));
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(NetworkDriveTest, DisconnectWithoutNetworkDrivesSaysSo) {
    Drives = {MakeDrive("/", TDriveType::Fixed)};
    EXPECT_FALSE(DisconnectNetworkDrive(&Owner));
    EXPECT_TRUE(Runs.empty());
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Text, QStringLiteral("No network drives are connected."));
}

TEST_F(NetworkDriveTest, CancelRunsNothing) {
    OnModal(QStringLiteral("DisconnectNetworkDriveBox"), [](QDialog* dialog) {
        dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    });
    EXPECT_FALSE(DisconnectNetworkDrive(&Owner));
    OnModal(QStringLiteral("MapNetworkDriveBox"), [](QDialog* dialog) { dialog->reject(); });
    EXPECT_FALSE(MapNetworkDrive(&Owner));
    EXPECT_TRUE(Runs.empty());
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST(NetworkAddress, SchemeAndSomethingAfterIt) {
    for (const char* good : {"smb://nas/data", "sftp://anna@box:22/home", "nfs://srv/export",
                             "ftp://host", "dav://host/path", "davs://host/My Files"})
        EXPECT_TRUE(IsNetworkAddress(QString::fromUtf8(good))) << good;
    for (const char* bad : {"", "nas/data", "smb://", "smb:///x", "file:///tmp", "FILE://host/x",
                            "-o x", "//nas/data", "smb://nas/\ndata", "1smb://x"})
        EXPECT_FALSE(IsNetworkAddress(QString::fromUtf8(bad))) << bad;
}

// --- The child process ------------------------------------------------------

TToolRun Shell(const QString& script, int timeoutMs = 10000) {
    TToolRun run;
    run.Program = QStringLiteral("/bin/sh");
    run.Arguments = {QStringLiteral("-c"), script};
    run.TimeoutMs = timeoutMs;
    return run;
}

TEST(ToolProcess, AnswersEachQuestionAsItIsAsked) {
    TToolRun run = Shell(QStringLiteral(
        "printf 'User [me]: '; read u; printf 'Domain [WG]: '; read d; printf 'Password: ';"
        "read p; echo \"u=$u d=$d p=$p\"; echo done >&2"));
    QStringList asked;
    run.AnswerPrompt = [&](const QString& prompt) -> std::optional<QString> {
        asked << prompt;
        if (prompt.startsWith(QStringLiteral("User")))
            return QStringLiteral("anna");
        if (prompt.startsWith(QStringLiteral("Password")))
            return QStringLiteral("p w");
        return QString();
    };
    const TToolOutcome outcome = RunToolProcess(run);
    EXPECT_EQ(outcome.Status, TToolOutcome::TStatus::Finished);
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_EQ(asked, (QStringList{"User [me]:", "Domain [WG]:", "Password:"}));
    EXPECT_TRUE(outcome.Output.contains("u=anna d= p=p w")) << outcome.Output.toStdString();
    EXPECT_EQ(outcome.ErrorOutput, QStringLiteral("done\n"));
}

TEST(ToolProcess, AQuestionWithoutAnswerEndsTheInput) {
    TToolRun run = Shell(QStringLiteral(
        "printf 'Password: '; if read p; then echo got; else echo 'no input' >&2; exit 3; fi"));
    run.AnswerPrompt = [](const QString&) { return std::optional<QString>(); };
    const TToolOutcome outcome = RunToolProcess(run);
    EXPECT_EQ(outcome.Status, TToolOutcome::TStatus::Finished);
    EXPECT_EQ(outcome.ExitCode, 3);
    EXPECT_EQ(outcome.ErrorOutput, QStringLiteral("no input\n"));
}

TEST(ToolProcess, AToolThatHangsIsStoppedAtTheLimit) {
    QElapsedTimer clock;
    clock.start();
    const TToolOutcome outcome = RunToolProcess(Shell(QStringLiteral("sleep 30"), 200));
    EXPECT_EQ(outcome.Status, TToolOutcome::TStatus::TimedOut);
    EXPECT_LT(clock.elapsed(), 10000);
}

TEST(ToolProcess, AMissingProgramDoesNotStart) {
    TToolRun run;
    run.Program = QStringLiteral("/nonexistent/gio");
    run.TimeoutMs = 5000;
    EXPECT_EQ(RunToolProcess(run).Status, TToolOutcome::TStatus::NotStarted);
}

} // namespace
