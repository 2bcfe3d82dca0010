// Where the lines of a report go. A report writes lines; an output turns them
// into a file (UTF-8, CR LF) or into printed pages, and fails loudly: an
// output keeps the first failure to write, takes no more lines after it, and
// gives it back from Close, so a report whose Close succeeds was written
// whole.
#pragma once

#include "platform/BackgroundJob.h"
#include "platform/OutputFile.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <atomic>
#include <memory>
#include <string>

class TReportOutput {
public:
    virtual ~TReportOutput() = default;
    // One line, without its line break; nothing once the output has failed.
    virtual void WriteLine(QStringView line) = 0;
    // Ends the output: flushes the file or ends the print job. Fails, with
    // the first failure, when what was written did not all arrive.
    virtual TStatus Close() = 0;
    // Printed lines are cut to the page; a few reports lay out differently.
    virtual bool ToPrinter() const = 0;
};

// A text file, new or replacing the older one, or the older one's text with
// more added. The path is raw bytes, so a folder whose name is not UTF-8 can
// hold the report. The older file stays as it was until Close has written the
// new one whole (see Platform::TOutputFile); stop ends a wait on a pipe.
class TFileOutput final : public TReportOutput {
public:
    TFileOutput(const std::string& path, bool append, const std::atomic<bool>* stop = nullptr);
    ~TFileOutput() override;
    TFileOutput(const TFileOutput&) = delete;
    TFileOutput& operator=(const TFileOutput&) = delete;

    void WriteLine(QStringView line) override;
    // Bytes as they are, for files that are no text.
    void WriteBytes(const QByteArray& bytes);
    // A failure names the file, with the system's error number.
    TStatus Close() override;
    bool ToPrinter() const override { return false; }

private:
    // Writes the buffer out once it has grown large.
    void Flush();
    // Keeps the first failure; the file is then left unfinished.
    void Fail(bool creating, int error);

    std::string Path;
    Platform::TOutputFile File;
    bool Closed = false;
    std::string Buffer;
    TStatus Status;
};

// Lines gathered in memory as the file would hold them, so that a window can
// hand the writing of the file to a thread of its own.
class TMemoryOutput final : public TReportOutput {
public:
    void WriteLine(QStringView line) override;
    TStatus Close() override { return {}; }
    bool ToPrinter() const override { return false; }
    const QByteArray& Bytes() const { return Data; }

private:
    QByteArray Data;
};

// A new file (raw-byte path) holding `bytes`; fails when they did not all
// arrive.
TStatus WriteFileBytes(const std::string& path, const QByteArray& bytes);

// The same as a background job, for a caller that must not block (the
// window's thread): the job reports the bytes written and ends a wait on a
// pipe when stopped. The job holds its own copy of the bytes, so it may be
// left to end alone.
struct TFileWriteJob {
    std::shared_ptr<TBackgroundJob> Job;
    // How the write ended; to be read once Job has finished.
    std::shared_ptr<const TStatus> Status;
};
TFileWriteJob StartWriteFileBytes(const std::string& path, const QByteArray& bytes);
// What a write left to end alone tells the user: its drive does not answer.
TFailure NotAnswering(const std::string& path);

// ---- text helpers shared by the writers ---------------------------------------

// The number of characters of a text as a reader counts them: code points,
// so a character outside the basic plane counts once.
int CharCount(QStringView text);
// `text` with blanks in front up to `width` characters; a longer text whole.
QString RightAligned(const QString& text, int width);
// `text` with blanks after it up to `width` characters; a longer text whole.
QString LeftAligned(const QString& text, int width);
// The first `count` characters, never splitting a surrogate pair.
QString FirstChars(const QString& text, int count);
// A text made fit for one line of a plain-text report: every control
// character (a tab or line break in a folder's name) becomes U+FFFD, as bytes
// that are no text do on screen, so it cannot break the line or the columns.
QString OneLine(QString text);
