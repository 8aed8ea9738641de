#pragma once

#include "memory_model.h"
#include "status_frame_builder.h"
#include "weather_model.h"

#include <QByteArray>
#include <QDateTime>

#include <optional>

/// How the logger is set up when the simulator starts.
struct LoggerSetup
{
    int rateMinutes = 15;
    std::optional<int> samples; ///< stored samples at start; 288 unless a start is given
    std::optional<QDateTime> recordingStart; ///< the logger's clock, Qt::UTC as a plain clock
    qint64 clockOffsetSeconds = 0; ///< the logger's clock minus the PC's
    std::uint32_t seed = 1;
};

/// The logger's state and what it answers, computed for a given moment of the PC's clock
/// and free of any I/O. Times are wall-clock readings held as Qt::UTC date-times, so that
/// the logger's clock, like a real one, knows nothing of time zones or daylight saving.
class SimulatedLogger
{
public:
    static constexpr int kDefaultSamples = 288;

    SimulatedLogger(const LoggerSetup &setup, const QDateTime &pcNow);

    /// The logger's clock at a moment of the PC's clock.
    [[nodiscard]] QDateTime clockAt(const QDateTime &pcNow) const;

    /// What the next status frame reports.
    [[nodiscard]] LoggerStatus statusAt(const QDateTime &pcNow) const;

    /// The download text: what the memory pointer covers, or all 4000 positions. Positions
    /// past the pointer hold what the recording gives at their times.
    [[nodiscard]] QByteArray downloadText(const QDateTime &pcNow, bool wholeMemory) const;

    /// The number of samples that download text carries.
    [[nodiscard]] int downloadCount(const QDateTime &pcNow, bool wholeMemory) const;

    /// The clock-set command: the new time, and the memory emptied.
    void setClock(const QDateTime &loggerTime, const QDateTime &pcNow);

    void setRate(int rateMinutes, const QDateTime &pcNow);

    /// The battery reading: 218 when the simulator starts, falling one step every six hours
    /// down to 200, with a flicker of one step.
    [[nodiscard]] int batteryReadingAt(const QDateTime &pcNow) const;

    [[nodiscard]] const MemoryModel &memory() const { return m_memory; }
    [[nodiscard]] const WeatherModel &weather() const { return m_weather; }

private:
    QDateTime m_pcStart;
    qint64 m_offsetMs = 0;
    WeatherModel m_weather;
    MemoryModel m_memory;
};
