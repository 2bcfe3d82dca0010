// The "Export Pie" commands: the pie as a bitmap or a drawing, to the
// clipboard or to a file.
#pragma once

#include "platform/Result.h"

#include <QObject>
#include <QString>

#include <functional>

class TCommandRegistry;
class THPieChart;
class TWindowHost;
struct TPieTarget;

// The name of an exported picture: the chosen name with the extension of
// filter `filter` of the export dialog in place of its own.
QString PieExportName(const QString& chosen, int filter);

class TPieExportCommands : public QObject {
    Q_OBJECT
public:
    TPieExportCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent);

private:
    // Runs a pie export on the pie page's chart at the size it has on the
    // screen, with the pie page shown, and shows the page before again;
    // says why, should it fail.
    void ExportPie(const std::function<TStatus(const TPieTarget&, THPieChart&)>& how);
    void cmdFilePieAsMetafileClick();
    void cmdFilePieAsBitmapClick();
    void cmdFilePieToFileClick();

    TWindowHost& Host;
    // The last picture file and filter of "Export Pie", proposed again.
    QString PieExportFile;
    int PieExportFilter = 0;
};
