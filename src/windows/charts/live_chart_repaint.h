#pragma once

#include "link/live_frames.h"
#include "windows/charts/live_chart_points.h"

#include <QList>

#include <optional>

/// What one live chart shows of its frames: the points of each series, thinned for `columns`
/// columns across `range`, and the values they span (the value axis follows them).
struct LiveChartPicture
{
    LiveTimeRange range;
    int columns = 0;
    QList<LivePoints> series;
    std::optional<ValueExtent> values;
};

/// The picture of `span` for the series of `channels` (1 … 4), in order.
[[nodiscard]] LiveChartPicture liveChartPicture(const LiveSpan &span, const QList<int> &channels,
                                                LiveTimeRange range, int columns);

/// Whether `next` draws what `drawn` drew, but for the time axis having moved on by less than a
/// column: the same span, width and values on the value axis; in every series the same points
/// in each whole column on screen; and in the newest column, which frames still join, the same
/// first, lowest and highest value, no new column and no break. The column at the left edge,
/// which frames leave as the time axis moves on, is not compared. An axis that moved on by two
/// columns or more (as an empty chart's does, ending at the present time) draws again.
[[nodiscard]] bool liveChartLooksTheSame(const LiveChartPicture &drawn,
                                         const LiveChartPicture &next);
