// Scripted message boxes, and the colour table's conversions.
#include "shell/MessageBox.h"
#include "settings/ColorTable.h"

#include <QApplication>
#include <QPalette>
#include <gtest/gtest.h>

namespace {

TEST(MessageBoxScript, AnswersInOrderAndRecordsWhatWasShown) {
    TMessageBoxScript script;
    script.Answer(QMessageBox::Yes);
    script.Answer(QMessageBox::No);
    EXPECT_TRUE(TMessageBox::Confirm(nullptr, QStringLiteral("Delete"), QStringLiteral("Sure?")));
    EXPECT_FALSE(TMessageBox::Confirm(nullptr, QStringLiteral("Delete"), QStringLiteral("Again?")));
    TMessageBox::Error(nullptr, QStringLiteral("Oops"), QStringLiteral("It broke"),
                       QStringLiteral("details"));

    ASSERT_EQ(script.Shown().size(), 3u);
    EXPECT_EQ(script.Shown()[0].Kind, TMessageKind::Confirmation);
    EXPECT_EQ(script.Shown()[0].Text, QStringLiteral("Sure?"));
    EXPECT_EQ(script.Shown()[0].Buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(script.Shown()[1].Answered);
    EXPECT_EQ(script.Shown()[2].Kind, TMessageKind::Error);
    EXPECT_EQ(script.Shown()[2].Caption, QStringLiteral("Oops"));
    EXPECT_EQ(script.Shown()[2].Details, QStringLiteral("details"));
    EXPECT_FALSE(script.Shown()[2].Answered);
    EXPECT_EQ(script.PendingAnswers(), 0);
}

TEST(MessageBoxScript, UnansweredBoxesTakeTheSafeWayOut) {
    TMessageBoxScript script;
    EXPECT_FALSE(TMessageBox::Confirm(nullptr, QStringLiteral("c"), QStringLiteral("t")));
    EXPECT_EQ(TMessageBox::Show(nullptr, TMessageKind::Warning, QStringLiteral("c"),
                                QStringLiteral("t"), QMessageBox::Retry | QMessageBox::Cancel),
              QMessageBox::Cancel);
    EXPECT_FALSE(script.Shown()[0].Answered);
}

TEST(MessageBoxScript, NestedScriptsRestoreTheOuterOne) {
    TMessageBoxScript outer;
    {
        TMessageBoxScript inner;
        TMessageBox::Information(nullptr, QStringLiteral("c"), QStringLiteral("inner"));
        EXPECT_EQ(inner.Shown().size(), 1u);
    }
    TMessageBox::Information(nullptr, QStringLiteral("c"), QStringLiteral("outer"));
    ASSERT_EQ(outer.Shown().size(), 1u);
    EXPECT_EQ(outer.Shown()[0].Text, QStringLiteral("outer"));
}

TEST(ColorTable, WordsAndBytes) {
    EXPECT_EQ(ResolveColor(0x000000FF), QColor(255, 0, 0));
    EXPECT_EQ(ResolveColor(0x00C6FFC6), QColor(0xC6, 0xFF, 0xC6));
    EXPECT_EQ(ResolveColor(SystemWindowColor), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(ResolveColor(SystemInfoBackColor),
              QApplication::palette().color(QPalette::ToolTipBase));
    EXPECT_EQ(ColorWordOf(QColor(0x12, 0x34, 0x56)), 0x00563412u);

    QByteArray bytes = ColorTableToBytes(DefaultColors);
    ASSERT_EQ(bytes.size(), 72);
    EXPECT_EQ(bytes.mid(4 * ciPieOtherFolders, 4), QByteArray("\xC6\xFF\xC6\x00", 4));
    EXPECT_EQ(ColorTableFromBytes(bytes), DefaultColors);
    EXPECT_EQ(ColorTableFromBytes(bytes.left(40)), std::nullopt);
    EXPECT_EQ(ColorCaption(0), QStringLiteral("Pie - Background"));
    EXPECT_EQ(ColorCaption(ciTreeBarChartBars), QStringLiteral("Tree Bar Chart - Bars Color"));
    EXPECT_EQ(ColorCaption(ColorCount), QString());
}

} // namespace
