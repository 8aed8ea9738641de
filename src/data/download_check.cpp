#include "data/download_check.h"

#include "link/channel_conversion.h"

#include <QStringList>

namespace {

constexpr int sampleDigits = 24;
constexpr int largestReading = 4095;
constexpr int largestByte = 255;
constexpr int rowsNamed = 20;

/// A sample line as the logger writes it: four readings, each a high and a low byte as three
/// decimal digits, and nothing else.
bool isSampleLine(QByteArrayView line)
{
    if (line.size() != sampleDigits)
        return false;
    for (const char c : line)
        if (c < '0' || c > '9')
            return false;
    for (int reading = 0; reading < 4; ++reading) {
        const auto byteAt = [&line](int at) {
            return 100 * (line[at] - '0') + 10 * (line[at + 1] - '0') + (line[at + 2] - '0');
        };
        const int high = byteAt(6 * reading);
        const int low = byteAt(6 * reading + 3);
        if (high > largestByte || low > largestByte || channelReading(high, low) > largestReading)
            return false;
    }
    return true;
}

} // namespace

DownloadCheck checkDownload(const DownloadLines &lines, std::optional<int> expected)
{
    DownloadCheck check;
    check.expected = expected;
    check.received = lines.samples();
    for (int row = 1; row <= check.received; ++row)
        if (!isSampleLine(lines.line(row + 2)))
            check.damagedRows.append(row);
    return check;
}

QString downloadCheckMessage(const DownloadCheck &check, CheckAdvice advice)
{
    if (check.passed())
        return {};
    QStringList parts;
    if (!check.countRight())
        parts << QStringLiteral("el logger informó %1 muestras y llegaron %2")
                     .arg(*check.expected)
                     .arg(check.received);
    if (!check.damagedRows.isEmpty()) {
        QStringList rows;
        for (int i = 0; i < check.damagedRows.size() && i < rowsNamed; ++i)
            rows << QString::number(check.damagedRows[i]);
        QString list = rows.join(QStringLiteral(", "));
        if (check.damagedRows.size() > rowsNamed)
            list += QStringLiteral(" y %1 más").arg(check.damagedRows.size() - rowsNamed);
        parts << (check.damagedRows.size() == 1
                      ? QStringLiteral("la muestra %1 llegó dañada").arg(list)
                      : QStringLiteral("%1 muestras llegaron dañadas (%2)")
                            .arg(check.damagedRows.size())
                            .arg(list));
    }
    return QStringLiteral("La descarga no llegó completa: %1. %2; las fechas y horas de las "
                          "muestras que siguen a una falla pueden estar corridas.")
        .arg(parts.join(QStringLiteral("; ")),
             advice == CheckAdvice::SavedForReview
                 ? QStringLiteral("Revise el archivo guardado")
                 : QStringLiteral("Revise los datos antes de guardarlos"));
}
