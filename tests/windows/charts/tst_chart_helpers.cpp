// Covers the chart window's pure rules: reading a grid cell with the decimal comma and a row's
// date, the breaks at gaps, the period line, the unzoomed axis ranges, and what a left-button
// drag of a given size and direction does.
#include "windows/charts/chart_description.h"
#include "windows/charts/chart_filling.h"
#include "windows/charts/chart_period.h"
#include "windows/charts/zoom_gesture.h"

#include <QDateTime>
#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(ZoomOutcome)

class TestChartHelpers : public QObject
{
    Q_OBJECT

private slots:
    void gridTextParsesWithTheDecimalCommaOnly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("temperature") << "23,5" << true << 23.5;
        QTest::newRow("negative") << "-0,5" << true << -0.5;
        QTest::newRow("whole PAR") << "1234" << true << 1234.0;
        QTest::newRow("blanks around") << " 7,25 " << true << 7.25;
        QTest::newRow("exponent") << "1,5E3" << true << 1500.0;
        QTest::newRow("comma last") << "5," << true << 5.0;
        QTest::newRow("empty cell") << "" << false << 0.0;
        QTest::newRow("decimal point") << "23.5" << false << 0.0;
        QTest::newRow("thousands") << "1.234,5" << false << 0.0;
        QTest::newRow("date") << "14/06/2012" << false << 0.0;
        QTest::newRow("time") << "12:30:00" << false << 0.0;
        QTest::newRow("two commas") << "1,2,3" << false << 0.0;
        QTest::newRow("sign alone") << "-" << false << 0.0;
        QTest::newRow("overflow") << "1E999" << false << 0.0;
        QTest::newRow("not a number") << "NAN" << false << 0.0;
    }
    void gridTextParsesWithTheDecimalCommaOnly()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const std::optional<double> parsed = parseProgramFloat(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
    }

    void columnReadingStopsAtTheFirstBadCell()
    {
        const QStringList column {"CANAL 2", "1,5", "2", "x", "4"};
        int count = 4;
        const SampleGrid grid {[&count] { return count; },
                               [&column](int c, int r) {
                                   return c == 4 ? column.value(r) : "?";
                               }};
        ColumnReading reading = readColumn(grid, channelColumn(2));
        QCOMPARE(reading.values, (QVector<double> {1.5, 2.0}));
        QCOMPARE(reading.badCell, std::optional<QString>("x"));

        count = -1; // a download text of two lines
        reading = readColumn(grid, channelColumn(2));
        QVERIFY(reading.values.isEmpty());
        QVERIFY(!reading.badCell);
    }

    void rowTimesStopAtARowWithoutADateOrGoingBack()
    {
        QList<QStringList> rows {{},
                                 {"", "05/12/2026", "04:15:00"},
                                 {"", "05/12/2026", "04:30:00"},
                                 {"", " 05/12/2026 ", "04:45:00"}};
        const SampleGrid grid {[&rows] { return int(rows.size()) - 1; },
                               [&rows](int c, int r) {
                                   return rows.value(r).value(c);
                               }};
        const qint64 first =
            QDateTime(QDate(2026, 12, 5), QTime(4, 15), Qt::UTC).toSecsSinceEpoch();
        TimeReading reading = readTimes(grid);
        QCOMPARE(reading.times, (std::vector<qint64> {first, first + 900, first + 1800}));
        QVERIFY(!reading.badRow);

        for (const QStringList &bad :
             {QStringList {"", "31/11/2026", "04:45:00"},
              QStringList {"", "05/12/2026", "24:00:00"}, QStringList {"", "23,5", "18,2"},
              QStringList {"", "05/12/2026", "04:00:00"}}) {
            rows[3] = bad;
            reading = readTimes(grid);
            QCOMPARE(reading.badRow, std::optional<int>(3));
            QCOMPARE(reading.times.size(), size_t(2));
        }
    }

    void aBreakLiesHalfwayInEachGapAndNowhereElse()
    {
        // Samples every 15 minutes with a gap after the second and after the fourth.
        const std::vector<qint64> times {0, 900, 7200, 8100, 90000, 90900};
        const std::vector<RecordGap> gaps {{900, 7200}, {8100, 90000}};
        const std::vector<qsizetype> breaks = breaksAt(times, gaps);
        QCOMPARE(breaks, (std::vector<qsizetype> {1, 3}));
        // A part of the record that starts inside the first gap has only the second.
        QCOMPARE(breaksAt({7200, 8100, 90000}, gaps), std::vector<qsizetype> {1});

        const SeriesPoints points =
            brokenSeries({0, 1, 2, 3, 4, 5}, {10, 11, 12, 13, 14, 15}, breaks);
        QCOMPARE(points.keys, (QVector<double> {0, 1, 1.5, 2, 3, 3.5, 4, 5}));
        for (qsizetype i = 0; i < points.values.size(); ++i)
            QCOMPARE(std::isnan(points.values[i]), i == 2 || i == 5);
        // Values cut short by a bad cell keep only their own keys, and no break after the last.
        const SeriesPoints cut = brokenSeries({0, 1, 2, 3}, {10, 11}, {1});
        QCOMPARE(cut.keys, (QVector<double> {0, 1}));
    }

    void thePeriodLineGivesTheSpanAndTheRates()
    {
        const qint64 first =
            QDateTime(QDate(2026, 12, 5), QTime(4, 15), Qt::UTC).toSecsSinceEpoch();
        const qint64 last = QDateTime(QDate(2026, 12, 8), QTime(4, 0), Qt::UTC).toSecsSinceEpoch();
        QCOMPARE(ChartPeriod::line(first, last, {15}),
                 "05/12/2026 04:15 – 08/12/2026 04:00, cada 15 minutos");
        QCOMPARE(ChartPeriod::line(first, last, {15, 60}),
                 "05/12/2026 04:15 – 08/12/2026 04:00, cada 15 y 60 minutos");
        QCOMPARE(ChartPeriod::line(first, last, {15, 30, 60}),
                 "05/12/2026 04:15 – 08/12/2026 04:00, cada 15, 30 y 60 minutos");
        QCOMPARE(ChartPeriod::line(first, first, {}), "05/12/2026 04:15");
        // A download's rate is the distance most neighbours keep.
        QCOMPARE(ChartPeriod::commonStep({first, first + 900, first + 1800, first + 9000}),
                 std::vector<int> {15});
        QVERIFY(ChartPeriod::commonStep({first}).empty());
    }

    void unzoomedRangesFollowTheScaleRules()
    {
        const ChartDescription temperature = ChartDescriptions::temperature();
        const ChartDescription humidity = ChartDescriptions::humidity();
        const ChartDescription par = ChartDescriptions::par();

        // Humidity stays at 0 to 100 whatever the values.
        QCOMPARE(unzoomedRange(humidity.leftAxis, ValueExtent {-3, 140}), (AxisRange {0, 100}));
        // PAR starts at 0 and its top follows the largest value.
        QCOMPARE(unzoomedRange(par.leftAxis, ValueExtent {12, 1830}), (AxisRange {0, 1830}));
        // The temperatures span 4 % to 96 % of the plot height.
        const AxisRange t = unzoomedRange(temperature.leftAxis, ValueExtent {10, 33});
        QCOMPARE((10 - t.lower) / (t.upper - t.lower), 0.04);
        QCOMPARE((33 - t.lower) / (t.upper - t.lower), 0.96);
        // The bottom axis runs from the first to the last sample.
        QCOMPARE(unzoomedRange(humidity.bottomAxis, ValueExtent {0, 3999}), (AxisRange {0, 3999}));
    }

    void dataOnTheEndsOfAnAxisGetsRoomAndDataWithRoomKeepsItsRange()
    {
        // PAR from its fixed zero to its largest value: both ends move out by 3 %.
        const AxisRange par = withRoomAround({0, 1000}, ValueExtent {0, 1000}, 0.03);
        QCOMPARE(par, (AxisRange {-30, 1030}));
        // Temperatures already 4 % inside keep their scale.
        const AxisRange t = unzoomedRange(ChartDescriptions::temperature().leftAxis,
                                          ValueExtent {10, 33});
        QCOMPARE(withRoomAround(t, ValueExtent {10, 33}, 0.03), t);
        // Humidity fixed at 0 to 100 with values at 100 only gains room above.
        QCOMPARE(withRoomAround({0, 100}, ValueExtent {40, 100}, 0.03), (AxisRange {0, 103}));
        QCOMPARE(withRoomAround({0, 100}, std::nullopt, 0.03), (AxisRange {0, 100}));
    }

    void aSinglePointOrNoDataStillGivesAnAxisOfSomeWidth()
    {
        for (const ChartDescription &chart :
             {ChartDescriptions::temperature(), ChartDescriptions::humidity(),
              ChartDescriptions::par()}) {
            for (const AxisDescription &axis : {chart.bottomAxis, chart.leftAxis}) {
                const AxisRange one = unzoomedRange(axis, ValueExtent {0, 0});
                QVERIFY2(one.lower <= 0 && one.upper > one.lower, qPrintable(chart.name));
                const AxisRange none = unzoomedRange(axis, std::nullopt);
                QVERIFY2(none.upper > none.lower, qPrintable(chart.name));
            }
        }
        const AxisRange flat =
            unzoomedRange(ChartDescriptions::temperature().leftAxis, ValueExtent {21.5, 21.5});
        QVERIFY(flat.lower < 21.5 && flat.upper > 21.5);
    }

    void dragOutcomeDependsOnSizeAndDirection_data()
    {
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<QPoint>("end");
        QTest::addColumn<ZoomOutcome>("outcome");
        const QPoint s(100, 100);
        QTest::newRow("lower right") << s << QPoint(300, 180) << ZoomOutcome::ZoomIn;
        QTest::newRow("17 by 17") << s << QPoint(117, 117) << ZoomOutcome::ZoomIn;
        QTest::newRow("16 high") << s << QPoint(300, 116) << ZoomOutcome::Nothing;
        QTest::newRow("16 wide") << s << QPoint(116, 300) << ZoomOutcome::Nothing;
        QTest::newRow("16 high upwards") << s << QPoint(300, 84) << ZoomOutcome::Nothing;
        QTest::newRow("click") << s << s << ZoomOutcome::Nothing;
        QTest::newRow("upper left") << s << QPoint(20, 30) << ZoomOutcome::Undo;
        QTest::newRow("upper right") << s << QPoint(300, 30) << ZoomOutcome::Undo;
        QTest::newRow("lower left") << s << QPoint(20, 180) << ZoomOutcome::Undo;
    }
    void dragOutcomeDependsOnSizeAndDirection()
    {
        QFETCH(QPoint, start);
        QFETCH(QPoint, end);
        QFETCH(ZoomOutcome, outcome);
        QCOMPARE(zoomOutcome(start, end), outcome);
    }

    void panEndsWhenTheMouseLeavesThePlotArea()
    {
        ZoomGesture gesture;
        gesture.pressRight(QPoint(10, 10), false);
        QVERIFY(!gesture.isPanning()); // a press outside the plot area does not pan

        gesture.pressRight(QPoint(50, 50), true);
        QCOMPARE(gesture.move(QPoint(60, 45), true), QPoint(10, -5));
        QCOMPARE(gesture.move(QPoint(62, 45), true), QPoint(2, 0));
        QCOMPARE(gesture.move(QPoint(500, 45), false), QPoint());
        QVERIFY(!gesture.isPanning());
        QCOMPARE(gesture.move(QPoint(70, 45), true), QPoint()); // back inside: still over
    }
};

QTEST_APPLESS_MAIN(TestChartHelpers)
#include "tst_chart_helpers.moc"
