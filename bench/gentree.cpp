// Makes the benchmark's test tree: a reproducible folder tree shaped like a
// real disk (depth, files per folder, sizes, names), with every file sparse so
// that a million of them fit in a few GB.
//
//   quillmere-gentree TARGET [--files N] [--folders N] [--seed S] [--chain N]
//
// --chain N adds beside the tree a chain of N folders, each inside the one
// before ("chain/d/d/d/..."), for measuring what depth costs.
//
// TARGET must be missing or empty. The same arguments give the same names,
// sizes and times on every machine: the generator has its own random number
// generator and uses only exact arithmetic (no standard distributions, whose
// output differs between libraries, and no libm transcendental functions).

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// xoshiro256** seeded through splitmix64.
class TRandom {
public:
    explicit TRandom(uint64_t seed) {
        for (uint64_t& word : State) {
            seed += 0x9e3779b97f4a7c15ULL;
            uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            word = z ^ (z >> 31);
        }
    }

    uint64_t Next() {
        const uint64_t result = Rotl(State[1] * 5, 7) * 9;
        const uint64_t t = State[1] << 17;
        State[2] ^= State[0];
        State[3] ^= State[1];
        State[1] ^= State[2];
        State[0] ^= State[3];
        State[2] ^= t;
        State[3] = Rotl(State[3], 45);
        return result;
    }

    // In [0, 1), 53 random bits.
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

    // In [0, n); n is far below 2^53 here, so the product is exact enough.
    uint64_t Below(uint64_t n) { return static_cast<uint64_t>(Uniform() * static_cast<double>(n)); }

    bool Chance(double p) { return Uniform() < p; }

    // Irwin-Hall: a bell curve within +-6 that needs no libm.
    double Normal(double mean, double sd) {
        double sum = 0;
        for (int i = 0; i < 12; ++i) {
            sum += Uniform();
        }
        return mean + (sum - 6.0) * sd;
    }

    template <typename T, size_t N> const T& Pick(const T (&items)[N]) { return items[Below(N)]; }
    template <typename T> T Pick(std::initializer_list<T> items) {
        return items.begin()[Below(items.size())];
    }

private:
    static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    uint64_t State[4];
};

// 2^x, linear between powers of two: log-normal-ish sizes without exp().
uint64_t Pow2(double x) {
    if (x < 0) {
        return 0;
    }
    const int whole = static_cast<int>(x);
    const double frac = x - whole;
    return static_cast<uint64_t>(static_cast<double>(uint64_t{1} << whole) * (1.0 + frac));
}

// ---- Shape of the tree -------------------------------------------------

constexpr int MaxDepth = 15;

// Share of folders at each depth below the target (1..15): most between 3 and 8.
constexpr double DepthWeights[MaxDepth] = {0.1, 1.0, 6.0, 12.0, 16.0, 17.0, 15.0, 11.0,
                                           7.0, 5.0, 3.5, 2.5,  1.8,  1.2,  0.9};

struct TFolderPlan {
    uint32_t Parent = 0;
    uint32_t Depth = 0;
    uint32_t Files = 0;
    std::vector<uint32_t> Children;
};

int DrawDepth(TRandom& rnd) {
    double total = 0;
    for (double w : DepthWeights) {
        total += w;
    }
    double u = rnd.Uniform() * total;
    for (int d = 0; d < MaxDepth; ++d) {
        if (u < DepthWeights[d]) {
            return d + 1;
        }
        u -= DepthWeights[d];
    }
    return MaxDepth;
}

// Folder 0 is the target. Folders are placed level by level; half of them join
// a parent picked in proportion to the subfolders it already has, so a few
// folders collect hundreds of subfolders while most have a handful.
std::vector<TFolderPlan> PlanFolders(TRandom& rnd, uint32_t folders) {
    std::vector<uint32_t> depths(folders);
    for (uint32_t& d : depths) {
        d = static_cast<uint32_t>(DrawDepth(rnd));
    }
    std::sort(depths.begin(), depths.end());

    std::vector<TFolderPlan> plan(folders + 1);
    std::vector<std::vector<uint32_t>> atDepth(MaxDepth + 1);
    atDepth[0].push_back(0);
    for (uint32_t i = 1; i <= folders; ++i) {
        uint32_t depth = depths[i - 1];
        while (atDepth[depth - 1].empty()) {
            --depth;
        }
        const std::vector<uint32_t>& sameLevel = atDepth[depth];
        const std::vector<uint32_t>& upperLevel = atDepth[depth - 1];
        uint32_t parent;
        if (!sameLevel.empty() && rnd.Chance(0.5)) {
            parent = plan[sameLevel[rnd.Below(sameLevel.size())]].Parent;
        } else {
            parent = upperLevel[rnd.Below(upperLevel.size())];
        }
        plan[i].Parent = parent;
        plan[i].Depth = depth;
        plan[parent].Children.push_back(i);
        atDepth[depth].push_back(i);
    }
    return plan;
}

// Files per folder: a fifth of the folders draw none, the rest a Pareto tail of
// index 1 (half of them three or fewer, one in a thousand over a thousand).
// Scaling to the exact total turns many single files into none, so about 30%
// of the folders end up without files, as on real disks.
void PlanFiles(TRandom& rnd, std::vector<TFolderPlan>& plan, uint64_t files) {
    std::vector<double> raw(plan.size());
    double rawTotal = 0;
    for (double& r : raw) {
        r = rnd.Chance(0.2) ? 0.0 : std::min(8000.0, std::floor(1.5 / (1.0 - rnd.Uniform())));
        rawTotal += r;
    }
    if (rawTotal == 0) {
        raw[0] = rawTotal = 1;
    }
    uint64_t placed = 0;
    for (size_t i = 0; i < plan.size(); ++i) {
        plan[i].Files = static_cast<uint32_t>(raw[i] * static_cast<double>(files) / rawTotal);
        placed += plan[i].Files;
    }
    while (placed < files) {
        const size_t i = rnd.Below(plan.size());
        if (raw[i] > 0) {
            ++plan[i].Files;
            ++placed;
        }
    }
}

// ---- Names -------------------------------------------------------------

constexpr const char* Words[] = {
    "report",  "final",     "backup",    "photos",   "project",   "data",       "notes",
    "draft",   "config",    "cache",     "build",    "release",   "test",       "assets",
    "images",  "music",     "video",     "docs",     "src",       "lib",        "include",
    "share",   "old",       "new",       "copy",     "invoice",   "letter",     "summary",
    "meeting", "budget",    "holiday",   "family",   "scan",      "thumbnail",  "index",
    "main",    "utils",     "module",    "package",  "vendor",    "node",       "target",
    "debug",   "logs",      "archive",   "temp",     "download",  "screenshot", "recording",
    "album",   "track",     "chapter",   "lecture",  "slides",    "paper",      "thesis",
    "chart",   "map",       "model",     "texture",  "sound",     "font",       "theme",
    "plugin",  "driver",    "firmware",  "update",   "patch",     "kernel",     "server",
    "client",  "user",      "profile",   "settings", "session",   "history",    "mail",
    "inbox",   "sent",      "contacts",  "calendar", "recipe",    "garden",     "travel",
    "school",  "work",      "home",      "misc",     "export",    "import",     "tools",
    "scripts", "common",    "core",      "engine",   "widgets",   "shaders",    "levels",
    "saves",   "mods",      "wallpaper", "invoices", "taxes",     "scans",      "raw",
    "edited",  "public",    "private",   "shared",   "team",      "clients",    "summer",
    "winter",  "wedding",   "birthday",  "camera",   "phone",     "tablet",     "laptop",
    "desktop", "documents", "pictures",  "videos",   "templates", "fixtures",   "samples",
};

// Valid UTF-8 outside ASCII, as users type them.
constexpr const char* WordsUtf8[] = {
    "résumé", "Übersicht", "año",      "café",    "naïve",        "Straße",
    "日本語", "фото",      "Ελληνικά", "çalışma", "Bibliothèque", "żółw",
};

// Latin-1 bytes, as old archives and other systems leave them: not UTF-8.
constexpr const char* WordsLatin1[] = {
    "caf\xe9",
    "r\xe9sum\xe9",
    "\xdc"
    "bersicht",
    "a\xf1o",
    "Stra\xdf"
    "e",
    "Biblioth\xe8que",
};

constexpr const char* Extensions[] = {
    ".txt",    ".jpg",  ".jpg", ".jpg",  ".png", ".png",  ".c",     ".h",   ".cpp",  ".js",
    ".js",     ".json", ".log", ".pdf",  ".pdf", ".mp3",  ".mp4",   ".so",  ".o",    ".py",
    ".html",   ".css",  ".xml", ".dat",  ".gz",  ".zip",  ".iso",   ".mkv", ".docx", ".xlsx",
    ".odt",    ".svg",  ".md",  ".rs",   ".go",  ".java", ".class", ".bin", ".db",   ".sqlite",
    ".tar.gz", ".deb",  ".wav", ".flac", ".ttf", ".ini",  ".yaml",  ".csv", ".bak",  ".tmp",
};

constexpr const char* BareNames[] = {
    "Makefile",  "README",  "LICENSE", ".gitignore", ".bashrc",   "Dockerfile",
    "CHANGELOG", "COPYING", "config",  ".DS_Store",  "Thumbs.db", "desktop.ini",
};

// Big folders on real disks are mostly one kind of thing: a camera's pictures,
// a cache of hashed names, numbered parts or logs. Their names are made as
// such a series; small folders mix every kind of name.
enum class TSeries { None, Camera, Hashes, Numbered };

class TNamer {
public:
    explicit TNamer(TRandom& rnd) : Rnd(rnd) {}

    void StartFolder(uint32_t files) {
        Series = TSeries::None;
        if (files < 200) {
            return;
        }
        const double u = Rnd.Uniform();
        Series = u < 0.4 ? TSeries::Camera : u < 0.7 ? TSeries::Hashes : TSeries::Numbered;
        SeriesNumber = Rnd.Below(10000);
        SeriesTime = 20100101000000ULL + Rnd.Below(16) * 10000000000ULL;
        SeriesWord = Word();
        SeriesSeparator = Rnd.Pick({" ", "-", "_", "."});
        SeriesExt = Rnd.Chance(0.8) ? Ext() : "";
        SeriesCamera = Rnd.Chance(0.6);
    }

    std::string Folder() {
        std::string name;
        const double style = Rnd.Uniform();
        if (style < 0.40) {
            name = Word();
        } else if (style < 0.60) {
            name = Words(1 + Rnd.Below(3), ' ', true);
        } else if (style < 0.75) {
            name = Words(2 + Rnd.Below(2), Rnd.Chance(0.5) ? '_' : '-', false);
        } else if (style < 0.85) {
            name = Word() + (Rnd.Chance(0.5) ? "_" : " ") + std::to_string(Rnd.Below(100));
        } else if (style < 0.90) {
            name = std::to_string(1995 + Rnd.Below(31));
        } else if (style < 0.98) {
            name = Hex(Rnd.Chance(0.7) ? 2 : 32);
        } else {
            name = Long(60, 200);
        }
        return Finish(std::move(name));
    }

    std::string File() {
        switch (Series) {
        case TSeries::Camera:
            return NextCameraName();
        case TSeries::Hashes:
            return Hex(40) + SeriesExt;
        case TSeries::Numbered:
            return SeriesWord + SeriesSeparator + Padded(SeriesNumber++, 5) + SeriesExt;
        case TSeries::None:
            break;
        }
        std::string name;
        const double style = Rnd.Uniform();
        if (style < 0.25) {
            name = Words(1 + Rnd.Below(2), Rnd.Chance(0.5) ? '_' : '-', false) + Ext();
        } else if (style < 0.40) {
            name = Camera();
        } else if (style < 0.55) {
            name = Words(2 + Rnd.Below(3), ' ', true) + Ext();
        } else if (style < 0.65) {
            name = Hex(40);
            if (Rnd.Chance(0.5)) {
                name += Ext();
            }
        } else if (style < 0.75) {
            name = Word() + (Rnd.Chance(0.5) ? " " : "-") +
                   Padded(Rnd.Below(1000), 2 + Rnd.Below(4)) + Ext();
        } else if (style < 0.85) {
            name = Rnd.Pick(BareNames);
        } else if (style < 0.98) {
            name = Word() + Ext();
        } else {
            name = Long(80, 230) + Ext();
        }
        return Finish(std::move(name));
    }

private:
    std::string Word() {
        const double u = Rnd.Uniform();
        if (u < 0.003) {
            return Rnd.Pick(WordsLatin1);
        }
        if (u < 0.02) {
            return Rnd.Pick(WordsUtf8);
        }
        return Rnd.Pick(::Words);
    }

    std::string Words(uint64_t count, char separator, bool capitalise) {
        std::string out;
        for (uint64_t i = 0; i < count; ++i) {
            if (i > 0) {
                out += separator;
            }
            std::string w = Word();
            if (capitalise && (i == 0 || Rnd.Chance(0.5)) && w[0] >= 'a' && w[0] <= 'z') {
                w[0] = static_cast<char>(w[0] - 'a' + 'A');
            }
            out += w;
        }
        return out;
    }

    std::string Long(size_t minLength, size_t maxLength) {
        const size_t length = minLength + Rnd.Below(maxLength - minLength);
        std::string out = Words(1, ' ', true);
        while (out.size() < length) {
            out += ' ';
            out += Word();
        }
        // Cut at a character boundary so that only deliberate bytes are invalid.
        size_t cut = std::min(out.size(), maxLength);
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        out.resize(cut);
        while (!out.empty() && out.back() == ' ') {
            out.pop_back();
        }
        return out;
    }

    std::string Camera() {
        if (Rnd.Chance(0.6)) {
            return "IMG_" + std::to_string(2010 + Rnd.Below(16)) + Padded(1 + Rnd.Below(12), 2) +
                   Padded(1 + Rnd.Below(28), 2) + "_" + Padded(Rnd.Below(240000), 6) +
                   (Rnd.Chance(0.8) ? ".jpg" : ".mp4");
        }
        return "DSC" + Padded(Rnd.Below(100000), 5) + (Rnd.Chance(0.7) ? ".JPG" : ".NEF");
    }

    // Pictures taken in order: the clock moves on between shots.
    std::string NextCameraName() {
        ++SeriesNumber;
        if (!SeriesCamera) {
            return "DSC" + Padded(SeriesNumber % 100000, 5) + ".JPG";
        }
        SeriesTime += 1 + Rnd.Below(600);
        const uint64_t date = SeriesTime / 1000000;
        const uint64_t time = SeriesTime % 1000000;
        return "IMG_" + std::to_string(date) + "_" + Padded(time, 6) + "_" +
               Padded(SeriesNumber % 10000, 4) + ".jpg";
    }

    std::string Hex(size_t digits) {
        static constexpr char HexDigits[] = "0123456789abcdef";
        std::string out(digits, '0');
        for (char& c : out) {
            c = HexDigits[Rnd.Below(16)];
        }
        return out;
    }

    std::string Ext() { return Rnd.Pick(Extensions); }

    static std::string Padded(uint64_t value, size_t width) {
        std::string digits = std::to_string(value);
        if (digits.size() < width) {
            digits.insert(0, width - digits.size(), '0');
        }
        return digits;
    }

    // Keeps room for a " (n)" suffix within the 255-byte limit of a name.
    static std::string Finish(std::string name) {
        if (name.size() > 240) {
            size_t cut = 240;
            while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
                --cut;
            }
            name.resize(cut);
        }
        if (name.empty() || name == "." || name == "..") {
            name = "x" + name;
        }
        return name;
    }

    TRandom& Rnd;
    TSeries Series = TSeries::None;
    uint64_t SeriesNumber = 0;
    uint64_t SeriesTime = 0;
    std::string SeriesWord;
    std::string SeriesSeparator;
    std::string SeriesExt;
    bool SeriesCamera = false;
};

// Sizes: a few empty files, most around a few KB (the median is 4 KB), and a
// small share of media and disk images from megabytes up to a few GB.
uint64_t DrawSize(TRandom& rnd) {
    const double u = rnd.Uniform();
    if (u < 0.03) {
        return 0;
    }
    const double log2Size = u < 0.98 ? rnd.Normal(12.0, 3.0) : rnd.Normal(21.0, 2.8);
    return std::min<uint64_t>(Pow2(log2Size), uint64_t{6} << 30);
}

// Times: spread over ten years from 2015, fixed so that reruns give the same tree.
timespec DrawTime(TRandom& rnd) {
    constexpr int64_t Start = 1420070400; // 2015-01-01 UTC
    constexpr int64_t Span = int64_t{10} * 365 * 24 * 3600;
    timespec t{};
    t.tv_sec = static_cast<time_t>(Start + static_cast<int64_t>(rnd.Below(Span)));
    t.tv_nsec = static_cast<long>(rnd.Below(1000000000));
    return t;
}

// ---- Writing the tree --------------------------------------------------

struct TTotals {
    uint64_t Files = 0;
    uint64_t Folders = 0;
    uint64_t Bytes = 0;
    uint32_t Deepest = 0;
    uint32_t MostFiles = 0;
    uint64_t NonUtf8Names = 0;
};

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "quillmere-gentree: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

bool IsUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i]);
        size_t extra;
        if (lead < 0x80) {
            extra = 0;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= s.size()) {
            return false;
        }
        for (size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += extra + 1;
    }
    return true;
}

class TWriter {
public:
    TWriter(TRandom& rnd, const std::vector<TFolderPlan>& plan)
        : Rnd(rnd), Namer(rnd), Plan(plan) {}

    void Fill(int dirFd, uint32_t folder) {
        const TFolderPlan& f = Plan[folder];
        Totals.Deepest = std::max(Totals.Deepest, f.Depth);
        Totals.MostFiles = std::max(Totals.MostFiles, f.Files);
        std::unordered_set<std::string> used;
        Namer.StartFolder(f.Files);
        for (uint32_t i = 0; i < f.Files; ++i) {
            WriteFile(dirFd, Claim(used, [this] { return Namer.File(); }));
        }
        for (uint32_t child : f.Children) {
            const std::string name = Claim(used, [this] { return Namer.Folder(); });
            if (mkdirat(dirFd, name.c_str(), 0755) != 0) {
                Fail("mkdirat " + name);
            }
            const int childFd = openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (childFd < 0) {
                Fail("openat " + name);
            }
            ++Totals.Folders;
            Fill(childFd, child);
            close(childFd);
        }
        // Last, since adding entries moved the folder's own time.
        const timespec t = DrawTime(Rnd);
        const timespec times[2] = {t, t};
        if (futimens(dirFd, times) != 0) {
            Fail("futimens");
        }
    }

    TTotals Totals;

private:
    // Two entries of a folder may draw the same name: a few fresh draws, then
    // "name (2)", as file managers do.
    template <typename TDraw> std::string Claim(std::unordered_set<std::string>& used, TDraw draw) {
        std::string name = draw();
        for (int redraw = 0; redraw < 4 && used.contains(name); ++redraw) {
            name = draw();
        }
        const std::string base = name;
        for (int n = 2; used.contains(name); ++n) {
            name = base + " (" + std::to_string(n) + ")";
        }
        used.insert(name);
        CountName(name);
        return name;
    }

    void WriteFile(int dirFd, const std::string& name) {
        const int fd = openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            Fail("openat " + name);
        }
        const uint64_t size = DrawSize(Rnd);
        if (size > 0 && ftruncate(fd, static_cast<off_t>(size)) != 0) {
            Fail("ftruncate " + name);
        }
        const timespec t = DrawTime(Rnd);
        const timespec times[2] = {t, t};
        if (futimens(fd, times) != 0) {
            Fail("futimens " + name);
        }
        close(fd);
        ++Totals.Files;
        Totals.Bytes += size;
    }

    void CountName(const std::string& name) {
        if (!IsUtf8(name)) {
            ++Totals.NonUtf8Names;
        }
    }

    TRandom& Rnd;
    TNamer Namer;
    const std::vector<TFolderPlan>& Plan;
};

bool ParseCount(const char* text, uint64_t& value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-') {
        return false;
    }
    value = v;
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: quillmere-gentree TARGET [--files N] [--folders N] [--seed S] "
                         "[--chain N]\n");
    return 2;
}

// The target is created when missing; an existing one must be empty, or the
// result would not be the tree that the arguments describe.
int OpenTarget(const char* path) {
    if (mkdir(path, 0755) != 0 && errno != EEXIST) {
        Fail(std::string("mkdir ") + path);
    }
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        Fail(std::string("open ") + path);
    }
    DIR* dir = fdopendir(dup(fd));
    if (dir == nullptr) {
        Fail(std::string("fdopendir ") + path);
    }
    bool empty = true;
    while (const dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    closedir(dir);
    if (!empty) {
        std::fprintf(stderr, "quillmere-gentree: %s is not empty\n", path);
        std::exit(2);
    }
    return fd;
}

} // namespace

int main(int argc, char** argv) {
    const char* target = nullptr;
    uint64_t files = 1000000;
    uint64_t folders = 100000;
    uint64_t seed = 1;
    uint64_t chain = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        uint64_t* value = arg == "--files"     ? &files
                          : arg == "--folders" ? &folders
                          : arg == "--seed"    ? &seed
                          : arg == "--chain"   ? &chain
                                               : nullptr;
        if (value != nullptr) {
            if (i + 1 >= argc || !ParseCount(argv[++i], *value)) {
                return Usage();
            }
        } else if (target == nullptr && !arg.starts_with("--")) {
            target = argv[i];
        } else {
            return Usage();
        }
    }
    if (target == nullptr || folders > 100000000 || files > 1000000000 || chain > 10000000) {
        return Usage();
    }

    const auto start = std::chrono::steady_clock::now();
    TRandom rnd(seed);
    std::vector<TFolderPlan> plan = PlanFolders(rnd, static_cast<uint32_t>(folders));
    PlanFiles(rnd, plan, files);

    const int rootFd = OpenTarget(target);
    TWriter writer(rnd, plan);
    writer.Fill(rootFd, 0);
    if (chain > 0) {
        // Each level opened from the one above, so no path is ever too long.
        int fd = dup(rootFd);
        const char* name = "chain";
        for (uint64_t level = 0; level < chain && fd >= 0; ++level) {
            if (mkdirat(fd, name, 0755) != 0 && errno != EEXIST)
                break;
            const int next = openat(fd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            close(fd);
            fd = next;
            name = "d";
        }
        if (fd >= 0)
            close(fd);
        std::printf("chain depth: %llu\n", static_cast<unsigned long long>(chain));
    }
    close(rootFd);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const TTotals& t = writer.Totals;
    std::printf("files: %llu\n", static_cast<unsigned long long>(t.Files));
    std::printf("folders: %llu\n", static_cast<unsigned long long>(t.Folders));
    std::printf("apparent bytes: %llu\n", static_cast<unsigned long long>(t.Bytes));
    std::printf("deepest level: %u\n", t.Deepest);
    std::printf("most files in one folder: %u\n", t.MostFiles);
    std::printf("names not in UTF-8: %llu\n", static_cast<unsigned long long>(t.NonUtf8Names));
    std::fprintf(stderr, "generated in %.1f s\n", seconds);
    return 0;
}
