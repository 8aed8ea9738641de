#include "windows/archived_range_cells.h"

#include "data/download_table.h"

#include <QDate>

#include <iterator>

namespace {

constexpr qint64 secondsPerDay = 86400;
/// The Julian day of 1970-01-01, the day of t = 0.
constexpr qint64 epochJulianDay = 2440588;

/// Writes `value` (0 to 10^digits − 1) as `digits` decimal digits with leading zeros.
QChar *putDigits(QChar *out, int value, int digits)
{
    for (int k = digits - 1; k >= 0; --k, value /= 10)
        out[k] = QChar(u'0' + value % 10);
    return out + digits;
}

/// The day of `t`, counted from 1970-01-01.
qint64 dayOf(qint64 t)
{
    return t >= 0 ? t / secondsPerDay : (t - secondsPerDay + 1) / secondsPerDay;
}

/// sampleDateText of `t`, written digit by digit: a screenful asks for few, but "GUARDAR", the
/// CSV, the chart and the daily summary of ten years ask for every one.
QString dateText(qint64 t)
{
    const qint64 days = dayOf(t);
    int year = 0;
    int month = 0;
    int day = 0;
    QDate::fromJulianDay(days + epochJulianDay).getDate(&year, &month, &day);
    if (year < 1000 || year > 9999)
        return sampleDateText(t);
    QString text(10, Qt::Uninitialized);
    QChar *out = putDigits(text.data(), day, 2);
    *out++ = u'/';
    out = putDigits(out, month, 2);
    *out++ = u'/';
    putDigits(out, year, 4);
    return text;
}

/// sampleTimeText of `t`, written digit by digit.
QString timeText(qint64 t)
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

/// archivedValueText of `value`, written digit by digit into one text: tenths with a decimal
/// comma for the first three channels, the whole number for the fourth.
QString valueText(int value, int channel)
{
    if (channel == 3)
        return QString::number(value);
    char16_t digits[24];
    char16_t *end = std::end(digits);
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

} // namespace

ArchivedRangeCells::ArchivedRangeCells(std::vector<ArchivedSample> samples)
    : m_samples(std::move(samples))
{ }

QString ArchivedRangeCells::cell(int column, int row) const
{
    if (column < 0 || column >= DownloadTable::columnCount || row < 0 || row >= rowCount())
        return {};
    if (row == 0)
        return DownloadTable::headings()[std::size_t(column)];
    const ArchivedSample &sample = m_samples[std::size_t(row - 1)];
    switch (column) {
    case 0:
        return QString::number(row);
    case 1:
        // Readers of every row ask for the same day's text many times running.
        if (!m_lastDay || *m_lastDay != dayOf(sample.t)) {
            m_lastDay = dayOf(sample.t);
            m_lastDateText = dateText(sample.t);
        }
        return m_lastDateText;
    case 2:
        return timeText(sample.t);
    default:
        return valueText(sample.values[std::size_t(column - 3)], column - 3);
    }
}
