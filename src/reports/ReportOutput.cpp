// Report outputs to files, and the padding rules of the text reports.
#include "reports/ReportOutput.h"

#include "engine/Formatting.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

namespace {

// Lines gather here and go to the file in blocks of this size.
constexpr std::size_t FlushSize = 1 << 16;

} // namespace

TFileOutput::TFileOutput(const std::string& path, bool append) : Path(path) {
    errno = 0;
    File = std::fopen(path.c_str(), append ? "ab" : "wb");
    if (!File)
        Fail(true, errno);
    Buffer.reserve(FlushSize + 4096);
}

TFileOutput::~TFileOutput() {
    // Closed here only after a failure elsewhere; that failure is what the
    // user is told about, so a second one is not.
    if (File)
        std::fclose(File);
}

void TFileOutput::Fail(bool creating, int error) {
    const QString text = creating ? QCoreApplication::translate("TFileOutput", "Cannot create %1")
                                  : QCoreApplication::translate("TFileOutput", "Cannot write %1");
    const QString reason = QString::fromLocal8Bit(std::strerror(error ? error : EIO));
    throw TReportError((text.arg(DisplayText(Path)) + QStringLiteral(": ") + reason).toStdString());
}

void TFileOutput::WriteLine(QStringView line) {
    const QByteArray bytes = line.toUtf8();
    Buffer.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    Buffer += "\r\n";
    Flush();
}

void TFileOutput::WriteBytes(const QByteArray& bytes) {
    Buffer.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    Flush();
}

void TFileOutput::Flush() {
    if (!File)
        Fail(false, EBADF);
    if (Buffer.size() < FlushSize)
        return;
    errno = 0;
    if (std::fwrite(Buffer.data(), 1, Buffer.size(), File) != Buffer.size())
        Fail(false, errno);
    Buffer.clear();
}

void TFileOutput::Close() {
    if (!File)
        return;
    std::FILE* file = File;
    File = nullptr;
    errno = 0;
    const bool written =
        Buffer.empty() || std::fwrite(Buffer.data(), 1, Buffer.size(), file) == Buffer.size();
    int error = errno;
    Buffer.clear();
    // A full disk often shows only when the last block is flushed at close.
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    if (!written)
        Fail(false, error);
    if (!closed)
        Fail(false, errno);
}

void WriteFileBytes(const std::string& path, const QByteArray& bytes) {
    TFileOutput out(path, false);
    out.WriteBytes(bytes);
    out.Close();
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
