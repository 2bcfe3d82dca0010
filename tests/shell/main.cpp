// Widget tests run offscreen with the Fusion style. The desktop's data and
// config homes point into a temporary folder, so no test touches the user's
// trash or settings; GLib reads them once, so this happens before anything.
#include "common/TempTree.h"
#include "shell/Icons.h"

#include <QApplication>
#include <QStyleFactory>

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TTempTree home;
    home.MakeDir("data");
    home.MakeDir("config");
    setenv("XDG_DATA_HOME", home.Path("data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.Path("config").c_str(), 1);
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    InitIconThemes();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
