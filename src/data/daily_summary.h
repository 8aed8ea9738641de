#pragma once

#include <QDate>
#include <QList>
#include <QStringList>

#include <array>
#include <vector>

/// One sample as the daily summary takes it: its calendar day and its four channel values, as
/// the grid shows them (one decimal for channels 1 to 3, none for channel 4).
struct SummarySample
{
    QDate day;
    std::array<double, 4> values {};
};

/// The smallest, mean and largest value of one channel over a day.
struct ChannelStats
{
    double minimum = 0;
    /// Summed exactly, then rounded once to one decimal more than the grid, halves away from
    /// zero.
    double mean = 0;
    double maximum = 0;
};

/// One calendar day of a recording.
struct DaySummary
{
    QDate day;
    int samples = 0;
    std::array<ChannelStats, 4> channels {};
    /// Channel 4 (PAR in µmol m⁻² s⁻¹) integrated over the day, in mol m⁻² d⁻¹: each sample
    /// stands for one step of time.
    double parIntegral = 0;
    /// The day holds as many samples as a whole day at the rate has.
    bool complete = false;
};

/// One summary per calendar day that has samples, in the order the days first appear.
[[nodiscard]] std::vector<DaySummary> dailySummary(const std::vector<SummarySample> &samples,
                                                   int stepMinutes);

/// The summary as a table, heading row first. For the screen and the clipboard: Spanish
/// headings, dates day first, decimal commas; for CSV: plain column names, ISO dates, decimal
/// points. Minimum and maximum keep the grid's decimals (one, none for channel 4), the mean
/// has one more, the PAR integral three.
enum class SummaryTableStyle { Screen, Csv };
[[nodiscard]] QList<QStringList> summaryTable(const std::vector<DaySummary> &days,
                                              SummaryTableStyle style);
