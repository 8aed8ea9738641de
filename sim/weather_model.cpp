#include "weather_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kHoursPerDay = 24.0;

// Air temperature peaks in mid-afternoon; the soil follows damped and three hours later.
constexpr double kAirMean = 18.0;
constexpr double kAirAmplitude = 7.0;
constexpr double kAirPeakHour = 15.0;
constexpr double kSoilMean = 17.0;
constexpr double kSoilAmplitude = 3.0;
constexpr double kSoilPeakHour = 18.0;

// Relative humidity moves against the air temperature: driest at the afternoon peak.
constexpr double kHumidityMean = 65.0;
constexpr double kHumidityAmplitude = 25.0;

// Daylight from 06:30 to 19:30, strongest at solar noon.
constexpr double kSunrise = 6.5;
constexpr double kSunset = 19.5;
constexpr double kParPeak = 2000.0;

/// Hours since midnight, with fractions.
double hourOfDay(const QDateTime &time)
{
    return time.time().msecsSinceStartOfDay() / 3'600'000.0;
}

/// A cosine cycle of one day with its maximum at peakHour.
double dailyCycle(double hour, double peakHour)
{
    return std::cos(2.0 * std::numbers::pi * (hour - peakHour) / kHoursPerDay);
}

/// splitmix64: a small, well-mixed hash that makes the noise repeatable.
std::uint64_t mix(std::uint64_t x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

int clampReading(double value)
{
    return std::clamp(static_cast<int>(std::lround(value)), 0, 4095);
}

} // namespace

SiteConditions WeatherModel::conditionsAt(const QDateTime &time) const
{
    const double hour = hourOfDay(time);
    const qint64 second = time.toSecsSinceEpoch();

    SiteConditions c;
    const double warmth = dailyCycle(hour, kAirPeakHour);
    c.airTemperature = kAirMean + kAirAmplitude * warmth + 0.3 * noise(second, 1);
    c.soilTemperature =
        kSoilMean + kSoilAmplitude * dailyCycle(hour, kSoilPeakHour) + 0.1 * noise(second, 2);
    c.relativeHumidity = std::clamp(
        kHumidityMean - kHumidityAmplitude * warmth + 1.5 * noise(second, 3), 5.0, 100.0);

    if (hour > kSunrise && hour < kSunset) {
        const double sun = std::sin(std::numbers::pi * (hour - kSunrise) / (kSunset - kSunrise));
        // Passing clouds take up to 15 % off; they never add light above the clear-sky peak.
        const double clouds = 0.925 + 0.075 * noise(second, 4);
        c.par = kParPeak * sun * clouds;
    }
    return c;
}

std::array<int, 4> WeatherModel::readingsAt(const QDateTime &time) const
{
    return readingsOf(conditionsAt(time));
}

std::array<int, 4> WeatherModel::readingsOf(const SiteConditions &c)
{
    // temperature = (r − 500) / 10, humidity = (r − 620) / 24.8, PAR = r
    return {clampReading(c.airTemperature * 10.0 + 500.0),
            clampReading(c.soilTemperature * 10.0 + 500.0),
            clampReading(c.relativeHumidity * 24.8 + 620.0), clampReading(c.par)};
}

double WeatherModel::noise(qint64 second, int channel) const
{
    const std::uint64_t key =
        mix(mix(m_seed) ^ static_cast<std::uint64_t>(second)) ^ static_cast<std::uint64_t>(channel);
    const std::uint64_t bits = mix(key) >> 11; // 53 bits
    return bits / static_cast<double>(1ULL << 53) * 2.0 - 1.0;
}
