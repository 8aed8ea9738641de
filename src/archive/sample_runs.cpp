#include "archive/sample_runs.h"

#include <algorithm>

std::vector<SampleRun> runsOf(const std::vector<qint64> &times)
{
    std::vector<SampleRun> runs;
    for (const qint64 t : times) {
        if (!runs.empty()) {
            SampleRun &run = runs.back();
            if (run.samples == 1) {
                run.spacing = t - run.first;
                run.samples = 2;
                continue;
            }
            if (t - run.last() == run.spacing) {
                ++run.samples;
                continue;
            }
        }
        runs.push_back({t, 0, 1});
    }
    return runs;
}

namespace {

/// The indices of the samples of `run` from `from` to `to` (both included); none when the
/// second is below the first.
std::pair<qint64, qint64> indicesWithin(const SampleRun &run, qint64 from, qint64 to)
{
    if (run.samples <= 0 || run.last() < from || run.first > to)
        return {0, -1};
    qint64 firstIndex = 0;
    qint64 lastIndex = run.samples - 1;
    if (run.spacing > 0) {
        // The first index at or after `from`, the last at or before `to`.
        if (from > run.first)
            firstIndex = (from - run.first + run.spacing - 1) / run.spacing;
        if (to < run.last())
            lastIndex = (to - run.first) / run.spacing;
    }
    return {firstIndex, lastIndex};
}

} // namespace

void appendTimes(std::vector<TimedStep> &times, const SampleRun &run,
                 std::optional<int> stepMinutes, qint64 from, qint64 to)
{
    const auto [firstIndex, lastIndex] = indicesWithin(run, from, to);
    for (qint64 i = firstIndex; i <= lastIndex; ++i)
        times.push_back({run.first + i * run.spacing, stepMinutes});
}

qint64 countWithin(const SampleRun &run, qint64 from, qint64 to)
{
    const auto [firstIndex, lastIndex] = indicesWithin(run, from, to);
    return std::max<qint64>(0, lastIndex - firstIndex + 1);
}
