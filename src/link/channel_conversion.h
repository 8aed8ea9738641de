#pragma once

/// Conversions from the logger's 12-bit channel readings (millivolts) to the channels'
/// quantities, alike for status frames and downloads.

/// A reading sent as a high part and a low part: high × 256 + low.
[[nodiscard]] constexpr int channelReading(int high, int low)
{
    return high * 256 + low;
}

/// Channels 1 and 2: temperature in ºC, (reading − 500) / 10.
[[nodiscard]] double temperatureFromReading(int reading);
/// Channel 3: relative humidity, (reading − 620) / 24.8 limited to 0 … 100.
[[nodiscard]] double humidityFromReading(int reading);
/// Channel 4: PAR, the reading itself.
[[nodiscard]] double parFromReading(int reading);

/// The value of channel 1 … 4 for a reading.
[[nodiscard]] double channelValue(int channel, int reading);
