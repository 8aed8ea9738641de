// Covers when a live chart is drawn again: frames that join the newest pixel column within what
// it already shows draw nothing new; a new column, a new lowest or highest value in it, a break,
// another span or width do. At a short span every frame is a new column.
#include "windows/charts/live_chart_repaint.h"

#include <QTest>

namespace {

/// 10:00:00 UTC on a day in December.
const qint64 startMs = QDateTime(QDate(2026, 12, 8), QTime(10, 0), Qt::UTC).toMSecsSinceEpoch();
constexpr int columns = 800;
constexpr qint64 dayMs = 24 * 3600 * 1000;

LiveFrame frameAt(qint64 second, std::int16_t tenths = 215)
{
    LiveFrame frame;
    frame.pcTime = startMs + second * 1000;
    frame.shown = {tenths, 183, 652, 1234};
    return frame;
}

/// The picture of channels 1 and 2 as the chart shows it with the newest frame at the right.
LiveChartPicture pictureOf(const LiveFrames &frames, qint64 spanMs, int width = columns)
{
    const qint64 newest = frames.find(frames.newestSequence())->pcTime;
    return liveChartPicture(frames.latest(spanMs), {1, 2}, liveTimeRange(newest, spanMs), width);
}

} // namespace

class TestLiveChartRepaint : public QObject
{
    Q_OBJECT

private slots:
    void aFrameDrawsAgainOnlyWhenItStartsAColumn_data()
    {
        QTest::addColumn<qint64>("spanMs");
        QTest::addColumn<int>("least");
        QTest::addColumn<int>("most");
        // 1000 frames, one a second: a column is 108 s at a day, 4.5 s at an hour, 0.75 s at
        // 10 minutes.
        QTest::newRow("24 horas") << dayMs << 9 << 11;
        QTest::newRow("1 hora") << qint64(3600'000) << 221 << 223;
        QTest::newRow("10 minutos") << qint64(600'000) << 999 << 999;
    }

    void aFrameDrawsAgainOnlyWhenItStartsAColumn()
    {
        QFETCH(qint64, spanMs);
        QFETCH(int, least);
        QFETCH(int, most);
        LiveFrames frames;
        frames.append(frameAt(0));
        LiveChartPicture drawn = pictureOf(frames, spanMs);
        int drawings = 0;
        for (qint64 second = 1; second < 1000; ++second) {
            const LiveTimeRange range = drawn.range;
            const qint64 before =
                liveChartColumn(double(frameAt(second - 1).pcTime) / 1000.0, range, columns);
            frames.append(frameAt(second));
            LiveChartPicture next = pictureOf(frames, spanMs);
            const bool newColumn =
                liveChartColumn(double(frameAt(second).pcTime) / 1000.0, range, columns) != before;
            QCOMPARE(!liveChartLooksTheSame(drawn, next), newColumn);
            if (newColumn) {
                drawn = std::move(next);
                ++drawings;
            }
        }
        QVERIFY2(drawings >= least && drawings <= most, qPrintable(QString::number(drawings)));
    }

    void whatTheNewestColumnShowsDecides_data()
    {
        QTest::addColumn<int>("tenths");
        QTest::addColumn<bool>("gapBefore");
        QTest::addColumn<bool>("drawsAgain");
        // Earlier columns reach 10,0 … 30,0 ºC; the newest one holds 21,0 and 22,0 so far.
        QTest::newRow("within the column") << 215 << false << false;
        QTest::newRow("at the column's highest") << 220 << false << false;
        QTest::newRow("above the column's highest") << 221 << false << true;
        QTest::newRow("below the column's lowest") << 209 << false << true;
        QTest::newRow("the chart's new highest") << 400 << false << true;
        QTest::newRow("the chart's new lowest") << 50 << false << true;
        QTest::newRow("within, after a break") << 215 << true << true;
    }

    void whatTheNewestColumnShowsDecides()
    {
        QFETCH(int, tenths);
        QFETCH(bool, gapBefore);
        QFETCH(bool, drawsAgain);
        // The first second from 1000 on that starts a column of a day's span.
        const LiveTimeRange range = liveTimeRange(startMs, dayMs);
        const auto columnOf = [&](qint64 second) {
            return liveChartColumn(double(frameAt(second).pcTime) / 1000.0, range, columns);
        };
        qint64 first = 1000;
        while (columnOf(first) == columnOf(first - 1))
            ++first;
        LiveFrames frames;
        for (qint64 second = 0; second < first; ++second)
            frames.append(frameAt(second,
                                  std::int16_t(second == 500       ? 100
                                                   : second == 700 ? 300
                                                                   : 250)));
        frames.append(frameAt(first, 210));
        frames.append(frameAt(first + 1, 220));
        const LiveChartPicture drawn = pictureOf(frames, dayMs);
        if (gapBefore)
            frames.markGap();
        // A marked gap breaks the line even though the frame comes a second later.
        frames.append(frameAt(first + 2, std::int16_t(tenths)));
        QCOMPARE(!liveChartLooksTheSame(drawn, pictureOf(frames, dayMs)), drawsAgain);
    }

    void anotherSpanOrWidthDrawsAgain()
    {
        LiveFrames frames;
        for (qint64 second = 0; second < 100; ++second)
            frames.append(frameAt(second));
        const LiveChartPicture drawn = pictureOf(frames, dayMs);
        QVERIFY(liveChartLooksTheSame(drawn, pictureOf(frames, dayMs)));
        QVERIFY(!liveChartLooksTheSame(drawn, pictureOf(frames, 6 * 3600'000)));
        QVERIFY(!liveChartLooksTheSame(drawn, pictureOf(frames, dayMs, columns - 1)));

        // Without frames the axis ends at the present time: it is drawn again once it has moved
        // on by two columns (216 s at a day).
        const auto empty = [](qint64 nowMs) {
            return liveChartPicture({}, {1, 2}, liveTimeRange(nowMs, dayMs), columns);
        };
        QVERIFY(liveChartLooksTheSame(empty(startMs), empty(startMs + 200'000)));
        QVERIFY(!liveChartLooksTheSame(empty(startMs), empty(startMs + 216'000)));
    }
};

QTEST_GUILESS_MAIN(TestLiveChartRepaint)
#include "tst_live_chart_repaint.moc"
