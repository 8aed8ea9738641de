#include "archive/sample_csv.h"

#include "data/csv_export.h"

#include <cstdlib>

namespace SampleCsv {
namespace {

constexpr qint64 secondsPerDay = 86400;
/// t of 10000-01-01 00:00:00: from there on a year has more than the four digits of the
/// timestamp, and before 1970 the grid's date is left to QDate.
constexpr qint64 firstFiveDigitYear = 253'402'300'800;

/// Writes `value` as two digits.
char *twoDigits(char *out, qint64 value)
{
    out[0] = char('0' + value / 10);
    out[1] = char('0' + value % 10);
    return out + 2;
}

/// "yyyy-mm-ddThh:mm:ss" of `t` from 1970 to 9999.
char *timestamp(char *out, qint64 t)
{
    const qint64 second = t % secondsPerDay;
    int year = 0;
    int month = 0;
    int day = 0;
    sampleDay(t).getDate(&year, &month, &day);
    out = twoDigits(out, year / 100);
    out = twoDigits(out, year % 100);
    *out++ = '-';
    out = twoDigits(out, month);
    *out++ = '-';
    out = twoDigits(out, day);
    *out++ = 'T';
    out = twoDigits(out, second / 3600);
    *out++ = ':';
    out = twoDigits(out, second / 60 % 60);
    *out++ = ':';
    return twoDigits(out, second % 60);
}

/// Writes `value` in decimal digits, a minus first when it is negative.
char *decimal(char *out, qint64 value)
{
    if (value < 0) {
        *out++ = '-';
        value = -value;
    }
    char reversed[20];
    int count = 0;
    do {
        reversed[count++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (count > 0)
        *out++ = reversed[--count];
    return out;
}

/// A value of channel 1 to 3 in tenths with a decimal point, "-0.5" for -5.
char *tenths(char *out, int value)
{
    const qint64 magnitude = std::llabs(qint64(value));
    if (value < 0)
        *out++ = '-';
    out = decimal(out, magnitude / 10);
    *out++ = '.';
    *out++ = char('0' + magnitude % 10);
    return out;
}

} // namespace

void appendRecord(QByteArray &text, const ArchivedSample &sample)
{
    // The longest record: a 19-character timestamp and four values of an int's 11 characters
    // at most, a point, a tenth, the commas and the line end.
    char record[96];
    char *out = record;
    if (sample.t >= 0 && sample.t < firstFiveDigitYear) {
        out = timestamp(out, sample.t);
    } else {
        const QByteArray stamp =
            CsvExport::isoTimestamp(sampleDateText(sample.t), sampleTimeText(sample.t)).toUtf8();
        text.append(stamp);
    }
    for (int channel = 0; channel < 3; ++channel) {
        *out++ = ',';
        out = tenths(out, sample.values[std::size_t(channel)]);
    }
    *out++ = ',';
    out = decimal(out, sample.values[3]);
    *out++ = '\r';
    *out++ = '\n';
    text.append(record, out - record);
}

} // namespace SampleCsv
