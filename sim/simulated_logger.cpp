#include "simulated_logger.h"

#include "download_text.h"
#include "logger_rates.h"

#include <algorithm>

namespace {

MemoryModel initialMemory(const LoggerSetup &setup, const QDateTime &loggerNow)
{
    if (setup.recordingStart)
        return MemoryModel::startedAt(*setup.recordingStart, loggerNow, setup.rateMinutes,
                                      setup.samples);
    return MemoryModel::endingAt(loggerNow, setup.rateMinutes,
                                 setup.samples.value_or(SimulatedLogger::kDefaultSamples));
}

} // namespace

SimulatedLogger::SimulatedLogger(const LoggerSetup &setup, const QDateTime &pcNow)
    : m_pcStart(pcNow)
    , m_offsetMs(setup.clockOffsetSeconds * 1000)
    , m_weather(setup.seed)
    , m_memory(initialMemory(setup, pcNow.addMSecs(setup.clockOffsetSeconds * 1000)))
{ }

QDateTime SimulatedLogger::clockAt(const QDateTime &pcNow) const
{
    return pcNow.addMSecs(m_offsetMs);
}

LoggerStatus SimulatedLogger::statusAt(const QDateTime &pcNow) const
{
    const QDateTime clock = clockAt(pcNow);
    LoggerStatus status;
    status.clock = clock;
    status.batteryReading = batteryReadingAt(pcNow);
    status.rateCode = LoggerRates::codeForMinutes(m_memory.rateMinutes());
    status.readings = m_weather.readingsAt(clock);
    status.memoryPointer = m_memory.memoryPointer(clock);
    return status;
}

QByteArray SimulatedLogger::downloadText(const QDateTime &pcNow, bool wholeMemory) const
{
    return DownloadText::build(m_memory, m_weather, downloadCount(pcNow, wholeMemory));
}

int SimulatedLogger::downloadCount(const QDateTime &pcNow, bool wholeMemory) const
{
    return wholeMemory ? MemoryModel::kCapacity : m_memory.samplesStored(clockAt(pcNow));
}

void SimulatedLogger::setClock(const QDateTime &loggerTime, const QDateTime &pcNow)
{
    m_offsetMs = pcNow.msecsTo(loggerTime);
    m_memory.clear(loggerTime);
}

void SimulatedLogger::setRate(int rateMinutes, const QDateTime &pcNow)
{
    m_memory.changeRate(rateMinutes, clockAt(pcNow));
}

int SimulatedLogger::batteryReadingAt(const QDateTime &pcNow) const
{
    const qint64 hours = std::max<qint64>(0, m_pcStart.secsTo(pcNow) / 3600);
    const int flicker = int(pcNow.toSecsSinceEpoch() / 7 % 2);
    return int(std::max<qint64>(200, 218 - hours / 6 - flicker));
}
