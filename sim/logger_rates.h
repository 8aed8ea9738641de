#pragma once

/// The logger's sample rates in minutes and the rate codes it reports for them (4, 5, 6).
namespace LoggerRates {

[[nodiscard]] constexpr bool isRate(int minutes)
{
    return minutes == 15 || minutes == 30 || minutes == 60;
}

/// The rate code of a rate: 15 → 4, 30 → 5, 60 → 6; 0 for anything else.
[[nodiscard]] constexpr int codeForMinutes(int minutes)
{
    switch (minutes) {
    case 15:
        return 4;
    case 30:
        return 5;
    case 60:
        return 6;
    default:
        return 0;
    }
}

/// The rate that a rate command sets: "5" → 15, "6" → 30, "7" → 60; 0 for anything else.
[[nodiscard]] constexpr int minutesForCommand(char command)
{
    switch (command) {
    case '5':
        return 15;
    case '6':
        return 30;
    case '7':
        return 60;
    default:
        return 0;
    }
}

} // namespace LoggerRates
