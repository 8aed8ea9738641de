#include "archive/archived_samples.h"

#include "archive/archive_error.h"
#include "data/csv_export.h"
#include "data/data_error.h"
#include "data/download_check.h"
#include "data/download_decoding.h"
#include "data/download_lines.h"
#include "data/download_table.h"
#include "data/logger_row_rule.h"
#include "data/saved_file.h"
#include "data/table_cells.h"
#include "data/text_export.h"
#include "runtime/conversion_error.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <climits>
#include <iterator>
#include <utility>

namespace {

constexpr qint64 secondsPerDay = 86400;
/// The Julian day of 1970-01-01.
constexpr qint64 epochJulianDay = 2440588;
/// The largest of the logger's 12-bit readings.
constexpr int largestReading = 4095;
/// No value the grid writes has more digits than this.
constexpr int longestValueDigits = 7;

/// Writes `value` (0 to 10^digits − 1) as `digits` decimal digits with leading zeros.
QChar *putDigits(QChar *out, int value, int digits)
{
    for (int k = digits - 1; k >= 0; --k, value /= 10)
        out[k] = QChar(u'0' + value % 10);
    return out + digits;
}

std::optional<qint64> timeOfTexts(const QString &date, const QString &time)
{
    static const QRegularExpression dateShape(QStringLiteral("^(\\d\\d)/(\\d\\d)/(\\d{4})$"));
    static const QRegularExpression timeShape(QStringLiteral("^(\\d\\d):(\\d\\d):(\\d\\d)$"));
    const QRegularExpressionMatch d = dateShape.match(date);
    const QRegularExpressionMatch h = timeShape.match(time);
    if (!d.hasMatch() || !h.hasMatch())
        return std::nullopt;
    const QDate day(d.captured(3).toInt(), d.captured(2).toInt(), d.captured(1).toInt());
    const int hour = h.captured(1).toInt();
    const int minute = h.captured(2).toInt();
    const int second = h.captured(3).toInt();
    if (!day.isValid() || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return sampleTime(day.year(), day.month(), day.day(), hour, minute, second);
}

[[noreturn]] void unreadable(int lineNumber, const QString &why)
{
    throw ArchiveError(
        QStringLiteral("el CSV no es el de este programa: línea %1, %2").arg(lineNumber).arg(why));
}

/// The rows of the program's CSV of samples, as the grid showed them (a row without a
/// timestamp has empty date and time texts).
std::vector<SavedRow> readCsvRows(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty()
        || lines.first().chopped(lines.first().endsWith('\r') ? 1 : 0)
            != QByteArray(CsvExport::samplesHeading))
        unreadable(1, QStringLiteral("falta el encabezado de muestras"));
    static const QRegularExpression stamp(
        QStringLiteral("^(\\d{4})-(\\d\\d)-(\\d\\d)T(\\d\\d:\\d\\d:\\d\\d)$"));
    std::vector<SavedRow> rows;
    rows.reserve(std::size_t(lines.size()));
    for (int i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        const QStringList fields = QString::fromUtf8(line).split(QLatin1Char(','));
        if (fields.size() != 5)
            unreadable(i + 1, QStringLiteral("no tiene cinco campos"));
        SavedRow row;
        std::array<QString, 4> texts;
        for (int channel = 0; channel < 4; ++channel)
            texts[std::size_t(channel)] =
                QString(fields[channel + 1]).replace(QLatin1Char('.'), QLatin1Char(','));
        // A row without a timestamp is not entered; its values are checked all the same.
        FileSampleRow values;
        values.dated = false;
        values.values = texts;
        if (!fields[0].isEmpty()) {
            const QRegularExpressionMatch m = stamp.match(fields[0]);
            if (!m.hasMatch())
                unreadable(i + 1,
                           QStringLiteral("la fecha «%1» no es AAAA-MM-DDThh:mm:ss")
                               .arg(fields[0].left(40)));
            row.date = QStringLiteral("%1/%2/%3").arg(m.captured(3), m.captured(2), m.captured(1));
            row.time = m.captured(4);
            if (!timeOfTexts(row.date, row.time))
                unreadable(i + 1, QStringLiteral("la fecha %1 no existe").arg(fields[0]));
            values = fileSampleRow(row.date, row.time, texts).value();
        }
        const std::optional<RowField> wrong = fieldNotFromLogger(values);
        if (wrong == RowField::Moment)
            unreadable(i + 1,
                       QStringLiteral("la fecha %1 no la puede tener el logger, que cuenta de %2 "
                                      "a %3")
                           .arg(fields[0])
                           .arg(firstLoggerYear)
                           .arg(lastLoggerYear));
        if (wrong)
            unreadable(i + 1, QStringLiteral("el canal %1 no tiene un valor del logger")
                                  .arg(int(*wrong) - int(RowField::Channel1) + 1));
        row.values = texts;
        rows.push_back(row);
    }
    return rows;
}

std::vector<SavedRow> readSavedRows(const QByteArray &bytes)
{
    SavedRecording recording;
    try {
        recording = readSavedFile(bytes);
    } catch (const DataError &error) {
        throw ArchiveError(error.message());
    }
    return std::move(recording.rows);
}

std::vector<SavedRow> readFileRows(const QByteArray &raw, RawKind kind)
{
    return kind == RawKind::Csv ? readCsvRows(raw) : readSavedRows(raw);
}

QByteArray fileTextOfRows(const std::vector<SavedRow> &rows)
{
    return TextExport::fileText(int(rows.size()), [&rows](int column, int row) {
        const SavedRow &r = rows[std::size_t(row - 1)];
        if (column == 1)
            return r.date;
        if (column == 2)
            return r.time;
        return r.values[std::size_t(column - 3)];
    });
}

/// The archive's integer of a channel's reading: the grid's text of it (sampleValueTexts, the
/// one decoding the grid uses) read as an integer, worked out once for each of the 4096
/// readings. None for a reading out of range, which the download check calls damaged.
std::optional<int> gridValue(int channel, int reading)
{
    static const std::vector<std::array<int, 4>> table = [] {
        std::vector<std::array<int, 4>> values(std::size_t(largestReading) + 1);
        for (int r = 0; r <= largestReading; ++r) {
            const std::array<QString, 4> texts = sampleValueTexts({r, r, r, r});
            for (int c = 0; c < 4; ++c)
                values[std::size_t(r)][std::size_t(c)] =
                    archivedValue(texts[std::size_t(c)], c).value();
        }
        return values;
    }();
    if (reading < 0 || reading > largestReading)
        return std::nullopt;
    return table[std::size_t(reading)][std::size_t(channel)];
}

DecodedEntry decodeDownloadText(const QByteArray &raw, std::optional<int> reported)
{
    const DownloadLines lines(raw);
    const DownloadCheck check = checkDownload(lines, reported);
    DecodedEntry entry;
    entry.samplesReceived = check.received;
    std::vector<LoggerTime> stamps;
    bool headerRight = false;
    try {
        const DownloadTable::Header header = DownloadTable::decodeTableHeader(lines, {});
        entry.stepMinutes = header.stepMinutes;
        headerRight = !header.problem;
        if (header.start && header.stepMinutes)
            stamps = timestampPass(*header.start, *header.stepMinutes, lines.samples());
    } catch (const DownloadFormatError &) {
    } catch (const EConvertError &) {
        // Without a start or a rate no sample has a time: none is entered.
    }
    const QSet<int> damaged(check.damagedRows.begin(), check.damagedRows.end());
    // The first row that came damaged, the check's or one that did not decode.
    std::optional<int> firstDamaged;
    // The row of each sample decoded, for cutting at the first damaged one.
    std::vector<int> rowOf;
    rowOf.reserve(std::size_t(lines.samples()));
    entry.samples.reserve(std::size_t(lines.samples()));
    for (int row = 1; row <= lines.samples(); ++row) {
        if (damaged.contains(row) || row > int(stamps.size())) {
            if (damaged.contains(row) && !firstDamaged)
                firstDamaged = row;
            ++entry.damagedRows;
            continue;
        }
        ArchivedSample sample;
        try {
            const std::array<int, 4> readings = decodeSampleReadings(lines.line(row + 2), row + 2);
            for (int channel = 0; channel < 4; ++channel)
                sample.values[std::size_t(channel)] =
                    gridValue(channel, readings[std::size_t(channel)]).value();
        } catch (...) {
            if (!firstDamaged)
                firstDamaged = row;
            ++entry.damagedRows;
            continue;
        }
        const LoggerTime &stamp = stamps[std::size_t(row - 1)];
        sample.t = sampleTime(2000 + stamp.year, stamp.month, stamp.day, stamp.hour, stamp.minute,
                              stamp.second);
        entry.samples.push_back(sample);
        rowOf.push_back(row);
    }
    entry.checkPassed = check.passed() && headerRight && entry.damagedRows == 0;
    if (!entry.checkPassed) {
        // A line split or lost on the wire moves every later row one step off its time: only
        // the rows before the first damaged one are sure, and none when lines went missing or
        // came extra without a trace.
        const int cut = firstDamaged ? *firstDamaged : (check.countRight() ? INT_MAX : 1);
        const auto kept = std::lower_bound(rowOf.begin(), rowOf.end(), cut) - rowOf.begin();
        entry.samples.resize(std::size_t(kept));
        entry.leftInDownload = entry.samplesReceived - int(entry.samples.size());
    }
    return entry;
}

DecodedEntry decodeFile(const QByteArray &raw, RawKind kind)
{
    const std::vector<SavedRow> rows = readFileRows(raw, kind);
    DecodedEntry entry;
    entry.samplesReceived = int(rows.size());
    entry.samples.reserve(rows.size());
    for (const SavedRow &row : rows) {
        const std::optional<qint64> t = timeOfTexts(row.date, row.time);
        if (!t) {
            ++entry.damagedRows;
            continue;
        }
        ArchivedSample sample {*t, {}};
        for (int channel = 0; channel < 4; ++channel)
            sample.values[std::size_t(channel)] =
                archivedValue(row.values[std::size_t(channel)], channel).value_or(0);
        entry.samples.push_back(sample);
    }
    if (entry.samples.size() >= 2) {
        const qint64 step = entry.samples[1].t - entry.samples[0].t;
        if (step > 0 && step % 60 == 0)
            entry.stepMinutes = int(step / 60);
    }
    entry.checkPassed = entry.damagedRows == 0;
    return entry;
}

} // namespace

DecodedEntry decodeEntry(const QByteArray &raw, RawKind kind, std::optional<int> reported)
{
    return kind == RawKind::DownloadText ? decodeDownloadText(raw, reported)
                                         : decodeFile(raw, kind);
}

QByteArray savedFileText(const QByteArray &raw, RawKind kind)
{
    if (kind != RawKind::DownloadText)
        return fileTextOfRows(readFileRows(raw, kind));
    const DownloadLines lines(raw);
    const FilledTable table = fillTable(lines);
    return TextExport::fileText(
        lines.samples(), [&table](int column, int row) { return table.cells.cell(column, row); });
}

RawKind fileKind(const QByteArray &bytes)
{
    return bytes.startsWith(CsvExport::samplesHeading) ? RawKind::Csv : RawKind::SavedFile;
}

qint64 sampleTime(int year, int month, int day, int hour, int minute, int second)
{
    const qint64 days = QDate(year, month, day).toJulianDay() - epochJulianDay;
    return days * secondsPerDay + hour * 3600 + minute * 60 + second;
}

QDate sampleDay(qint64 t)
{
    const qint64 days = t >= 0 ? t / secondsPerDay : (t - secondsPerDay + 1) / secondsPerDay;
    return QDate::fromJulianDay(days + epochJulianDay);
}

QString sampleDateText(qint64 t)
{
    const QDate day = sampleDay(t);
    // A year of other than four digits is left to QDate's own writing of it.
    if (day.year() < 1000 || day.year() > 9999)
        return day.toString(QStringLiteral("dd/MM/yyyy"));
    QString text(10, Qt::Uninitialized);
    QChar *out = putDigits(text.data(), day.day(), 2);
    *out++ = u'/';
    out = putDigits(out, day.month(), 2);
    *out++ = u'/';
    putDigits(out, day.year(), 4);
    return text;
}

QString sampleTimeText(qint64 t)
{
    const int second = int(((t % secondsPerDay) + secondsPerDay) % secondsPerDay);
    QString text(8, Qt::Uninitialized);
    QChar *out = putDigits(text.data(), second / 3600, 2);
    *out++ = u':';
    out = putDigits(out, second / 60 % 60, 2);
    *out++ = u':';
    putDigits(out, second % 60, 2);
    return text;
}

std::optional<qint64> sampleTimeOfTexts(const QString &date, const QString &time)
{
    return timeOfTexts(date, time);
}

std::optional<int> archivedValue(const QString &text, int channel)
{
    const bool tenths = channel < 3;
    QString digits = text;
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits.remove(0, 1);
    if (tenths) {
        const qsizetype separator = digits.size() - 2;
        if (separator < 1
            || (digits[separator] != QLatin1Char(',') && digits[separator] != QLatin1Char('.')))
            return std::nullopt;
        digits.remove(separator, 1);
    }
    if (digits.isEmpty() || digits.size() > longestValueDigits)
        return std::nullopt;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const int value = digits.toInt();
    return negative ? -value : value;
}

QString archivedValueText(int value, int channel)
{
    if (channel == 3)
        return QString::number(value);
    // Tenths with a decimal comma, written from the last digit back.
    char16_t digits[24];
    char16_t *const end = std::end(digits);
    char16_t *out = end;
    qint64 magnitude = value < 0 ? -qint64(value) : value;
    *--out = char16_t(u'0' + magnitude % 10);
    *--out = u',';
    magnitude /= 10;
    do {
        *--out = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    if (value < 0)
        *--out = u'-';
    return QString(reinterpret_cast<const QChar *>(out), end - out);
}

std::optional<qint64> clockOffsetSeconds(const StatusDetails &frame, qint64 pcUtcMs)
{
    const QDate loggerDay(2000 + frame.year, frame.month, frame.day);
    if (!loggerDay.isValid() || frame.hour > 23 || frame.minute > 59 || frame.second > 59)
        return std::nullopt;
    const QDateTime pc = QDateTime::fromMSecsSinceEpoch(pcUtcMs).toLocalTime();
    const qint64 logger = sampleTime(loggerDay.year(), loggerDay.month(), loggerDay.day(),
                                     frame.hour, frame.minute, frame.second);
    const qint64 pcWallClock = sampleTime(pc.date().year(), pc.date().month(), pc.date().day(),
                                          pc.time().hour(), pc.time().minute(), pc.time().second());
    return logger - pcWallClock;
}

QString countedText(int count, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
}

QString durationText(quint64 size)
{
    const quint64 days = size / secondsPerDay;
    const quint64 hours = size % secondsPerDay / 3600;
    const quint64 minutes = size % 3600 / 60;
    const quint64 rest = size % 60;
    // The two largest units that apply, a zero second one left out.
    QStringList parts;
    if (days > 0) {
        parts << (days == 1 ? QStringLiteral("1 día") : QStringLiteral("%1 días").arg(days));
        if (hours > 0)
            parts << QStringLiteral("%1 h").arg(hours);
    } else if (hours > 0) {
        parts << QStringLiteral("%1 h").arg(hours);
        if (minutes > 0)
            parts << QStringLiteral("%1 min").arg(minutes);
    } else if (minutes > 0) {
        parts << QStringLiteral("%1 min").arg(minutes);
        if (rest > 0)
            parts << QStringLiteral("%1 s").arg(rest);
    } else {
        parts << QStringLiteral("%1 s").arg(rest);
    }
    return parts.join(QLatin1Char(' '));
}

QString clockOffsetText(qint64 seconds)
{
    if (seconds == 0)
        return QStringLiteral("el reloj del logger iba en hora");
    // The magnitude as unsigned, so that the most negative offset has one too.
    const quint64 size = seconds < 0 ? 0 - quint64(seconds) : quint64(seconds);
    return QStringLiteral("el reloj del logger iba %1 %2")
        .arg(durationText(size),
             seconds > 0 ? QStringLiteral("adelantado") : QStringLiteral("atrasado"));
}
