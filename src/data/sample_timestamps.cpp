#include "data/sample_timestamps.h"

namespace {

/// Two decimal digits of value (0–99) at out.
void putTwoDigits(QChar *out, int value)
{
    out[0] = QLatin1Char(char('0' + value / 10 % 10));
    out[1] = QLatin1Char(char('0' + value % 10));
}

QString twoDigitsOrMore(int value)
{
    return value < 10 ? QLatin1Char('0') + QString::number(value) : QString::number(value);
}

} // namespace

int VERIFICAR(int month, int year)
{
    switch (month) {
    case 2:
        return year % 4 == 0 ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    default:
        return 31;
    }
}

QString dateText(const LoggerTime &time)
{
    if (time.day > 99 || time.month > 99 || time.year > 99 || time.day < 0 || time.month < 0
        || time.year < 0) {
        return twoDigitsOrMore(time.day) + QLatin1Char('/') + twoDigitsOrMore(time.month)
            + QStringLiteral("/20") + twoDigitsOrMore(time.year);
    }
    QString text(10, Qt::Uninitialized);
    QChar *out = text.data();
    putTwoDigits(out, time.day);
    out[2] = QLatin1Char('/');
    putTwoDigits(out + 3, time.month);
    out[5] = QLatin1Char('/');
    out[6] = QLatin1Char('2');
    out[7] = QLatin1Char('0');
    putTwoDigits(out + 8, time.year);
    return text;
}

QString timeText(const LoggerTime &time)
{
    if (time.hour > 99 || time.minute > 99 || time.second > 99 || time.hour < 0 || time.minute < 0
        || time.second < 0) {
        return twoDigitsOrMore(time.hour) + QLatin1Char(':') + twoDigitsOrMore(time.minute)
            + QLatin1Char(':') + twoDigitsOrMore(time.second);
    }
    QString text(8, Qt::Uninitialized);
    QChar *out = text.data();
    putTwoDigits(out, time.hour);
    out[2] = QLatin1Char(':');
    putTwoDigits(out + 3, time.minute);
    out[5] = QLatin1Char(':');
    putTwoDigits(out + 6, time.second);
    return text;
}

std::vector<LoggerTime> timestampPass(const LoggerTime &start, int stepMinutes, int rows)
{
    std::vector<LoggerTime> stamps;
    if (rows <= 0)
        return stamps;
    stamps.reserve(std::size_t(rows));
    LoggerTime running = start;
    // Counting starts one step early, so that the first row carries the start itself.
    running.minute -= stepMinutes;
    for (int k = 1; k <= rows; ++k) {
        running.minute += stepMinutes;
        if (running.minute >= 60) {
            running.minute -= 60;
            ++running.hour;
        }
        if (running.hour == 24) {
            running.hour = 0;
            ++running.day;
        }
        if (running.day == VERIFICAR(running.month, running.year) + 1) {
            running.day = 1;
            ++running.month;
        }
        if (running.month == 13) {
            running.month = 1;
            ++running.year;
        }
        stamps.push_back(running);
    }
    return stamps;
}
