// Covers the date axis's tick choice: the step and label format for spans from an hour to ten
// years on a wide and a narrow chart, ticks on round calendar boundaries, Spanish month names,
// and the times shown as they are, with no time zone applied.
#include "windows/charts/date_ticks.h"
#include "windows/charts/value_ticks.h"

#include <QDateTime>
#include <QTest>

#include <algorithm>
#include <cmath>

Q_DECLARE_METATYPE(DateUnit)

namespace {

/// A sample time: the wall-clock time given, counted as UTC.
qint64 at(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toUTC().toSecsSinceEpoch();
}

qint64 utc(int year, int month, int day, int hour = 0, int minute = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC).toSecsSinceEpoch();
}

} // namespace

class TestDateTicks : public QObject
{
    Q_OBJECT

private slots:
    void theStepFitsTheSpanAndTheWidth_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<DateUnit>("unit");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("firstLabel");
        // The temperature chart's plot is about 690 pixels wide, the other two about 330.
        QTest::newRow("an hour") << utc(2026, 12, 5, 10) << utc(2026, 12, 5, 11) << 690
                                 << DateUnit::Minute << 5 << "HH:mm"
                                 << "10:00";
        QTest::newRow("a day across midnight") << utc(2026, 12, 5, 4, 15) << utc(2026, 12, 6, 4, 15)
                                               << 690 << DateUnit::Hour << 6 << "dd/MM HH:mm"
                                               << "05/12 06:00";
        QTest::newRow("a day, narrow") << utc(2026, 12, 5, 4, 15) << utc(2026, 12, 6, 4, 15) << 330
                                       << DateUnit::Hour << 12 << "dd/MM HH:mm"
                                       << "05/12 12:00";
        QTest::newRow("a month") << utc(2026, 11, 1) << utc(2026, 12, 1) << 690 << DateUnit::Week
                                 << 1 << "dd/MM"
                                 << "02/11"; // the first Monday
        QTest::newRow("a year") << utc(2026, 1, 1) << utc(2027, 1, 1) << 690 << DateUnit::Month << 2
                                << "MMM yyyy"
                                << "ene 2026";
        QTest::newRow("a year, narrow, from mid-February")
            << utc(2026, 2, 15) << utc(2027, 2, 15) << 330 << DateUnit::Month << 3 << "MMM yyyy"
            << "abr 2026";
        QTest::newRow("ten years")
            << utc(2017, 1, 1) << utc(2027, 1, 1) << 690 << DateUnit::Year << 1 << "yyyy"
            << "2017";
        QTest::newRow("ten years, narrow, from June")
            << utc(2016, 6, 1) << utc(2026, 6, 1) << 330 << DateUnit::Year << 2 << "yyyy"
            << "2018";
    }

    void theStepFitsTheSpanAndTheWidth()
    {
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(int, pixels);
        QFETCH(DateUnit, unit);
        QFETCH(int, count);
        QFETCH(QString, format);
        QFETCH(QString, firstLabel);
        const DateTickStep step = DateTicks::choose(double(from), double(to), pixels);
        QCOMPARE(step, (DateTickStep {unit, count, format}));
        const std::vector<qint64> ticks = DateTicks::ticks(double(from), double(to), step);
        QVERIFY(ticks.size() >= 2);
        QCOMPARE(DateTicks::label(ticks.front(), step.format), firstLabel);
        QVERIFY(ticks.front() >= from && ticks.back() <= to);
        // The labels do not crowd the axis: each has its width between it and the next.
        QVERIFY2(qint64(ticks.size() - 1) * DateTicks::labelWidth(format) * (to - from)
                     <= qint64(pixels) * (ticks.back() - ticks.front()) + 1,
                 qPrintable(QString::number(ticks.size())));
    }

    void ticksLieOnRoundBoundaries()
    {
        // Months on the 1st across a leap February, every third month from January.
        const DateTickStep quarters {DateUnit::Month, 3, "MMM yyyy"};
        const std::vector<qint64> months = DateTicks::ticks(
            double(at("2023-11-20T07:00:00Z")), double(at("2024-10-01T00:00:00Z")), quarters);
        QCOMPARE(months,
                 (std::vector<qint64> {utc(2024, 1, 1), utc(2024, 4, 1), utc(2024, 7, 1),
                                       utc(2024, 10, 1)}));
        // Years on 1 January, two by two from an even year.
        const std::vector<qint64> years = DateTicks::ticks(
            double(utc(2015, 3, 1)), double(utc(2021, 1, 1)), {DateUnit::Year, 2, "yyyy"});
        QCOMPARE(years, (std::vector<qint64> {utc(2016, 1, 1), utc(2018, 1, 1), utc(2020, 1, 1)}));
        // Quarter hours on the quarter, not counted from the range's start.
        const std::vector<qint64> quarterHours =
            DateTicks::ticks(double(utc(2026, 12, 5, 4, 7)), double(utc(2026, 12, 5, 5)),
                             {DateUnit::Minute, 15, "HH:mm"});
        QCOMPARE(quarterHours,
                 (std::vector<qint64> {utc(2026, 12, 5, 4, 15), utc(2026, 12, 5, 4, 30),
                                       utc(2026, 12, 5, 4, 45), utc(2026, 12, 5, 5)}));
        // An empty or reversed range has no ticks.
        QVERIFY(DateTicks::ticks(10.0, 5.0, quarters).empty());
    }

    void aLabelAtEitherEndStaysInsideTheChart()
    {
        // A 100-pixel axis with 40 pixels of chart before it and 10 after; labels 40 wide.
        const std::vector<qint64> all {0, 50, 100};
        QCOMPARE(DateTicks::inside(all, 0, 100, 100, 40, 10, 40), (std::vector<qint64> {0, 50}));
        QCOMPARE(DateTicks::inside(all, 0, 100, 100, 10, 20, 40), (std::vector<qint64> {50, 100}));
        QCOMPARE(DateTicks::inside(all, 0, 100, 100, 20, 20, 40), all);
    }

    void numberStepsGiveEachLabelItsRoom_data()
    {
        QTest::addColumn<double>("span");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<int>("spacing");
        QTest::addColumn<double>("unit");
        QTest::addColumn<double>("step");
        const int up = ValueTicks::verticalSpacing;
        QTest::newRow("temperature on a short axis") << 30.0 << 115 << up << 2.0 << 10.0;
        QTest::newRow("temperature on a tall axis") << 30.0 << 400 << up << 2.0 << 4.0;
        QTest::newRow("never finer than the unit") << 30.0 << 2000 << up << 2.0 << 2.0;
        QTest::newRow("a few pixels") << 30.0 << 10 << up << 2.0 << 40.0;
        QTest::newRow("PAR") << 2500.0 << 250 << up << 0.0 << 500.0;
        QTest::newRow("PAR on a short axis") << 2500.0 << 115 << up << 0.0 << 1000.0;
        QTest::newRow("humidity") << 100.0 << 200 << up << 0.0 << 20.0;
        QTest::newRow("tenths") << 0.3 << 300 << up << 0.0 << 0.05;
        QTest::newRow("sample numbers across") << 4000.0 << 700 << ValueTicks::horizontalSpacing
                                               << 1.0 << 500.0;
    }

    void numberStepsGiveEachLabelItsRoom()
    {
        QFETCH(double, span);
        QFETCH(int, pixels);
        QFETCH(int, spacing);
        QFETCH(double, unit);
        QFETCH(double, step);
        const double chosen = ValueTicks::step(span, pixels, spacing, unit);
        QVERIFY2(qFuzzyCompare(chosen, step), qPrintable(QString::number(chosen)));
        // The labels the span carries at that step fit the axis, one every `spacing` pixels.
        const double labels = std::floor(span / chosen + 1e-9) + 1;
        QVERIFY(labels <= std::max(2, pixels / spacing + 1));
    }

    void labelsShowTheLoggersTimeWithSpanishMonths()
    {
        const qint64 t = utc(2026, 8, 31, 23, 45);
        QCOMPARE(DateTicks::label(t, "dd/MM HH:mm"), "31/08 23:45");
        QCOMPARE(DateTicks::label(t, "MMM yyyy"), "ago 2026");
        QCOMPARE(DateTicks::label(utc(2026, 12, 1), "MMM yyyy"), "dic 2026");
        QCOMPARE(DateTicks::label(utc(2027, 1, 1), "MMM yyyy"), "ene 2027");
    }
};

QTEST_GUILESS_MAIN(TestDateTicks)
#include "tst_date_ticks.moc"
