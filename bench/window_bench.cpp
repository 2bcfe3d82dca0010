// Scanning inside the main window against scanning without one: the time of
// each on the same tree, taken in turns, and the longest time the window's
// event loop had to wait between two turns while the window scanned.
//
//   quillmere-window-bench PATH [--rounds N] [--threads N]
//
// Runs offscreen unless a display is asked for; settings go to a temporary
// folder so the user's own are untouched.
#include "engine/Scanner.h"
#include "ui/main/MainForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <vector>

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillmere-window-bench PATH [--rounds N] [--threads N]\n");
        return 2;
    }
    const std::string path = argv[1];
    int rounds = 3;
    int threads = 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--threads") == 0)
            threads = std::atoi(argv[i + 1]);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);

    // The window offers the "Scan Drives" dialog when it starts with nothing
    // scanned; close it, as a user would.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &closer, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    closer.start(10);

    TMainForm form;
    form.resize(1000, 700);
    form.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (threads > 0)
        form.Session().Scanner().SetReaderThreads(threads);

    // A timer that wants to run every millisecond shows how long the event
    // loop was kept waiting.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTurn = 0;
    qint64 longestGap = 0;
    bool measuring = false;
    QTimer turns;
    turns.setTimerType(Qt::PreciseTimer);
    QObject::connect(&turns, &QTimer::timeout, &turns, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (measuring && lastTurn > 0)
            longestGap = std::max(longestGap, now - lastTurn);
        lastTurn = now;
    });
    turns.start(1);

    std::vector<double> headless;
    std::vector<double> window;
    for (int round = 0; round < rounds; ++round) {
        {
            TFolderTree tree;
            TScanHost host;
            TScanner scanner(tree, host);
            if (threads > 0)
                scanner.SetReaderThreads(threads);
            TFolderNode* root = tree.AddRoot(path);
            QElapsedTimer t;
            t.start();
            scanner.ScanFolder(path, root);
            headless.push_back(t.nsecsElapsed() / 1e9);
        }
        {
            TFolderNode* root = form.Session().Tree().AddRoot(path);
            lastTurn = 0;
            measuring = true;
            QElapsedTimer t;
            t.start();
            form.Session().Scanner().ScanFolder(path, root);
            window.push_back(t.nsecsElapsed() / 1e9);
            measuring = false;
            form.Session().Tree().DeleteNode(root);
            QApplication::processEvents();
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double h = Median(headless);
    const double w = Median(window);
    std::printf("| Scan | Median of %d (s) |\n|---|---:|\n", rounds);
    std::printf("| without a window | %.3f |\n| in the main window | %.3f |\n\n", h, w);
    std::printf("Window / without: %.2f (target: at most 1.1)\n", w / h);
    std::printf("Longest wait of the event loop during the window's scans: %.1f ms "
                "(target: at most 100)\n",
                longestGap / 1e6);
    std::printf("Peak memory of the process: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
