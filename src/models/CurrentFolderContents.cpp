// The current folder's page contents, from the session's state at the call.
#include "models/CurrentFolderContents.h"

#include "engine/FileQueries.h"
#include "engine/Paths.h"

#include <stdexcept>

TCurrentFolderContents::TCurrentFolderContents(const TScanSession& session,
                                               TComparisonSource comparison)
    : Session(session), Comparison(std::move(comparison)) {}

bool TCurrentFolderContents::Ready() const {
    const TFolderNode* node = Session.Current();
    return node && node->Data;
}

const TFolderNode& TCurrentFolderContents::Current() const {
    if (!Ready())
        throw std::logic_error("the current folder has no figures to show");
    return *Session.Current();
}

TFolderInfoContent TCurrentFolderContents::Info() const {
    const TFolderNode& node = Current();
    TFolderInfoContent info = FolderInfoContent(node, Session.WhatIfIndex());
    info.Change = FolderChangeText(Comparison ? Comparison() : nullptr, node).Long;
    return info;
}

TWastedContent TCurrentFolderContents::Wasted() const {
    return WastedSpaceContent(Current(), Session.CurrentClusterSize());
}

TPieContent TCurrentFolderContents::Pie(TPieOptions options) const {
    Current(); // throws when there is nothing to show
    TFolderNode& node = *Session.Current();
    options.WhatIfIndex = Session.WhatIfIndex();
    // An opened scan file's folder is not on this disk: its files are those
    // the file listed, or one section when they were not kept.
    TPieFileSource files;
    if (!IsOpenedScan(&node))
        files = FolderFilesOnDisk(NodePath(&node), Session.CurrentDriveMayHang());
    else if (FilesKeptFor(&node))
        files = KeptFolderFiles(node);
    return BuildPieContent(node, options, Session.CurrentClusterSize(), files);
}
