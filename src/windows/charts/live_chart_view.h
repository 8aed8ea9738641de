#pragma once

#include "link/live_frames.h"
#include "windows/charts/chart_view.h"
#include "windows/charts/live_chart_points.h"
#include "windows/charts/live_chart_repaint.h"

#include <QList>
#include <QSharedPointer>

#include <optional>

class QCPAxisTickerDateTime;

/// One chart of the live window: the chart window's look, with channels of the live frames as
/// its series against the PC's local clock. Each series is thinned to the chart's width, so that
/// a day of frames draws as fast as a few minutes. It is drawn again only when a new frame
/// changes what the screen shows (see liveChartLooksTheSame), so that at a long span, where a
/// pixel column holds a minute of frames, most frames cost no drawing.
class LiveChartView : public ChartView
{
    Q_OBJECT

public:
    /// `channels` holds the channel (1 … 4) of each series of `description`, in order.
    LiveChartView(ChartDescription description, QList<int> channels, QWidget *parent = nullptr);

    /// Shows the frames of `span` across `range`, labelled for a span of `spanMs`. The span is
    /// read again, while `frames` still holds it, when the chart changes width and for the
    /// readout.
    void showFrames(const LiveFrames &frames, const LiveSpan &span, LiveTimeRange range,
                    qint64 spanMs);
    /// The readout at a place of the plot: the time of the frame nearest across and the values
    /// of the chart's channels in it.
    [[nodiscard]] QString readoutAt(QPoint at) const override;

protected:
    /// The time axis shows the range given; the value axis scales as the chart window's does.
    void applyUnzoomedScales() override;
    /// A new width takes a new thinning.
    void resizeEvent(QResizeEvent *event) override;

private:
    /// The span shown, or an empty one once the ring no longer holds all of it.
    [[nodiscard]] LiveSpan heldSpan() const;
    /// Fills the series from the span for the chart's present width, and draws them again
    /// where that changes the picture.
    void fill();
    /// A point readout shown over the chart follows the frames under the mouse.
    void updateReadout();

    QList<int> m_channels;
    QSharedPointer<QCPAxisTickerDateTime> m_ticker;
    const LiveFrames *m_frames = nullptr;
    LiveSpan m_span;
    LiveTimeRange m_range;
    std::optional<ValueExtent> m_values;
    /// The picture as last drawn; none before the first drawing.
    std::optional<LiveChartPicture> m_drawn;
};

/// The live window's three charts, grouped by unit as the chart window groups them.
namespace LiveChartDescriptions {

/// Air and soil temperature (channels 1 and 2).
[[nodiscard]] ChartDescription temperature();
/// Relative humidity (channel 3).
[[nodiscard]] ChartDescription humidity();
/// PAR (channel 4).
[[nodiscard]] ChartDescription par();

} // namespace LiveChartDescriptions
