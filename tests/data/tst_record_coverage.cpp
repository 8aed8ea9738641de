// Covers finding the periods and gaps of a station's record: a gap across a year end, a leap
// day that is no gap, a change of rate that is no gap, and samples of unknown step.
#include "data/record_coverage.h"

#include <QDateTime>
#include <QTest>
#include <QTimeZone>

namespace {

qint64 at(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), QTimeZone::utc())
        .toSecsSinceEpoch();
}

/// `count` samples `step` minutes apart from `first`.
void append(std::vector<TimedStep> &times, qint64 first, int step, int count,
            std::optional<int> known = std::nullopt)
{
    for (int i = 0; i < count; ++i)
        times.push_back({first + qint64(i) * step * 60, known ? known : std::optional(step)});
}

} // namespace

class TestRecordCoverage : public QObject
{
    Q_OBJECT
private slots:
    void gapAcrossYearEndLeapDayAndRateChange()
    {
        std::vector<TimedStep> times;
        // 2023-12-31 22:00 to 23:45 at 15 minutes, then nothing until 2024-01-02 00:00.
        append(times, at(2023, 12, 31, 22, 0), 15, 8);
        // Through the leap day at 15 minutes, to 2024-03-01 23:45, in one period …
        append(times, at(2024, 1, 2, 0, 0), 15, (31 + 29) * 96);
        const qint64 lastAt15 = times.back().t;
        // … that goes on at 60 minutes: a change of rate, not a gap.
        append(times, lastAt15 + 3600, 60, 24);

        const RecordCoverage coverage = findCoverage(times);

        QCOMPARE(coverage.gaps.size(), 1u);
        QCOMPARE(coverage.gaps[0], (RecordGap {at(2023, 12, 31, 23, 45), at(2024, 1, 2, 0, 0)}));
        QCOMPARE(coverage.gaps[0].length(), qint64(24 * 3600 + 15 * 60));
        QCOMPARE(coverage.periods.size(), 2u);
        QCOMPARE(coverage.periods[1].first, at(2024, 1, 2, 0, 0));
        QCOMPARE(coverage.periods[1].last, at(2024, 3, 2, 23, 45));
        QCOMPARE(coverage.samples(), qint64(times.size()));
        QCOMPARE(coverage.stepsMinutes, (std::vector<int> {15, 60}));
        QVERIFY(!coverage.isSingleRun());
    }

    void oneStepMissingIsAGapAndOneRunIsSingle()
    {
        std::vector<TimedStep> times;
        append(times, at(2026, 6, 1, 0, 0), 5, 10);
        QVERIFY(findCoverage(times).isSingleRun());

        times.erase(times.begin() + 4);
        const RecordCoverage coverage = findCoverage(times);
        QCOMPARE(coverage.gaps.size(), 1u);
        QCOMPARE(coverage.gaps[0].length(), qint64(10 * 60));
        QCOMPARE(coverage.periods[0].samples, qint64(4));
        QCOMPARE(coverage.periods[1].samples, qint64(5));
    }

    void unknownStepTakesTheLastKnownOne()
    {
        std::vector<TimedStep> times;
        append(times, at(2026, 6, 1, 0, 0), 10, 3);
        // Unknown step: 10 minutes apart is contiguous, 30 is a gap at the 10 known before.
        times.push_back({times.back().t + 600, std::nullopt});
        times.push_back({times.back().t + 1800, std::nullopt});
        const RecordCoverage coverage = findCoverage(times);
        QCOMPARE(coverage.periods.size(), 2u);
        QCOMPARE(coverage.periods[0].samples, qint64(4));
        QCOMPARE(coverage.stepsMinutes, (std::vector<int> {10}));

        // With no step known at all, nothing is a gap.
        std::vector<TimedStep> unknown {{0, {}}, {60, {}}, {86400, {}}};
        QCOMPARE(findCoverage(unknown).periods.size(), 1u);
        QVERIFY(findCoverage({}).periods.empty());
    }
};

QTEST_APPLESS_MAIN(TestRecordCoverage)
#include "tst_record_coverage.moc"
