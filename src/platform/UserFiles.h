// Small files of the user's own (a file manager's entry in the user's data
// folder): written whole with the permissions they need, and removed.
#pragma once

#include "platform/Result.h"

#include <string>

namespace Platform {

// Writes content to path (raw bytes) whole or not at all, as TOutputFile
// does, and gives the file exactly `mode` (not reduced by the umask).
TStatus WriteWholeFile(const std::string& path, const std::string& content, unsigned mode);

// Removes the file (or link, as itself) at path.
TStatus RemoveFile(const std::string& path);

} // namespace Platform
