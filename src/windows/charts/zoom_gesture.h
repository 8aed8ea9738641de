#pragma once

#include <QPoint>
#include <QRect>

/// What a finished left-button drag does to a chart.
enum class ZoomOutcome {
    Nothing, ///< the rectangle was too small in width or height
    ZoomIn, ///< dragged to the lower right: the axes take the rectangle's range
    Undo, ///< dragged any other way: the scales before the first zoom or pan come back
};

/// The outcome of a left-button drag from start to end: a rectangle must be more than
/// zoomThreshold pixels wide and high to count.
[[nodiscard]] ZoomOutcome zoomOutcome(QPoint start, QPoint end);

inline constexpr int zoomThreshold = 16;

/// The mouse gestures of a chart, apart from the chart: a left-button drag draws a rubber band
/// and ends in a ZoomOutcome; a right-button drag that starts inside the plot area pans, step by
/// step, until the button is released or the mouse leaves the plot area.
class ZoomGesture
{
public:
    void pressLeft(QPoint at);
    void pressRight(QPoint at, bool insidePlot);
    /// Follows the mouse. While panning, returns how far the chart moved with it since the last
    /// step; otherwise a null point.
    [[nodiscard]] QPoint move(QPoint at, bool insidePlot);
    /// Ends a rubber band (Nothing when none was being drawn).
    [[nodiscard]] ZoomOutcome releaseLeft(QPoint at);
    void releaseRight();

    [[nodiscard]] bool isDrawingBand() const { return m_state == State::Band; }
    [[nodiscard]] bool isPanning() const { return m_state == State::Pan; }
    /// The rubber band as drawn, from its start to the mouse.
    [[nodiscard]] QRect band() const { return QRect(m_start, m_last).normalized(); }

private:
    enum class State { Idle, Band, Pan };
    State m_state = State::Idle;
    QPoint m_start;
    QPoint m_last;
};
