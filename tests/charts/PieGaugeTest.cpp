// The pie gauge: its range rules, when it repaints, and the picture it
// composes (slice, border, and text inverted over what lies beneath).
#include "QtPrinting.h"

#include "ui/charts/SimplePieGauge.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>

#include <functional>
#include <limits>
#include <stdexcept>
#include <string>

namespace {

// Counts the paint events a widget receives.
class TPaintCounter : public QObject {
public:
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++Count;
        return false;
    }
};

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::out_of_range& error) {
        return error.what();
    }
    return "no error";
}

TEST(PieGaugeRange, PercentDoneIsTruncatedAndZeroForAnEmptyRange) {
    TSimplePieGauge gauge;
    EXPECT_EQ(gauge.MinValue(), 0);
    EXPECT_EQ(gauge.MaxValue(), 100);
    gauge.SetMaxValue(1000);
    gauge.SetProgress(999);
    EXPECT_EQ(gauge.PercentDone(), 99);
    gauge.SetProgress(1000);
    EXPECT_EQ(gauge.PercentDone(), 100);
    gauge.SetMaxValue(0);
    EXPECT_EQ(gauge.Progress(), 0);
    EXPECT_EQ(gauge.PercentDone(), 0);

    // Negative ranges and ranges wider than half the integers.
    gauge.SetMinValue(-300);
    gauge.SetProgress(-200);
    EXPECT_EQ(gauge.PercentDone(), 33);
    gauge.SetMinValue(-2000000000);
    gauge.SetMaxValue(2000000000);
    gauge.SetProgress(1000000000);
    EXPECT_EQ(gauge.PercentDone(), 75);
}

TEST(PieGaugeRange, ProgressIsClampedAndFollowsTheLimits) {
    TSimplePieGauge gauge;
    gauge.SetProgress(150);
    EXPECT_EQ(gauge.Progress(), 100);
    gauge.SetProgress(-5);
    EXPECT_EQ(gauge.Progress(), 0);
    gauge.SetProgress(80);
    gauge.SetMaxValue(60);
    EXPECT_EQ(gauge.Progress(), 60);
    gauge.SetMinValue(60); // equal limits are allowed
    EXPECT_EQ(gauge.Progress(), 60);
    gauge.SetMinValue(10);
    gauge.SetProgress(20);
    gauge.SetMinValue(30);
    EXPECT_EQ(gauge.Progress(), 30);
}

TEST(PieGaugeRange, LimitsThatWouldCrossFailWithTheRangeAndChangeNothing) {
    TSimplePieGauge gauge;
    gauge.SetProgress(40);
    EXPECT_EQ(MessageOf([&] { gauge.SetMinValue(101); }),
              "Value must be between -2147483647 and 99");
    gauge.SetMinValue(10);
    EXPECT_EQ(MessageOf([&] { gauge.SetMaxValue(9); }), "Value must be between 11 and 2147483647");
    EXPECT_EQ(gauge.MinValue(), 10);
    EXPECT_EQ(gauge.MaxValue(), 100);
    EXPECT_EQ(gauge.Progress(), 40);

    // At the ends of the integers the message must not wrap around.
    gauge.SetMaxValue(std::numeric_limits<int>::max());
    gauge.SetMinValue(std::numeric_limits<int>::max());
    EXPECT_EQ(MessageOf([&] { gauge.SetMaxValue(0); }),
              "Value must be between 2147483648 and 2147483647");
}

TEST(PieGaugeRepaint, OnlyWhenTheShownPercentageChanges) {
    TSimplePieGauge gauge;
    gauge.resize(32, 32);
    gauge.SetMaxValue(1000);
    gauge.SetProgress(5);
    gauge.show();
    QApplication::processEvents();
    TPaintCounter counter;
    gauge.installEventFilter(&counter);

    gauge.SetProgress(6); // 0% both times
    QApplication::processEvents();
    EXPECT_EQ(counter.Count, 0);
    EXPECT_EQ(gauge.Progress(), 6);

    gauge.SetProgress(25); // 0% to 2%
    QApplication::processEvents();
    EXPECT_EQ(counter.Count, 1);

    gauge.SetForeColor(gauge.ForeColor()); // unchanged
    gauge.SetShowText(true);
    QApplication::processEvents();
    EXPECT_EQ(counter.Count, 1);
    gauge.SetForeColor(Qt::red);
    QApplication::processEvents();
    EXPECT_EQ(counter.Count, 2);
}

// A 32 x 32 gauge on a grey background, without text unless asked.
class PieGaugePicture : public testing::Test {
protected:
    PieGaugePicture() {
        Gauge.resize(32, 32);
        Gauge.SetColor(Grey);
        Gauge.SetShowText(false);
    }

    const QColor Grey{200, 200, 200};
    TSimplePieGauge Gauge;
};

TEST_F(PieGaugePicture, QuarterFillsFromTwelveToThreeOClock) {
    Gauge.SetBorderStyle(TGaugeBorderStyle::None);
    Gauge.SetProgress(25);
    const QImage image = Gauge.Compose();
    EXPECT_EQ(image.pixelColor(22, 9), QColor(Qt::black));  // upper right
    EXPECT_EQ(image.pixelColor(9, 9), QColor(Qt::white));   // upper left
    EXPECT_EQ(image.pixelColor(22, 22), QColor(Qt::white)); // lower right
    EXPECT_EQ(image.pixelColor(0, 0), Grey);                // outside the disc
}

TEST_F(PieGaugePicture, ThreeQuartersLeaveOnlyTheUpperLeft) {
    Gauge.SetBorderStyle(TGaugeBorderStyle::None);
    Gauge.SetForeColor(Qt::blue);
    Gauge.SetProgress(75);
    const QImage image = Gauge.Compose();
    EXPECT_EQ(image.pixelColor(9, 9), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(22, 9), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(9, 22), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(22, 22), QColor(Qt::blue));
}

TEST_F(PieGaugePicture, FullAndNearlyFull) {
    Gauge.SetMaxValue(1000);
    Gauge.SetProgress(1000);
    QImage image = Gauge.Compose();
    for (const QPoint p : {QPoint(9, 9), QPoint(22, 9), QPoint(9, 22), QPoint(22, 22)})
        EXPECT_EQ(image.pixelColor(p), QColor(Qt::black));

    // 99%: a sliver of the white disc remains just left of 12 o'clock, and
    // only there (at 32 pixels the slice's own outline would cover it).
    Gauge.resize(64, 64);
    Gauge.SetProgress(999);
    image = Gauge.Compose();
    int light = 0;
    for (int y = 2; y < 62; ++y)
        for (int x = 2; x < 62; ++x)
            if ((x - 32) * (x - 32) + (y - 32) * (y - 32) < 29 * 29 &&
                qGray(image.pixel(x, y)) > 100) {
                ++light;
                ASSERT_TRUE(x >= 28 && x <= 32 && y < 32) << x << "," << y;
            }
    EXPECT_GT(light, 0);
}

TEST_F(PieGaugePicture, BorderInsetsTheDiscInsideABlackFrame) {
    Gauge.SetBorderStyle(TGaugeBorderStyle::Single);
    QImage image = Gauge.Compose();
    for (int i = 0; i < 32; ++i) {
        ASSERT_EQ(image.pixelColor(i, 0), QColor(Qt::black)) << i;
        ASSERT_EQ(image.pixelColor(0, i), QColor(Qt::black)) << i;
        ASSERT_EQ(image.pixelColor(i, 31), QColor(Qt::black)) << i;
        ASSERT_EQ(image.pixelColor(31, i), QColor(Qt::black)) << i;
    }
    EXPECT_EQ(image.pixelColor(1, 1), Grey);
    EXPECT_EQ(image.pixelColor(16, 16), QColor(Qt::white));

    // Without a border the disc reaches the edges and the corners are grey.
    Gauge.SetBorderStyle(TGaugeBorderStyle::None);
    image = Gauge.Compose();
    EXPECT_EQ(image.pixelColor(0, 0), Grey);
    EXPECT_PRED3(Near, image.pixelColor(16, 0), QColor(Qt::black), 8); // the outline
    EXPECT_EQ(image.pixelColor(16, 2), QColor(Qt::white));
}

TEST_F(PieGaugePicture, TextIsTheInverseOfWhatLiesBeneath) {
    Gauge.resize(64, 64);
    Gauge.SetForeColor(QColor(0, 128, 255));
    Gauge.SetProgress(50);
    const QImage plain = Gauge.Compose();
    Gauge.SetShowText(true);
    const QImage text = Gauge.Compose();

    int changed = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const QRgb under = plain.pixel(x, y);
            const QRgb over = text.pixel(x, y);
            if (under == over)
                continue;
            ++changed;
            ASSERT_EQ(qRgb(255 - qRed(under), 255 - qGreen(under), 255 - qBlue(under)),
                      (over & 0xFFFFFFu) | 0xFF000000u)
                << x << "," << y;
        }
    EXPECT_GT(changed, 20);
}

} // namespace
