// Covers the status frames the simulator builds, checked against the PC's own frame decoding,
// and the frame faults; the download text is left to tst_sim_download_text.
#include "faults.h"
#include "simulated_logger.h"
#include "status_frame_builder.h"

#include "link/status_frame.h"

#include <QTest>

#include <cmath>

namespace {

LoggerStatus exampleStatus()
{
    LoggerStatus status;
    status.clock = QDateTime(QDate(2026, 12, 6), QTime(14, 30, 5), Qt::UTC);
    status.batteryReading = 209;
    status.rateCode = 4;
    status.readings = {735, 512, 1860, 1234};
    status.memoryPointer = 279;
    return status;
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

class TestSimFrames : public QObject
{
    Q_OBJECT

private slots:
    void exampleStatusGivesTheProtocolsExampleFrame()
    {
        QCOMPARE(buildStatusFrame(exampleStatus()),
                 QByteArrayLiteral("3014061226052090402223020000706804210001023\r"));
    }

    void outOfRangeValuesKeepTheLayout()
    {
        LoggerStatus status = exampleStatus();
        status.readings = {-5, 5000, 4095, 0};
        status.batteryReading = 1200;
        status.memoryPointer = 15 + 8 * 4000;
        const QByteArray frame = buildStatusFrame(status);
        QCOMPARE(frame.size(), 44);
        const StatusFrameDecoding decoded = decodeStatusFrame(frame);
        QVERIFY(!decoded.failure);
        QCOMPARE(decoded.channels->readings, (std::array<int, 4> {0, 4095, 4095, 0}));
        QCOMPARE(decoded.details->batteryReading, 999);
        QCOMPARE(decoded.details->memoryPositions, 4000.0);
    }

    void modelFramesDecodeToTheModelsValues_data()
    {
        QTest::addColumn<QDateTime>("pcNow");
        QTest::addColumn<int>("rate");
        QTest::newRow("midnight, new year")
            << QDateTime(QDate(2029, 12, 31), QTime(23, 59, 59), Qt::UTC) << 15;
        QTest::newRow("dawn") << QDateTime(QDate(2026, 3, 1), QTime(6, 0, 1), Qt::UTC) << 30;
        QTest::newRow("noon") << QDateTime(QDate(2026, 7, 9), QTime(12, 34, 56), Qt::UTC) << 60;
        QTest::newRow("afternoon") << QDateTime(QDate(2031, 2, 1), QTime(15, 5, 7), Qt::UTC) << 15;
    }

    void modelFramesDecodeToTheModelsValues()
    {
        QFETCH(QDateTime, pcNow);
        QFETCH(int, rate);
        LoggerSetup setup;
        setup.rateMinutes = rate;
        setup.samples = 1234;
        setup.seed = 99;
        const SimulatedLogger logger(setup, pcNow.addSecs(-3600));

        const LoggerStatus status = logger.statusAt(pcNow);
        const StatusFrameDecoding decoded = decodeStatusFrame(buildStatusFrame(status));
        QVERIFY(!decoded.failure);
        QCOMPARE(decoded.channels->readings, status.readings);

        const SiteConditions truth = logger.weather().conditionsAt(pcNow);
        QVERIFY(std::abs(decoded.channels->values[0] - truth.airTemperature) <= 0.05 + 1e-9);
        QVERIFY(std::abs(decoded.channels->values[1] - truth.soilTemperature) <= 0.05 + 1e-9);
        QVERIFY(std::abs(decoded.channels->values[2] - truth.relativeHumidity)
                <= 0.5 / 24.8 + 1e-9);
        QVERIFY(std::abs(decoded.channels->values[3] - truth.par) <= 0.5 + 1e-9);

        const StatusDetails &details = *decoded.details;
        QCOMPARE(details.loggerDate, pcNow.toString(QStringLiteral("dd/MM/yyyy")));
        QCOMPARE(details.loggerTime, pcNow.toString(QStringLiteral("hh:mm:ss")));
        QCOMPARE(details.hour, pcNow.time().hour());
        QCOMPARE(details.memoryPositions, double(logger.memory().samplesStored(pcNow)));
        QCOMPARE(details.batteryReading, status.batteryReading);
        QVERIFY(details.rate.has_value());
        QCOMPARE(details.rateCode, rate == 15 ? 4 : rate == 30 ? 5 : 6);
        QCOMPARE(twoDigits(details.year), pcNow.toString(QStringLiteral("yy")));
    }

    void nonDigitFaultFailsOnTheMemoryPointerOnly()
    {
        FaultSet faults;
        faults.add(Fault::NonDigit);
        const QByteArray clean = buildStatusFrame(exampleStatus());
        for (qint64 number = 1; number <= 9; ++number) {
            const QByteArray frame = applyFrameFaults(clean, number, faults);
            QCOMPARE(frame.size(), 44);
            const StatusFrameDecoding decoded = decodeStatusFrame(frame);
            if (number % 3 != 0) {
                QCOMPARE(frame, clean);
                continue;
            }
            QCOMPARE(frame.at(39), 'N');
            QVERIFY(decoded.channels.has_value());
            QCOMPARE(decoded.channels->readings, exampleStatus().readings);
            QVERIFY(!decoded.details.has_value());
            QVERIFY(decoded.failure.has_value());
            QCOMPARE(decoded.failure->message(),
                     QStringLiteral("'N' is not a valid integer value"));
        }
    }

    void lengthFaultsBreakTheFrameLength()
    {
        const QByteArray clean = buildStatusFrame(exampleStatus());
        FaultSet drop;
        drop.add(Fault::DropBytes);
        FaultSet extra;
        extra.add(Fault::ExtraBytes);
        int dropped = 0, extended = 0;
        for (qint64 number = 1; number <= 20; ++number) {
            dropped += applyFrameFaults(clean, number, drop).size() == 43;
            extended += applyFrameFaults(clean, number, extra).size() == 45;
            QCOMPARE(applyFrameFaults(clean, number, FaultSet()), clean);
        }
        QCOMPARE(dropped, 5);
        QCOMPARE(extended, 4);
        QVERIFY(applyFrameFaults(clean, 4, drop).endsWith('\r'));
    }
};

QTEST_GUILESS_MAIN(TestSimFrames)
#include "tst_sim_frames.moc"
