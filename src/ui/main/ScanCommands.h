// The commands that scan, rescan and remove drives and folders, abort, select
// a folder, go up, and connect network drives: each hands its work to the
// session.
#pragma once

#include <QObject>

class TCommandRegistry;
class TWindowHost;

class TScanCommands : public QObject {
    Q_OBJECT
public:
    TScanCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent);

    // "Scan Drive(s)...": the drives dialog, then a scan of each drive chosen.
    void ScanDrives();

private:
    void ScanChosenDrive();
    void RescanCurrentFolder();
    void SelectFolder();
    void MapNetworkDrive();
    void DisconnectNetworkDrive();

    TWindowHost& Host;
};
