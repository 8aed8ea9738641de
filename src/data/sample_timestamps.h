#pragma once

#include <QString>

#include <vector>

/// A moment as the logger counts it: the year within 2000–2099 as its last two digits.
struct LoggerTime
{
    int year = 0;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const LoggerTime &, const LoggerTime &) = default;
};

/// The length of a month of a two-digit year: February has 29 days in every year divisible
/// by 4 (00 included), which is exact for 2000–2099.
[[nodiscard]] int VERIFICAR(int month, int year);

/// "dd/mm/20yy": day and month with a leading zero below 10, the year as "20" and two digits.
[[nodiscard]] QString dateText(const LoggerTime &time);
/// "hh:mm:ss", each with a leading zero below 10.
[[nodiscard]] QString timeText(const LoggerTime &time);

/// The times of `rows` samples taken `stepMinutes` apart (1 to 60), the first at `start`.
/// The second is the start's throughout, and the calendar rolls over at the end of the hour,
/// the day, the month and the year. A start outside the calendar (a month 13, a minute 60)
/// would never roll over as it should; the header decoding rejects such starts.
[[nodiscard]] std::vector<LoggerTime> timestampPass(const LoggerTime &start, int stepMinutes,
                                                    int rows);
