#include "widgets/pie_gauge.h"

#include "widgets/paint_throttle.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <limits>

PieGauge::PieGauge(QWidget *parent)
    : QWidget(parent)
    , m_repaint(new PaintThrottle(this))
{ }

void PieGauge::setMaximum(int maximum)
{
    m_maximum = std::max(1, maximum);
    m_progress = std::clamp(m_progress, 0, m_maximum);
    m_repaint->request();
}

void PieGauge::setProgress(int progress)
{
    const int clamped = std::clamp(progress, 0, m_maximum);
    if (clamped == m_progress)
        return;
    m_progress = clamped;
    m_repaint->request();
}

void PieGauge::addProgress(int amount)
{
    // Summed wide so that a large amount cannot overflow before the clamp.
    const long long sum = static_cast<long long>(m_progress) + amount;
    setProgress(int(std::clamp<long long>(sum, 0, m_maximum)));
}

void PieGauge::paintEvent(QPaintEvent *)
{
    m_repaint->painted();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const qreal rim = std::max(1.0, std::min(width(), height()) * 0.03);
    const qreal side = std::max(2.0, qreal(std::min(width(), height())) - rim - 1.0);
    const QRectF disc(QRectF(rect()).center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    const bool enabled = isEnabled();

    QRadialGradient background(disc.center(), side / 2);
    background.setColorAt(0.0, QColor(0xfb, 0xfc, 0xfd));
    background.setColorAt(1.0, QColor(0xdc, 0xe2, 0xe8));
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawEllipse(disc);

    if (m_progress > 0) {
        const QColor fill = enabled ? QColor(0x1f, 0x7a, 0xc4) : QColor(0xa0, 0xa6, 0xab);
        const int span = -int(360.0 * 16.0 * m_progress / m_maximum);
        painter.setBrush(fill);
        painter.setPen(QPen(fill.darker(140), 1.0));
        if (m_progress >= m_maximum)
            painter.drawEllipse(disc);
        else
            painter.drawPie(disc, 90 * 16, span);
    }

    painter.setPen(QPen(QColor(0x4d, 0x58, 0x63), rim));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(disc);
}
