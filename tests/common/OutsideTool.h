// Programs Quillmere did not write, run to read back what it wrote: a test
// passes only if a reader of its own choosing agrees.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <string>

// What `program` printed on standard output; `failure` says why when it did
// not run or did not end well (empty otherwise).
inline QByteArray ToolOutput(const QString& program, const QStringList& arguments,
                             std::string* failure = nullptr) {
    QProcess tool;
    tool.start(program, arguments);
    const bool ok = tool.waitForFinished(120000) && tool.exitStatus() == QProcess::NormalExit &&
                    tool.exitCode() == 0;
    const QByteArray out = tool.readAllStandardOutput();
    if (failure)
        *failure = ok ? std::string()
                      : (program + QStringLiteral(" failed: ") + tool.readAllStandardError())
                            .toStdString();
    return out;
}

// The first of `programs` that is not installed, or empty when all are.
inline QString MissingTool(const QStringList& programs) {
    for (const QString& p : programs)
        if (QStandardPaths::findExecutable(p).isEmpty())
            return p;
    return {};
}
