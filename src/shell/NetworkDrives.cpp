// Network drives through gio: the address and disconnect dialogs, the child
// process that runs the tool, and the messages for what went wrong.
#include "shell/NetworkDrives.h"

#include "settings/Product.h"
#include "shell/DriveLists.h"
#include "shell/JobWait.h"
#include "shell/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace {

TNetworkDriveEnvironmentOverride* ActiveOverride = nullptr;

QString Caption() {
    return QString::fromLatin1(ProductTitle);
}

// The questions gio mount asks, as "User [anna]: " in the C locale.
bool IsPromptOf(const QString& prompt, const QString& word) {
    return prompt.startsWith(word + QLatin1Char(':')) ||
           prompt.startsWith(word + QStringLiteral(" ["));
}

// Keeps the user from starting anything else in the window while the tool
// runs: the event loop keeps going so that windows repaint.
class TBusyWindow {
public:
    explicit TBusyWindow(QWidget* owner) : Window(owner ? owner->window() : nullptr) {
        if (Window && Window->isEnabled()) {
            Window->setEnabled(false);
            Disabled = true;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TBusyWindow() {
        QApplication::restoreOverrideCursor();
        if (Window && Disabled)
            Window->setEnabled(true);
    }
    TBusyWindow(const TBusyWindow&) = delete;
    TBusyWindow& operator=(const TBusyWindow&) = delete;

private:
    QPointer<QWidget> Window;
    bool Disabled = false;
};

// What the user reads when the tool failed: its own words where it gave any.
QString ToolFailureText(const TToolOutcome& outcome, int timeoutMs) {
    switch (outcome.Status) {
    case TToolOutcome::TStatus::NotStarted:
        return QObject::tr("The program \"gio\" could not be started.");
    case TToolOutcome::TStatus::TimedOut:
        return QObject::tr("The network did not answer within %1 seconds.").arg(timeoutMs / 1000);
    case TToolOutcome::TStatus::Crashed:
        return QObject::tr("The program \"gio\" ended unexpectedly.");
    case TToolOutcome::TStatus::Finished:
        break;
    }
    QString text = outcome.ErrorOutput.trimmed();
    if (text.isEmpty())
        text = outcome.Output.trimmed();
    if (text.isEmpty())
        text = QObject::tr("The program \"gio\" ended with code %1.").arg(outcome.ExitCode);
    return text;
}

bool Succeeded(const TToolOutcome& outcome) {
    return outcome.Status == TToolOutcome::TStatus::Finished && outcome.ExitCode == 0;
}

QStringList RemoteRoots() {
    QStringList roots;
    for (const Platform::TDrive& drive : CurrentDrives()) {
        if (drive.Type == Platform::TDriveType::Remote)
            roots << DriveText(drive.RootPath);
    }
    return roots;
}

// The two buttons at the bottom right of the network dialogs.
void AddDialogButtons(QDialog* dialog, QBoxLayout* layout, const QString& okCaption,
                      const char* okName) {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(okCaption, dialog);
    ok->setObjectName(QString::fromLatin1(okName));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QObject::tr("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

class TMapNetworkDriveBox : public QDialog {
public:
    explicit TMapNetworkDriveBox(QWidget* owner) : QDialog(owner) {
        setObjectName(QStringLiteral("MapNetworkDriveBox"));
        setWindowTitle(tr("Map Network Drive"));
        auto* layout = new QVBoxLayout(this);
        auto* intro = new QLabel(
            tr("Enter the address of the shared folder, for example smb://server/share, "
               "sftp://user@host/folder, nfs://server/export, ftp://host or dav://host/path."),
            this);
        intro->setWordWrap(true);
        layout->addWidget(intro);

        auto* form = new QFormLayout;
        ediAddress = new QLineEdit(this);
        ediAddress->setObjectName(QStringLiteral("ediAddress"));
        ediAddress->setPlaceholderText(QStringLiteral("smb://server/share"));
        ediAddress->setMinimumWidth(320);
        form->addRow(tr("&Address:"), ediAddress);
        ediUser = new QLineEdit(this);
        ediUser->setObjectName(QStringLiteral("ediUser"));
        ediUser->setPlaceholderText(tr("as the server asks"));
        form->addRow(tr("&User name:"), ediUser);
        ediPassword = new QLineEdit(this);
        ediPassword->setObjectName(QStringLiteral("ediPassword"));
        ediPassword->setEchoMode(QLineEdit::Password);
        form->addRow(tr("&Password:"), ediPassword);
        layout->addLayout(form);

        AddDialogButtons(this, layout, tr("OK"), "cmdOK");
    }

    TNetworkLogin Login() const {
        return {ediAddress->text().trimmed(), ediUser->text().trimmed(), ediPassword->text()};
    }

    void accept() override {
        const QString address = ediAddress->text().trimmed();
        if (!IsNetworkAddress(address)) {
            TMessageBox::Error(this, Caption(),
                               tr("\"%1\" is not a network address. Enter an address such as "
                                  "smb://server/share.")
                                   .arg(address));
            ediAddress->setFocus();
            return;
        }
        QDialog::accept();
    }

private:
    QLineEdit* ediAddress = nullptr;
    QLineEdit* ediUser = nullptr;
    QLineEdit* ediPassword = nullptr;
};

class TDisconnectNetworkDriveBox : public QDialog {
public:
    TDisconnectNetworkDriveBox(QWidget* owner, const QStringList& roots, const QStringList& names)
        : QDialog(owner) {
        setObjectName(QStringLiteral("DisconnectNetworkDriveBox"));
        setWindowTitle(tr("Disconnect Network Drive"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(tr("Select the network drive to disconnect:"), this));
        lvDrives = new QListWidget(this);
        lvDrives->setObjectName(QStringLiteral("lvDrives"));
        for (int i = 0; i < roots.size(); ++i) {
            auto* item = new QListWidgetItem(DriveIcon(Platform::TDriveType::Remote),
                                             i < names.size() ? names[i] : roots[i], lvDrives);
            item->setData(DriveRootRole, roots[i]);
        }
        lvDrives->setCurrentRow(0);
        layout->addWidget(lvDrives);

        AddDialogButtons(this, layout, tr("&Disconnect"), "cmdDisconnect");
        connect(lvDrives, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
        resize(420, 240);
    }

    QString ChosenRoot() const {
        const QListWidgetItem* item = lvDrives->currentItem();
        return item ? item->data(DriveRootRole).toString() : QString();
    }

private:
    QListWidget* lvDrives = nullptr;
};

// Runs the tool on a background job, the window disabled but painting. The
// tool's own time limit ends it; there is no Stop to hand it over.
TToolOutcome RunTool(QWidget* owner, const TNetworkDriveEnvironment& environment,
                     const TToolRun& run) {
    TBusyWindow busy(owner);
    auto outcome = std::make_shared<TToolOutcome>();
    const auto job = TBackgroundJob::Start(
        [outcome, tool = environment.Run, run](TBackgroundJob&) { *outcome = tool(run); });
    WaitForJob(*job);
    job->Rethrow();
    return *outcome;
}

bool CheckAvailable(QWidget* owner, const TNetworkDriveEnvironment& environment) {
    const QString reason = NetworkDrivesUnavailableReason(environment);
    if (reason.isEmpty())
        return true;
    TMessageBox::Error(owner, Caption(), reason);
    return false;
}

} // namespace

TToolOutcome RunToolProcess(const TToolRun& run) {
    TToolOutcome outcome;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("LANGUAGE"));
    process.setProcessEnvironment(env);

    // Runs on a job's thread, which has no event loop: the process is
    // driven by its blocking waits, in short slices up to the time limit.
    QElapsedTimer clock;
    clock.start();
    process.start(run.Program, run.Arguments);
    if (!process.waitForStarted(run.TimeoutMs) || process.error() == QProcess::FailedToStart) {
        outcome.Status = TToolOutcome::TStatus::NotStarted;
        outcome.ErrorOutput = process.errorString();
        return outcome;
    }
    bool timedOut = false;
    QByteArray output;
    qsizetype answeredUpTo = 0;
    while (process.state() != QProcess::NotRunning) {
        const qint64 left = run.TimeoutMs - clock.elapsed();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        if (!process.waitForReadyRead(static_cast<int>(std::min<qint64>(left, 100))))
            continue;
        output += process.readAllStandardOutput();
        // A question is the unanswered text after the last line break that
        // ends in ": ", the tool then waiting for a line on its input.
        const qsizetype lineStart = std::max(answeredUpTo, output.lastIndexOf('\n') + 1);
        const QString pending = QString::fromLocal8Bit(output.mid(lineStart));
        if (!pending.endsWith(QStringLiteral(": ")))
            continue;
        answeredUpTo = output.size();
        const std::optional<QString> answer =
            run.AnswerPrompt ? run.AnswerPrompt(pending.trimmed()) : std::nullopt;
        if (answer)
            process.write((*answer + QLatin1Char('\n')).toLocal8Bit());
        else
            process.closeWriteChannel();
    }

    if (timedOut) {
        process.kill();
        process.waitForFinished(2000);
        outcome.Status = TToolOutcome::TStatus::TimedOut;
    } else if (process.exitStatus() == QProcess::CrashExit) {
        outcome.Status = TToolOutcome::TStatus::Crashed;
    } else {
        outcome.Status = TToolOutcome::TStatus::Finished;
        outcome.ExitCode = process.exitCode();
    }
    output += process.readAllStandardOutput();
    outcome.Output = QString::fromLocal8Bit(output);
    outcome.ErrorOutput = QString::fromLocal8Bit(process.readAllStandardError());
    return outcome;
}

TNetworkDriveEnvironment SystemNetworkDriveEnvironment() {
    TNetworkDriveEnvironment environment;
    environment.Run = RunToolProcess;
    environment.FindGio = [] { return QStandardPaths::findExecutable(QStringLiteral("gio")); };
    environment.HasSessionBus = [] {
        if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            return true;
        // GLib also finds the per-user bus of systemd by itself.
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
    };
    return environment;
}

TNetworkDriveEnvironment CurrentNetworkDriveEnvironment() {
    return ActiveOverride ? ActiveOverride->Environment : SystemNetworkDriveEnvironment();
}

TNetworkDriveEnvironmentOverride::TNetworkDriveEnvironmentOverride(
    TNetworkDriveEnvironment environment)
    : Environment(std::move(environment)), Outer(ActiveOverride) {
    ActiveOverride = this;
}

TNetworkDriveEnvironmentOverride::~TNetworkDriveEnvironmentOverride() {
    ActiveOverride = Outer;
}

QString NetworkDrivesUnavailableReason(const TNetworkDriveEnvironment& environment) {
    if (!environment.FindGio || environment.FindGio().isEmpty())
        return QObject::tr("Network drives are mapped with the program \"gio\", which is not "
                           "installed. It comes with the package \"libglib2.0-bin\".");
    if (!environment.HasSessionBus || !environment.HasSessionBus())
        return QObject::tr("Network drives are mapped by the desktop session's file system "
                           "service (gvfs), but Quillmere runs without a desktop session: "
                           "there is no session bus (DBUS_SESSION_BUS_ADDRESS is not set).");
    return {};
}

bool IsNetworkAddress(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*)://[^\\s/][^\\x00-\\x1f]*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() &&
           match.captured(1).compare(QLatin1String("file"), Qt::CaseInsensitive) != 0;
}

std::optional<TNetworkLogin> AskNetworkAddress(QWidget* owner) {
    TMapNetworkDriveBox box(owner);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.Login();
}

std::optional<QString> AskNetworkDriveToDisconnect(QWidget* owner, const QStringList& roots,
                                                   const QStringList& names) {
    if (roots.isEmpty())
        return std::nullopt;
    TDisconnectNetworkDriveBox box(owner, roots, names);
    if (box.exec() != QDialog::Accepted || box.ChosenRoot().isEmpty())
        return std::nullopt;
    return box.ChosenRoot();
}

bool MountNetworkAddress(QWidget* owner, const TNetworkLogin& login) {
    const TNetworkDriveEnvironment environment = CurrentNetworkDriveEnvironment();
    if (!CheckAvailable(owner, environment))
        return false;
    if (!IsNetworkAddress(login.Address)) {
        TMessageBox::Error(owner, Caption(),
                           QObject::tr("\"%1\" is not a network address.").arg(login.Address));
        return false;
    }
    TToolRun run;
    run.Program = environment.FindGio();
    run.Arguments = {QStringLiteral("mount"), login.Address};
    run.TimeoutMs = environment.MountTimeoutMs;
    // The password goes to the tool's input, never onto its command line,
    // where every user of the machine could read it.
    // A server that refuses the login asks again; answering with the same
    // password would go round until the time limit, so the second asking ends
    // the attempt.
    struct TLoginState {
        bool PasswordGiven = false;
        bool PasswordMissing = false;
        bool Refused = false;
    };
    auto state = std::make_shared<TLoginState>();
    run.AnswerPrompt = [login, state](const QString& prompt) -> std::optional<QString> {
        const bool user = IsPromptOf(prompt, QStringLiteral("User"));
        const bool domain = IsPromptOf(prompt, QStringLiteral("Domain"));
        const bool password = IsPromptOf(prompt, QStringLiteral("Password"));
        if (!user && !domain && !password)
            return std::nullopt;
        if (state->PasswordGiven) {
            state->Refused = true;
            return std::nullopt;
        }
        if (user)
            return login.User; // empty takes the default it offers
        if (domain)
            return QString();
        if (login.Password.isEmpty()) {
            state->PasswordMissing = true;
            return std::nullopt;
        }
        state->PasswordGiven = true;
        return login.Password;
    };
    const QStringList before = RemoteRoots();
    const TToolOutcome outcome = RunTool(owner, environment, run);
    if (!Succeeded(outcome)) {
        QString why = ToolFailureText(outcome, run.TimeoutMs);
        if (state->Refused)
            why = QObject::tr("The server did not accept the user name or password.");
        else if (state->PasswordMissing)
            why = QObject::tr("The server asks for a password. Enter it together with the "
                              "address.");
        TMessageBox::Error(
            owner, Caption(),
            QObject::tr("Could not map the network drive %1:\n\n%2").arg(login.Address, why));
        return false;
    }
    const QStringList after = RemoteRoots();
    const bool appeared = std::any_of(after.begin(), after.end(),
                                      [&](const QString& root) { return !before.contains(root); });
    if (!appeared)
        TMessageBox::Information(
            owner, Caption(),
            QObject::tr("%1 is connected, but it has no folder on this computer, so it cannot "
                        "be scanned. The desktop's gvfs FUSE service (gvfsd-fuse) gives "
                        "connected shares their folders below /run/user.")
                .arg(login.Address));
    return true;
}

bool UnmountNetworkDrive(QWidget* owner, const QString& root) {
    const TNetworkDriveEnvironment environment = CurrentNetworkDriveEnvironment();
    if (!CheckAvailable(owner, environment))
        return false;
    // A root path is absolute; anything else could be taken for an option.
    if (!root.startsWith(QLatin1Char('/')))
        return false;
    TToolRun run;
    run.Program = environment.FindGio();
    run.Arguments = {QStringLiteral("mount"), QStringLiteral("-u"), root};
    run.TimeoutMs = environment.UnmountTimeoutMs;
    const TToolOutcome outcome = RunTool(owner, environment, run);
    if (!Succeeded(outcome)) {
        TMessageBox::Error(owner, Caption(),
                           QObject::tr("Could not disconnect the network drive %1:\n\n%2")
                               .arg(root, ToolFailureText(outcome, run.TimeoutMs)));
        return false;
    }
    return true;
}

bool MapNetworkDrive(QWidget* owner) {
    if (!CheckAvailable(owner, CurrentNetworkDriveEnvironment()))
        return false;
    const std::optional<TNetworkLogin> login = AskNetworkAddress(owner);
    return login && MountNetworkAddress(owner, *login);
}

bool DisconnectNetworkDrive(QWidget* owner) {
    if (!CheckAvailable(owner, CurrentNetworkDriveEnvironment()))
        return false;
    QStringList roots;
    QStringList names;
    for (const Platform::TDrive& drive : CurrentDrives()) {
        if (drive.Type != Platform::TDriveType::Remote)
            continue;
        roots << DriveText(drive.RootPath);
        names << DriveText(drive.DisplayName);
    }
    if (roots.isEmpty()) {
        TMessageBox::Information(owner, Caption(), QObject::tr("No network drives are connected."));
        return false;
    }
    const std::optional<QString> root = AskNetworkDriveToDisconnect(owner, roots, names);
    return root && UnmountNetworkDrive(owner, *root);
}
