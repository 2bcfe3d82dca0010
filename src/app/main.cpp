// Quillmere: creates the application and the main window and runs them.
#include "settings/Product.h"
#include "settings/SettingsStore.h"
#include "shell/AboutBox.h"
#include "shell/Icons.h"
#include "shell/MessageBox.h"
#include "ui/main/MainForm.h"
#include "ui/main/ReportRun.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <QStyle>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

const char Usage[] = "usage: quillmere [FOLDER|SCANFILE...]\n"
                     "       quillmere /RINF|/RCSV|/RTAB|/RTXT FOLDER OUTPUT|PRINTER [OPTIONS]\n"
                     "       quillmere /RLARGE|/RTYPES FOLDER OUTPUT|PRINTER [OPTIONS]\n"
                     "       quillmere --help|--version\n"
                     "\n"
                     "Shows how the space of drives and folders is used. FOLDERs are scanned and\n"
                     "the last one is shown; a SCANFILE (written by quillmere-scan --export, ncdu\n"
                     "or gdu) is opened as it was scanned. A report run scans FOLDER and writes\n"
                     "its folder information (INF), subfolder list (CSV, TAB, TXT), largest files\n"
                     "(LARGE) or figures per file extension (TYPES) to OUTPUT, or prints it.\n"
                     "Options of a report run:\n"
                     "  /A           all subfolders\n"
                     "  /TOP:N       the N largest subfolders; with /RLARGE the N largest files\n"
                     "               (100 when not given, at most 10000)\n"
                     "  /F:CSV /F:TAB /F:TXT  /RLARGE and /RTYPES as comma-separated values,\n"
                     "               tab-separated text or aligned text (by default CSV for an\n"
                     "               OUTPUT ending in .csv, else aligned text)\n"
                     "  /HI:U:N      subfolders larger than N bytes (U=B), KB (U=K) or MB (U=M)\n"
                     "  /SA:C /SD:C  sorted by column C (1-8), ascending or descending\n"
                     "  /W:T /W:F    with or without wasted space\n"
                     "  /Q           quit afterwards: exit status 0 when the report was written\n"
                     "               whole, 1 when it was not or when something could not be read\n"
                     "               (the reason goes to standard error)\n"
                     "Without a display (no DISPLAY or WAYLAND_DISPLAY) only report runs work: no\n"
                     "window is shown and the run ends after its report, as with /Q.\n"
                     "--  ends the options, for a FOLDER whose name starts with '-'.\n";

// Without a display, the offscreen platform remarks on every window it
// cannot raise or resize, and Qt on the missing runtime folder of a cron job:
// nothing the user can act on, and cron would mail it on every run.
QtMessageHandler DefaultHandler = nullptr;
void HeadlessMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && (text.startsWith(QLatin1String("This plugin does not support")) ||
                                 text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))))
        return;
    DefaultHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv) {
    // Paths are kept as the raw bytes they were given as. What needs no
    // window is answered before anything is made; "--" ends the options, so
    // a folder whose name starts with "-" can still be given.
    std::vector<std::string> arguments;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "--help" || arg == "-h") {
                std::fputs(Usage, stdout);
                return 0;
            } else if (arg == "--version") {
                std::printf("quillmere %s\n", qPrintable(TAboutBox::Version()));
                return 0;
            } else {
                std::fprintf(stderr, "quillmere: unknown option %s\n\n%s", arg.c_str(), Usage);
                return 2;
            }
            continue;
        }
        arguments.push_back(arg);
    }
    // Without a display nobody could see the window, answer a box or close
    // it: only a report run starts, and it ends after its report. Anything
    // else would wait for ever (from cron, one more each time).
    const bool headless = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
                          qEnvironmentVariableIsEmpty("DISPLAY") &&
                          qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (headless) {
        if (!AsksForReportRun(arguments)) {
            std::fputs("quillmere: the window needs a display, and neither DISPLAY nor "
                       "WAYLAND_DISPLAY is set; without one only report runs work "
                       "(see quillmere --help)\n",
                       stderr);
            return 2;
        }
        if (!ParseReportRun(arguments)) {
            std::fprintf(stderr,
                         "quillmere: no report was written: %s is no report run "
                         "(/RINF, /RCSV, /RTAB, /RTXT, /RLARGE or /RTYPES, a folder and "
                         "an output)\n\n%s",
                         arguments.front().c_str(), Usage);
            return 2;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
        DefaultHandler = qInstallMessageHandler(HeadlessMessages);
    }
    QApplication app(argc, argv);
    // Only the name: a display name would be appended to every window title.
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    // The desktop entry's id, which Wayland takes as the window's app id; on
    // X11 the entry's StartupWMClass names WM_CLASS's class, "Quillmere". The
    // desktop finds the entry's icon and name for the running window by them.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.fenwright.Quillmere"));
    InitIconThemes();
    QApplication::setWindowIcon(AppIcon());
    // The settings are read here, once; the window takes them, and puts them
    // back and writes them when it goes. There is no window yet to show a
    // message over, so what the reading found goes to standard error.
    TSettingsStore settings = TSettingsStore::Read(SettingsFilePath());
    for (const QString& note : settings.Notes())
        ReportProblem(nullptr, QString::fromLatin1(ProductTitle), note);
    // A box that nobody can see would wait for ever: without a display every
    // box takes its safest answer, and its text goes to standard error once
    // the window has gone (its last box may come as it goes).
    std::optional<TMessageBoxScript> unattended;
    if (headless)
        unattended.emplace();
    int status = 1;
    try {
        TMainForm form(settings);
        form.SetArguments(std::move(arguments));
        form.SetUnattended(headless);
        // A comfortable first size in the middle of the screen; a placement
        // kept from an earlier run replaces it when the window is shown.
        if (const QScreen* screen = form.screen()) {
            const QRect free = screen->availableGeometry();
            const QSize size = QSize(1000, 700).boundedTo(free.size() * 9 / 10);
            form.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, free));
        }
        form.show();
        status = app.exec();
        status = form.ExitStatus().value_or(status);
    } catch (const std::exception&) {
        // The window has already told the user ("Fatal error").
        status = 1;
    }
    if (unattended)
        WriteShownMessages(*unattended);
    return status;
}
