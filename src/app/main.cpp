// Quillmere: creates the application and the main window and runs them.
#include "settings/MessageBox.h"
#include "shell/Icons.h"
#include "ui/main/MainForm.h"
#include "ui/main/Strings.h"

#include <QApplication>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationDisplayName(Strings::ApplicationTitle());
    InitIconThemes();
    // Paths are kept as the raw bytes they were given as.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    try {
        TMainForm form;
        form.SetArguments(std::move(arguments));
        form.show();
        return app.exec();
    } catch (const std::exception&) {
        // The window has already told the user ("Fatal error").
        return 1;
    }
}
