#pragma once

#include "data/record_coverage.h"

#include <QtGlobal>

#include <optional>
#include <vector>

/// Samples of one download in a station's record that follow one another at one spacing: the
/// times first, first + spacing, … A station's times are kept as such runs beside its samples,
/// so that its coverage reads a row per run (about one per download) instead of every sample.
struct SampleRun
{
    qint64 first = 0;
    /// Seconds between the samples; 0 for a run of one.
    qint64 spacing = 0;
    qint64 samples = 0;
    [[nodiscard]] qint64 last() const { return first + spacing * (samples - 1); }
    friend bool operator==(const SampleRun &, const SampleRun &) = default;
};

/// The runs of `times` (ascending, each once): each run goes on for as long as the spacing of
/// its first two samples holds.
[[nodiscard]] std::vector<SampleRun> runsOf(const std::vector<qint64> &times);

/// Appends each time of `run` from `from` to `to` (both included) with `stepMinutes`.
void appendTimes(std::vector<TimedStep> &times, const SampleRun &run,
                 std::optional<int> stepMinutes, qint64 from, qint64 to);

/// How many times of `run` lie from `from` to `to` (both included).
[[nodiscard]] qint64 countWithin(const SampleRun &run, qint64 from, qint64 to);
