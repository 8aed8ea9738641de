#include "data/sample_timestamps.h"

#include "link/logger_clock_text.h"

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
    return loggerDateText(time.day, time.month, time.year);
}

QString timeText(const LoggerTime &time)
{
    return loggerTimeText(time.hour, time.minute, time.second);
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
