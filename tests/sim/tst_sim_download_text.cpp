// Covers the download text the simulator sends: header positions, sample lines, line ends,
// how many samples "8" and "E" give, and that the readings match the times the PC gives them.
#include "download_text.h"
#include "memory_model.h"
#include "simulated_logger.h"
#include "status_frame_builder.h"

#include "link/channel_conversion.h"
#include "link/status_frame.h"

#include <QTest>

namespace {

const QDateTime kPcNow(QDate(2026, 12, 6), QTime(14, 30, 5), Qt::UTC);

int number(const QByteArray &line, int position, int length)
{
    return line.mid(position - 1, length).toInt();
}

/// The recording start as the PC reads it from the header's positions.
QDateTime headerStart(const QByteArray &header)
{
    return QDateTime(QDate(2000 + number(header, 2, 2), number(header, 5, 2), number(header, 8, 2)),
                     QTime(number(header, 17, 2), number(header, 14, 2), number(header, 11, 2)),
                     Qt::UTC);
}

bool allDigits(const QByteArray &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

class TestSimDownloadText : public QObject
{
    Q_OBJECT

private slots:
    void headerAndSampleLineLayout()
    {
        QCOMPARE(DownloadText::header(kPcNow, 4), QByteArrayLiteral(" 26/12/06 05:30:14  4\r\n"));
        QCOMPARE(DownloadText::header(QDateTime(QDate(2007, 1, 2), QTime(3, 4, 5), Qt::UTC), 6),
                 QByteArrayLiteral(" 07/01/02 05:04:03  6\r\n"));
        QCOMPARE(DownloadText::sampleLine({266, 0, 4095, 1234}),
                 QByteArrayLiteral("001010000000015255004210\r\n"));
    }

    void textCarriesTheRecordingTheFramesReport()
    {
        LoggerSetup setup;
        setup.rateMinutes = 30;
        setup.samples = 50;
        const SimulatedLogger logger(setup, kPcNow);

        const QByteArray text = logger.downloadText(kPcNow, false);
        QVERIFY(text.endsWith("\r\n"));
        QCOMPARE(text.count('\n'), text.count("\r\n"));
        QList<QByteArray> lines = text.split('\n');
        lines.removeLast(); // after the last line end
        for (QByteArray &line : lines) {
            QVERIFY(line.endsWith('\r'));
            line.chop(1);
        }

        // The pointer in a frame and the lines of the download agree.
        const StatusFrameDecoding frame =
            decodeStatusFrame(buildStatusFrame(logger.statusAt(kPcNow)));
        QCOMPARE(lines.size() - 2, int(frame.details->memoryPositions));
        QCOMPARE(lines.size(), 52);

        const QByteArray &header = lines[0];
        QVERIFY(header.size() >= 21);
        QCOMPARE(header.at(20), '5');
        const QDateTime start = headerStart(header);
        QCOMPARE(start, logger.memory().start());

        for (int k = 1; k <= 50; ++k) {
            const QByteArray &line = lines[k + 1];
            QCOMPARE(line.size(), 24);
            QVERIFY(allDigits(line));
            // The newest sample is on the last half hour before now.
            const QDateTime taken = start.addSecs(qint64(k - 1) * 30 * 60);
            const std::array<int, 4> expected = logger.weather().readingsAt(taken);
            for (int channel = 0; channel < 4; ++channel) {
                const int at = 1 + 6 * channel;
                QCOMPARE(channelReading(number(line, at, 3), number(line, at + 3, 3)),
                         expected[channel]);
            }
        }
        QCOMPARE(start.addSecs(49 * 30 * 60), QDateTime(kPcNow.date(), QTime(14, 30), Qt::UTC));
    }

    void wholeMemoryAndFullMemory()
    {
        LoggerSetup setup;
        setup.samples = 10;
        SimulatedLogger logger(setup, kPcNow);
        QCOMPARE(logger.downloadText(kPcNow, false).count('\n'), 2 + 10);
        QCOMPARE(logger.downloadText(kPcNow, true).count('\n'), 2 + MemoryModel::kCapacity);

        // A full memory stops growing, in the pointer and in the text.
        setup.samples = MemoryModel::kCapacity;
        logger = SimulatedLogger(setup, kPcNow);
        const QDateTime later = kPcNow.addDays(3);
        QCOMPARE(logger.statusAt(later).memoryPointer, 15 + 8 * 4000);
        QCOMPARE(buildStatusFrame(logger.statusAt(later)).mid(37, 6), QByteArrayLiteral("125015"));
        QCOMPARE(logger.downloadText(later, false).count('\n'), 2 + MemoryModel::kCapacity);
    }

    void clockSetLeavesAnEmptyRecordingFromTheNewTime()
    {
        SimulatedLogger logger(LoggerSetup(), kPcNow);
        const QDateTime set(QDate(2031, 2, 1), QTime(9, 5, 7), Qt::UTC);
        logger.setClock(set, kPcNow);
        const QByteArray text = logger.downloadText(kPcNow.addSecs(60), false);
        QCOMPARE(text.count('\n'), 2);
        QCOMPARE(headerStart(text), set.addSecs(15 * 60));
    }
};

QTEST_GUILESS_MAIN(TestSimDownloadText)
#include "tst_sim_download_text.moc"
