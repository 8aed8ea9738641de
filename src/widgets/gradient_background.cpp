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
    update();
}

void GradientBackground::setDirection(Qt::Orientation direction)
{
    m_direction = direction;
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
    const QRectF area(rect());
    const QPointF end = m_direction == Qt::Vertical ? area.bottomLeft() : area.topRight();
    QLinearGradient gradient(area.topLeft(), end);
    gradient.setColorAt(0.0, m_begin);
    gradient.setColorAt(1.0, m_end);
    painter.fillRect(event->rect(), gradient);
}
