#include "widgets/paint_throttle.h"

#include <QWidget>

PaintThrottle::PaintThrottle(QWidget *widget, int intervalMs, int firstDelayMs)
    : QObject(widget)
    , m_widget(widget)
    , m_intervalMs(intervalMs)
    , m_firstDelayMs(firstDelayMs)
{
    m_later.setSingleShot(true);
    connect(&m_later, &QTimer::timeout, this, [this] { m_widget->update(); });
}

void PaintThrottle::request()
{
    if (m_later.isActive())
        return;
    const qint64 since = m_lastPaint.isValid() ? m_lastPaint.elapsed() : m_intervalMs;
    const qint64 wait = since >= m_intervalMs ? m_firstDelayMs : m_intervalMs - since;
    if (wait <= 0)
        m_widget->update();
    else
        m_later.start(int(wait));
}

void PaintThrottle::painted()
{
    m_lastPaint.restart();
}
