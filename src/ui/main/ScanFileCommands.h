// The scan-file commands: "Export Scan...", "Open Scan File..." and the
// loading behind "Compare with Scan File...".
#pragma once

#include <QObject>

#include <cstdint>
#include <string>

class TCommandRegistry;
class TWindowHost;
struct TLoadedScan;

class TScanFileCommands : public QObject {
    Q_OBJECT
public:
    TScanFileCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent);

    // Shows a scan file as a top-level node of its own (asking at which
    // cluster size its wasted space is worked out, with askClusterSize).
    bool OpenScanFile(const std::string& file, bool askClusterSize);
    // "Compare with Scan File...": chooses and reads the earlier scan, then
    // has the window compare with it.
    void CompareWithScanFile();

private:
    // Reads a scan file under a progress box with Stop; clusterSize 0 takes
    // the one the file implies (or asks, with askClusterSize). False when it
    // could not be read (the user was told) or the user stopped.
    bool LoadScanFile(const std::string& file, std::int32_t clusterSize, bool askClusterSize,
                      TLoadedScan& loaded);
    void cmdFileOpenScanFileClick();
    void cmdFileExportScanClick();

    TWindowHost& Host;
};
