// The Help menu's rows and handlers, and File > Exit.
#include "ui/main/ProgramCommands.h"

#include "settings/ProgramSettings.h"
#include "shell/AboutBox.h"
#include "shell/HelpWindow.h"
#include "shell/Launch.h"
#include "shell/MessageBox.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/Strings.h"
#include "ui/main/WindowHost.h"

#include <QAction>
#include <QWidget>

TProgramCommands::TProgramCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent)
    : QObject(parent), Host(host) {
    setObjectName(QStringLiteral("ProgramCommands"));
#define T(text) QT_TRANSLATE_NOOP("TMainForm", text)
    // clang-format off
    commands.Add(this, {"cmdFileExit", T("E&xit"), T("Quits Quillmere."), 0, [this] { Host.Window()->close(); }});
    commands.Add(this, {"cmdHelpHelpTopics", T("&Help Topics"), T("Opens Help."), Qt::Key_F1, [this] { ShowHelp(HelpContents, Host.Window()); }});
    commands.Add(this, {"cmdHelpVisitWebPage", T("Visit the Quillmere &Web page"), T("Visit the Quillmere Web page for the latest information about the product."), 0, [this] { OpenWebAddress(Host.Settings().WebPageAddress.Value); }});
    commands.Add(this, {"cmdHelpFeedback", T("&Feedback..."), T("Displays an online user feedback form that can help the authors improve Quillmere."), 0, [this] { OpenWebAddress(Host.Settings().FeedbackAddress.Value); }});
    commands.Add(this, {"cmdHelpAbout", T("&About..."), T("Displays program information, version and copyright."), 0, [this] {
        TAboutBox box(Host.Window());
        box.exec(); }});
    // clang-format on
#undef T
}

void TProgramCommands::OpenWebAddress(const QString& address) {
    // Until an address is set the support topic says where to turn instead.
    if (address.trimmed().isEmpty()) {
        ShowHelp(HelpSupport, Host.Window());
        return;
    }
    const TLaunchResult result = LaunchFile(address.trimmed().toStdString());
    if (!result.Ok)
        TMessageBox::Error(Host.Window(), Strings::ProductName(),
                           tr("The web page %1 could not be opened:\n%2")
                               .arg(address.trimmed(), QString::fromStdString(result.Error)));
}
