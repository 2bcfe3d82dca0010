// Report outputs to files, and the padding rules of the text reports.
#include "reports/ReportOutput.h"

#include "engine/Formatting.h"

#include <QCoreApplication>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

// Lines gather here and go to the file in blocks of this size.
constexpr std::size_t FlushSize = 1 << 16;

} // namespace

TFileOutput::TFileOutput(const std::string& path, bool append, const std::atomic<bool>* stop)
    : Path(path), File(stop) {
    if (!File.Open(path, append))
        Fail(true, File.Error());
    Buffer.reserve(FlushSize + 4096);
}

// Not closed: the temporary file goes with File, and the older file stays.
TFileOutput::~TFileOutput() = default;

void TFileOutput::Fail(bool creating, int error) {
    if (!Status)
        return;
    error = error ? error : EIO;
    const QString text =
        creating ? QCoreApplication::translate("TFileOutput", "Cannot create the file: %1")
                 : QCoreApplication::translate("TFileOutput", "Cannot write the file: %1");
    Status =
        TFailure{error, Path, text.arg(QString::fromLocal8Bit(std::strerror(error))).toStdString()};
}

void TFileOutput::WriteLine(QStringView line) {
    if (!Status)
        return;
    const QByteArray bytes = line.toUtf8();
    Buffer.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    Buffer += "\r\n";
    Flush();
}

void TFileOutput::WriteBytes(const QByteArray& bytes) {
    if (!Status)
        return;
    Buffer.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    Flush();
}

void TFileOutput::Flush() {
    if (Closed)
        Fail(false, EBADF);
    if (Buffer.size() < FlushSize)
        return;
    if (!File.Write(Buffer.data(), Buffer.size()))
        Fail(false, File.Error());
    Buffer.clear();
}

TStatus TFileOutput::Close() {
    if (Closed || !Status)
        return Status;
    Closed = true;
    const bool written = Buffer.empty() || File.Write(Buffer.data(), Buffer.size());
    Buffer.clear();
    if (!written || !File.Commit())
        Fail(false, File.Error());
    return Status;
}

TStatus WriteFileBytes(const std::string& path, const QByteArray& bytes) {
    TFileOutput out(path, false);
    out.WriteBytes(bytes);
    return out.Close();
}

void TMemoryOutput::WriteLine(QStringView line) {
    Data += line.toUtf8();
    Data += "\r\n";
}

TFileWriteJob StartWriteFileBytes(const std::string& path, const QByteArray& bytes) {
    auto status = std::make_shared<TStatus>();
    auto job = TBackgroundJob::Start([path, bytes, status](TBackgroundJob& job) {
        const auto size = static_cast<std::uint64_t>(bytes.size());
        TFileOutput out(path, false, &job.StopFlag());
        for (qsizetype at = 0; at < bytes.size(); at += qsizetype(FlushSize)) {
            out.WriteBytes(bytes.mid(at, qsizetype(FlushSize)));
            job.Report(static_cast<std::uint64_t>(at), size);
        }
        *status = out.Close();
        job.Report(size, size);
    });
    return {std::move(job), std::move(status)};
}

TFailure NotAnswering(const std::string& path) {
    return Refusal(
        QCoreApplication::translate("TFileOutput", "does not answer; its drive may be gone")
            .toStdString(),
        path);
}

int CharCount(QStringView text) {
    int count = 0;
    for (QChar c : text)
        if (!c.isLowSurrogate())
            ++count;
    return count;
}

QString RightAligned(const QString& text, int width) {
    const int n = CharCount(text);
    return n >= width ? text : QString(width - n, QLatin1Char(' ')) + text;
}

QString LeftAligned(const QString& text, int width) {
    const int n = CharCount(text);
    return n >= width ? text : text + QString(width - n, QLatin1Char(' '));
}

QString FirstChars(const QString& text, int count) {
    qsizetype i = 0;
    for (int taken = 0; i < text.size() && taken < count; ++taken)
        i += text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                              : 1;
    return text.left(i);
}

QString OneLine(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 32 || c.unicode() == 127)
            c = QChar(QChar::ReplacementCharacter);
    return text;
}
