// What the last Add archived, kept by the writer for the removal of the
// folder that follows it (ZipRemove.cpp).
#pragma once

#include "cleanup/ZipGatherer.h"
#include "cleanup/ZipMaster.h"

#include <string>
#include <vector>

struct TZipMaster::TAdded {
    std::string RootDir;
    std::vector<TZipSource> Sources;
};
