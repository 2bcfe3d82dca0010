#include "ui/main/ReportRun.h"

#include "engine/Paths.h"
#include "models/SubfolderList.h"
#include "reports/FileReports.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

bool IsReportRunArgument(const std::string& argument) {
    return argument.size() >= 2 && argument[0] == '/' && (argument[1] == 'R' || argument[1] == 'r');
}

bool AsksForReportRun(const std::vector<std::string>& arguments) {
    return !arguments.empty() && IsReportRunArgument(arguments.front()) &&
           !PathExists(arguments.front());
}

std::string TReportRun::OutputFile() const {
    if (ToPrinter())
        return Output;
    const std::size_t slash = Output.rfind('/');
    const std::size_t dot = Output.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1))
        return Output;
    const bool csv = Type == ReportCsv || (IsFileList() && FileListFormat == 0);
    return Output + (csv ? ".csv" : ".txt");
}

std::size_t TReportRun::LargestCount() const {
    if (!TopCount)
        return LargestFilesDefault;
    bool ok = false;
    const qlonglong n = TopCount->trimmed().toLongLong(&ok);
    if (!ok || n <= 0)
        return LargestFilesDefault;
    return static_cast<std::size_t>(std::min<qlonglong>(n, LargestFilesMost));
}

int TReportRun::FileFormat() const {
    if (FileListFormat)
        return *FileListFormat;
    const std::string upper = Upper(Output);
    return upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".CSV") == 0 ? 0 : 2;
}

std::optional<TReportRun> ParseReportRun(const std::vector<std::string>& arguments) {
    if (arguments.size() < 3 || !IsReportRunArgument(arguments[0]))
        return std::nullopt;
    const std::string type = Upper(arguments[0].substr(2));
    TReportRun run;
    if (type == "INF")
        run.Type = ReportInfo;
    else if (type == "CSV")
        run.Type = ReportCsv;
    else if (type == "TAB")
        run.Type = ReportTab;
    else if (type == "TXT")
        run.Type = ReportText;
    else if (type == "LARGE")
        run.Type = ReportLargest;
    else if (type == "TYPES")
        run.Type = ReportTypes;
    else
        return std::nullopt;
    run.Target = arguments[1];
    run.Output = arguments[2];
    for (std::size_t i = 3; i < arguments.size(); ++i) {
        const std::string& raw = arguments[i];
        const std::string option = Upper(raw);
        if (option.size() < 2 || option[0] != '/')
            continue;
        // Character n of the option, counted from 1; 0 past its end.
        const auto at = [&](std::size_t n) { return n <= option.size() ? option[n - 1] : '\0'; };
        switch (option[1]) {
        case 'A':
            run.DisplayType = DisplayAll;
            break;
        case 'F':
            if (option.compare(2, std::string::npos, ":CSV") == 0)
                run.FileListFormat = 0;
            else if (option.compare(2, std::string::npos, ":TAB") == 0)
                run.FileListFormat = 1;
            else if (option.compare(2, std::string::npos, ":TXT") == 0)
                run.FileListFormat = 2;
            break;
        case 'H':
            run.DisplayType = DisplayLargerThan;
            if (at(5) == 'B')
                run.LargerThanUnit = 0;
            else if (at(5) == 'K')
                run.LargerThanUnit = 1;
            else if (at(5) == 'M')
                run.LargerThanUnit = 2;
            if (raw.size() >= 7)
                run.LargerThan = QString::fromStdString(raw.substr(6));
            break;
        case 'Q':
            run.Quit = true;
            break;
        case 'S':
            if (at(5) >= '1' && at(5) <= '8')
                run.SortColumn = (at(5) - '0') * (at(3) == 'D' ? -1 : 1);
            break;
        case 'T':
            run.DisplayType = DisplayTopLarge;
            if (raw.size() >= 6)
                run.TopCount = QString::fromStdString(raw.substr(5));
            break;
        case 'W':
            if (at(4) == 'F')
                run.IncludeWasted = false;
            else if (at(4) == 'T')
                run.IncludeWasted = true;
            break;
        default:
            break; // other letters are for other versions
        }
    }
    return run;
}
