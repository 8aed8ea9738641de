// Covers the pure code behind the data window: line counting, the header fields and their
// failures, the start's ranges, sample readings, the value texts and the timestamp pass's
// roll-overs (long runs against the calendar are checked through the window).
#include "data/download_check.h"
#include "data/download_decoding.h"
#include "data/download_format_error.h"
#include "data/download_lines.h"
#include "data/sample_timestamps.h"
#include "runtime/conversion_error.h"

#include <QTest>

namespace {

/// The message of whatever decode() throws, or an empty text when it throws nothing.
template<typename Decode>
QString failureOf(Decode &&decode)
{
    try {
        decode();
    } catch (const EConvertError &error) {
        return error.message();
    } catch (const DownloadFormatError &error) {
        return error.message();
    }
    return {};
}

QString tooShort(int line, int length, int needed)
{
    return DownloadFormatError::lineTooShort(line, length, needed).message();
}

} // namespace

class TestDownloadDecoding : public QObject
{
    Q_OBJECT

private slots:
    void linesEndAtEachKindOfBreak_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::newRow("empty") << QByteArray() << QList<QByteArray>();
        QTest::newRow("end marker only") << QByteArray("A") << QList<QByteArray> {"A"};
        QTest::newRow("CR LF") << QByteArray("h\r\ns\r\nA") << QList<QByteArray> {"h", "s", "A"};
        QTest::newRow("LF") << QByteArray("h\ns\nA") << QList<QByteArray> {"h", "s", "A"};
        QTest::newRow("CR") << QByteArray("h\rs\rA") << QList<QByteArray> {"h", "s", "A"};
        QTest::newRow("LF CR is two breaks")
            << QByteArray("h\n\rA") << QList<QByteArray> {"h", "", "A"};
        QTest::newRow("empty line kept")
            << QByteArray("h\r\n\r\nA") << QList<QByteArray> {"h", "", "A"};
        QTest::newRow("break at the end")
            << QByteArray("h\r\ns\r\n") << QList<QByteArray> {"h", "s"};
        QTest::newRow("long line is one line")
            << QByteArray(300, '1') + "\r\nA" << QList<QByteArray> {QByteArray(300, '1'), "A"};
    }

    void linesEndAtEachKindOfBreak()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<QByteArray>, lines);
        QCOMPARE(countLines(text), lines.size());
        const DownloadLines split(text);
        QCOMPARE(split.count(), lines.size());
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(split.line(i + 1).toByteArray(), lines[i]);
        QVERIFY(split.line(0).isEmpty());
        QVERIFY(split.line(int(lines.size()) + 1).isEmpty());
    }

    void headerFieldsComeFromTheirPositions()
    {
        // Date in the order year, month, day; time in the order second, minute, hour.
        const DownloadHeader header = decodeHeader(" 26/12/06 05:30:14  4 and more");
        QCOMPARE(header.start, (LoggerTime {26, 12, 6, 14, 30, 5}));
        QCOMPARE(header.rateCode, 4);
        // The separators are not read.
        QCOMPARE(decodeHeader("x07x01x02x59x08x23xx9").start, (LoggerTime {7, 1, 2, 23, 8, 59}));
    }

    void headerFailuresStopAtTheFirstBadPosition_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("letter in the year")
            << QByteArray(" 2x/12/06 05:30:14  4") << "'x' is not a valid integer value";
        QTest::newRow("blank rate code")
            << QByteArray(" 26/12/06 05:30:14   ") << "' ' is not a valid integer value";
        QTest::newRow("20 characters") << QByteArray(" 26/12/06 05:30:14  ") << tooShort(1, 20, 21);
        QTest::newRow("empty") << QByteArray() << tooShort(1, 0, 21);
        QTest::newRow("bad character before the end")
            << QByteArray(" 26/1?") << "'?' is not a valid integer value";
    }

    void headerFailuresStopAtTheFirstBadPosition()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, message);
        QCOMPARE(failureOf([&line] { (void)decodeHeader(line); }), message);
    }

    void startsOutsideTheCalendarAreRejected_data()
    {
        QTest::addColumn<LoggerTime>("start");
        QTest::addColumn<QString>("field");
        QTest::newRow("first moment of 2000") << LoggerTime {0, 1, 1, 0, 0, 0} << QString();
        QTest::newRow("last moment of 2099") << LoggerTime {99, 12, 31, 23, 59, 59} << QString();
        QTest::newRow("leap day 2008") << LoggerTime {8, 2, 29, 12, 0, 0} << QString();
        QTest::newRow("leap day 2000") << LoggerTime {0, 2, 29, 12, 0, 0} << QString();
        QTest::newRow("month 0") << LoggerTime {8, 0, 1, 0, 0, 0} << "mes 0";
        QTest::newRow("month 13") << LoggerTime {8, 13, 1, 0, 0, 0} << "mes 13";
        QTest::newRow("day 0") << LoggerTime {8, 1, 0, 0, 0, 0} << "día 0";
        QTest::newRow("day 32") << LoggerTime {8, 1, 32, 0, 0, 0} << "día 32";
        QTest::newRow("31 April") << LoggerTime {8, 4, 31, 0, 0, 0} << "día 31";
        QTest::newRow("29 February 2009") << LoggerTime {9, 2, 29, 0, 0, 0} << "día 29";
        QTest::newRow("hour 24") << LoggerTime {8, 1, 1, 24, 0, 0} << "hora 24";
        QTest::newRow("minute 60") << LoggerTime {8, 1, 1, 0, 60, 0} << "minuto 60";
        QTest::newRow("second 60") << LoggerTime {8, 1, 1, 0, 0, 60} << "segundo 60";
    }

    void startsOutsideTheCalendarAreRejected()
    {
        QFETCH(LoggerTime, start);
        QFETCH(QString, field);
        const QString message = failureOf([&start] { checkStartInRange(start); });
        if (field.isEmpty())
            QCOMPARE(message, QString());
        else
            QVERIFY2(message.contains(QStringLiteral("(%1)").arg(field)), qPrintable(message));
    }

    void sampleLinesGiveFourReadings_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QList<int>>("readings");
        QTest::newRow("high and low bytes")
            << QByteArray("001010000000015255004210") << QList<int> {266, 0, 4095, 1234};
        QTest::newRow("anything after position 24 is not read")
            << QByteArray("002220002220002220002220 xyz") << QList<int> {732, 732, 732, 732};
        QTest::newRow("no range check on either half")
            << QByteArray("999999000999999000000000") << QList<int> {256743, 999, 255744, 0};
    }

    void sampleLinesGiveFourReadings()
    {
        QFETCH(QByteArray, line);
        QFETCH(QList<int>, readings);
        const std::array<int, 4> decoded = decodeSampleReadings(line, 3);
        QCOMPARE(QList<int>(decoded.begin(), decoded.end()), readings);
    }

    void sampleFailuresNameTheCharacterOrTheLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("blank at position 10")
            << QByteArray("001010000 00015255004210") << "' ' is not a valid integer value";
        QTest::newRow("23 characters")
            << QByteArray("00101000000001525500421") << tooShort(7, 23, 24);
        QTest::newRow("empty line") << QByteArray() << tooShort(7, 0, 24);
        QTest::newRow("bad character in a short line")
            << QByteArray("0010A") << "'A' is not a valid integer value";
        // A message box shows the whole text: control bytes by their code, never cut short.
        QTest::newRow("NUL") << QByteArray("0010", 4) + QByteArray(1, '\0') + "0"
                             << "'\\x00' is not a valid integer value";
        QTest::newRow("carriage return") << QByteArray("001\r") << "'\\x0D' is not a valid integer value";
        QTest::newRow("one character")
            << QByteArray("0") << "La línea 7 de la descarga está incompleta: tiene 1 carácter y "
                                  "se esperaban al menos 24.";
    }

    void sampleFailuresNameTheCharacterOrTheLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, message);
        QCOMPARE(failureOf([&line] { (void)decodeSampleReadings(line, 7); }), message);
    }

    void valueTextsFollowTheNumberFormat_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("reading");
        QTest::addColumn<QString>("text");
        QTest::newRow("ch1 735") << 1 << 735 << "23,5";
        QTest::newRow("ch1 495") << 1 << 495 << "-0,5";
        QTest::newRow("ch1 500") << 1 << 500 << "0,0";
        QTest::newRow("ch1 0") << 1 << 0 << "-50,0";
        QTest::newRow("ch2 4095") << 2 << 4095 << "359,5";
        QTest::newRow("ch3 1860") << 3 << 1860 << "50,0";
        QTest::newRow("ch3 620") << 3 << 620 << "0,0";
        QTest::newRow("ch3 600 limited") << 3 << 600 << "0,0";
        QTest::newRow("ch3 3100") << 3 << 3100 << "100,0";
        QTest::newRow("ch3 3200 limited") << 3 << 3200 << "100,0";
        // 10.645…, 11.451…: rounded once to the decimal shown, never twice.
        QTest::newRow("ch3 884") << 3 << 884 << "10,6";
        QTest::newRow("ch3 904") << 3 << 904 << "11,5";
        QTest::newRow("ch3 700") << 3 << 700 << "3,2";
        QTest::newRow("ch4 0") << 4 << 0 << "0";
        QTest::newRow("ch4 4095") << 4 << 4095 << "4095";
        // Past four integer digits the value keeps four significant digits in fixed form.
        QTest::newRow("ch4 12345") << 4 << 12345 << "12350";
        QTest::newRow("ch1 256743") << 1 << 256743 << "25620,0";
    }

    void valueTextsFollowTheNumberFormat()
    {
        QFETCH(int, channel);
        QFETCH(int, reading);
        QFETCH(QString, text);
        std::array<int, 4> readings {500, 500, 620, 0};
        readings[std::size_t(channel - 1)] = reading;
        QCOMPARE(sampleValueTexts(readings)[std::size_t(channel - 1)], text);
    }

    void valueTextsNeverShowMinusZero()
    {
        QCOMPARE(valueText(-0.04, 1), QStringLiteral("0,0"));
        QCOMPARE(valueText(-0.4, 0), QStringLiteral("0"));
        QCOMPARE(valueText(-0.06, 1), QStringLiteral("-0,1"));
    }

    void passesStampRowsAcrossTheCalendar_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<LoggerTime>("start");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("stamp");
        const LoggerTime end2008 {8, 12, 31, 23, 59, 30};
        const LoggerTime end2009 {9, 12, 31, 23, 30, 0};
        QTest::newRow("row 1 is the start") << 1 << end2008 << 1 << "31/12/2008 23:59:30";
        QTest::newRow("1 min into 2009") << 1 << end2008 << 2 << "01/01/2009 00:00:30";
        QTest::newRow("30 min into 2010") << 30 << end2009 << 2 << "01/01/2010 00:00:00";
        QTest::newRow("30 min, next row") << 30 << end2009 << 3 << "01/01/2010 00:30:00";
        QTest::newRow("15 min to a leap day")
            << 15 << LoggerTime {8, 2, 28, 23, 45, 0} << 2 << "29/02/2008 00:00:00";
        QTest::newRow("15 min past February 2009")
            << 15 << LoggerTime {9, 2, 28, 23, 45, 0} << 2 << "01/03/2009 00:00:00";
        QTest::newRow("leap day 2000")
            << 60 << LoggerTime {0, 2, 28, 23, 10, 0} << 2 << "29/02/2000 00:10:00";
        QTest::newRow("5 min from minute 57")
            << 5 << LoggerTime {9, 6, 1, 7, 57, 12} << 2 << "01/06/2009 08:02:12";
        QTest::newRow("10 min to May")
            << 10 << LoggerTime {9, 4, 30, 23, 55, 1} << 2 << "01/05/2009 00:05:01";
        QTest::newRow("60 min keeps the minute")
            << 60 << LoggerTime {9, 6, 1, 7, 10, 0} << 20 << "02/06/2009 02:10:00";
    }

    void passesStampRowsAcrossTheCalendar()
    {
        QFETCH(int, step);
        QFETCH(LoggerTime, start);
        QFETCH(int, row);
        QFETCH(QString, stamp);
        const std::vector<LoggerTime> stamps = timestampPass(start, step, row);
        QCOMPARE(int(stamps.size()), row);
        QCOMPARE(dateText(stamps.back()) + u' ' + timeText(stamps.back()), stamp);
    }

    void aDownloadIsCheckedAgainstTheLoggersReport_data()
    {
        QTest::addColumn<QByteArray>("samples");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QList<int>>("damaged");
        const QByteArray good = "000220000002000226000001\r\n";
        QTest::newRow("whole") << QByteArray(good + good) << 2 << QList<int>();
        QTest::newRow("a line missing") << QByteArray(good) << 2 << QList<int>();
        QTest::newRow("one taken since the report") << QByteArray(good + good) << 1 << QList<int>();
        QTest::newRow("two more than reported") << QByteArray(good + good) << 0 << QList<int>();
        QTest::newRow("a status frame slipped in")
            << QByteArray(good + "3014061226052090402223020000706804210001023\r" + good) << 2
            << QList<int> {2};
        QTest::newRow("a byte lost")
            << QByteArray("00022000000200022600000\r\n" + good) << 2 << QList<int> {1};
        QTest::newRow("a byte above 255")
            << QByteArray(good + "000256000002000226000001\r\n") << 2 << QList<int> {2};
        QTest::newRow("a reading above 4095")
            << QByteArray(good + "016000000002000226000001\r\n") << 2 << QList<int> {2};
    }

    void aDownloadIsCheckedAgainstTheLoggersReport()
    {
        QFETCH(QByteArray, samples);
        QFETCH(int, expected);
        QFETCH(QList<int>, damaged);
        const DownloadLines lines(" 26/12/06 05:30:14  4\r\n0279\r\n" + samples + "A");
        const DownloadCheck check = checkDownload(lines, expected);
        QCOMPARE(check.damagedRows, damaged);
        const bool countRight = check.received == expected || check.received == expected + 1;
        QCOMPARE(check.passed(), damaged.isEmpty() && countRight);
        const QString message = downloadCheckMessage(check);
        QCOMPARE(message.isEmpty(), check.passed());
        QCOMPARE(message.contains(QStringLiteral("informó %1 muestras y llegaron %2")
                                      .arg(expected)
                                      .arg(check.received)),
                 !countRight);
        if (!damaged.isEmpty())
            QVERIFY(message.contains(QStringLiteral("muestra %1 llegó dañada").arg(damaged[0])));
        QVERIFY(checkDownload(lines, std::nullopt).damagedRows == damaged); // no report: lines only
    }
};

QTEST_GUILESS_MAIN(TestDownloadDecoding)
#include "tst_download_decoding.moc"
