#include "link/logger_clock_text.h"

namespace {

/// Two decimal digits of value (0–99) at out.
void putTwoDigits(QChar *out, int value)
{
    out[0] = QLatin1Char(char('0' + value / 10 % 10));
    out[1] = QLatin1Char(char('0' + value % 10));
}

/// Values outside 0–99 are written in full, so that nothing is silently cut.
QString twoDigitsOrMore(int value)
{
    return value < 10 ? QLatin1Char('0') + QString::number(value) : QString::number(value);
}

} // namespace

QString loggerDateText(int day, int month, int year)
{
    if (day > 99 || month > 99 || year > 99 || day < 0 || month < 0 || year < 0) {
        return twoDigitsOrMore(day) + QLatin1Char('/') + twoDigitsOrMore(month)
            + QStringLiteral("/20") + twoDigitsOrMore(year);
    }
    QString text(10, Qt::Uninitialized);
    QChar *out = text.data();
    putTwoDigits(out, day);
    out[2] = QLatin1Char('/');
    putTwoDigits(out + 3, month);
    out[5] = QLatin1Char('/');
    out[6] = QLatin1Char('2');
    out[7] = QLatin1Char('0');
    putTwoDigits(out + 8, year);
    return text;
}

QString loggerTimeText(int hour, int minute, int second)
{
    if (hour > 99 || minute > 99 || second > 99 || hour < 0 || minute < 0 || second < 0) {
        return twoDigitsOrMore(hour) + QLatin1Char(':') + twoDigitsOrMore(minute) + QLatin1Char(':')
            + twoDigitsOrMore(second);
    }
    QString text(8, Qt::Uninitialized);
    QChar *out = text.data();
    putTwoDigits(out, hour);
    out[2] = QLatin1Char(':');
    putTwoDigits(out + 3, minute);
    out[5] = QLatin1Char(':');
    putTwoDigits(out + 6, second);
    return text;
}
