// A report run from the command line: "/R" and a report type, the folder or
// drive, the output file or "PRINTER", then options. The options read fixed
// character positions, as scripts written for it expect. Besides the folder
// reports, /RLARGE writes the largest files of the folder's tree (/TOP:N of
// them) and /RTYPES the figures per extension, in the format /F: names.
#pragma once

#include <QString>

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <variant>
#include <vector>

enum TReportType {
    ReportInfo = 0,
    ReportCsv = 1,
    ReportTab = 2,
    ReportText = 3,
    ReportLargest = 4,
    ReportTypes = 5,
};

struct TReportRun {
    TReportType Type = ReportInfo;
    std::string Target; // as given
    std::string Output; // as given; "PRINTER" is the printer
    std::optional<int> DisplayType;
    std::optional<int> LargerThanUnit; // 0 bytes, 1 KB, 2 MB
    std::optional<QString> LargerThan;
    std::optional<QString> TopCount;
    std::optional<int> SortColumn; // 1 to 8, negative for descending
    std::optional<bool> IncludeWasted;
    // /F:CSV, /F:TAB or /F:TXT: 0, 1 or 2.
    std::optional<int> FileListFormat;
    bool Quit = false;

    bool ToPrinter() const { return Output == "PRINTER"; }
    bool IsFileList() const { return Type == ReportLargest || Type == ReportTypes; }
    // The number of files /RLARGE lists: /TOP:N, 100 when N is not given or
    // no whole number above 0, at most 10,000.
    std::size_t LargestCount() const;
    // The format of /RLARGE and /RTYPES (0 CSV, 1 tab-separated, 2 aligned
    // text): /F's, else CSV for an output ending in ".csv", else aligned text.
    int FileFormat() const;
    // The output file: with the type's default extension when it has none.
    std::string OutputFile() const;
};

// The run the arguments ask for; none when the first is no "/R" with a
// known type or fewer than three arguments are given. Options too short for
// the positions they read are ignored.
std::optional<TReportRun> ParseReportRun(const std::vector<std::string>& arguments);

// Whether the first argument asks for a report run at all ("/R...", any case).
bool IsReportRunArgument(const std::string& argument);
// Whether the arguments are a report run rather than paths: the first one
// asks for one and names nothing on disk ("/root" and "/run" are folders).
bool AsksForReportRun(const std::vector<std::string>& arguments);

// Values put in and taken out in the same order, of whichever kind each was.
class TSimpleDataBackUp {
public:
    void Put(int value) { Values.emplace_back(value); }
    void Put(const QString& value) { Values.emplace_back(value); }
    void Put(bool value) { Values.emplace_back(value); }
    int TakeInt() { return Take<int>(); }
    QString TakeString() { return Take<QString>(); }
    bool TakeBool() { return Take<bool>(); }
    bool Empty() const { return Values.empty(); }

private:
    template <typename T> T Take() {
        T value = std::get<T>(Values.front());
        Values.pop_front();
        return value;
    }
    std::deque<std::variant<int, QString, bool>> Values;
};
