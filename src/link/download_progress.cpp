#include "link/download_progress.h"

#include <algorithm>
#include <cstring>

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

int lineFeedsIn(const QByteArray &chunk)
{
    // A search per line rather than a test per byte: a download's lines are 26 bytes long.
    int count = 0;
    const char *p = chunk.constData();
    const char *const end = p + chunk.size();
    while (p < end) {
        const auto *feed = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p)));
        if (!feed)
            break;
        ++count;
        p = feed + 1;
    }
    return count;
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
