#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include <optional>

/// How an axis chooses its range when the user has not zoomed or panned.
enum class AxisScale {
    Automatic, ///< from the smallest to the largest value shown
    Fixed, ///< from minimum to maximum, whatever the values
    FixedMinimum, ///< from minimum to the largest value shown
};

/// One axis of a chart: title, scale, ticks and labels.
struct AxisDescription
{
    QString title;
    AxisScale scale = AxisScale::Automatic;
    double minimum = 0.0;
    double maximum = 0.0;
    /// The smallest step between ticks; larger steps are whole multiples of it. 0: any step.
    double tickStep = 0.0;
    /// Picture pattern of the tick labels (as formatFloat reads it); empty: general format.
    QString labelPattern;
    /// Share of the plot's extent, from its low end, at which an automatic scale puts the
    /// smallest and the largest value.
    double startShare = 0.0;
    double endShare = 1.0;
};

/// One line series: its name, colour and point markers.
struct SeriesDescription
{
    QString name;
    QColor colour;
    /// Half the side of the square point markers in pixels; 0 hides them.
    int pointHalfSize = 0;
    /// The mouse cursor turns into the diagonal sizing cursor over a point of the series.
    bool sizingCursorOverPoints = false;
    /// What the point readout calls the series, the unit of its values and their decimals.
    QString readoutName;
    QString unit;
    int decimals = 1;
};

/// Everything that makes one chart of the chart window look as it does; the three charts differ
/// only in their description and their data.
struct ChartDescription
{
    QString name;
    QString title;
    AxisDescription bottomAxis;
    AxisDescription leftAxis;
    QList<SeriesDescription> series;
    /// Vertical background gradient from top to bottom.
    QColor backgroundTop;
    QColor backgroundBottom;
    /// Colour of the panel border between the outer and the inner bevel.
    QColor panelColour;
    /// A one-pixel black line around the whole chart.
    bool singleLineBorder = false;
    bool showTopAndRightAxes = true;
};

/// The lowest and highest value of the data shown against one axis.
struct ValueExtent
{
    double lowest = 0.0;
    double highest = 0.0;
};

/// An axis range.
struct AxisRange
{
    double lower = 0.0;
    double upper = 0.0;

    friend bool operator==(const AxisRange &, const AxisRange &) = default;
};

/// The range an axis takes unzoomed, for the data shown (none when the chart is empty). A range
/// that would have no width is widened around its value, so that a single point or a constant
/// series still has a place on the plot.
[[nodiscard]] AxisRange unzoomedRange(const AxisDescription &axis,
                                      const std::optional<ValueExtent> &data);

/// `range` widened where needed so that `data` lies at least `share` of the range's span inside
/// both ends, off the axis lines; `range` itself without data.
[[nodiscard]] AxisRange withRoomAround(const AxisRange &range,
                                       const std::optional<ValueExtent> &data, double share);

/// The three charts of the chart window.
namespace ChartDescriptions {

/// Chart1: air and soil temperature (channels 1 and 2, and the two series never filled).
[[nodiscard]] ChartDescription temperature();
/// Chart2: relative humidity (channel 3).
[[nodiscard]] ChartDescription humidity();
/// Chart3: photosynthetically active radiation (channel 4).
[[nodiscard]] ChartDescription par();

} // namespace ChartDescriptions
