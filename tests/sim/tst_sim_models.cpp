// Covers the simulated logger's pure models: the weather's daily shape, the memory as a
// recording (count, pointer, sample times, clock-set, rate change) and the logger state.
#include "memory_model.h"
#include "simulated_logger.h"
#include "weather_model.h"

#include <QTest>

#include <algorithm>

namespace {

QDateTime at(int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2026, 6, day), QTime(hour, minute, second), Qt::UTC);
}

} // namespace

class TestSimModels : public QObject
{
    Q_OBJECT

private slots:
    void readingsInvertTheChannelConversions()
    {
        // The readings of the protocol's example frame, from the values it decodes to.
        const std::array<int, 4> readings = WeatherModel::readingsOf({23.5, 1.2, 50.0, 1234});
        QCOMPARE(readings, (std::array<int, 4> {735, 512, 1860, 1234}));
        QCOMPARE(WeatherModel::readingsOf({-80, 500, 150, 9000}),
                 (std::array<int, 4> {0, 4095, 4095, 4095}));
    }

    void weatherFollowsADailyCycle()
    {
        const WeatherModel weather(7);
        double airMin = 1e9, airMax = -1e9, soilMin = 1e9, soilMax = -1e9;
        QTime airPeak, soilPeak;
        for (int minute = 0; minute < 24 * 60; minute += 10) {
            const QDateTime t = at(10, minute / 60, minute % 60);
            const SiteConditions c = weather.conditionsAt(t);
            if (c.airTemperature > airMax)
                airMax = c.airTemperature, airPeak = t.time();
            if (c.soilTemperature > soilMax)
                soilMax = c.soilTemperature, soilPeak = t.time();
            airMin = std::min(airMin, c.airTemperature);
            soilMin = std::min(soilMin, c.soilTemperature);
            for (const int reading : weather.readingsAt(t))
                QVERIFY(reading >= 0 && reading <= 4095);
            QVERIFY(c.par >= 0 && c.par <= 2000);
        }
        QVERIFY2(soilMax - soilMin < (airMax - airMin) / 2, "the soil is damped");
        QVERIFY2(soilPeak > airPeak, "the soil lags the air");

        QCOMPARE(weather.conditionsAt(at(10, 2, 0)).par, 0.0);
        QCOMPARE(weather.conditionsAt(at(10, 23, 30)).par, 0.0);
        QVERIFY(weather.conditionsAt(at(10, 13, 0)).par > 1500);
        QVERIFY(weather.conditionsAt(at(10, 15, 0)).relativeHumidity
                < weather.conditionsAt(at(10, 6, 0)).relativeHumidity - 20);
    }

    void weatherIsRepeatableForASeed()
    {
        const QDateTime t = at(3, 11, 22, 33);
        QCOMPARE(WeatherModel(5).readingsAt(t), WeatherModel(5).readingsAt(t));
        int differing = 0;
        for (int minute = 0; minute < 60; ++minute)
            differing += WeatherModel(5).readingsAt(t.addSecs(60 * minute))
                != WeatherModel(6).readingsAt(t.addSecs(60 * minute));
        QVERIFY2(differing > 30, "the seed changes the noise");
    }

    void defaultRecordingEndsOnTheLastRateStep()
    {
        const QDateTime now = at(10, 10, 7, 30);
        const MemoryModel memory = MemoryModel::endingAt(now, 15, 288);
        QCOMPARE(memory.samplesStored(now), 288);
        QCOMPARE(memory.memoryPointer(now), 15 + 8 * 288);
        QCOMPARE(memory.sampleTime(288), at(10, 10, 0));
        QCOMPARE(memory.start(), at(7, 10, 15)); // 287 steps of 15 minutes earlier
        QCOMPARE(memory.samplesStored(at(10, 10, 14, 59)), 288);
        QCOMPARE(memory.samplesStored(at(10, 10, 15)), 289);
        QCOMPARE(memory.samplesStored(now.addDays(60)), MemoryModel::kCapacity);
    }

    void recordingFromAGivenStart()
    {
        const QDateTime start = at(1, 0, 0);
        QCOMPARE(MemoryModel::startedAt(start, at(1, 2, 0), 15).samplesStored(at(1, 2, 0)), 9);
        QCOMPARE(MemoryModel::startedAt(start, at(1, 2, 0), 15, 100).samplesStored(at(1, 2, 0)),
                 100);
        QCOMPARE(MemoryModel::startedAt(at(2, 0, 0), at(1, 0, 0), 15).samplesStored(at(1, 0, 0)),
                 0);
        QCOMPARE(MemoryModel::startedAt(start, at(30, 0, 0), 15).samplesStored(at(30, 0, 0)), 2785);
        QCOMPARE(MemoryModel::startedAt(start, at(1, 2, 0), 15).sampleTime(3), at(1, 0, 30));
    }

    void clearingStartsAnEmptyRecordingOneStepLater()
    {
        MemoryModel memory = MemoryModel::endingAt(at(10, 12, 0), 30, 500);
        const QDateTime set = at(12, 9, 5, 7);
        memory.clear(set);
        QCOMPARE(memory.samplesStored(set), 0);
        QCOMPARE(memory.memoryPointer(set), 15);
        QCOMPARE(memory.samplesStored(set.addSecs(30 * 60 - 1)), 0);
        QCOMPARE(memory.samplesStored(set.addSecs(30 * 60)), 1);
        QCOMPARE(memory.start(), set.addSecs(30 * 60));
        QCOMPARE(memory.sampleTime(1), memory.start());
    }

    void rateChangeKeepsTheCountAndGoesOnAtTheNewRate()
    {
        MemoryModel memory = MemoryModel::endingAt(at(10, 12, 0), 15, 300);
        const QDateTime change = at(10, 13, 10);
        QCOMPARE(memory.samplesStored(change), 304);
        memory.changeRate(60, change);
        QCOMPARE(memory.rateMinutes(), 60);
        QCOMPARE(memory.samplesStored(change), 304);
        QCOMPARE(memory.samplesStored(change.addSecs(59 * 60)), 304);
        QCOMPARE(memory.samplesStored(change.addSecs(60 * 60)), 305);
        // The header stamps every sample at the new rate; the newest stays where it is now.
        QCOMPARE(memory.sampleTime(304), change);
        QCOMPARE(memory.sampleTime(305), change.addSecs(60 * 60));
    }

    void loggerReportsItsClockMemoryRateAndBattery()
    {
        const QDateTime pcStart = at(10, 8, 0);
        LoggerSetup setup;
        setup.clockOffsetSeconds = 90;
        setup.samples = 12;
        SimulatedLogger logger(setup, pcStart);

        LoggerStatus status = logger.statusAt(pcStart.addSecs(5));
        QCOMPARE(status.clock, pcStart.addSecs(95));
        QCOMPARE(status.rateCode, 4);
        QCOMPARE(status.memoryPointer, 15 + 8 * 12);
        QCOMPARE(status.readings, logger.weather().readingsAt(status.clock));

        const QDateTime set = at(1, 0, 0);
        logger.setClock(set, pcStart.addSecs(10));
        status = logger.statusAt(pcStart.addSecs(12));
        QCOMPARE(status.clock, set.addSecs(2));
        QCOMPARE(status.memoryPointer, 15);
        QCOMPARE(logger.downloadCount(pcStart.addSecs(12), false), 0);
        QCOMPARE(logger.downloadCount(pcStart.addSecs(12), true), MemoryModel::kCapacity);

        logger.setRate(30, pcStart.addSecs(20));
        QCOMPARE(logger.statusAt(pcStart.addSecs(20)).rateCode, 5);
        QCOMPARE(logger.statusAt(pcStart.addSecs(20)).memoryPointer, 15);

        int previous = 999;
        for (int hours = 0; hours <= 24 * 30; hours += 6) {
            const int reading = logger.batteryReadingAt(pcStart.addSecs(hours * 3600));
            QVERIFY(reading >= 200 && reading <= 220);
            QVERIFY(reading <= previous + 1);
            previous = reading;
        }
        QVERIFY(logger.batteryReadingAt(pcStart.addDays(30)) < logger.batteryReadingAt(pcStart));
    }
};

QTEST_GUILESS_MAIN(TestSimModels)
#include "tst_sim_models.moc"
