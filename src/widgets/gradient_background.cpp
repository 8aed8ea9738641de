#include "widgets/gradient_background.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>

GradientBackground::GradientBackground(QWidget *parent)
    : QWidget(parent)
{
    // Painted edge to edge: Qt need not clear the area first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GradientBackground::setColors(const QColor &begin, const QColor &end)
{
    m_begin = begin;
    m_end = end;
    m_cache = QPixmap();
    update();
}

void GradientBackground::setDirection(Qt::Orientation direction)
{
    m_direction = direction;
    m_cache = QPixmap();
    update();
}

void GradientBackground::setGradientEnabled(bool enabled)
{
    m_gradientEnabled = enabled;
    update();
}

void GradientBackground::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    if (!m_gradientEnabled) {
        painter.fillRect(event->rect(), m_begin);
        return;
    }
    // A gradient over a large area is costly to fill, and the toolkit spreads such fills over
    // threads of its own that each repaint then wakes: it is drawn once per size and copied.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_cache.size() != pixels || m_cache.devicePixelRatio() != ratio) {
        m_cache = QPixmap(pixels);
        m_cache.setDevicePixelRatio(ratio);
        QPainter cache(&m_cache);
        const QRectF area(rect());
        const QPointF end = m_direction == Qt::Vertical ? area.bottomLeft() : area.topRight();
        QLinearGradient gradient(area.topLeft(), end);
        gradient.setColorAt(0.0, m_begin);
        gradient.setColorAt(1.0, m_end);
        cache.fillRect(area, gradient);
    }
    // Rectangle by rectangle, each its own clip: a copy clipped to a plain rectangle is a
    // straight blit, where one across the whole uneven area would go through the threads.
    for (const QRect &part : event->region()) {
        const QRectF dirty(part);
        painter.setClipRect(part);
        painter.drawPixmap(dirty, m_cache, QRectF(dirty.topLeft() * ratio, dirty.size() * ratio));
    }
}
