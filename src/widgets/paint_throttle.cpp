#include "widgets/paint_throttle.h"

#include <QWidget>

#include <utility>

PaintThrottle::PaintThrottle(QWidget *widget, int intervalMs, int firstDelayMs,
                             std::function<bool()> shownDiffers)
    : QObject(widget)
    , m_widget(widget)
    , m_intervalMs(intervalMs)
    , m_firstDelayMs(firstDelayMs)
    , m_shownDiffers(std::move(shownDiffers))
{
    m_later.setSingleShot(true);
    connect(&m_later, &QTimer::timeout, this, [this] {
        if (!m_shownDiffers || m_shownDiffers())
            m_widget->update();
    });
}

void PaintThrottle::request()
{
    const qint64 since = m_lastPaint.isValid() ? m_lastPaint.elapsed() : quietSpellMs();
    if (m_later.isActive()) {
        // Requests that keep coming repaint in their own turn once the interval is (nearly)
        // over; the timer only stands behind them for the last state when they stop.
        if (m_pacing && since >= m_intervalMs - dueMarginMs) {
            m_later.stop();
            m_widget->update();
        }
        return;
    }
    if (since >= m_intervalMs - dueMarginMs) {
        m_pacing = false;
        // Only the first request after a quiet spell waits for the burst it may start; one of a
        // steady stream (a chunk every interval or so) repaints in the turn that brought it,
        // so that the stream does not cost a second turn of the event loop per change.
        if (m_firstDelayMs <= 0 || since < quietSpellMs())
            m_widget->update();
        else
            m_later.start(m_firstDelayMs);
        return;
    }
    m_pacing = true;
    m_later.start(int(m_intervalMs - since + m_intervalMs / 2));
}

void PaintThrottle::painted()
{
    m_lastPaint.restart();
}
