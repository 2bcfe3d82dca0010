// Quillmere: creates the application and the main window and runs them.
#include "settings/Product.h"
#include "settings/SettingsStore.h"
#include "shell/Icons.h"
#include "shell/MessageBox.h"
#include "ui/main/MainForm.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Only the name: a display name would be appended to every window title.
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    InitIconThemes();
    // Paths are kept as the raw bytes they were given as.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    // The settings are read here, once; the window takes them, and puts them
    // back and writes them when it goes. There is no window yet to show a
    // message over, so what the reading found goes to standard error.
    TSettingsStore settings = TSettingsStore::Read(SettingsFilePath());
    for (const QString& note : settings.Notes())
        ReportProblem(nullptr, QString::fromLatin1(ProductTitle), note);
    try {
        TMainForm form(settings);
        form.SetArguments(std::move(arguments));
        // A comfortable first size in the middle of the screen; a placement
        // kept from an earlier run replaces it when the window is shown.
        if (const QScreen* screen = form.screen()) {
            const QRect free = screen->availableGeometry();
            const QSize size = QSize(1000, 700).boundedTo(free.size() * 9 / 10);
            form.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, free));
        }
        form.show();
        return app.exec();
    } catch (const std::exception&) {
        // The window has already told the user ("Fatal error").
        return 1;
    }
}
