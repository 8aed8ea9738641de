#include "data/live_csv.h"

#include "data/csv_export.h"
#include "link/logger_clock_text.h"
#include "link/readout_patterns.h"
#include "link/status_frame.h"
#include "runtime/format_float.h"
#include "runtime/program_formats.h"

#include <QDateTime>

#include <cstdlib>

namespace LiveCsv {

namespace {

/// A number as the main window shows it, with a decimal point for the CSV readers.
QString withDecimalPoint(QString shown)
{
    return shown.replace(ProgramFormats::decimalSeparator, QLatin1Char('.'));
}

} // namespace

QByteArray heading()
{
    return QByteArray("pc_time,logger_") + CsvExport::samplesHeading
        + ",battery_pct,memory_positions";
}

QString pcTimeText(qint64 pcTime, const QTimeZone &zone)
{
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(pcTime, zone);
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"))
        + (offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        + QStringLiteral("%1:%2")
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QByteArray record(const LiveFrame &frame, const QTimeZone &zone)
{
    QStringList fields {
        pcTimeText(frame.pcTime, zone),
        CsvExport::isoTimestamp(loggerDateText(frame.day, frame.month, frame.year),
                                loggerTimeText(frame.hour, frame.minute, frame.second))};
    for (int channel = 1; channel <= 4; ++channel)
        fields.append(
            withDecimalPoint(formatFloat(channelReadoutPatterns[std::size_t(channel - 1)], frame.shownValue(channel))));
    fields.append(withDecimalPoint(
        formatFloat(batteryReadoutPattern, float(batteryLevelFromReading(frame.batteryReading)))));
    fields.append(withDecimalPoint(
        ProgramFormats::generalNumber(memoryPositionsFromPointer(frame.memoryPointer))));
    return CsvExport::record(fields);
}

} // namespace LiveCsv
