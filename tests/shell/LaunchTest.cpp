// Starting programs with raw-byte arguments, web addresses, and the
// mouse-sensitive panel.
#include "shell/Launch.h"
#include "common/TempTree.h"
#include "shell/SensitivePanel.h"
#include "shell/URL.h"

#include <QApplication>
#include <QEnterEvent>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(LaunchFile, StartsAProgramWithEachParameterAsOneArgument) {
    TTempTree tree;
    std::string script = tree.Path("echo args.sh");
    {
        std::ofstream out(script);
        out << "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > \"$PWD/out.tmp\"\n"
               "mv \"$PWD/out.tmp\" \"$PWD/out\"\n";
    }
    chmod(script.c_str(), 0755);
    std::string odd = "two words; $(rm -rf x) caf\xe9";
    TLaunchResult result = LaunchFile(script, {"one", odd}, tree.Root());
    ASSERT_TRUE(result.Ok) << result.Error;
    // The program runs on its own; wait for its output to appear.
    for (int i = 0; i < 500 && ReadWhole(tree.Path("out")).empty(); ++i)
        QTest::qWait(10);
    EXPECT_EQ(ReadWhole(tree.Path("out")), "[one][" + odd + "]");
}

TEST(LaunchFile, SaysWhyWhenItCannot) {
    EXPECT_FALSE(LaunchFile("").Ok);
    TTempTree tree;
    TLaunchResult missing = LaunchFile(tree.Path("not-there.txt"));
    EXPECT_FALSE(missing.Ok);
    EXPECT_NE(missing.Error.find("does not exist"), std::string::npos);
    TLaunchResult program = LaunchFile("quillmere-no-such-program-here", {}, tree.Root());
    EXPECT_FALSE(program.Ok);
    EXPECT_FALSE(program.Error.empty());
}

TEST(URL, PrefixesAndEmptyAddress) {
    TURL url;
    EXPECT_EQ(url.URLType, utHttp);
    EXPECT_FALSE(url.Open());
    url.URL = QStringLiteral("example.org/a");
    EXPECT_EQ(url.Address(), QStringLiteral("http://example.org/a"));
    url.URLType = utMailto;
    EXPECT_EQ(url.Address(), QStringLiteral("mailto:example.org/a"));
    EXPECT_EQ(URLPrefix(utFile), QStringLiteral("file://"));
    EXPECT_EQ(URLPrefix(utHttps), QStringLiteral("https://"));
    EXPECT_EQ(URLPrefix(utWais), QStringLiteral("wais:"));
}

TEST(SensitivePanel, TellsEnterAndLeaveWithItself) {
    TSensitivePanel panel;
    std::vector<std::pair<char, TSensitivePanel*>> seen;
    QObject::connect(&panel, &TSensitivePanel::OnSensitiveActivate, &panel,
                     [&](TSensitivePanel* p) {
                         seen.push_back({'+', p});
                     });
    QObject::connect(&panel, &TSensitivePanel::OnSensitiveDeactivate, &panel,
                     [&](TSensitivePanel* p) {
                         seen.push_back({'-', p});
                     });
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&panel, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&panel, &leave);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair('+', &panel));
    EXPECT_EQ(seen[1], std::make_pair('-', &panel));
}

} // namespace
