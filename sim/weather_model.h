#pragma once

#include <QDateTime>

#include <array>
#include <cstdint>

/// What the four sensors of a field site measure at one moment.
struct SiteConditions
{
    double airTemperature = 0; ///< ºC, channel 1
    double soilTemperature = 0; ///< ºC, channel 2
    double relativeHumidity = 0; ///< %, channel 3
    double par = 0; ///< µmol m⁻² s⁻¹, channel 4
};

/// A deterministic model of a field site's weather: daily cycles plus small noise that
/// depends only on the time and a seed, so the same moment always reads the same.
class WeatherModel
{
public:
    explicit WeatherModel(std::uint32_t seed = 1)
        : m_seed(seed)
    { }

    /// The conditions at a moment of the logger's wall clock.
    [[nodiscard]] SiteConditions conditionsAt(const QDateTime &time) const;

    /// The 12-bit readings (0 … 4095) that the logger's inputs give for those conditions.
    [[nodiscard]] std::array<int, 4> readingsAt(const QDateTime &time) const;

    /// The readings of given conditions: the inverse of the PC's channel conversions.
    [[nodiscard]] static std::array<int, 4> readingsOf(const SiteConditions &conditions);

    [[nodiscard]] std::uint32_t seed() const { return m_seed; }

private:
    /// Noise in −1 … 1 for one channel at one second, the same on every call.
    [[nodiscard]] double noise(qint64 second, int channel) const;

    std::uint32_t m_seed;
};
