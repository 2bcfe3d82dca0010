// The "Reports" and "Print" commands: the save and print dialogs around the
// report writers, and the reports themselves, which a report run of the
// command line writes too.
#pragma once

#include "platform/Result.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class QWidget;

class QByteArray;
class QPrinter;
class TCommandRegistry;
class TFolderNode;
class TWindowHost;
struct TFolderReport;

// A new file (raw-byte path) of `bytes`, written on a thread of its own while
// the window keeps painting; fails when the write fails or its drive stops
// answering.
TStatus WriteFileAnswering(const std::string& path, const QByteArray& bytes);

// Where save dialogs open before the user has saved anything: the
// documents folder, else the home folder.
QString DefaultSaveFolder();

// Asks where to save a list as CSV (offering fileName in the default
// folder), saves it with `save` and tells the user when that failed.
void SaveCsvAs(QWidget* parent, const QString& fileName,
               const std::function<TStatus(const std::string& path)>& save);

class TReportCommands : public QObject {
    Q_OBJECT
public:
    TReportCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent);

    // The current folder's information report to a new file (raw-byte path),
    // followed by its subfolder list. False when it failed, after saying so.
    bool SaveFolderReport(const std::string& path);
    // The subfolder list as the page shows it, in `format` 0 (comma
    // separated), 1 (tab separated) or 2 (aligned text).
    bool SaveSubfolderList(const std::string& path, int format);
    // The information report on portrait pages, then the subfolder list
    // across landscape pages as a second job.
    bool PrintFolderInformation(QPrinter& printer);
    bool PrintSubfolderList(QPrinter& printer);

private:
    void cmdFileReportFolderInformationClick();
    void cmdFileReportFolderContentsClick();
    void cmdFilePrintFolderInformationClick();
    void cmdFilePrintSubfolderlistClick();
    // The folder information report of the current folder, `node`, from the
    // contents the pages show.
    TFolderReport ShownReport(const TFolderNode& node) const;
    // Runs a report's writing; on failure says "Generating report failed"
    // with the reason.
    bool GenerateReport(const std::function<TStatus()>& write);
    // The save dialog of a report; `suffixOf` gives each filter's extension.
    // Returns the name, with the extension of the chosen filter when it had
    // none, and the filter in `chosen`; empty when cancelled.
    QString AskReportFile(const QString& title, const QStringList& filters,
                          const std::function<QString(int)>& suffixOf, int& chosen);
    bool AskPrinter(QPrinter& printer);

    TWindowHost& Host;
    // Where the last report was saved; the next save dialog opens there.
    QString ReportFolder;
};
