// A report written to a file, with the file output's failure as its result.
#include "reports/ReportFile.h"

TStatus WriteReportFile(const std::string& path, bool append,
                        const std::function<void(TReportOutput&)>& write) {
    TFileOutput out(path, append);
    write(out);
    return out.Close();
}
