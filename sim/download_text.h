#pragma once

#include <QByteArray>
#include <QDateTime>

#include <array>

class MemoryModel;
class WeatherModel;

/// The text the logger sends for a download, CRLF line ends throughout.
namespace DownloadText {

/// Line 1: " yy/MM/dd ss:mm:hh  c" — year, month, day, second, minute, hour of the
/// recording start at positions 2–3, 5–6, 8–9, 11–12, 14–15, 17–18, the rate code at 21.
[[nodiscard]] QByteArray header(const QDateTime &start, int rateCode);

/// One sample: four groups of six digits, each the reading's high byte and low byte as
/// three digits apiece (reading = high × 256 + low).
[[nodiscard]] QByteArray sampleLine(const std::array<int, 4> &readings);

/// The whole text: the header, a line the PC skips, then samples 1 … `sampleCount`,
/// oldest first, each with the weather at the time the header gives it.
[[nodiscard]] QByteArray build(const MemoryModel &memory, const WeatherModel &weather,
                               int sampleCount);

} // namespace DownloadText
