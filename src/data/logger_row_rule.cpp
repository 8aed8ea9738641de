#include "data/logger_row_rule.h"

#include "data/download_decoding.h"
#include "data/download_format_error.h"

#include <QRegularExpression>
#include <QSet>

namespace {

/// The largest reading of the 12-bit logger.
constexpr int maximumReading = 4095;

bool isLoggerMoment(const FileSampleRow &row)
{
    if (row.year < firstLoggerYear || row.year > lastLoggerYear || row.hour < 0 || row.minute < 0
        || row.second < 0)
        return false;
    try {
        checkStartInRange(
            {row.year - firstLoggerYear, row.month, row.day, row.hour, row.minute, row.second});
    } catch (const DownloadFormatError &) {
        return false;
    }
    return true;
}

/// Every text that the grid writes for channel 1 … 4, from the readings 0 … 4095 through the
/// grid's own conversion and format.
const std::array<QSet<QString>, 4> &gridValueTexts()
{
    static const std::array<QSet<QString>, 4> texts = [] {
        std::array<QSet<QString>, 4> sets;
        for (int reading = 0; reading <= maximumReading; ++reading) {
            const std::array<QString, 4> values =
                sampleValueTexts({reading, reading, reading, reading});
            for (std::size_t channel = 0; channel < 4; ++channel)
                sets[channel].insert(values[channel]);
        }
        return sets;
    }();
    return texts;
}

} // namespace

std::optional<FileSampleRow> fileSampleRow(const QString &date, const QString &time,
                                           const std::array<QString, 4> &values)
{
    static const QRegularExpression dateShape(QStringLiteral("^(\\d\\d)/(\\d\\d)/(\\d{4})$"));
    static const QRegularExpression timeShape(QStringLiteral("^(\\d\\d):(\\d\\d):(\\d\\d)$"));
    const QRegularExpressionMatch d = dateShape.match(date);
    const QRegularExpressionMatch t = timeShape.match(time);
    if (!d.hasMatch() || !t.hasMatch())
        return std::nullopt;
    FileSampleRow row;
    row.year = d.captured(3).toInt();
    row.month = d.captured(2).toInt();
    row.day = d.captured(1).toInt();
    row.hour = t.captured(1).toInt();
    row.minute = t.captured(2).toInt();
    row.second = t.captured(3).toInt();
    row.values = values;
    return row;
}

std::optional<RowField> fieldNotFromLogger(const FileSampleRow &row)
{
    if (row.dated && !isLoggerMoment(row))
        return RowField::Moment;
    for (std::size_t channel = 0; channel < 4; ++channel) {
        if (!gridValueTexts()[channel].contains(row.values[channel]))
            return RowField(int(RowField::Channel1) + int(channel));
    }
    return std::nullopt;
}
