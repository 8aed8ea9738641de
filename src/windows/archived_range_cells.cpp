#include "windows/archived_range_cells.h"

#include "data/download_table.h"

#include <QDate>

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

/// sampleDateText of `t`, written digit by digit: a screenful asks for few, but "GUARDAR", the
/// CSV, the chart and the daily summary of ten years ask for every one.
QString dateText(qint64 t)
{
    const qint64 days = t >= 0 ? t / secondsPerDay : (t - secondsPerDay + 1) / secondsPerDay;
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

/// archivedValueText of `value`, written digit by digit: tenths with a decimal comma for the
/// first three channels, the whole number for the fourth.
QString valueText(int value, int channel)
{
    if (channel == 3)
        return QString::number(value);
    const qint64 magnitude = value < 0 ? -qint64(value) : value;
    QString text = QString::number(magnitude / 10);
    if (value < 0)
        text.prepend(u'-');
    text += u',';
    text += QChar(u'0' + int(magnitude % 10));
    return text;
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
        return dateText(sample.t);
    case 2:
        return timeText(sample.t);
    default:
        return valueText(sample.values[std::size_t(column - 3)], column - 3);
    }
}
