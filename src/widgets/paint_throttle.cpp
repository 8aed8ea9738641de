#include "widgets/paint_throttle.h"

#include <QWidget>

PaintThrottle::PaintThrottle(QWidget *widget, int intervalMs)
    : QObject(widget)
    , m_widget(widget)
    , m_intervalMs(intervalMs)
{
    m_later.setSingleShot(true);
    connect(&m_later, &QTimer::timeout, this, [this] { m_widget->update(); });
}

void PaintThrottle::request()
{
    if (m_later.isActive())
        return;
    const qint64 since = m_lastPaint.isValid() ? m_lastPaint.elapsed() : m_intervalMs;
    if (since >= m_intervalMs)
        m_widget->update();
    else
        m_later.start(int(m_intervalMs - since));
}

void PaintThrottle::painted()
{
    m_lastPaint.restart();
}
