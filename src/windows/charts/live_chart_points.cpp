#include "windows/charts/live_chart_points.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr qint64 minuteMs = 60'000;
constexpr qint64 hourMs = 60 * minuteMs;

/// The frames of one pixel column within one unbroken stretch, by their index in the span.
struct Column
{
    qint64 column = 0;
    qsizetype first = 0;
    qsizetype lowest = 0;
    qsizetype highest = 0;
    qsizetype last = 0;
    double lowestValue = 0.0;
    double highestValue = 0.0;
};

} // namespace

const QList<LiveChartSpan> &liveChartSpans()
{
    static const QList<LiveChartSpan> spans {
        {QStringLiteral("10 minutos"), 10 * minuteMs},
        {QStringLiteral("1 hora"), hourMs},
        {QStringLiteral("6 horas"), 6 * hourMs},
        {QStringLiteral("24 horas"), 24 * hourMs},
    };
    return spans;
}

LiveTimeRange liveTimeRange(qint64 newestMs, qint64 spanMs)
{
    return {double(newestMs - spanMs) / 1000.0, double(newestMs) / 1000.0};
}

QString liveTickFormat(qint64 spanMs)
{
    if (spanMs <= 10 * minuteMs)
        return QStringLiteral("HH:mm:ss");
    if (spanMs <= hourMs)
        return QStringLiteral("HH:mm");
    return QStringLiteral("HH:mm\nd MMM");
}

qint64 liveChartColumn(double key, LiveTimeRange range, int columns)
{
    // The range's length to the millisecond, so that a span gives the same columns whatever
    // the rounding of its ends.
    const double length = std::max(std::round((range.upper - range.lower) * 1000.0), 1.0) / 1000.0;
    const double step = length / std::max(columns, 1);
    return qint64(std::floor(key / step));
}

LivePoints liveChartPoints(const LiveSpan &span, int channel, LiveTimeRange range, int columns)
{
    LivePoints points;
    if (span.isEmpty())
        return points;
    const auto columnOf = [&](qint64 pcTime) {
        return liveChartColumn(double(pcTime) / 1000.0, range, columns);
    };
    const auto add = [&points](double key, double value) {
        points.keys.append(key);
        points.values.append(value);
    };
    const auto flush = [&](const Column &column) {
        std::array<qsizetype, 4> kept {column.first, column.lowest, column.highest, column.last};
        std::sort(kept.begin(), kept.end());
        const auto end = std::unique(kept.begin(), kept.end());
        for (auto index = kept.begin(); index != end; ++index) {
            const LiveFrame &frame = span[*index];
            add(double(frame.pcTime) / 1000.0, frame.shownValue(channel));
        }
    };

    Column current;
    bool open = false;
    for (qsizetype index = 0; index < span.size(); ++index) {
        const LiveFrame &frame = span[index];
        const double value = frame.shownValue(channel);
        if (span.breaksBefore(index)) {
            flush(current);
            open = false;
            const qint64 before = span[index - 1].pcTime;
            add(double(before + frame.pcTime) / 2000.0, std::numeric_limits<double>::quiet_NaN());
        }
        const qint64 column = columnOf(frame.pcTime);
        if (open && column != current.column) {
            flush(current);
            open = false;
        }
        if (!open) {
            current = {column, index, index, index, index, value, value};
            open = true;
        } else {
            current.last = index;
            if (value < current.lowestValue) {
                current.lowest = index;
                current.lowestValue = value;
            }
            if (value > current.highestValue) {
                current.highest = index;
                current.highestValue = value;
            }
        }
        if (!points.extent)
            points.extent = ValueExtent {value, value};
        points.extent->lowest = std::min(points.extent->lowest, value);
        points.extent->highest = std::max(points.extent->highest, value);
    }
    flush(current);
    return points;
}
