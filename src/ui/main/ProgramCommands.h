// The program's own commands: help, its web pages, the about box and Exit.
#pragma once

#include <QObject>

class QString;
class TCommandRegistry;
class TWindowHost;

class TProgramCommands : public QObject {
    Q_OBJECT
public:
    TProgramCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent);

private:
    // Opens a web address kept in the options; with none, the help's
    // support topic.
    void OpenWebAddress(const QString& address);

    TWindowHost& Host;
};
