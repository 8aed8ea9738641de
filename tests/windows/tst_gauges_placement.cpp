// Covers where the online gauges window and the main window stand: flush side by side, the main
// window moved once on opening and back exactly on closing, both kept on the screen.
#include "windows/gauges_placement.h"

#include <QTest>

using namespace GaugesPlacement;

namespace {

const QSize mainSize(612, 462);
const QSize gaugesSize(265, 462);

bool inside(const QRect &screen, const QPoint &at, const QSize &size)
{
    return screen.contains(QRect(at, size));
}

} // namespace

class TestGaugesPlacement : public QObject
{
    Q_OBJECT

private slots:
    void openingMakesRoomAndStandsFlush_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("mainAt");
        QTest::addColumn<int>("expectedMainX");

        const QRect wide(0, 0, 1920, 1080);
        QTest::newRow("centred: 130 to the right") << wide << QPoint(654, 309) << 784;
        QTest::newRow("at the left edge: as far as the gauges need") << wide << QPoint(0, 0) << 265;
        QTest::newRow("near the left edge") << wide << QPoint(100, 40) << 265;
        QTest::newRow("at the right edge: not past it") << wide << QPoint(1308, 40) << 1308;
        QTest::newRow("partly off the right edge: back on it") << wide << QPoint(1500, 40) << 1308;
        QTest::newRow("second screen to the left of the first")
            << QRect(-1280, 0, 1280, 1024) << QPoint(-1270, 100) << -1015;
    }

    void openingMakesRoomAndStandsFlush()
    {
        QFETCH(QRect, screen);
        QFETCH(QPoint, mainAt);
        QFETCH(int, expectedMainX);

        const Placement placed = opening(screen, QRect(mainAt, mainSize), gaugesSize);
        QCOMPARE(placed.main, QPoint(expectedMainX, mainAt.y()));
        QCOMPARE(placed.gauges, QPoint(expectedMainX - gaugesSize.width(), mainAt.y()));
        QVERIFY(inside(screen, placed.main, mainSize));
        QVERIFY(inside(screen, placed.gauges, gaugesSize));
    }

    void onAScreenTooNarrowForBothTheGaugesOverlapRatherThanLeaveIt()
    {
        const QRect screen(0, 0, 800, 600);
        const Placement placed = opening(screen, QRect(QPoint(98, 69), mainSize), gaugesSize);
        QCOMPARE(placed.main, QPoint(188, 69));
        QCOMPARE(placed.gauges, QPoint(0, 69));
    }

    void besideFollowsTheMainWindowWithoutMovingIt()
    {
        const QRect screen(0, 0, 1920, 1080);
        QCOMPARE(beside(screen, QRect(QPoint(900, 200), mainSize), gaugesSize), QPoint(635, 200));
        // Dragged to the left edge since: the gauges stay on the screen, over the main window.
        QCOMPARE(beside(screen, QRect(QPoint(40, 200), mainSize), gaugesSize), QPoint(0, 200));
        // Dragged down past the bottom: level with it as far as the screen allows.
        QCOMPARE(beside(screen, QRect(QPoint(900, 900), mainSize), gaugesSize), QPoint(635, 618));
    }

    void closingReturnsExactlyOrByTheSameDistanceIfTheUserMovedTheMainWindow()
    {
        const QRect screen(0, 0, 1920, 1080);
        const QPoint before(654, 309);
        const QPoint opened(784, 309);
        QCOMPARE(closing(screen, QRect(opened, mainSize), before, opened), before);
        // Moved meanwhile: back by the same distance, on the screen.
        QCOMPARE(closing(screen, QRect(QPoint(1000, 100), mainSize), before, opened),
                 QPoint(870, 100));
        QCOMPARE(closing(screen, QRect(QPoint(50, 100), mainSize), before, opened), QPoint(0, 100));
    }
};

QTEST_APPLESS_MAIN(TestGaugesPlacement)
#include "tst_gauges_placement.moc"
