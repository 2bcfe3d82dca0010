// Turning the file output's failures into results.
#include "reports/ReportFile.h"

TStatus WriteReportFile(const std::string& path, bool append,
                        const std::function<void(TReportOutput&)>& write) {
    try {
        TFileOutput out(path, append);
        write(out);
        out.Close();
    } catch (const TReportError& e) {
        // The output's sentence names the file already ("Cannot write ...:
        // reason"), and it is what the user is shown: kept whole, no path.
        return Refusal(e.what());
    }
    return {};
}
