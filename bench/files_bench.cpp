// What keeping every file costs and gives, on one tree in one run:
// scans that keep files against scans that keep folder sums only, taken in
// turns; then, on the kept files of the root, the largest 1,000 files and
// the figures per extension with their kinds, timed as a view computes
// them (the lists taken on the tree's thread, the answer on another).
//
//   quillmere-files-bench TREE [ROUNDS]
#include "engine/FileQueries.h"
#include "engine/Scanner.h"
#include "models/FileCategories.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct TScanned {
    std::unique_ptr<TFolderTree> Tree = std::make_unique<TFolderTree>();
    TFolderNode* Root = nullptr;
    double Seconds = 0;
};

TScanned Scan(const std::string& path, bool keepFiles) {
    TScanned result;
    TScanHost host;
    TScanner scanner(*result.Tree, host);
    scanner.SetKeepFiles(keepFiles);
    scanner.ScanClusterSize = 4096;
    result.Root = result.Tree->AddRoot(path);
    QElapsedTimer timer;
    timer.start();
    scanner.ScanFolder(path, result.Root);
    result.Seconds = double(timer.nsecsElapsed()) / 1e9;
    return result;
}

// Milliseconds from taking the lists to the answer, computed on a thread of
// its own as the views do.
template <typename Answer> double Timed(const TFolderNode* root, Answer answer) {
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        std::vector<TFolderFiles> lists = GatherFiles(root);
        std::thread worker([&] { answer(lists); });
        worker.join();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return Median(times);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillmere-files-bench TREE [ROUNDS]\n");
        return 2;
    }
    const std::string tree = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<double> with, without;
    for (int i = 0; i < rounds; ++i) {
        without.push_back(Scan(tree, false).Seconds);
        with.push_back(Scan(tree, true).Seconds);
    }
    const double keep = Median(with);
    const double sums = Median(without);
    std::printf("scan keeping files %.3f s, folder sums only %.3f s: %.3f times\n", keep, sums,
                keep / sums);

    TScanned scanned = Scan(tree, true);
    std::size_t files = 0;
    std::size_t bytes = 0;
    for (const TFolderFiles& folder : GatherFiles(scanned.Root)) {
        files += folder.Files.Count();
        bytes += folder.Files->Bytes();
    }
    std::printf("%zu files kept in %.1f MB: %.1f bytes per file\n", files, double(bytes) / 1e6,
                double(bytes) / double(std::max<std::size_t>(files, 1)));
    std::size_t shown = 0;
    const double largest = Timed(scanned.Root, [&](const std::vector<TFolderFiles>& lists) {
        shown = LargestFiles(lists, 1000).size();
    });
    std::printf("largest %zu files of the root: %.1f ms\n", shown, largest);
    const double types = Timed(scanned.Root, [&](const std::vector<TFolderFiles>& lists) {
        const std::vector<TFileTypeFigures> rows = FileTypeFigures(lists, 4096);
        int kinds[FileCategoryCount] = {};
        for (const TFileTypeFigures& row : rows)
            ++kinds[static_cast<int>(FileCategoryOf(row.Extension))];
        shown = rows.size();
    });
    std::printf("%zu file types of the root with their kinds: %.1f ms\n", shown, types);
    return 0;
}
