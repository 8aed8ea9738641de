// Covers the commands the PC sends, the clock-set command, the line settings and the
// collection of a download up to its end marker, through the scripted serial port.
#include "link/download_collector.h"
#include "link/logger_commands.h"
#include "scripted_serial_port.h"

#include <QTest>

namespace {

QList<QByteArray> characters(const QByteArray &text)
{
    QList<QByteArray> list;
    for (const char c : text)
        list.append(QByteArray(1, c));
    return list;
}

} // namespace

class TestLoggerCommands : public QObject
{
    Q_OBJECT

private slots:
    void clockSetCommandCarriesTimeThenDate_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QByteArray>("characters");
        QTest::newRow("afternoon")
            << QDateTime(QDate(2026, 12, 6), QTime(14, 30, 5)) << QByteArray("3143005061226");
        QTest::newRow("leading zeros")
            << QDateTime(QDate(2031, 2, 1), QTime(9, 5, 7)) << QByteArray("3090507010231");
        QTest::newRow("last second of a year")
            << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)) << QByteArray("3235959311226");
        QTest::newRow("midnight") << QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0))
                                  << QByteArray("3000000010127");
    }

    void clockSetCommandCarriesTimeThenDate()
    {
        QFETCH(QDateTime, now);
        QFETCH(QByteArray, characters);
        QCOMPARE(LoggerCommands::clockSetCommand(now), ::characters(characters));
    }

    void clockSetCommandGoesOutInThirteenWrites()
    {
        ScriptedSerialPort port;
        port.OpenPort();
        LoggerCommands::sendEach(
            port, LoggerCommands::clockSetCommand(QDateTime(QDate(2031, 2, 1), QTime(9, 5, 7))));
        QCOMPARE(port.writes(), characters("3090507010231"));
    }

    void commandCharacters()
    {
        QCOMPARE(LoggerCommands::downloadRequest(false), QByteArray("8"));
        QCOMPARE(LoggerCommands::downloadRequest(true), QByteArray("E"));
        QCOMPARE(LoggerCommands::downloadConfirm, QByteArray("X"));
        QCOMPARE(rateCommand(SampleRate::Minutes15), QByteArray("5"));
        QCOMPARE(rateCommand(SampleRate::Minutes30), QByteArray("6"));
        QCOMPARE(rateCommand(SampleRate::Minutes60), QByteArray("7"));
        // The logger reports the rates it takes as "5", "6", "7" with the codes 4, 5, 6.
        for (const SampleRate rate :
             {SampleRate::Minutes15, SampleRate::Minutes30, SampleRate::Minutes60})
            QCOMPARE(rateFromCode(rateCommand(rate).toInt() - 1), rate);
    }

    void lineSettingsForTheLogger()
    {
        const LineSettings settings = LoggerCommands::loggerLineSettings();
        QCOMPARE(settings.BaudRate, br115200);
        QCOMPARE(settings.DataBits, dbEight);
        QCOMPARE(settings.ParityBits, prNone);
        QCOMPARE(settings.StopBits, sbOneStopBit);
        QVERIFY(!settings.OutCTSFlow && !settings.OutDSRFlow);
        QVERIFY(!settings.XonXoffIn && !settings.XonXoffOut);
        QCOMPARE(settings.ControlDTR, dtrDisable);
        QCOMPARE(settings.ReadInterval, 1);
        QCOMPARE(settings.ReadTotalMultiplier, 0);
        QCOMPARE(settings.ReadTotalConstant, 0);
        QCOMPARE(settings.WriteTotalMultiplier, 100);
        QCOMPARE(settings.WriteTotalConstant, 1000);
        QCOMPARE(settings.Events, allSerialEvents);
    }

    void onlyAChunkThatIsExactlyAEndsTheDownload_data()
    {
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<bool>("ends");
        QTest::newRow("lone A") << QByteArray("A") << true;
        QTest::newRow("two A") << QByteArray("AA") << false;
        QTest::newRow("A and line break") << QByteArray("A\r\n") << false;
        QTest::newRow("data then A") << QByteArray("000123A") << false;
        QTest::newRow("lower case") << QByteArray("a") << false;
    }

    void onlyAChunkThatIsExactlyAEndsTheDownload()
    {
        QFETCH(QByteArray, chunk);
        QFETCH(bool, ends);
        DownloadCollector collector;
        QVERIFY(!collector.append("header\r\n"));
        QCOMPARE(collector.append(chunk), ends);
        QCOMPARE(collector.text(), "header\r\n" + chunk);
    }

    void anEndMarkerSharingAReadEndsTheDownload_data()
    {
        // A program that fell behind reads the marker with the bytes around it.
        const QByteArray lines =
            " 26/12/06 05:30:14  4\r\nSAMPLES 2\r\n000220000002000226000001\r\n"
            "001010000002000226000001\r\n";
        const QByteArray frame = "3014061226052090402223020000706804210001023\r";
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QByteArray>("afterEnd"); // "-": the download goes on
        QTest::newRow("with the last line")
            << QList<QByteArray> {lines.chopped(9), lines.last(9) + "A"} << QByteArray();
        QTest::newRow("with the next frame")
            << QList<QByteArray> {lines, "A" + frame.first(20)} << frame.first(20);
        QTest::newRow("all three")
            << QList<QByteArray> {lines.chopped(9), lines.last(9) + "A" + frame} << frame;
        QTest::newRow("after a CR LF split")
            << QList<QByteArray> {lines.chopped(1), "\nA" + frame} << frame;
        QTest::newRow("no samples") << QList<QByteArray> {lines.first(34) + "A" + frame} << frame;
        // Not the marker: an "A" that begins the header or the line after it, or stands within
        // a line.
        QTest::newRow("A heads the header")
            << QList<QByteArray> {"A6/12/06 05:30:14  4\r\n"} << QByteArray("-");
        QTest::newRow("A heads line two")
            << QList<QByteArray> {lines.first(23) + "AMPLES 2\r\n"} << QByteArray("-");
        QTest::newRow("A within a sample line")
            << QList<QByteArray> {lines, "0002A" + frame} << QByteArray("-");
        QTest::newRow("A heads a read that goes on a line")
            << QList<QByteArray> {lines + "0002", "A" + frame} << QByteArray("-");
        QTest::newRow("after the second line break in the same read")
            << QList<QByteArray> {lines.first(30), lines.sliced(30, 4) + "A" + frame} << frame;
    }

    void anEndMarkerSharingAReadEndsTheDownload()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QByteArray, afterEnd);
        DownloadCollector collector;
        QByteArray received;
        bool ended = false;
        for (const QByteArray &chunk : chunks) {
            QVERIFY(!ended);
            ended = collector.append(chunk);
            received += chunk;
        }
        QCOMPARE(ended, afterEnd != "-");
        // The text is what a program that kept up collects: everything up to the "A".
        QCOMPARE(collector.text(), ended ? received.chopped(afterEnd.size()) : received);
        QCOMPARE(collector.afterEnd(), ended ? afterEnd : QByteArray());
    }

    void downloadCollectedFromReceiveEvents()
    {
        // Chunks as the receive events deliver them; each handler reads exactly its count.
        ScriptedSerialPort port;
        DownloadCollector collector;
        bool ended = false;
        port.OnRxChar = [&](SerialPortSurface &sender, int count) {
            QVERIFY(!ended);
            ended = collector.append(LoggerCommands::receiveChunk(sender, count));
        };
        port.OpenPort();
        const QByteArray text = " 26/12/06 05:30:14  4\r\nline two\r\n000220000002000226000001\r\n";
        port.receiveEach({text.left(7), text.mid(7, 30), text.mid(37)});
        QVERIFY(!ended);
        port.receive("A");
        QVERIFY(ended);
        QCOMPARE(collector.text(), text + "A");
        QCOMPARE(port.waitingCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestLoggerCommands)
#include "tst_logger_commands.moc"
