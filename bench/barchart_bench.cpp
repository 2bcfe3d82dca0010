// How long the tree bar chart takes to open on a large folder: builds a tree
// of 100,000 folders in memory (no disk involved), fills the window for its
// root and shows it off-screen, and prints the time to fill, to the first
// paint, to jump to the last row, and to refill the reused window.
//
//   quillmere-barchart-bench [FOLDERS]
#include "engine/FolderNode.h"
#include "settings/ProgramSettings.h"
#include "ui/charts/BarChartBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QListView>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// A small fixed generator, so every run measures the same tree.
struct TRandom {
    std::uint64_t State = 0x9E3779B97F4A7C15ull;
    std::uint32_t Next() {
        State = State * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(State >> 33);
    }
};

// Folders are added breadth first with 1 to 12 children each, so the tree
// has the uneven depth of a real disk; every folder holds a few files.
TFolderNode* BuildTree(TFolderTree& tree, int folders) {
    TRandom random;
    TFolderNode* root = tree.AddRoot("/bench");
    std::vector<TFolderNode*> order{root};
    for (std::size_t next = 0; static_cast<int>(order.size()) < folders; ++next) {
        TFolderNode* parent = order[next % order.size()];
        const int children = 1 + static_cast<int>(random.Next() % 12);
        for (int i = 0; i < children && static_cast<int>(order.size()) < folders; ++i) {
            auto child = std::make_unique<TFolderNode>();
            child->Parent = parent;
            child->Name = "folder-" + std::to_string(order.size());
            order.push_back(child.get());
            parent->Children.push_back(std::move(child));
        }
        parent->RenumberChildren();
    }
    for (TFolderNode* node : order) {
        node->Data = std::make_unique<TFolderSize>();
        const int files = static_cast<int>(random.Next() % 6);
        for (int i = 0; i < files; ++i)
            node->Data->AddFile(4096, random.Next() % (1 << 22), 0, 0, 0);
    }
    // Children come after their parent in `order`, so walking it backwards
    // finishes every folder before it is folded into its parent.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        TFolderNode* node = *it;
        node->Data->Finish();
        node->Set(NodeScanned);
        node->Set(NodeChildrenPublished);
        if (node->Parent) {
            node->Parent->Data->AddSubfolder();
            node->Parent->Data->AddFinishedChild(*node->Data);
        }
    }
    return root;
}

// Counts paint events of the list, to know when the first paint is done.
class TPaintWatch : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

double Ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void RunUntilPainted(TPaintWatch& watch, int before) {
    while (watch.Paints == before)
        QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window keeps its placement in the settings; none of the user's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const int folders = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (folders < 1) {
        std::fprintf(stderr, "usage: quillmere-barchart-bench [FOLDERS]\n");
        return 2;
    }

    TFolderTree tree;
    QElapsedTimer timer;
    timer.start();
    TFolderNode* root = BuildTree(tree, folders);
    std::printf("tree of %d folders built in memory: %.1f ms\n", folders, Ms(timer));

    TProgramSettings settings;
    TBarChartBox box(settings);
    TPaintWatch watch;
    box.BarList->viewport()->installEventFilter(&watch);

    timer.restart();
    box.ShowFolder(root);
    const double fill = Ms(timer);
    box.show();
    RunUntilPainted(watch, 0);
    const double open = Ms(timer);
    std::printf("ShowFolder: %.1f ms (%d rows)\n", fill, box.RowCount());
    std::printf("ShowFolder and first paint: %.1f ms\n", open);

    timer.restart();
    int painted = watch.Paints;
    box.BarList->setCurrentIndex(box.BarList->model()->index(box.RowCount() - 1, 0));
    RunUntilPainted(watch, painted);
    std::printf("jump to the last row and paint: %.1f ms\n", Ms(timer));

    timer.restart();
    painted = watch.Paints;
    box.chkShowFullPath->setChecked(false);
    RunUntilPainted(watch, painted);
    std::printf("repaint with indented names: %.1f ms\n", Ms(timer));

    // The window is reused: closed, then filled and shown again.
    box.reject();
    QApplication::processEvents();
    timer.restart();
    painted = watch.Paints;
    box.ShowFolder(root);
    box.show();
    RunUntilPainted(watch, painted);
    std::printf("reopening (ShowFolder and paint): %.1f ms\n", Ms(timer));
    box.reject();
    return 0;
}
