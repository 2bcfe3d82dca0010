// Shared between the delete and the trash: the checks that make sure the item
// handed to the trash is the item that was scanned.
#pragma once

#include "platform/FileOps.h"

#include <sys/types.h>

namespace Platform {

// The item's path with no link and no "." or ".." in it, after every check
// of a delete passed and no mount was found inside; empty with `refused` set
// otherwise. `device`/`inode` receive the item's identity, so the caller can
// tell afterwards whether it left its place.
std::string TrashablePath(const TScannedItem& item, std::string& refused, dev_t& device,
                          ino_t& inode);
// Whether the scanned item's place still holds the item with this identity.
bool StillInPlace(const TScannedItem& item, dev_t device, ino_t inode);

} // namespace Platform
