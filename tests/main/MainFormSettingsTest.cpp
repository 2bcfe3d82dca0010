// The main window's settings: where it and its boxes come back, and the
// settings file, read once and written once, also when its lock cannot be
// had.
#include "MainFormFixture.h"
#include "ModalCloser.h"
#include "common/Watchdog.h"
#include "settings/ConfigKeys.h"
#include "settings/SettingsStore.h"
#include "ui/charts/BarChartBox.h"
#include "ui/charts/SectionSizeBox.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

TEST(MainFormPlacement, ANormalWindowComesBackWithItsSize) {
    TModalCloser closer;
    QFile::remove(SettingsFilePath());
    {
        TSettingsStore store = TSettingsStore::Read(SettingsFilePath());
        TMainForm form(store);
        form.show();
        QTest::qWait(50);
        form.resize(640, 470);
        QTest::qWait(50);
    }
    TSettingsStore kept = TSettingsStore::Read(SettingsFilePath());
    EXPECT_EQ(kept.Int(Keys::DesktopWidth), 640);
    EXPECT_EQ(kept.Int(Keys::WindowState), 0);
    TMainForm again(kept);
    again.resize(900, 900);
    again.show();
    QTest::qWait(50);
    EXPECT_EQ(again.size(), QSize(640, 470));
}

TEST(MainFormPlacement, MaximisedWindowComesBackMaximised) {
    TModalCloser closer;
    QFile::remove(SettingsFilePath());
    {
        TSettingsStore store = TSettingsStore::Read(SettingsFilePath());
        TMainForm form(store);
        form.resize(700, 500);
        form.show();
        QTest::qWait(50);
        form.showMaximized();
        QTest::qWait(50);
    }
    TSettingsStore kept = TSettingsStore::Read(SettingsFilePath());
    EXPECT_EQ(kept.Int(Keys::WindowState), 2);
    TMainForm again(kept);
    again.show();
    QTest::qWait(50);
    EXPECT_TRUE(again.isMaximized());
}

// Places kept for another screen layout, or damaged to the ends of int, open
// the main window and both boxes on the screen, and are not kept again.
TEST_F(MainFormTest, WindowsKeptOffTheScreenOpenOnIt) {
    TModalCloser closer;
    Form.reset();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    Store.SetInt(Keys::DesktopLeft, screen.right() + 2000);
    Store.SetInt(Keys::DesktopTop, screen.top() + 20);
    Store.SetInt(Keys::DesktopWidth, screen.width() / 2);
    Store.SetInt(Keys::DesktopHeight, screen.height() / 2);
    Store.SetInt(Keys::PopUpBoxLeft, std::numeric_limits<int>::min());
    Store.SetInt(Keys::PopUpBoxTop, std::numeric_limits<int>::min());
    Store.SetInt(Keys::BarChartBoxLeft, screen.left() + 10);
    Store.SetInt(Keys::BarChartBoxTop, screen.top() + 10);
    Store.SetInt(Keys::BarChartBoxWidth, std::numeric_limits<int>::max() - 1);
    Store.SetInt(Keys::BarChartBoxHeight, std::numeric_limits<int>::max() - 1);
    Form = std::make_unique<TMainForm>(Store);
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    const QWidget* windows[] = {Form.get(), Form->SectionSizeBox(), Form->BarChartBox()};
    for (const QWidget* window : windows)
        EXPECT_TRUE(screen.contains(QRect(window->pos(), window->size())))
            << window->objectName().toStdString() << " at " << window->x() << "," << window->y()
            << " " << window->width() << "x" << window->height();
    Form.reset();
    for (const TBoundsKeys* keys :
         {&Keys::MainWindowBounds, &Keys::PopUpBoxBounds, &Keys::BarChartBoxBounds}) {
        const QRect kept(Store.Int(keys->Left), Store.Int(keys->Top), Store.Int(keys->Width),
                         Store.Int(keys->Height));
        EXPECT_TRUE(screen.contains(kept)) << keys->Left.Section;
    }
}

// Counts what happens to one file of a folder: opens, and the file put in
// place by a rename (how a whole new file replaces it).
class TFileEvents {
public:
    explicit TFileEvents(const QString& file)
        : Name(QFileInfo(file).fileName().toLocal8Bit()),
          Fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(Fd, QFile::encodeName(QFileInfo(file).absolutePath()).constData(),
                          IN_OPEN | IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~TFileEvents() {
        if (Fd >= 0)
            close(Fd);
    }
    bool Valid() const { return Fd >= 0; }

    struct TCounts {
        int Opened = 0;
        int WrittenInPlace = 0;
        int Replaced = 0;
    };
    // What happened since the last call.
    TCounts Take() {
        TCounts counts;
        alignas(inotify_event) char buffer[65536];
        ssize_t got;
        while ((got = read(Fd, buffer, sizeof buffer)) > 0) {
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len > 0 && Name == event->name) {
                    counts.Opened += (event->mask & IN_OPEN) != 0;
                    counts.WrittenInPlace += (event->mask & IN_CLOSE_WRITE) != 0;
                    counts.Replaced += (event->mask & IN_MOVED_TO) != 0;
                }
                at += sizeof(inotify_event) + event->len;
            }
        }
        return counts;
    }

private:
    QByteArray Name;
    int Fd;
};

// However much the settings file holds besides, a run reads it once where it
// starts, not at all while it runs, and replaces it once at its end, keeping
// every line that is not the program's own.
TEST_F(MainFormTest, TheSettingsFileIsReadOnceAndWrittenOnce) {
    TModalCloser closer;
    Form.reset();
    const QString file = SettingsFilePath();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QByteArray text = "[Options]\nShowFileNames=0\n";
    for (int i = 0; i < 20000; ++i)
        text += "Stray" + QByteArray::number(i) + "=" + QByteArray::number(i * 7) + "\n";
    text += "[Elsewhere]\nKept=\"a; b\"\n[Desktop]\nViewStatusBar=1\n";
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(text);
    }
    TFileEvents events(file);
    ASSERT_TRUE(events.Valid());

    Store = TSettingsStore::Read(file);
    EXPECT_EQ(events.Take().Opened, 1);
    Form = std::make_unique<TMainForm>(Store);
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    Form->Session().ScanOrRescanDrive(Drive());
    Select("Temp");
    Form->ShowPage(PageSubfolders);
    Form->ShowPage(PagePie);
    Action("cmdViewStatusBar")->trigger();
    QTest::qWait(20);
    const TFileEvents::TCounts running = events.Take();
    EXPECT_EQ(running.Opened, 0);
    EXPECT_EQ(running.Replaced, 0);
    Form.reset();
    const TFileEvents::TCounts closing = events.Take();
    EXPECT_EQ(closing.Replaced, 1);
    EXPECT_EQ(closing.WrittenInPlace, 0);
    EXPECT_TRUE(Boxes.Shown().empty());

    QSettings written(file, QSettings::IniFormat);
    EXPECT_EQ(written.status(), QSettings::NoError);
    EXPECT_EQ(written.value(QStringLiteral("Options/ShowFileNames")), QStringLiteral("0"));
    EXPECT_EQ(written.value(QStringLiteral("Desktop/ViewStatusBar")), QStringLiteral("0"));
    EXPECT_EQ(written.value(QStringLiteral("Elsewhere/Kept")), QStringLiteral("a; b"));
    EXPECT_EQ(written.value(QStringLiteral("Options/Stray19999")), QStringLiteral("139993"));
    // The strays, the other section's key, and every key of the program's own.
    EXPECT_EQ(written.allKeys().size(), 20000 + 1 + qsizetype(AllConfigKeys().size()));
    QFile::remove(file);
}

// A lock file that can never be taken (a folder of its name, or a stale one
// that cannot be removed) costs the end of the program a couple of seconds,
// and the user is told that the settings were not saved.
TEST_F(MainFormTest, ClosingEndsWhenTheSettingsLockCannotBeTaken) {
    Form.reset();
    const QString file = SettingsFilePath();
    const QString lock = file + QStringLiteral(".lock");
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile::remove(file);
    enum TBlock { Folder, ImmutableStaleFile };
    for (TBlock block : {Folder, ImmutableStaleFile}) {
        if (block == Folder) {
            ASSERT_TRUE(QDir().mkpath(lock));
        } else {
            QFile stale(lock);
            ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
            stale.write("999999\nQuillmere\nnowhere\n");
            stale.close();
            ASSERT_TRUE(stale.open(QIODevice::ReadWrite));
            stale.setFileTime(QDateTime::currentDateTime().addDays(-1),
                              QFileDevice::FileModificationTime);
            stale.close();
            const std::string quoted = "'" + lock.toStdString() + "'";
            if (std::system(("chattr +i " + quoted + " 2>/dev/null").c_str()) != 0) {
                QFile::remove(lock);
                continue; // not on this file system: the folder stood for it
            }
        }
        Boxes.ClearShown();
        Store = TSettingsStore::Read(file);
        Form = std::make_unique<TMainForm>(Store);
        QElapsedTimer timer;
        timer.start();
        {
            TWatchdog watchdog(std::chrono::seconds(60), "Closing with the settings locked");
            Form.reset();
        }
        EXPECT_LT(timer.elapsed(), 10000);
        if (block == Folder) {
            QDir().rmdir(lock);
        } else {
            std::system(("chattr -i '" + lock.toStdString() + "'").c_str());
            QFile::remove(lock);
        }
        ASSERT_EQ(Boxes.Shown().size(), 1u) << block;
        EXPECT_EQ(Boxes.Shown()[0].Kind, TMessageKind::Error);
        EXPECT_TRUE(Boxes.Shown()[0].Text.contains(lock)) << Boxes.Shown()[0].Text.toStdString();
        EXPECT_FALSE(QFile::exists(file));
    }
}

} // namespace
