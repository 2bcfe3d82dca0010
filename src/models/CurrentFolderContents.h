// What the pages show of the session's current folder: its pie, its
// information, its wasted space. The pages draw these and the reports write
// them, so a report says what the screen says without any page being shown
// first. Everything is worked out from the session (the current folder, its
// drive's cluster size, the what-if cluster size) and the comparison, when
// one is active; nothing here holds a widget or a node beyond the call.
#pragma once

#include "models/FolderInfoContent.h"
#include "models/PieContent.h"
#include "models/ScanSession.h"

#include <functional>

class TScanComparison;

class TCurrentFolderContents {
public:
    // The comparison is asked each time: it starts and ends while the
    // session goes on.
    using TComparisonSource = std::function<const TScanComparison*()>;
    TCurrentFolderContents(const TScanSession& session, TComparisonSource comparison);

    // The current folder has figures to show; the contents below need them.
    bool Ready() const;
    // The information page: the what-if figures, and the change since the
    // earlier scan when comparing.
    TFolderInfoContent Info() const;
    // The wasted space page, at the drive's own cluster size and the others.
    TWastedContent Wasted() const;
    // The pie. Its files are read from the disk (options.ShowFiles) unless
    // the folder belongs to an opened scan file, whose files are not here;
    // options.WhatIfIndex is the session's.
    TPieContent Pie(TPieOptions options) const;

private:
    const TFolderNode& Current() const;

    const TScanSession& Session;
    TComparisonSource Comparison;
};
