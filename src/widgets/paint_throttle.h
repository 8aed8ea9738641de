#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

/// Coalesces a widget's repaints to at most one per interval: a widget whose state changes
/// many times a second (a gauge turning with every received chunk) keeps its state exact
/// while the screen shows the latest of it, so painting does not cost more than the data.
class PaintThrottle : public QObject
{
public:
    /// Repaints of widget at most every intervalMs (40 ms: 25 a second); a first request after
    /// a quiet spell (no paint for two intervals) paints after firstDelayMs, so that a burst of
    /// changes (a backlog of received chunks handled one after another) shows once, after it,
    /// instead of halting it.
    /// shownDiffers, where given, tells whether the state differs from what the screen shows: a
    /// repaint that comes late is left out when a change was undone meanwhile.
    explicit PaintThrottle(QWidget *widget, int intervalMs = 40, int firstDelayMs = 0,
                           std::function<bool()> shownDiffers = {});

    /// Asks for a repaint: at once when the last one is (nearly) an interval old, after the first
    /// delay when it is older than a quiet spell,
    /// else one repaint when the interval has passed, however many requests come meanwhile:
    /// by the first request after it, so that a stream of changes costs no turns of the event
    /// loop of its own, or, when none comes, by a timer half an interval later.
    void request();
    /// Notes that the widget has just painted; its paintEvent calls this.
    void painted();

private:
    QWidget *m_widget;
    int m_intervalMs;
    int m_firstDelayMs;
    std::function<bool()> m_shownDiffers;
    /// A request this close to the end of the interval repaints already: requests that come at
    /// a steady pace (a chunk every 20 ms) then keep to the interval, not to a multiple of it.
    static constexpr qint64 dueMarginMs = 5;
    /// Without a paint for this long, the next request may start a burst.
    [[nodiscard]] qint64 quietSpellMs() const { return 2 * qint64(m_intervalMs); }
    QElapsedTimer m_lastPaint;
    QTimer m_later;
    bool m_pacing = false; ///< the timer stands behind a change that came within the interval
};
