// Covers how the simulator reads the PC's command bytes and its own command line.
#include "command_parser.h"
#include "sim_options.h"

#include <QTest>

namespace {

using Kind = LoggerCommand::Kind;

/// Every command the parser completes while it is fed `bytes`, one byte at a time.
std::vector<LoggerCommand> feedAll(CommandParser &parser, const QByteArray &bytes)
{
    std::vector<LoggerCommand> commands;
    for (const char byte : bytes) {
        for (const LoggerCommand &command : parser.feed(byte))
            commands.push_back(command);
    }
    return commands;
}

SimOptionsParse parse(const QStringList &arguments)
{
    return parseSimOptions(QStringList {QStringLiteral("brentavius-sim")} + arguments);
}

} // namespace

class TestSimCommands : public QObject
{
    Q_OBJECT

private slots:
    void clockSetAmongOtherCommands()
    {
        // The PC sends the clock-set as thirteen separate writes; chunking makes no difference.
        CommandParser parser;
        const auto commands = feedAll(parser,
                                      QByteArrayLiteral("5"
                                                        "3090507010231"
                                                        "6"));
        QCOMPARE(commands.size(), size_t(3));
        QCOMPARE(commands[0].kind, Kind::SetRate);
        QCOMPARE(commands[1].kind, Kind::SetClock);
        QCOMPARE(commands[1].bytes, QByteArrayLiteral("3090507010231"));
        QCOMPARE(commands[1].clock, QDateTime(QDate(2031, 2, 1), QTime(9, 5, 7), Qt::UTC));
        QCOMPARE(commands[2].rateMinutes, 30);
        QVERIFY(!parser.isInClockSet());
    }

    void malformedClockSetIsDroppedAndTheBreakingByteStillCounts()
    {
        CommandParser parser;
        auto commands = feedAll(parser, QByteArrayLiteral("3140E"));
        QCOMPARE(commands.size(), size_t(2));
        QCOMPARE(commands[0].kind, Kind::MalformedClockSet);
        QCOMPARE(commands[0].bytes, QByteArrayLiteral("3140"));
        QCOMPARE(commands[1].kind, Kind::RequestDownload);
        QVERIFY(commands[1].wholeMemory);

        commands = feedAll(parser, QByteArrayLiteral("3123X"));
        QCOMPARE(commands.size(), size_t(2));
        QCOMPARE(commands[1].kind, Kind::ConfirmDownload);

        // Twelve digits that are no clock: hour 25, then 31 February.
        for (const QByteArray &bad :
             {QByteArrayLiteral("3250000010126"), QByteArrayLiteral("3120000310226")}) {
            commands = feedAll(parser, bad);
            QCOMPARE(commands.size(), size_t(1));
            QCOMPARE(commands[0].kind, Kind::MalformedClockSet);
            QCOMPARE(commands[0].bytes, bad);
        }

        feedAll(parser, QByteArrayLiteral("3120"));
        QVERIFY(parser.isInClockSet());
        QCOMPARE(parser.reset(), QByteArrayLiteral("3120"));
        QCOMPARE(feedAll(parser, QByteArrayLiteral("8")).at(0).kind, Kind::RequestDownload);
    }

    void singleByteCommands_data()
    {
        QTest::addColumn<char>("byte");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("rateMinutes");
        QTest::addColumn<bool>("wholeMemory");
        QTest::newRow("5") << '5' << int(Kind::SetRate) << 15 << false;
        QTest::newRow("6") << '6' << int(Kind::SetRate) << 30 << false;
        QTest::newRow("7") << '7' << int(Kind::SetRate) << 60 << false;
        QTest::newRow("8") << '8' << int(Kind::RequestDownload) << 0 << false;
        QTest::newRow("E") << 'E' << int(Kind::RequestDownload) << 0 << true;
        QTest::newRow("X") << 'X' << int(Kind::ConfirmDownload) << 0 << false;
        QTest::newRow("rate code 4 is no command") << '4' << int(Kind::Unknown) << 0 << false;
        QTest::newRow("lower-case e") << 'e' << int(Kind::Unknown) << 0 << false;
        QTest::newRow("CR") << '\r' << int(Kind::Unknown) << 0 << false;
    }

    void singleByteCommands()
    {
        QFETCH(char, byte);
        QFETCH(int, kind);
        QFETCH(int, rateMinutes);
        QFETCH(bool, wholeMemory);
        CommandParser parser;
        const auto commands = parser.feed(byte);
        QCOMPARE(commands.size(), size_t(1));
        QCOMPARE(int(commands[0].kind), kind);
        QCOMPARE(commands[0].rateMinutes, rateMinutes);
        QCOMPARE(commands[0].wholeMemory, wholeMemory);
    }

    void commandLineDefaultsAndValues()
    {
        SimOptionsParse parsed = parse({});
        QVERIFY(parsed.options);
        QCOMPARE(parsed.options->name, QStringLiteral("logger"));
        QCOMPARE(parsed.options->frameIntervalMs, 1000);
        QCOMPARE(parsed.options->discardWaitMs, 600);
        QCOMPARE(parsed.options->pace, Pace::Line);
        QCOMPARE(parsed.options->logger.rateMinutes, 15);
        QVERIFY(!parsed.options->logger.samples && !parsed.options->logger.recordingStart);
        QVERIFY(parsed.options->faults.isEmpty());

        parsed = parse({"--name",
                        "bench-2",
                        "--frame-interval",
                        "100",
                        "--rate",
                        "60",
                        "--samples",
                        "4000",
                        "--start",
                        "31/12/2099 23:59:59",
                        "--pace",
                        "fast",
                        "--fault",
                        "hangup",
                        "--fault",
                        "non-digit",
                        "--verbose",
                        "--clock-offset",
                        "-30",
                        "--seed",
                        "0"});
        QVERIFY2(parsed.options, qPrintable(parsed.message));
        const SimOptions &o = *parsed.options;
        QCOMPARE(o.name, QStringLiteral("bench-2"));
        QCOMPARE(o.logger.rateMinutes, 60);
        QCOMPARE(o.logger.samples, 4000);
        QCOMPARE(o.logger.recordingStart,
                 QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59), Qt::UTC));
        QCOMPARE(o.logger.clockOffsetSeconds, -30);
        QCOMPARE(o.pace, Pace::Fast);
        QVERIFY(o.faults.has(Fault::Hangup) && o.faults.has(Fault::NonDigit));
        QVERIFY(!o.faults.has(Fault::DropBytes));
        QVERIFY(o.verbose);
    }

    void badCommandLinesExitWithStatus2_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("rate 20") << QStringList {"--rate", "20"} << "--rate";
        QTest::newRow("rate text") << QStringList {"--rate", "fast"} << "--rate";
        QTest::newRow("samples above capacity") << QStringList {"--samples", "4001"} << "--samples";
        QTest::newRow("negative interval")
            << QStringList {"--frame-interval", "-1"} << "--frame-interval";
        QTest::newRow("start in 1999")
            << QStringList {"--start", "31/12/1999 10:00:00"} << "--start";
        QTest::newRow("start without time") << QStringList {"--start", "01/01/2026"} << "--start";
        QTest::newRow("start on 30 February")
            << QStringList {"--start", "30/02/2026 10:00:00"} << "--start";
        QTest::newRow("pace") << QStringList {"--pace", "slow"} << "--pace";
        QTest::newRow("fault") << QStringList {"--fault", "smoke"} << "--fault";
        QTest::newRow("name with a slash") << QStringList {"--name", "../logger"} << "--name";
        QTest::newRow("hidden name") << QStringList {"--name", ".logger"} << "--name";
        QTest::newRow("empty name") << QStringList {"--name", ""} << "--name";
        QTest::newRow("unknown option") << QStringList {"--colour"} << "colour";
        QTest::newRow("missing value") << QStringList {"--rate"} << "rate";
        QTest::newRow("stray argument") << QStringList {"COM1"} << "COM1";
    }

    void badCommandLinesExitWithStatus2()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, mentions);
        const SimOptionsParse parsed = parse(arguments);
        QVERIFY(!parsed.options);
        QCOMPARE(parsed.exitCode, 2);
        QVERIFY2(parsed.message.contains(mentions), qPrintable(parsed.message));
    }

    void helpDocumentsEveryOption()
    {
        const SimOptionsParse parsed = parse({"--help"});
        QVERIFY(!parsed.options);
        QCOMPARE(parsed.exitCode, 0);
        for (const char *option :
             {"--name", "--frame-interval", "--rate", "--samples", "--start", "--clock-offset",
              "--seed", "--discard-wait", "--pace", "--fault", "--verbose"})
            QVERIFY2(parsed.message.contains(QLatin1String(option)), option);
    }
};

QTEST_GUILESS_MAIN(TestSimCommands)
#include "tst_sim_commands.moc"
