// A report written to a file, with what went wrong given back as a result:
// a file that cannot be created or written is ordinary use (a full disk, a
// folder in the way), not an error of the program.
#pragma once

#include "platform/Result.h"
#include "reports/ReportOutput.h"

#include <functional>
#include <string>

// Runs `write` on a file output at `path` (raw bytes; with `append`, added to
// the older file's text) and closes it. The older file stays as it was
// unless the new one was written whole.
TStatus WriteReportFile(const std::string& path, bool append,
                        const std::function<void(TReportOutput&)>& write);
