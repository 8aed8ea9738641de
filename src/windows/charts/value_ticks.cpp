#include "windows/charts/value_ticks.h"

#include <algorithm>
#include <cmath>

namespace ValueTicks {

int maxCount(int axisPixels, int spacing)
{
    return std::max(2, axisPixels / std::max(1, spacing) + 1);
}

double step(double span, int axisPixels, int spacing, double unit)
{
    if (!(span > 0) || !std::isfinite(span))
        return unit > 0 ? unit : 1.0;
    // n labels hold n - 1 steps, and a span of k steps carries k + 1 labels at most.
    const double least = span / std::max(1, maxCount(axisPixels, spacing) - 1);
    const double one = unit > 0 ? unit : 1.0;
    const double lowestPower = std::floor(std::log10(least / one));
    double decade = std::pow(10.0, unit > 0 ? std::max(0.0, lowestPower) : lowestPower);
    for (;;) {
        for (const double mantissa : {1.0, 2.0, 5.0}) {
            const double candidate = one * mantissa * decade;
            if (candidate >= least * (1.0 - 1e-9))
                return candidate;
        }
        decade *= 10.0;
    }
}

} // namespace ValueTicks
