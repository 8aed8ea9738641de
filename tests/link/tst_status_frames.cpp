// Covers status frame recognition by length and the decoding of every field of a frame.
#include "link/frame_assembler.h"
#include "link/status_frame.h"

#include <QTest>

namespace {

/// The frame whose fields are 30 14 06 12 26 05 209 0 4 02 223 02 000 07 068 04 210 001 023.
const QByteArray exampleFrame = QByteArrayLiteral("3014061226052090402223020000706804210001023\r");

/// A frame with the given channel readings and memory pointer, other fields as the example.
QByteArray frameWith(int reading1, int reading2, int reading3, int reading4, int pointer)
{
    QByteArray frame = exampleFrame.left(17);
    for (const int reading : {reading1, reading2, reading3, reading4})
        frame += QByteArray::number(reading / 256).rightJustified(2, '0')
            + QByteArray::number(reading % 256).rightJustified(3, '0');
    frame += QByteArray::number(pointer / 256).rightJustified(3, '0')
        + QByteArray::number(pointer % 256).rightJustified(3, '0');
    return frame + 'x';
}

} // namespace

class TestStatusFrames : public QObject
{
    Q_OBJECT

private slots:
    void exampleFrameDecodesEveryField()
    {
        const StatusFrameDecoding decoded = decodeStatusFrame(exampleFrame);
        QVERIFY(!decoded.failure);
        QVERIFY(decoded.channels && decoded.details);
        QCOMPARE(decoded.channels->readings, (std::array<int, 4> {735, 512, 1860, 1234}));
        QCOMPARE(decoded.channels->values[0], 23.5);
        QCOMPARE(decoded.channels->values[1], 1.2);
        QCOMPARE(decoded.channels->values[2], 50.0);
        QCOMPARE(decoded.channels->values[3], 1234.0);

        const StatusDetails &details = *decoded.details;
        QCOMPARE(details.loggerTime, QStringLiteral("14:30:05"));
        QCOMPARE(details.loggerDate, QStringLiteral("06/12/2026"));
        QCOMPARE(details.batteryReading, 209);
        QCOMPARE(QString::number(details.batteryLevel, 'f', 1), QStringLiteral("95.0"));
        QCOMPARE(details.rate, SampleRate::Minutes15);
        QCOMPARE(details.memoryPointer, 279);
        QCOMPARE(details.memoryText, QStringLiteral("33"));
    }

    void the44thCharacterIsNotExamined()
    {
        QByteArray frame = exampleFrame;
        frame[43] = '\xff';
        QVERIFY(!decodeStatusFrame(frame).failure);
    }

    void channelConversions_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("reading");
        QTest::addColumn<double>("value");
        QTest::newRow("temperature zero") << 1 << 500 << 0.0;
        QTest::newRow("temperature floor") << 2 << 0 << -50.0;
        QTest::newRow("humidity zero") << 3 << 620 << 0.0;
        QTest::newRow("humidity full") << 3 << 3100 << 100.0;
        QTest::newRow("humidity limited above") << 3 << 3200 << 100.0;
        QTest::newRow("humidity limited below") << 3 << 600 << 0.0;
        QTest::newRow("par unchanged") << 4 << 4095 << 4095.0;
    }

    void channelConversions()
    {
        QFETCH(int, channel);
        QFETCH(int, reading);
        QFETCH(double, value);
        QByteArray frame = frameWith(500, 500, 620, 0, 15);
        frame.replace(17 + 5 * (channel - 1), 5,
                      QByteArray::number(reading / 256).rightJustified(2, '0')
                          + QByteArray::number(reading % 256).rightJustified(3, '0'));
        const StatusFrameDecoding decoded = decodeStatusFrame(frame);
        QVERIFY(decoded.channels);
        QCOMPARE(decoded.channels->readings[channel - 1], reading);
        QCOMPARE(decoded.channels->values[channel - 1], value);
    }

    void memoryPositionsInTheGeneralFormat_data()
    {
        QTest::addColumn<int>("pointer");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << 15 << "0";
        QTest::newRow("one") << 23 << "1";
        QTest::newRow("half") << 19 << "0,5";
        QTest::newRow("fraction") << 1004 << "123,625";
        QTest::newRow("high part used") << 15 + 8 * 4000 << "4000";
        QTest::newRow("below the start") << 0 << "-1,875";
    }

    void memoryPositionsInTheGeneralFormat()
    {
        QFETCH(int, pointer);
        QFETCH(QString, text);
        const StatusFrameDecoding decoded = decodeStatusFrame(frameWith(500, 500, 620, 0, pointer));
        QVERIFY(decoded.details);
        QCOMPARE(decoded.details->memoryPointer, pointer);
        QCOMPARE(decoded.details->memoryText, text);
    }

    void rateCodesSelectARateOrNothing()
    {
        for (const auto &[code, rate] :
             std::initializer_list<std::pair<char, std::optional<SampleRate>>> {
                 {'4', SampleRate::Minutes15},
                 {'5', SampleRate::Minutes30},
                 {'6', SampleRate::Minutes60},
                 {'7', std::nullopt},
                 {'0', std::nullopt}}) {
            QByteArray frame = exampleFrame;
            frame[16] = code;
            QCOMPARE(decodeStatusFrame(frame).details->rate, rate);
        }
    }

    void datesAndTimesHaveLeadingZeros()
    {
        QByteArray frame = exampleFrame;
        frame.replace(0, 12, "070903010004"); // minute 7, hour 9, 3 January 2000, second 4
        const StatusFrameDecoding decoded = decodeStatusFrame(frame);
        QCOMPARE(decoded.details->loggerTime, QStringLiteral("09:07:04"));
        QCOMPARE(decoded.details->loggerDate, QStringLiteral("03/01/2000"));
    }

    void aNonDigitStopsTheDecodingAtItsPosition_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("channelsShown");
        QTest::newRow("clock") << 1 << false;
        QTest::newRow("unused digit") << 16 << false;
        QTest::newRow("last channel digit") << 37 << false;
        QTest::newRow("first memory digit") << 38 << true;
        QTest::newRow("last memory digit") << 43 << true;
    }

    void aNonDigitStopsTheDecodingAtItsPosition()
    {
        QFETCH(int, position);
        QFETCH(bool, channelsShown);
        QByteArray frame = exampleFrame;
        frame[position - 1] = ' ';
        const StatusFrameDecoding decoded = decodeStatusFrame(frame);
        QVERIFY(decoded.failure);
        QCOMPARE(decoded.failure->message(), QStringLiteral("' ' is not a valid integer value"));
        QCOMPARE(bool(decoded.channels), channelsShown);
        QVERIFY(!decoded.details);
    }

    void aFrameInThreeChunksIsTakenOnceAfterTheLast()
    {
        FrameAssembler assembler;
        QVERIFY(!assembler.append(exampleFrame.left(10)));
        QVERIFY(!assembler.append(exampleFrame.mid(10, 20)));
        QCOMPARE(assembler.append(exampleFrame.mid(30)), exampleFrame);
        QVERIFY(assembler.text().isEmpty());
    }

    void aChunkPast45EmptiesTheBufferWithTheFrameInIt()
    {
        FrameAssembler assembler;
        // A frame and the first 2 characters of the next in one chunk: all thrown away.
        QVERIFY(!assembler.append(exampleFrame + exampleFrame.left(2)));
        QVERIFY(assembler.text().isEmpty());

        // The rest of that next frame (42 characters) waits; a 2-character chunk completes it
        // into a misaligned frame, which is handed out like any other.
        QVERIFY(!assembler.append(exampleFrame.mid(2)));
        QCOMPARE(assembler.text().size(), 42);
        const QByteArray misaligned = exampleFrame.mid(2) + "30";
        QCOMPARE(assembler.append("30"), misaligned);
    }

    void aBufferOfExactly45WaitsUntilTheNextChunkEmptiesIt()
    {
        FrameAssembler assembler;
        QVERIFY(!assembler.append(exampleFrame.left(40)));
        QVERIFY(!assembler.append("12345"));
        QCOMPARE(assembler.text().size(), 45);
        QVERIFY(!assembler.append("1"));
        QVERIFY(assembler.text().isEmpty());
        // The buffer is in step again: the next whole frame is taken.
        QCOMPARE(assembler.append(exampleFrame), exampleFrame);
    }

    void aFrameThatFailsToDecodeDoesNotCostTheNextOne()
    {
        FrameAssembler assembler;
        QByteArray bad = exampleFrame;
        bad[39] = 'Z';
        const std::optional<QByteArray> first = assembler.append(bad);
        QVERIFY(first && decodeStatusFrame(*first).failure);
        const std::optional<QByteArray> second = assembler.append(exampleFrame);
        QVERIFY(second && !decodeStatusFrame(*second).failure);
    }
};

QTEST_GUILESS_MAIN(TestStatusFrames)
#include "tst_status_frames.moc"
