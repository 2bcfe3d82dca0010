// Window bounds and state in the store, and dialogs centred over the main
// window on the screen's free area.
#include "settings/SettingsTestEnv.h"

#include "shell/WindowPlacement.h"

#include <QDialog>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <limits>

namespace {

using PlacementTest = TSettingsTest;

TEST_F(PlacementTest, EachStoredBoundIsAppliedOnItsOwn) {
    QWidget window;
    window.setGeometry(10, 20, 300, 200);
    WriteFile("[PopUpBox]\nTop=77\nWidth=450\n");
    RestoreBounds(&window, TSettingsStore::Read(FilePath()), Keys::PopUpBoxBounds);
    EXPECT_EQ(window.x(), 10);
    EXPECT_EQ(window.y(), 77);
    EXPECT_EQ(window.width(), 450);
    EXPECT_EQ(window.height(), 200);
}

TEST_F(PlacementTest, SavedBoundsComeBack) {
    TSettingsStore store;
    QWidget a;
    a.setGeometry(31, 42, 321, 222);
    SaveBounds(&a, store, Keys::BarChartBoxBounds);
    QWidget b;
    b.setGeometry(0, 0, 10, 10);
    RestoreBounds(&b, store, Keys::BarChartBoxBounds);
    EXPECT_EQ(b.pos(), QPoint(31, 42));
    EXPECT_EQ(b.size(), QSize(321, 222));
    // Another window's section is untouched.
    QWidget c;
    c.setGeometry(5, 6, 70, 80);
    RestoreBounds(&c, store, Keys::MainWindowBounds);
    EXPECT_EQ(c.geometry(), QRect(5, 6, 70, 80));
}

TEST_F(PlacementTest, WindowStateOnlyFromZeroToTwo) {
    QMainWindow window;
    TSettingsStore store;
    store.SetInt(Keys::WindowState, 2);
    RestoreWindowState(&window, store, Keys::WindowState);
    EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
    store.SetInt(Keys::WindowState, 3);
    RestoreWindowState(&window, store, Keys::WindowState);
    EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
    store.SetInt(Keys::WindowState, 0);
    RestoreWindowState(&window, store, Keys::WindowState);
    EXPECT_EQ(WindowStateCode(&window), 0);

    window.setWindowState(Qt::WindowMinimized);
    SaveWindowState(&window, store, Keys::WindowState);
    EXPECT_EQ(store.Int(Keys::WindowState), 1);
}

// Kept bounds from another screen layout, a damaged file or the ends of int
// put the window where its title strip can be taken hold of.
TEST(PlaceOnScreens, KeptBoundsEndOnAScreenTheWindowCanBeGrabbedOn) {
    const QRect primary(0, 0, 1280, 984); // 1280 x 1024 above a panel
    const QRect right(1280, 0, 1920, 1080);
    const QRect current(100, 100, 640, 480);
    const int low = std::numeric_limits<int>::min();
    const int high = std::numeric_limits<int>::max() - 1;
    auto place = [&](const TKeptBounds& kept, const QList<QRect>& areas) {
        return PlaceOnScreens(kept, current, areas);
    };
    // On the second screen while it is there; on the primary one once it is gone.
    EXPECT_EQ(place({1400, 50, 800, 600}, {primary, right}), QRect(1400, 50, 800, 600));
    EXPECT_EQ(place({3000, 50, 640, 480}, {primary}), QRect(640, 50, 640, 480));
    // Over an edge with enough of the top left to grab, it stays; with its
    // title strip above the screen, it comes down.
    EXPECT_EQ(place({1200, 300, 640, 480}, {primary}), QRect(1200, 300, 640, 480));
    EXPECT_EQ(place({-560, 300, 640, 480}, {primary}), QRect(-560, 300, 640, 480));
    EXPECT_EQ(place({100, -10, 640, 480}, {primary}), QRect(100, 0, 640, 480));
    // Larger than its screen: shrunk to it and moved to fit.
    EXPECT_EQ(place({200, 100, 5000, 4000}, {primary}), primary);
    EXPECT_EQ(place({1300, 10, 3000, 500}, {primary, right}), QRect(1280, 10, 1920, 500));
    // The ends of int.
    EXPECT_EQ(place({low, low, 640, 480}, {primary}), QRect(0, 0, 640, 480));
    EXPECT_EQ(place({high, high, high, high}, {primary, right}), primary);
    EXPECT_EQ(place({low, 0, high, 100}, {primary}), QRect(0, 0, 1280, 100));
    // Absent bounds and sizes below 1 are the window's own.
    EXPECT_EQ(place({std::nullopt, 77, 0, std::nullopt}, {primary}), QRect(100, 77, 640, 480));
    // With no screen to go by, the bounds are only made safe to use.
    const QRect safe = place({low, high, high, high}, {});
    EXPECT_EQ(safe, QRect(-QWIDGETSIZE_MAX, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

class CenterTest : public ::testing::Test {
protected:
    QRect Area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget Main;
    QDialog Dialog;

    void Place(QRect mainRect, QSize dialogSize) {
        Main.setGeometry(mainRect.translated(Area.topLeft()));
        Dialog.resize(dialogSize);
        CenterOverMainWindow(&Main, &Dialog);
    }
    QPoint DialogPos() const { return Dialog.pos() - Area.topLeft(); }
};

TEST_F(CenterTest, CentresOverTheMainWindow) {
    Place({100, 50, 400, 300}, {200, 100});
    EXPECT_EQ(DialogPos(), QPoint(100 + (400 - 200) / 2, 50 + (300 - 100) / 2));
    // Odd differences truncate.
    Place({0, 0, 401, 301}, {200, 100});
    EXPECT_EQ(DialogPos(), QPoint(100, 100));
}

TEST_F(CenterTest, UsesTheVisiblePartOfAMainWindowOffTheRightEdge) {
    int W = Area.width();
    Place({W - 200, 10, 600, 300}, {100, 50});
    EXPECT_EQ(DialogPos().x(), W - 200 + (200 - 100) / 2);
}

TEST_F(CenterTest, StaysOnScreenUnlessLargerThanIt) {
    int W = Area.width();
    int H = Area.height();
    Place({-300, -300, 400, 400}, {300, 200});
    EXPECT_EQ(DialogPos(), QPoint(0, 0));
    Place({W - 50, H - 50, 400, 400}, {300, 200});
    EXPECT_EQ(DialogPos(), QPoint(W - 300, H - 200));
    Place({0, 0, 400, 400}, {W + 100, H + 60});
    EXPECT_EQ(DialogPos(), QPoint(-100, -60));
}

TEST_F(CenterTest, NothingWithoutBothWindows) {
    Dialog.move(13, 14);
    CenterOverMainWindow(nullptr, &Dialog);
    EXPECT_EQ(Dialog.pos(), QPoint(13, 14));
    CenterOverMainWindow(&Main, nullptr);
}

} // namespace
