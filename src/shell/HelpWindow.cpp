// The help window and the table from context numbers to topic pages.
#include "shell/HelpWindow.h"

#include "shell/WindowPlacement.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

// Resources of a static library are linked in only when something names them.
static void LoadHelpResources() {
    static bool loaded = [] {
        Q_INIT_RESOURCE(help);
        return true;
    }();
    (void)loaded;
}

namespace {

struct TTopic {
    int Context;
    const char* Page;
};

const TTopic Topics[] = {
    {HelpContents, "contents.html"},
    {HelpFileMenu, "scanning.html"},
    {HelpDrives, "drives.html"},
    {HelpViewMenu, "window.html"},
    {HelpCompare, "window.html#whatgrew"},
    {HelpUnreadable, "window.html#unreadable"},
    {HelpWastedFolder, "wasted.html"},
    {HelpWastedDrive, "wasted.html#drive"},
    {HelpToolsMenu, "contents.html"},
    {HelpHelpMenu, "contents.html"},
    {HelpOptions, "options.html"},
    {HelpSupport, "support.html"},
    {HelpMoveFolder, "moving.html"},
    {HelpArchiveFolder, "archiving.html#compress"},
    {HelpRestoreFolder, "archiving.html#restore"},
};

} // namespace

QUrl HelpTopicUrl(int context) {
    LoadHelpResources();
    for (const TTopic& topic : Topics) {
        if (topic.Context == context)
            return QUrl(QStringLiteral("qrc:/help/") + QLatin1String(topic.Page));
    }
    return QUrl(QStringLiteral("qrc:/help/contents.html"));
}

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), View(new QTextBrowser) {
    LoadHelpResources();
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Quillmere Help"));
    View->setObjectName(QStringLiteral("HelpBrowser"));
    View->setOpenExternalLinks(true);
    View->setSearchPaths({QStringLiteral(":/help")});

    auto* contents = new QPushButton(QStringLiteral("&Contents"));
    auto* back = new QPushButton(QStringLiteral("&Back"));
    auto* forward = new QPushButton(QStringLiteral("&Forward"));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(contents, &QPushButton::clicked, this, [this] { ShowContext(HelpContents); });
    connect(back, &QPushButton::clicked, View, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, View, &QTextBrowser::forward);
    connect(View, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(View, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(View);
    resize(640, 560);
}

void THelpWindow::ShowContext(int context) {
    View->setSource(HelpTopicUrl(context));
}

THelpWindow* ShowHelp(int context, QWidget* parent) {
    // The application's list of windows holds the one help window, whichever
    // window opened it: no variable of ours has to forget it when it closes.
    // A closed one is hidden until it is deleted, and is not taken again.
    THelpWindow* window = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* help = qobject_cast<THelpWindow*>(widget); help && help->isVisible())
            window = help;
    }
    if (!window) {
        window = new THelpWindow(parent ? parent->window() : nullptr);
        window->setAttribute(Qt::WA_DeleteOnClose);
        CenterOverMainWindow(parent ? parent->window() : nullptr, window);
    }
    window->ShowContext(context);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
