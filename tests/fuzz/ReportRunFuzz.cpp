// The report run's command line: the arguments are the input cut at each NUL
// byte, as the program receives them. A run is recognised exactly when the
// first argument names a known report and there are three; its options act
// one by one, a later one overriding an earlier, and every value read is in
// its range.
#include "FuzzSupport.h"
#include "models/SubfolderList.h"
#include "ui/main/ReportRun.h"

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

template <typename T> void Override(std::optional<T>& value, const std::optional<T>& later) {
    if (later)
        value = later;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments(1);
    for (std::size_t i = 0; i < size && arguments.size() <= 64; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back() += static_cast<char>(data[i]);
    }
    const std::optional<TReportRun> run = ParseReportRun(arguments);
    const std::string type = arguments[0].size() >= 2 ? Upper(arguments[0].substr(2)) : "";
    const bool known = type == "INF" || type == "CSV" || type == "TAB" || type == "TXT";
    FUZZ_CHECK(run.has_value() ==
               (arguments.size() >= 3 && IsReportRunArgument(arguments[0]) && known));
    if (!run)
        return 0;
    FUZZ_CHECK(run->Target == arguments[1] && run->Output == arguments[2]);
    FUZZ_CHECK(run->Type == (type == "INF"   ? ReportInfo
                             : type == "CSV" ? ReportCsv
                             : type == "TAB" ? ReportTab
                                             : ReportText));
    if (run->DisplayType)
        FUZZ_CHECK(*run->DisplayType == DisplayTopLarge || *run->DisplayType == DisplayLargerThan ||
                   *run->DisplayType == DisplayAll);
    if (run->LargerThanUnit)
        FUZZ_CHECK(*run->LargerThanUnit >= 0 && *run->LargerThanUnit <= 2);
    if (run->SortColumn)
        FUZZ_CHECK(*run->SortColumn != 0 && *run->SortColumn >= -SubfolderColumnCount &&
                   *run->SortColumn <= SubfolderColumnCount);
    const std::string file = run->OutputFile();
    if (run->ToPrinter())
        FUZZ_CHECK(file == run->Output);
    else
        FUZZ_CHECK(file == run->Output || file == run->Output + ".csv" ||
                   file == run->Output + ".txt");

    // Each option on its own, applied in order, gives the same run.
    TReportRun folded;
    for (std::size_t i = 3; i < arguments.size(); ++i) {
        const std::optional<TReportRun> one =
            ParseReportRun({arguments[0], arguments[1], arguments[2], arguments[i]});
        FUZZ_CHECK(one.has_value());
        Override(folded.DisplayType, one->DisplayType);
        Override(folded.LargerThanUnit, one->LargerThanUnit);
        Override(folded.LargerThan, one->LargerThan);
        Override(folded.TopCount, one->TopCount);
        Override(folded.SortColumn, one->SortColumn);
        Override(folded.IncludeWasted, one->IncludeWasted);
        folded.Quit = folded.Quit || one->Quit;
    }
    FUZZ_CHECK(folded.DisplayType == run->DisplayType);
    FUZZ_CHECK(folded.LargerThanUnit == run->LargerThanUnit);
    FUZZ_CHECK(folded.LargerThan == run->LargerThan);
    FUZZ_CHECK(folded.TopCount == run->TopCount);
    FUZZ_CHECK(folded.SortColumn == run->SortColumn);
    FUZZ_CHECK(folded.IncludeWasted == run->IncludeWasted);
    FUZZ_CHECK(folded.Quit == run->Quit);
    return 0;
}
