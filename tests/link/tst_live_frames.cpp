// Covers the frames kept for the live chart: their values as the readouts show them, the
// 24-hour ring, spans by the PC's time, the nearest frame, the breaks in the line and
// reconnections.
#include "link/channel_conversion.h"
#include "link/live_frames.h"
#include "widgets/value_indicator.h"

#include <QTest>

#include <vector>

namespace {

/// The frame whose fields are 30 14 06 12 26 05 209 0 4 02 223 02 000 07 068 04 210 001 023.
const QByteArray exampleFrame = QByteArrayLiteral("3014061226052090402223020000706804210001023\r");

LiveFrame frameAt(qint64 pcTime)
{
    LiveFrame frame;
    frame.pcTime = pcTime;
    return frame;
}

/// A ring holding frames that came at `times` (ms).
void appendAt(LiveFrames &frames, const std::vector<qint64> &times)
{
    for (const qint64 time : times)
        frames.append(frameAt(time));
}

std::vector<qint64> timesOf(const LiveSpan &span)
{
    std::vector<qint64> times;
    for (const LiveFrame &frame : span)
        times.push_back(frame.pcTime);
    return times;
}

} // namespace

class TestLiveFrames : public QObject
{
    Q_OBJECT

private slots:
    void aFrameKeepsWhatTheMainWindowShows()
    {
        const std::optional<LiveFrame> frame =
            liveFrameFrom(decodeStatusFrame(exampleFrame), 1'765'000'000'123);
        QVERIFY(frame);
        QCOMPARE(frame->pcTime, 1'765'000'000'123);
        QCOMPARE(frame->shown, (std::array<std::int16_t, 4> {235, 12, 500, 1234}));
        QCOMPARE(frame->shownValue(1), 23.5);
        QCOMPARE(frame->shownValue(4), 1234.0);
        QCOMPARE(frame->batteryReading, 209);
        QCOMPARE(frame->memoryPointer, 279);
        QCOMPARE((std::array<int, 7> {frame->day, frame->month, frame->year, frame->hour,
                                      frame->minute, frame->second, frame->rateCode}),
                 (std::array<int, 7> {6, 12, 26, 14, 30, 5, 4}));

        // A frame that did not decode completely is not kept.
        QByteArray broken = exampleFrame;
        broken[39] = 'x';
        QVERIFY(!liveFrameFrom(decodeStatusFrame(broken), 0));
    }

    void shownStepsMatchTheReadoutsForEveryReading()
    {
        ValueIndicator readout;
        const char *patterns[] = {"#0.0", "#0.0", "#0.0", "##00"};
        for (int channel : {1, 3, 4}) {
            readout.setFormat(QString::fromLatin1(patterns[channel - 1]));
            for (int reading = 0; reading < 4096; ++reading) {
                const double value = channelValue(channel, reading);
                readout.setValue(float(value));
                const int shown = readout.text().remove(u',').toInt();
                if (shownSteps(value, shownDecimals(channel)) != shown)
                    QFAIL(qPrintable(QStringLiteral("channel %1, reading %2 shows %3")
                                         .arg(channel)
                                         .arg(reading)
                                         .arg(readout.text())));
            }
        }
    }

    void aFullRingKeepsTheNewest()
    {
        LiveFrames frames(5);
        appendAt(frames, {0, 1000, 2000, 3000, 4000, 5000, 6000, 7000});
        QCOMPARE(frames.size(), 5);
        QCOMPARE(frames.oldestSequence(), 3);
        QCOMPARE(frames.newestSequence(), 7);
        QVERIFY(!frames.find(2));
        QCOMPARE(frames.find(3)->pcTime, 3000);
        QCOMPARE(timesOf(frames.latest(1'000'000)),
                 (std::vector<qint64> {3000, 4000, 5000, 6000, 7000}));

        // A new connection starts empty; the numbering goes on.
        frames.clear();
        QVERIFY(frames.isEmpty() && !frames.find(7) && frames.latest(1'000'000).isEmpty());
        appendAt(frames, {8000});
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.find(8)->pcTime, 8000);
    }

    void theRingHoldsTwentyFourHoursAtOneFrameASecond()
    {
        LiveFrames frames;
        QCOMPARE(frames.capacity(), 86'400);
        for (qint64 second = 0; second <= 86'400; ++second)
            frames.append(frameAt(second * 1000));
        QCOMPARE(frames.size(), 86'400);

        const LiveSpan day = frames.latest(24 * 3600 * 1000);
        QCOMPARE(day.size(), 86'400);
        QCOMPARE(day[0].pcTime, 1000);
        QCOMPARE(day[day.size() - 1].pcTime, 86'400'000);

        // Ten minutes up to the newest frame, both ends included.
        const LiveSpan tenMinutes = frames.latest(10 * 60 * 1000);
        QCOMPARE(tenMinutes.size(), 601);
        QCOMPARE(tenMinutes[0].pcTime, 86'400'000 - 600'000);
    }

    void aPausedSpanStaysWhileItsFramesAreHeld()
    {
        LiveFrames frames(4);
        appendAt(frames, {0, 1000, 2000});
        const qint64 paused = frames.newestSequence();
        appendAt(frames, {3000});
        QCOMPARE(timesOf(frames.endingAt(paused, 1500)), (std::vector<qint64> {1000, 2000}));
        // Overwritten frames drop out of the paused span; once its last one goes, nothing is left.
        appendAt(frames, {4000});
        QCOMPARE(timesOf(frames.endingAt(paused, 5000)), (std::vector<qint64> {1000, 2000}));
        appendAt(frames, {5000, 6000});
        QVERIFY(frames.endingAt(paused, 5000).isEmpty());
        QVERIFY(LiveFrames().latest(1000).isEmpty());
    }

    void aSpanStopsWhereThePcClockWasSetBack()
    {
        LiveFrames frames;
        appendAt(frames, {10'000, 11'000, 12'000, 5'000, 6'000});
        QCOMPARE(timesOf(frames.latest(3'600'000)), (std::vector<qint64> {5'000, 6'000}));
    }

    void nearestFrame_data()
    {
        QTest::addColumn<qint64>("time");
        QTest::addColumn<qsizetype>("index");
        QTest::newRow("before the first") << qint64(-5000) << qsizetype(0);
        QTest::newRow("nearer the first") << qint64(400) << qsizetype(0);
        QTest::newRow("nearer the second") << qint64(600) << qsizetype(1);
        QTest::newRow("half way takes the earlier") << qint64(1500) << qsizetype(1);
        QTest::newRow("on a frame") << qint64(2000) << qsizetype(2);
        QTest::newRow("across a gap") << qint64(8000) << qsizetype(3);
        QTest::newRow("after the last") << qint64(99'000) << qsizetype(3);
    }

    void nearestFrame()
    {
        QFETCH(qint64, time);
        QFETCH(qsizetype, index);
        LiveFrames frames;
        appendAt(frames, {0, 1000, 2000, 12'000});
        QCOMPARE(frames.latest(60'000).nearest(time), index);
        QCOMPARE(LiveSpan().nearest(time), -1);
    }

    void theLineBreaksAtMissingFramesAndMarkedGaps()
    {
        LiveFrames frames;
        // Three seconds apart is still one line; more is a gap.
        appendAt(frames, {0, 1000, 4000, 8001, 9000});
        frames.markGap();
        appendAt(frames, {10'000, 11'000});
        const LiveSpan span = frames.latest(60'000);
        QVERIFY(!span.breaksBefore(0));
        QVERIFY(!span.breaksBefore(2));
        QVERIFY(span.breaksBefore(3));
        QVERIFY(span.breaksBefore(5));
        QVERIFY(!span.breaksBefore(6));

        std::vector<std::vector<qint64>> lines;
        for (const LiveSpan &segment : span.segments())
            lines.push_back(timesOf(segment));
        QCOMPARE(
            lines,
            (std::vector<std::vector<qint64>> {{0, 1000, 4000}, {8001, 9000}, {10'000, 11'000}}));
    }

    void aReconnectionKeepsTheFramesOnlyOnTheSamePort_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("kept");
        QTest::newRow("same port") << QStringLiteral("/dev/ttyUSB0") << true;
        QTest::newRow("another port") << QStringLiteral("/dev/ttyUSB1") << false;
    }

    void aReconnectionKeepsTheFramesOnlyOnTheSamePort()
    {
        QFETCH(QString, port);
        QFETCH(bool, kept);
        LiveFrames frames;
        QVERIFY(!frames.beginConnection(QStringLiteral("/dev/ttyUSB0")));
        appendAt(frames, {0, 1000});
        QCOMPARE(frames.beginConnection(port), !kept);
        QCOMPARE(frames.startedAgain(), !kept);
        QCOMPARE(frames.connectionStart(), 2);
        // A second later: only the reconnection breaks the line.
        appendAt(frames, {2000, 3000});
        std::vector<std::vector<qint64>> lines;
        for (const LiveSpan &segment : frames.latest(60'000).segments())
            lines.push_back(timesOf(segment));
        QCOMPARE(lines,
                 kept ? (std::vector<std::vector<qint64>> {{0, 1000}, {2000, 3000}})
                      : (std::vector<std::vector<qint64>> {{2000, 3000}}));
        // Back on the first logger's port the chart goes on with what it holds.
        QVERIFY(!frames.beginConnection(port));
        QVERIFY(!frames.startedAgain());
    }
};

QTEST_MAIN(TestLiveFrames)
#include "tst_live_frames.moc"
