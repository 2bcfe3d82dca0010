// The comparison with an earlier scan ("Compare with Scan File...", "What
// Grew...", "End Comparison") and the list of unreadable folders. The
// comparison itself is data (TScanComparison); here it starts, ends when its
// folder leaves the tree, and reaches the pages.
#pragma once

#include "snapshot/Comparison.h"

#include <QObject>

#include <functional>
#include <memory>

class QModelIndex;
class TCommandRegistry;
class TWindowHost;

class TCompareCommands : public QObject {
    Q_OBJECT
public:
    TCompareCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent);

    // The comparison the pages show; none most of the time.
    const TScanComparison* Active() const { return ActiveComparison.get(); }
    // Compares the current folder with `earlier`, the root of an earlier scan
    // of the same folder (wherever it was made), until EndComparison, a
    // rescan of the folder or its removal. False, after saying why, when the
    // current folder has no figures to compare.
    bool StartComparison(std::unique_ptr<TFolderNode> earlier, TScanFileInfo info);
    void EndComparison();
    // What "Compare with Scan File..." runs: chooses and reads the file,
    // then calls StartComparison. While there is none the command is
    // disabled.
    void SetEarlierScanLoader(std::function<void()> loader);

private:
    // Ends the comparison when rows about to leave the tree hold the
    // compared folder (a rescan or removal of it or of an ancestor).
    void ComparedRowsLeaving(const QModelIndex& parent, int first, int last);
    void ShowWhatGrew();
    void ShowUnreadableFolders();

    TCommandRegistry& Commands;
    TWindowHost& Host;
    std::unique_ptr<TScanComparison> ActiveComparison;
    std::function<void()> LoadEarlierScan;
};
