// Mapping and disconnecting network drives through the desktop's virtual file
// system: "gio mount ADDRESS" and "gio mount -u PATH". The shares gvfs mounts
// appear as folders below /run/user/<uid>/gvfs and so as network drives.
// The tool runs as a child process with a time limit on a background job
// while the window's event loop keeps running; tests put a fake tool in its
// place.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

struct TToolRun {
    QString Program;
    QStringList Arguments;
    int TimeoutMs = 30000;
    // Answers a question the tool asks on its output ("Password: "); none
    // closes the tool's input, which makes it give up.
    std::function<std::optional<QString>(const QString& prompt)> AnswerPrompt;
};

struct TToolOutcome {
    enum class TStatus { Finished, NotStarted, TimedOut, Crashed };
    TStatus Status = TStatus::NotStarted;
    int ExitCode = -1;
    QString Output;
    QString ErrorOutput;
};

using TToolRunner = std::function<TToolOutcome(const TToolRun&)>;

// Runs the tool as a child process (arguments as they are, no shell) in the
// C locale, so that its questions can be recognised. Returns when it ended,
// failed to start or ran out of time (then it is killed). Blocks: callers
// run it on a background job.
TToolOutcome RunToolProcess(const TToolRun& run);

// What the network-drive commands need from the system; tests replace it.
struct TNetworkDriveEnvironment {
    TToolRunner Run;
    // Full path of gio, empty when it is not installed.
    std::function<QString()> FindGio;
    std::function<bool()> HasSessionBus;
    int MountTimeoutMs = 60000;
    int UnmountTimeoutMs = 30000;
};

// The real system: gio on PATH, the session bus of the environment.
TNetworkDriveEnvironment SystemNetworkDriveEnvironment();
// The one in use: the innermost override, else the real system.
TNetworkDriveEnvironment CurrentNetworkDriveEnvironment();

class TNetworkDriveEnvironmentOverride {
public:
    explicit TNetworkDriveEnvironmentOverride(TNetworkDriveEnvironment environment);
    ~TNetworkDriveEnvironmentOverride();
    TNetworkDriveEnvironmentOverride(const TNetworkDriveEnvironmentOverride&) = delete;
    TNetworkDriveEnvironmentOverride& operator=(const TNetworkDriveEnvironmentOverride&) = delete;

private:
    friend TNetworkDriveEnvironment CurrentNetworkDriveEnvironment();
    TNetworkDriveEnvironment Environment;
    TNetworkDriveEnvironmentOverride* Outer;
};

// Why network drives cannot be handled here, empty when they can.
QString NetworkDrivesUnavailableReason(const TNetworkDriveEnvironment& environment);

// Whether text is an address gio can mount ("smb://server/share"): a scheme,
// "://" and something after it. Local "file://" addresses are not.
bool IsNetworkAddress(const QString& text);

struct TNetworkLogin {
    QString Address;
    QString User;     // empty: the tool's default
    QString Password; // empty: none is offered when the server asks
};

// Asks for an address (and optionally a user and password); none on Cancel.
std::optional<TNetworkLogin> AskNetworkAddress(QWidget* owner);
// Asks which network drive to disconnect; none on Cancel or when the list
// is empty. Items show the display names, the result is a root path.
std::optional<QString> AskNetworkDriveToDisconnect(QWidget* owner, const QStringList& roots,
                                                   const QStringList& names);

// "Map Network Drive": asks for the address and mounts it. Every failure is
// shown to the user; true when the mount succeeded.
bool MapNetworkDrive(QWidget* owner);
// "Disconnect Network Drive": asks which mounted network drive to unmount
// and unmounts it. True when one was unmounted.
bool DisconnectNetworkDrive(QWidget* owner);

// The steps behind the two commands, without the asking.
bool MountNetworkAddress(QWidget* owner, const TNetworkLogin& login);
bool UnmountNetworkDrive(QWidget* owner, const QString& root);
