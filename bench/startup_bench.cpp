// From the process's start to the main window's first paint, as the program
// starts: the settings read from a large file whose start-up drive list names
// ten drives that are not there, the window made and shown.
//
//   quillmere-startup-bench
//
// Prints the milliseconds; run it a few times (bench/startup.sh does).
// Settings go to a temporary folder so the user's own are untouched.
#include "settings/SettingsStore.h"
#include "shell/Icons.h"
#include "ui/main/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

// Seconds since the process began, from the kernel's record of its start.
double SecondsSinceStart() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long start = 0;
    for (int i = 3; i <= 22 && fields >> field; ++i)
        if (i == 22)
            start = std::stoull(field);
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec + now.tv_nsec / 1e9 - static_cast<double>(start) / sysconf(_SC_CLK_TCK);
}

class TFirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !Seen) {
            Seen = true;
            std::printf("%.0f ms to the first paint\n", SecondsSinceStart() * 1000);
            QTimer::singleShot(0, qApp, &QApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }
    bool Seen = false;
};

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A large settings file: the window's own keys, ten start-up drives that
    // are not mounted, and a few thousand keys of other versions.
    {
        QDir().mkpath(QFileInfo(SettingsFilePath()).absolutePath());
        QFile file(SettingsFilePath());
        file.open(QIODevice::WriteOnly);
        QByteArray text = "[Options]\nDrivesToAutoScan=";
        for (int i = 0; i < 10; ++i)
            text += "/media/absent-drive-" + QByteArray::number(i) + (i < 9 ? ";" : "\n");
        for (int i = 0; i < 5000; ++i)
            text += "OldKey" + QByteArray::number(i) + "=" + QByteArray(40, 'x') + "\n";
        file.write(text);
    }
    InitIconThemes();
    TSettingsStore settings = TSettingsStore::Read(SettingsFilePath());
    TMainForm form(settings);
    TFirstPaint watch;
    form.installEventFilter(&watch);
    form.resize(1000, 700);
    form.show();
    return app.exec();
}
