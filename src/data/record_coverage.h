#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

/// One sample's time in a station's record and the step of the recording it came from.
struct TimedStep
{
    /// Seconds since 1970 of the logger's wall-clock time, counted as if it were UTC.
    qint64 t = 0;
    /// The minutes between samples of the download that brought it; none when not known.
    std::optional<int> stepMinutes;
};

/// A stretch of the record without gaps: from its first to its last sample.
struct CoveredPeriod
{
    qint64 first = 0;
    qint64 last = 0;
    qint64 samples = 0;
    friend bool operator==(const CoveredPeriod &, const CoveredPeriod &) = default;
};

/// Where samples are missing: between the last sample before and the first one after, further
/// apart than the step of either allows.
struct RecordGap
{
    qint64 lastBefore = 0;
    qint64 firstAfter = 0;
    /// Seconds from the last sample before to the first one after.
    [[nodiscard]] qint64 length() const { return firstAfter - lastBefore; }
    friend bool operator==(const RecordGap &, const RecordGap &) = default;
};

/// The covered periods of a record (or a range of it), the gaps between them and the steps
/// it was recorded at.
struct RecordCoverage
{
    std::vector<CoveredPeriod> periods;
    /// gaps[i] lies between periods[i] and periods[i + 1].
    std::vector<RecordGap> gaps;
    /// The distinct known steps in minutes, smallest first.
    std::vector<int> stepsMinutes;
    /// Each sample's time and step, in time order, where the record was read with them.
    std::vector<TimedStep> times;
    [[nodiscard]] qint64 samples() const;
    /// One period at one known step: the samples follow one another as a single download
    /// of the logger would give them.
    [[nodiscard]] bool isSingleRun() const;
};

/// "cada 15 minutos", or for a record at several rates "cada 15 y 60 minutos"; empty when no
/// rate is known.
[[nodiscard]] QString stepsText(const std::vector<int> &stepsMinutes);

/// Finds the periods and gaps of `times`, in ascending order of t. Two neighbouring samples
/// belong to one period when they are no further apart than the larger of their two steps;
/// a change of rate is no gap. A sample of unknown step takes the step last known before it;
/// while none is known, neighbours are taken as contiguous.
[[nodiscard]] RecordCoverage findCoverage(const std::vector<TimedStep> &times);
