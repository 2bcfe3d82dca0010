// What the scan saw of a folder or file in the tree, in the form the delete
// and the trash check against, so that they act on that very item.
#pragma once

#include "engine/FolderNode.h"
#include "platform/FileOps.h"

#include <string>

// The folder `folder` itself, or with fileName the file of that name in it.
Platform::TScannedItem ScannedItemOf(const TFolderNode* folder, const std::string& fileName = {});
