#include "windows/charts/live_chart_repaint.h"

#include <algorithm>
#include <cmath>

namespace {

/// The part of a series' points within one column, as drawn: where the line enters it and how
/// far it reaches up and down. Unset for a column without points or with a break in it.
struct ColumnLook
{
    double first = 0.0;
    double lowest = 0.0;
    double highest = 0.0;
};

bool sameValue(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

/// The index of the first point at or after column `column`.
qsizetype firstIn(const LivePoints &points, qint64 column, const LiveChartPicture &picture)
{
    const auto at = std::find_if(points.keys.cbegin(), points.keys.cend(), [&](double key) {
        return liveChartColumn(key, picture.range, picture.columns) >= column;
    });
    return qsizetype(at - points.keys.cbegin());
}

/// The look of the points from `from` on, all in one column and unbroken; none otherwise.
std::optional<ColumnLook> lookFrom(const LivePoints &points, qsizetype from)
{
    if (from >= points.values.size())
        return std::nullopt;
    ColumnLook look {points.values[from], points.values[from], points.values[from]};
    for (qsizetype i = from; i < points.values.size(); ++i) {
        const double value = points.values[i];
        if (std::isnan(value))
            return std::nullopt;
        look.lowest = std::min(look.lowest, value);
        look.highest = std::max(look.highest, value);
    }
    return look;
}

bool seriesLooksTheSame(const LivePoints &drawn, const LivePoints &next,
                        const LiveChartPicture &picture)
{
    if (drawn.keys.isEmpty() || next.keys.isEmpty())
        return drawn.keys.isEmpty() && next.keys.isEmpty();
    const qint64 newest = liveChartColumn(next.keys.constLast(), picture.range, picture.columns);
    if (liveChartColumn(drawn.keys.constLast(), picture.range, picture.columns) != newest)
        return false;
    const qint64 leftEdge = liveChartColumn(picture.range.lower, picture.range, picture.columns);
    const qsizetype drawnStart = firstIn(drawn, leftEdge + 1, picture);
    const qsizetype nextStart = firstIn(next, leftEdge + 1, picture);
    const qsizetype drawnNewest = firstIn(drawn, newest, picture);
    const qsizetype nextNewest = firstIn(next, newest, picture);
    // The whole columns between the edges: point for point the same.
    if (drawnNewest - drawnStart != nextNewest - nextStart)
        return false;
    for (qsizetype i = 0; i < nextNewest - nextStart; ++i) {
        if (drawn.keys[drawnStart + i] != next.keys[nextStart + i]
            || !sameValue(drawn.values[drawnStart + i], next.values[nextStart + i]))
            return false;
    }
    const std::optional<ColumnLook> was = lookFrom(drawn, drawnNewest);
    const std::optional<ColumnLook> is = lookFrom(next, nextNewest);
    return was && is && was->first == is->first && was->lowest == is->lowest
        && was->highest == is->highest;
}

} // namespace

LiveChartPicture liveChartPicture(const LiveSpan &span, const QList<int> &channels,
                                  LiveTimeRange range, int columns)
{
    LiveChartPicture picture {range, columns, {}, std::nullopt};
    for (const int channel : channels) {
        LivePoints points = liveChartPoints(span, channel, range, columns);
        if (points.extent) {
            if (!picture.values)
                picture.values = points.extent;
            picture.values->lowest = std::min(picture.values->lowest, points.extent->lowest);
            picture.values->highest = std::max(picture.values->highest, points.extent->highest);
        }
        picture.series.append(std::move(points));
    }
    return picture;
}

bool liveChartLooksTheSame(const LiveChartPicture &drawn, const LiveChartPicture &next)
{
    const auto sameValues = [](const std::optional<ValueExtent> &a,
                               const std::optional<ValueExtent> &b) {
        return a.has_value() == b.has_value()
            && (!a || (a->lowest == b->lowest && a->highest == b->highest));
    };
    const auto lengthMs = [](const LiveTimeRange &range) {
        return std::llround((range.upper - range.lower) * 1000.0);
    };
    if (drawn.columns != next.columns || lengthMs(drawn.range) != lengthMs(next.range)
        || drawn.series.size() != next.series.size() || !sameValues(drawn.values, next.values))
        return false;
    // A new column of frames moves the axis on by about one; without frames (the axis then ends
    // at the present time) it may move on alone.
    const double column = double(lengthMs(next.range)) / 1000.0 / std::max(next.columns, 1);
    if (std::abs(next.range.upper - drawn.range.upper) >= 2 * column)
        return false;
    for (qsizetype i = 0; i < next.series.size(); ++i) {
        if (!seriesLooksTheSame(drawn.series[i], next.series[i], next))
            return false;
    }
    return true;
}
