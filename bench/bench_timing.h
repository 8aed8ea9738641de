#pragma once

// Timing helpers shared by the benchmarks.

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

namespace BenchTiming {

/// Milliseconds since `timer` started, with its nanoseconds.
inline double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

/// The middle value (the upper middle of an even count); 0 for none.
inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace BenchTiming
