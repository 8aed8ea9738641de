#include "widgets/pie_gauge.h"

#include "widgets/paint_throttle.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <limits>

namespace {

constexpr int paintIntervalMs = 80;

} // namespace

PieGauge::PieGauge(QWidget *parent)
    : QWidget(parent)
    , m_repaint(new PaintThrottle(this, paintIntervalMs, 10))
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

qreal PieGauge::rimWidth() const
{
    return std::max(1.0, std::min(width(), height()) * 0.03);
}

QRectF PieGauge::disc() const
{
    const qreal side = std::max(2.0, qreal(std::min(width(), height())) - rimWidth() - 1.0);
    return QRectF(QRectF(rect()).center() - QPointF(side / 2, side / 2), QSizeF(side, side));
}

void PieGauge::prepareFace()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (!m_face.isNull() && m_face.size() == pixels && m_face.devicePixelRatio() == ratio)
        return;
    const QRectF area = disc();
    const auto layer = [&](const auto &draw) {
        QPixmap pixmap(pixels);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter);
        return pixmap;
    };
    m_face = layer([&](QPainter &painter) {
        QRadialGradient background(area.center(), area.width() / 2);
        background.setColorAt(0.0, QColor(0xfb, 0xfc, 0xfd));
        background.setColorAt(1.0, QColor(0xdc, 0xe2, 0xe8));
        painter.setPen(Qt::NoPen);
        painter.setBrush(background);
        painter.drawEllipse(area);
    });
    m_rim = layer([&](QPainter &painter) {
        painter.setPen(QPen(QColor(0x4d, 0x58, 0x63), rimWidth()));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(area);
    });
}

void PieGauge::paintEvent(QPaintEvent *)
{
    m_repaint->painted();
    prepareFace();
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_face);
    if (m_progress > 0) {
        const QRectF area = disc();
        const QColor fill = isEnabled() ? QColor(0x1f, 0x7a, 0xc4) : QColor(0xa0, 0xa6, 0xab);
        const int span = -int(360.0 * 16.0 * m_progress / m_maximum);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(fill);
        painter.setPen(QPen(fill.darker(140), 1.0));
        if (m_progress >= m_maximum)
            painter.drawEllipse(area);
        else
            painter.drawPie(area, 90 * 16, span);
    }
    painter.drawPixmap(0, 0, m_rim);
}
