// The buffer-fill gauge: range and position rules, percentage, repainting and
// what it draws.

#include <QImage>
#include <QTest>
#include <climits>
#include <functional>
#include <stdexcept>

#include "app/Gauge.h"

using tallyvox::app::TGauge;

namespace {

const QRgb Lime = qRgb(0, 255, 0);
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);

bool NearBlack(QRgb c) {
    return qRed(c) < 64 && qGreen(c) < 64 && qBlue(c) < 64;
}
// The inverse of lime; anti-aliased glyph edges blend towards lime.
bool NearMagenta(QRgb c) {
    return qRed(c) > 192 && qGreen(c) < 64 && qBlue(c) > 192;
}

int CountPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& test) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += test(image.pixel(x, y)) ? 1 : 0;
        }
    }
    return count;
}

class TPaintCounter : public QObject {
public:
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        Count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// A gauge whose inner area is exactly 200 pixels high, with a text large enough
// to sample whole glyph pixels.
QImage Render(TGauge& gauge, int progress) {
    gauge.resize(80, 202);
    QFont font = gauge.font();
    font.setPixelSize(22);
    font.setBold(true);
    gauge.setFont(font);
    gauge.SetProgress(progress);
    return gauge.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class GaugeTest : public QObject {
    Q_OBJECT

private slots:
    void startsAtZeroOfHundred() {
        TGauge gauge;
        QCOMPARE(gauge.MinValue(), 0);
        QCOMPARE(gauge.MaxValue(), 100);
        QCOMPARE(gauge.Progress(), 0);
        QCOMPARE(gauge.PercentDone(), 0);
    }

    void clampsThePositionWheneverAnyValueChanges() {
        TGauge gauge;
        gauge.SetProgress(150);
        QCOMPARE(gauge.Progress(), 100);
        gauge.SetProgress(-5);
        QCOMPARE(gauge.Progress(), 0);

        gauge.SetProgress(80);
        gauge.SetMaxValue(60);
        QCOMPARE(gauge.Progress(), 60);

        gauge.SetProgress(10);
        gauge.SetMinValue(40);
        QCOMPARE(gauge.Progress(), 40);
    }

    void countsDownWithoutLeavingTheRange() {
        TGauge gauge;
        gauge.SetRange(0, 4000, 2);
        gauge.AddProgress(-1);
        QCOMPARE(gauge.Progress(), 1);
        gauge.AddProgress(-1);
        gauge.AddProgress(-1);
        QCOMPARE(gauge.Progress(), 0);
        gauge.AddProgress(INT_MAX);
        QCOMPARE(gauge.Progress(), 4000);
        gauge.SetRange(-10, 10, 0);
        gauge.AddProgress(INT_MIN);
        QCOMPARE(gauge.Progress(), -10);
    }

    void percentage_data() {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("percent");
        QTest::newRow("complex of two") << 0 << 4000 << 15 << 0;
        QTest::newRow("rounds down") << 0 << 200 << 199 << 99;
        QTest::newRow("full") << 0 << 2000 << 2000 << 100;
        QTest::newRow("offset range") << 50 << 150 << 100 << 50;
        QTest::newRow("negative range") << -200 << -100 << -150 << 50;
        QTest::newRow("empty range") << 7 << 7 << 7 << 0;
        QTest::newRow("huge range") << 0 << INT_MAX << INT_MAX / 2 << 49;
        QTest::newRow("widest range") << INT_MIN << INT_MAX << INT_MAX << 100;
    }

    void percentage() {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, progress);
        QFETCH(int, percent);
        TGauge gauge;
        gauge.SetRange(minimum, maximum, progress);
        QCOMPARE(gauge.PercentDone(), percent);
    }

    void ignoresAMaximumOfZero() {
        TGauge gauge;
        gauge.SetProgress(30);
        gauge.SetMaxValue(0);
        QCOMPARE(gauge.MaxValue(), 100);
        QCOMPARE(gauge.Progress(), 30);

        gauge.SetRange(0, 0, 40);
        QCOMPARE(gauge.MaxValue(), 100);
        QCOMPARE(gauge.Progress(), 40);
    }

    void refusesInvertedRangesAndKeepsItsValues() {
        TGauge gauge;
        gauge.SetRange(10, 50, 20);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, gauge.SetMaxValue(9));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, gauge.SetMinValue(51));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, gauge.SetRange(30, 29, 30));
        QCOMPARE(gauge.MinValue(), 10);
        QCOMPARE(gauge.MaxValue(), 50);
        QCOMPARE(gauge.Progress(), 20);

        gauge.SetMaxValue(10);
        QCOMPARE(gauge.MaxValue(), 10);
        QCOMPARE(gauge.PercentDone(), 0);
    }

    void movesToARangeThatDoesNotOverlapTheCurrentOne() {
        TGauge gauge;
        gauge.SetRange(200, 300, 250);
        QCOMPARE(gauge.PercentDone(), 50);
    }

    void repaintsOnlyWhenThePercentageChanges() {
        TGauge gauge;
        TPaintCounter counter;
        gauge.installEventFilter(&counter);
        gauge.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gauge));
        QTRY_VERIFY(counter.Count > 0);
        gauge.SetRange(0, 1000, 0);
        QTest::qWait(50);
        counter.Count = 0;

        gauge.SetProgress(9);
        gauge.AddProgress(-3);
        gauge.SetMaxValue(900);
        QTest::qWait(50);
        QCOMPARE(counter.Count, 0);

        gauge.SetProgress(450);
        QTRY_COMPARE(counter.Count, 1);
    }

    void drawsTheBarFromTheBottomInsideABlackFrame_data() {
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("limeRows");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("quarter") << 25 << 50;
        QTest::newRow("almost full") << 99 << 198;
        QTest::newRow("full leaves the top row") << 100 << 199;
    }

    void drawsTheBarFromTheBottomInsideABlackFrame() {
        QFETCH(int, percent);
        QFETCH(int, limeRows);
        TGauge gauge;
        const QImage image = Render(gauge, percent);
        const int width = image.width();
        const int height = image.height();

        for (int x = 0; x < width; ++x) {
            QCOMPARE(image.pixel(x, 0), Black);
            QCOMPARE(image.pixel(x, height - 1), Black);
        }
        for (int y = 0; y < height; ++y) {
            QCOMPARE(image.pixel(0, y), Black);
            QCOMPARE(image.pixel(width - 1, y), Black);
        }
        // The left inner column is clear of the centred text.
        for (int y = 1; y <= 200; ++y) {
            const bool inBar = y > 200 - limeRows;
            QCOMPARE(image.pixel(1, y), inBar ? Lime : White);
        }
    }

    void drawsThePercentageInvertedAgainstWhatLiesBeneath() {
        TGauge gauge;
        const QRect inner(1, 1, 78, 200);
        const QRect upperHalf(1, 1, 78, 100);
        const QRect lowerHalf(1, 101, 78, 100);

        const QImage empty = Render(gauge, 0);
        QVERIFY(CountPixels(empty, inner, NearBlack) > 20);
        QCOMPARE(CountPixels(empty, inner, [](QRgb c) { return c == Lime; }), 0);

        const QImage full = Render(gauge, 100);
        QVERIFY(CountPixels(full, inner, NearMagenta) > 20);
        QCOMPARE(CountPixels(full, inner, NearBlack), 0);

        // At 50 % the bar ends in the middle of the text.
        const QImage half = Render(gauge, 50);
        QVERIFY(CountPixels(half, upperHalf, NearBlack) > 5);
        QCOMPARE(CountPixels(half, upperHalf, NearMagenta), 0);
        QVERIFY(CountPixels(half, lowerHalf, NearMagenta) > 5);
        QCOMPARE(CountPixels(half, lowerHalf, NearBlack), 0);
    }
};

QTEST_MAIN(GaugeTest)
#include "GaugeTest.moc"
