#pragma once

#include "link/live_frames.h"
#include "windows/charts/chart_description.h"

#include <QList>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <optional>

/// A stretch of time the live chart can show, with its name in the window.
struct LiveChartSpan
{
    QString label;
    qint64 durationMs = 0;
};

/// The spans to choose from, shortest first: 10 minutes, 1 hour, 6 hours, 24 hours.
[[nodiscard]] const QList<LiveChartSpan> &liveChartSpans();

/// A range of the time axis in seconds since the epoch, as the chart's date-time keys count.
struct LiveTimeRange
{
    double lower = 0.0;
    double upper = 0.0;
};

/// The time axis for a span whose newest moment (PC time, UTC ms) stands at the right edge.
[[nodiscard]] LiveTimeRange liveTimeRange(qint64 newestMs, qint64 spanMs);

/// The pattern of the time axis's labels for a span: seconds for a few minutes, the day under
/// the hour once a span may cross midnight.
[[nodiscard]] QString liveTickFormat(qint64 spanMs);

/// One channel's line over a span, ready for the chart: keys in seconds since the epoch, and a
/// NaN value at every break, so that no line is drawn across a gap.
struct LivePoints
{
    QVector<double> keys;
    QVector<double> values;
    /// The lowest and highest value drawn; none for an empty span.
    std::optional<ValueExtent> extent;
};

/// The column of a key (seconds since the epoch) when `columns` columns span `range`. Columns
/// are counted from the epoch, not from the range's start, so that a frame keeps its column
/// while the range moves on with the newest frame.
[[nodiscard]] qint64 liveChartColumn(double key, LiveTimeRange range, int columns);

/// The points of `channel` (1 … 4) in `span`, thinned to what `columns` pixel columns across
/// `range` can show: per column (see liveChartColumn) and unbroken stretch, its first, lowest,
/// highest and last frame in time order. A single frame that stands out is never lost, however
/// many share its column.
[[nodiscard]] LivePoints liveChartPoints(const LiveSpan &span, int channel, LiveTimeRange range,
                                         int columns);
