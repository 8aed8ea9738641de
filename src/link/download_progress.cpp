#include "link/download_progress.h"

#include <algorithm>

namespace DownloadProgress {

namespace {

/// A sample line: 24 digits and its line break.
constexpr int bytesPerSample = 26;
/// 115200 baud with a start and a stop bit around each byte.
constexpr int lineBytesPerSecond = 11520;

} // namespace

int samplesIn(int lineBreaks)
{
    return std::max(0, lineBreaks - 2);
}

QString text(int received, std::optional<int> expected)
{
    if (!expected || *expected <= 0)
        return QStringLiteral("Descargando %1 muestras").arg(received);
    const int left = std::max(0, *expected - received);
    const int seconds = (left * bytesPerSample + lineBytesPerSecond - 1) / lineBytesPerSecond;
    return QStringLiteral("Descargando %1 de %2 muestras (%3 %), quedan %4 s")
        .arg(received)
        .arg(*expected)
        .arg(std::min(100, received * 100 / *expected))
        .arg(seconds);
}

} // namespace DownloadProgress
