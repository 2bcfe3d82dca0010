// quillmere-scan: the scan engine without a window. Scans one folder and
// prints its figures, or with --records one JSON object per scanned folder,
// for benchmarks, scripts and comparisons; with --export writes the scan as
// a file that ncdu, gdu and Quillmere open; with --errors lists the folders
// that could not be read; with --largest or --types lists the largest files
// or the figures per extension, as the report writers write them.
#include "engine/FileQueries.h"
#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "engine/Scanner.h"
#include "engine/VolumeInfo.h"
#include "platform/Mounts.h"
#include "reports/FileReports.h"
#include "snapshot/ReadErrors.h"
#include "snapshot/ScanExport.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

#ifndef QUILLMERE_VERSION
#error "the build passes QUILLMERE_VERSION"
#endif

const char UsageText[] =
    "usage: quillmere-scan [--threads N] [--cluster-size BYTES] [--no-files]\n"
    "                      [--records] PATH\n"
    "       quillmere-scan [--threads N] [--cluster-size BYTES] [--csv]\n"
    "                      --largest N|--types PATH\n"
    "       quillmere-scan [--threads N] --export FILE PATH\n"
    "       quillmere-scan [--threads N] [--no-files] --errors PATH\n"
    "       quillmere-scan --help|--version\n"
    "\n"
    "Scans PATH without a window and prints its figures.\n"
    "--threads N          reader threads\n"
    "--cluster-size BYTES the cluster size for wasted space, not the drive's own\n"
    "--records            one JSON object per folder, sorted by path\n"
    "--export FILE        writes the scan to FILE ('-': standard output) in the\n"
    "                     JSON format of ncdu's export, which ncdu -f, gdu -f\n"
    "                     and Quillmere open\n"
    "--errors             prints one line per folder that could not be read:\n"
    "                     path TAB reason TAB bytes found in it so far\n"
    "--largest N          lists the N largest files (1 to 10,000) of the whole tree:\n"
    "                     name, folder, size, allocated, wasted, modified\n"
    "--types              lists the figures per extension: category, files, size,\n"
    "                     allocated, wasted, % of the folder\n"
    "--csv                writes those lists as comma-separated values instead of\n"
    "                     aligned columns\n"
    "--no-files           keeps folder sums only, not every file: less memory;\n"
    "                     --largest and --types then say that files were not kept\n"
    "Exit status: 0 when everything was read, 1 when something could not be\n"
    "(or the export failed, or files to list were not kept), 2 for bad arguments.\n";

// A mistake in the arguments: what was wrong, then the usage, on standard
// error, so that a script's output stays clean.
int Usage(const char* message) {
    std::fprintf(stderr, "quillmere-scan: %s\n\n%s", message, UsageText);
    return 2;
}

// Progress on standard error, once the scan has run for a second and only
// when a person is watching.
class TConsoleHost final : public TScanHost {
public:
    explicit TConsoleHost(const TScanner*& scanner) : Scanner(scanner) {}
    void ProcessEvents() override {
        if (!Terminal || !Scanner)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - Start < std::chrono::seconds(1) || now - Last < std::chrono::milliseconds(200))
            return;
        Last = now;
        const TScanProgress& p = Scanner->Progress();
        std::fprintf(stderr, "\r%llu folders, %llu files, %s   ",
                     static_cast<unsigned long long>(p.Folders.load()),
                     static_cast<unsigned long long>(p.Files.load()),
                     FormatSize(p.Bytes.load()).toLocal8Bit().constData());
        Shown = true;
    }
    void Done() {
        if (Shown)
            std::fprintf(stderr, "\r%60s\r", "");
    }

private:
    const TScanner*& Scanner;
    bool Terminal = isatty(STDERR_FILENO) != 0;
    bool Shown = false;
    std::chrono::steady_clock::time_point Start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point Last;
};

// Length of the valid UTF-8 sequence at s[i], or 0 when the byte there does
// not start one (overlong forms, surrogates and values past U+10FFFF are not
// valid, as a strict decoder sees them).
std::size_t Utf8SequenceLength(const std::string& s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    const std::size_t left = s.size() - i;
    auto cont = [&](std::size_t k) { return k < s.size() && (b(k) & 0xC0) == 0x80; };
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return left >= 2 && cont(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || !cont(i + 1) || !cont(i + 2))
            return 0;
        if (c == 0xE0 && b(i + 1) < 0xA0)
            return 0; // overlong
        if (c == 0xED && b(i + 1) >= 0xA0)
            return 0; // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4 || !cont(i + 1) || !cont(i + 2) || !cont(i + 3))
            return 0;
        if (c == 0xF0 && b(i + 1) < 0x90)
            return 0;
        if (c == 0xF4 && b(i + 1) >= 0x90)
            return 0;
        return 4;
    }
    return 0;
}

// A JSON string in which bytes that are not valid UTF-8 appear as \udcXX, so
// the raw name can be recovered exactly.
std::string JsonString(const std::string& raw) {
    std::string out = "\"";
    char esc[8];
    for (std::size_t i = 0; i < raw.size();) {
        const std::size_t n = Utf8SequenceLength(raw, i);
        if (n == 0) {
            std::snprintf(esc, sizeof esc, "\\udc%02x", static_cast<unsigned char>(raw[i]));
            out += esc;
            ++i;
            continue;
        }
        if (n == 1) {
            const unsigned char c = static_cast<unsigned char>(raw[i]);
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20 || c == 0x7F) {
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
            } else {
                out += static_cast<char>(c);
            }
        } else {
            out.append(raw, i, n);
        }
        i += n;
    }
    out += '"';
    return out;
}

std::string AltArray(const std::int64_t (&values)[8]) {
    std::string out = "[";
    for (int i = 1; i <= AltClusterCount; ++i) {
        if (i > 1)
            out += ',';
        out += std::to_string(values[i]);
    }
    return out + "]";
}

std::string NodeError(const TFolderNode& node) {
    if (node.Has(NodeOtherDrive))
        return "another drive";
    if (node.Error)
        return Platform::ErrorText(node.Error);
    if (!node.Data)
        return "not scanned";
    return {};
}

void PrintRecords(TFolderNode* root) {
    std::vector<std::pair<std::string, const TFolderNode*>> rows;
    std::vector<std::pair<std::string, const TFolderNode*>> pending{{NodePath(root), root}};
    while (!pending.empty()) {
        auto item = std::move(pending.back());
        pending.pop_back();
        for (const auto& child : item.second->Children) {
            std::string path = item.first;
            if (path.back() != '/')
                path += '/';
            path += child->Name;
            pending.emplace_back(std::move(path), child.get());
        }
        rows.push_back(std::move(item));
    }
    std::sort(rows.begin(), rows.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string line;
    for (const auto& [path, node] : rows) {
        line = "{\"path\":" + JsonString(path);
        if (const TFolderSize* r = node->Data.get()) {
            line += ",\"TreeSize\":" + std::to_string(r->TreeSize);
            line += ",\"OwnSize\":" + std::to_string(r->OwnSize);
            line += ",\"TreeWasted\":" + std::to_string(r->TreeWasted);
            line += ",\"OwnWasted\":" + std::to_string(r->OwnWasted);
            line += ",\"TreeFileCount\":" + std::to_string(r->TreeFileCount);
            line += ",\"TreeFolderCount\":" + std::to_string(r->TreeFolderCount);
            line += ",\"OwnFileCount\":" + std::to_string(r->OwnFileCount);
            line += ",\"OwnFolderCount\":" + std::to_string(r->OwnFolderCount);
            line += ",\"NewestAccessTime\":" + std::to_string(r->NewestAccessTime);
            line += ",\"NewestWriteTime\":" + std::to_string(r->NewestWriteTime);
            line += ",\"AttributesOr\":" + std::to_string(r->AttributesOr);
            line += ",\"TreeWastedAlt\":" + AltArray(r->TreeWastedAlt);
            line += ",\"OwnWastedAlt\":" + AltArray(r->OwnWastedAlt);
        }
        const std::string error = NodeError(*node);
        if (!error.empty())
            line += ",\"error\":" + JsonString(error);
        line += "}\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
}

// Progress of an export on standard error, when a person is watching.
void ShowExportProgress(const TExportProgress& progress, bool& shown) {
    std::fprintf(stderr, "\r%llu folders, %llu files, %s written   ",
                 static_cast<unsigned long long>(progress.Folders.load()),
                 static_cast<unsigned long long>(progress.Files.load()),
                 FormatSize(static_cast<std::int64_t>(progress.BytesWritten.load()))
                     .toLocal8Bit()
                     .constData());
    shown = true;
}

// Like du: the figures of what could be read, and a failing status when
// anything could not, so a script does not trust an incomplete total.
int UnreadableStatus(std::uint64_t unreadable, bool exported) {
    if (unreadable == 0)
        return 0;
    std::fprintf(stderr,
                 exported ? "quillmere-scan: %llu %s could not be read; the file marks %s as such\n"
                          : "quillmere-scan: %llu %s could not be read; the figures leave %s out\n",
                 static_cast<unsigned long long>(unreadable), unreadable == 1 ? "item" : "items",
                 unreadable == 1 ? "it" : "them");
    return 1;
}

// Set by Ctrl+C (or a kill): the export then stops and removes its
// temporary file instead of leaving it beside the one asked for.
std::atomic<bool> Interrupted{false};

void OnInterrupt(int) {
    Interrupted = true;
}

int Export(const std::string& path, const std::string& file, int threads) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    TExportProgress progress;
    std::mutex lock;
    std::condition_variable wake;
    bool finished = false;
    bool shown = false;
    // Progress shows from a thread of its own, however long one folder takes
    // to list. The export keeps the main thread: the tree it builds then
    // grows the main heap in large steps, where a thread's heap grows a page
    // at a time, one system call each.
    std::thread watcher([&] {
        const bool terminal = isatty(STDERR_FILENO) != 0;
        const auto start = std::chrono::steady_clock::now();
        std::unique_lock guard(lock);
        while (!wake.wait_for(guard, std::chrono::milliseconds(50), [&] { return finished; })) {
            if (Interrupted)
                progress.Stop = true;
            if (terminal && std::chrono::steady_clock::now() - start > std::chrono::seconds(1))
                ShowExportProgress(progress, shown);
        }
    });
    const TStatus exported = ExportFolder(path, file, progress, threads);
    {
        std::lock_guard guard(lock);
        finished = true;
    }
    wake.notify_one();
    watcher.join();
    if (shown)
        std::fprintf(stderr, "\r%70s\r", "");
    if (!exported) {
        std::fprintf(stderr, "quillmere-scan: %s\n", exported.Failure().Describe().c_str());
        return 1;
    }
    return UnreadableStatus(progress.Unreadable, true);
}

// One line per folder whose listing failed: raw path, reason, bytes known.
void PrintUnreadable(const TFolderNode* root) {
    for (const TReadError& f : ReadErrors({root})) {
        const std::string line = f.Path + '\t' + ReadErrorReason(f).toLocal8Bit().toStdString() +
                                 '\t' + std::to_string(f.SizeSoFar.value_or(0)) + '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
}

void PrintLine(const char* caption, const QString& value) {
    std::printf("%-16s %s\n", caption, value.toLocal8Bit().constData());
}

std::uint64_t CountUnreadable(const TFolderNode* root) {
    std::uint64_t count = 0;
    std::vector<const TFolderNode*> pending{root};
    while (!pending.empty()) {
        const TFolderNode* n = pending.back();
        pending.pop_back();
        if (n->Has(NodeReadError))
            ++count;
        for (const auto& c : n->Children)
            pending.push_back(c.get());
    }
    return count;
}

void PrintSummary(const TFolderNode* root, std::int32_t clusterSize) {
    const TFolderSize& r = *root->Data;
    std::printf("%-16s %s\n", "Folder", NodePath(root).c_str());
    PrintLine("Size", FormatSize(r.TreeSize) + " (" + FormatBytes(r.TreeSize) + ")");
    PrintLine("Allocated", FormatSize(r.TreeSize + r.TreeWasted) + " (" +
                               FormatBytes(r.TreeSize + r.TreeWasted) + ")");
    PrintLine("Wasted",
              FormatSize(r.TreeWasted) + " at " + FormatBytes(clusterSize) + " per cluster");
    PrintLine("Files", FormatCount64(r.TreeFileCount));
    PrintLine("Folders", FormatCount64(r.TreeFolderCount));
    PrintLine("Own files", FormatCount64(r.OwnFileCount) + ", " + FormatSize(r.OwnSize));
    PrintLine("Newest write",
              IsZeroFileTime(r.NewestWriteTime) ? QString("-") : FormatFileTime(r.NewestWriteTime));
    PrintLine("Newest access", IsZeroFileTime(r.NewestAccessTime)
                                   ? QString("-")
                                   : FormatFileTime(r.NewestAccessTime));
    for (int i = 1; i <= AltClusterCount; ++i) {
        const QString caption = "Wasted at " + FormatSize(AltClusterSizes[i]);
        std::printf("%-16s %s\n", caption.toLocal8Bit().constData(),
                    FormatSize(r.TreeWastedAlt[i]).toLocal8Bit().constData());
    }
    if (const std::uint64_t bad = CountUnreadable(root))
        PrintLine("Unreadable", FormatCount64(static_cast<std::int64_t>(bad)) + " folders");
}

// The largest files (count > 0) or the file types of the tree, in aligned
// columns or as CSV; the lines end in LF, as everything this program prints.
void PrintFileList(const TFolderNode* root, std::size_t count, bool csv, std::int32_t clusterSize,
                   bool filesKept) {
    const std::vector<TFolderFiles> lists = GatherFiles(root);
    const std::string path = NodePath(root);
    const TFileReport report =
        count > 0 ? LargestFilesReport(path, lists, count, clusterSize, filesKept)
                  : FileTypesReport(path, lists, root->Data->TreeSize, clusterSize, filesKept);
    TMemoryOutput out;
    WriteFileReport(report, csv ? TFileReportFormat::Csv : TFileReportFormat::Text, out);
    const QByteArray text = QByteArray(out.Bytes()).replace("\r\n", "\n");
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // locale and text codecs for the formatters
    int threads = 0;
    long long clusterSize = -2; // not given
    bool records = false;
    bool errors = false;
    bool types = false;
    bool csv = false;
    bool keepFiles = true;
    long long largest = 0; // not asked for
    std::string exportFile;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto number = [&](long long low, long long high, long long& out) {
            if (i + 1 >= argc)
                return false;
            char* end = nullptr;
            errno = 0;
            out = std::strtoll(argv[++i], &end, 10);
            return errno == 0 && end && *end == '\0' && out >= low && out <= high;
        };
        long long value = 0;
        if (arg == "--threads") {
            if (!number(1, 256, value))
                return Usage("--threads needs a number from 1 to 256");
            threads = static_cast<int>(value);
        } else if (arg == "--cluster-size") {
            if (!number(0, INT32_MAX, value))
                return Usage("--cluster-size needs a number of bytes");
            clusterSize = value;
        } else if (arg == "--records") {
            records = true;
        } else if (arg == "--errors") {
            errors = true;
        } else if (arg == "--largest") {
            if (!number(1, static_cast<long long>(LargestFilesMost), value))
                return Usage("--largest needs a number of files from 1 to 10000");
            largest = value;
        } else if (arg == "--types") {
            types = true;
        } else if (arg == "--csv") {
            csv = true;
        } else if (arg == "--no-files") {
            keepFiles = false;
        } else if (arg == "--export") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return Usage("--export needs a FILE ('-' for standard output)");
            exportFile = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(UsageText, stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("quillmere-scan %s\n", QUILLMERE_VERSION);
            return 0;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            return Usage(("unknown option " + arg).c_str());
        } else if (path.empty()) {
            path = arg;
        } else {
            return Usage("only one PATH may be given");
        }
    }
    if (path.empty())
        return Usage("no PATH given");
    path = AbsolutePath(path);
    if (path.empty())
        return Usage("cannot read the current directory");
    if (!DirectoryExists(path))
        return Usage((path + " is not a folder").c_str());
    const bool lists = largest > 0 || types;
    if (int(records) + int(errors) + int(!exportFile.empty()) + int(largest > 0) + int(types) > 1)
        return Usage("--records, --errors, --export, --largest and --types go one at a time");
    if (csv && !lists)
        return Usage("--csv goes with --largest or --types");
    if (!keepFiles && !exportFile.empty())
        return Usage("--no-files does not go with --export, which keeps no files anyway");
    if (!exportFile.empty())
        return Export(path, exportFile, threads);

    const TScanner* scannerRef = nullptr;
    TConsoleHost host(scannerRef);
    TFolderTree tree;
    TScanner scanner(tree, host);
    scannerRef = &scanner;
    if (threads > 0)
        scanner.SetReaderThreads(threads);
    scanner.SetKeepFiles(keepFiles);
    scanner.ScanClusterSize = clusterSize >= 0 ? static_cast<std::int32_t>(clusterSize)
                                               : ClusterSizeOf(Platform::DriveRootOf(path));
    TFolderNode* root = tree.AddRoot(path);
    scanner.ScanFolder(path, root);
    host.Done();
    if (!root->Data) {
        std::fprintf(stderr, "quillmere-scan: the scan did not finish\n");
        return 1;
    }
    if (records)
        PrintRecords(root);
    else if (errors)
        PrintUnreadable(root);
    else if (lists)
        PrintFileList(root, static_cast<std::size_t>(largest), csv, scanner.ScanClusterSize,
                      keepFiles);
    else
        PrintSummary(root, scanner.ScanClusterSize);
    std::fflush(stdout);
    const int status = UnreadableStatus(scanner.Progress().Unreadable, false);
    if (lists && !keepFiles) {
        std::fputs("quillmere-scan: files were not kept (--no-files): there are none to list\n",
                   stderr);
        return 1;
    }
    return status;
}
