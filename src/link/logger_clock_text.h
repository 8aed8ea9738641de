#pragma once

#include <QString>

/// The logger's date and time as the program shows them, alike for status frames and samples.

/// "DD/MM/20YY" from a day, a month and a year within the century.
[[nodiscard]] QString loggerDateText(int day, int month, int year);

/// "hh:mm:ss".
[[nodiscard]] QString loggerTimeText(int hour, int minute, int second);
