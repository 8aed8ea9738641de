#pragma once

#include <QString>

#include <array>
#include <optional>

/// The years the logger's clock holds: its two-digit year yy is the year 2000 + yy.
inline constexpr int firstLoggerYear = 2000;
inline constexpr int lastLoggerYear = 2099;

/// A sample row as a file brings it: its date and time as numbers, the year in full, and its
/// four values as the grid writes them (decimal comma).
struct FileSampleRow
{
    /// False for a row without a date and time, as the CSV of a grid may hold: only its values
    /// are then checked.
    bool dated = true;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::array<QString, 4> values;
};

/// The row of the grid's texts: a date "dd/mm/yyyy", a time "hh:mm:ss" and four values; none
/// when the date or the time is not of that shape.
[[nodiscard]] std::optional<FileSampleRow> fileSampleRow(const QString &date, const QString &time,
                                                         const std::array<QString, 4> &values);

/// A field of a sample row: its date and time, or one of the four channels.
enum class RowField { Moment, Channel1, Channel2, Channel3, Channel4 };

/// The first field of `row` that the logger cannot have given, none when it can give all of
/// it. The moment must be one the logger's clock holds: a year firstLoggerYear to
/// lastLoggerYear, a day within its month, a time of day. A value must be a text that
/// its channel's conversion and the grid's format give for a 12-bit reading (0 to 4095):
/// -50,0 to 359,5 ºC, 0,0 to 100,0 % and a PAR of 0 to 4095, without "-0,0" or leading zeros.
/// The one rule for every file the program reads back, saved file or CSV.
[[nodiscard]] std::optional<RowField> fieldNotFromLogger(const FileSampleRow &row);
