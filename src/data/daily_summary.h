#pragma once

#include "data/record_coverage.h"

#include <QDate>
#include <QList>
#include <QStringList>

#include <array>
#include <vector>

/// One sample as the daily summary takes it: its calendar day, its four channel values, as
/// the grid shows them (one decimal for channels 1 to 3, none for channel 4), and the minutes
/// between samples of the recording it came from.
struct SummarySample
{
    QDate day;
    std::array<double, 4> values {};
    int stepMinutes = 0;
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
    /// stands for its own step of time.
    double parIntegral = 0;
    /// The day holds as many samples as a whole day at the rates it was recorded at has: each
    /// sample counts for its share of a whole day at its step.
    bool complete = false;
};

/// One summary per calendar day that has samples, in the order the days first appear; each
/// sample counts for its own step.
[[nodiscard]] std::vector<DaySummary> dailySummary(const std::vector<SummarySample> &samples);
/// The same for samples all taken `stepMinutes` apart.
[[nodiscard]] std::vector<DaySummary> dailySummary(std::vector<SummarySample> samples,
                                                   int stepMinutes);

/// The step in minutes of each of a record's samples, in time order, for the summary.
struct SummarySteps
{
    std::vector<int> minutes;
    /// Samples of unknown step, given the nearest known one (before them, else after).
    qint64 assumed = 0;
};
/// The steps of `times` (as a record's coverage reads them); empty when no step is known at all.
[[nodiscard]] SummarySteps summarySteps(const std::vector<TimedStep> &times);
/// What the summary assumed, for its window's title: " (3 muestras de tasa desconocida…)", or
/// empty when every step was known.
[[nodiscard]] QString assumedStepsText(const SummarySteps &steps);

/// The summary as a table, heading row first. For the screen and the clipboard: Spanish
/// headings, dates day first, decimal commas; for CSV: plain column names, ISO dates, decimal
/// points. Minimum and maximum keep the grid's decimals (one, none for channel 4), the mean
/// has one more, the PAR integral three.
enum class SummaryTableStyle { Screen, Csv };
[[nodiscard]] QList<QStringList> summaryTable(const std::vector<DaySummary> &days,
                                              SummaryTableStyle style);
