#include "widgets/led.h"

#include "widgets/paint_throttle.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>

Led::Led(QWidget *parent)
    : QWidget(parent)
    , m_repaint(new PaintThrottle(this, 40, 10, [this] { return m_lit != m_shownLit; }))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Led::setLit(bool lit)
{
    if (lit == m_lit)
        return;
    m_lit = lit;
    // A blink undone before the screen showed it (a status frame read whole lights the lamp and
    // puts it out in one handler) asks for nothing.
    if (m_lit != m_shownLit)
        m_repaint->request();
}

void Led::setColor(const QColor &colour)
{
    m_colour = colour;
    update();
}

void Led::paintEvent(QPaintEvent *)
{
    m_repaint->painted();
    m_shownLit = m_lit;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QPointF centre = QRectF(rect()).center();
    const qreal outer = std::max(1.0, std::min(width(), height()) / 2.0 - 0.5);
    const qreal lamp = outer * 0.74;
    const bool lit = m_lit && isEnabled();

    // Bezel ring around the lamp.
    QLinearGradient ring(centre.x(), centre.y() - outer, centre.x(), centre.y() + outer);
    ring.setColorAt(0.0, QColor(0x9a, 0xa3, 0xab));
    ring.setColorAt(1.0, QColor(0x3a, 0x41, 0x48));
    painter.setPen(QPen(QColor(0x20, 0x25, 0x2a), 1.0));
    painter.setBrush(ring);
    painter.drawEllipse(centre, outer, outer);

    const QColor body = lit ? m_colour : m_colour.darker(330);
    QRadialGradient fill(centre - QPointF(lamp * 0.3, lamp * 0.3), lamp * 1.4);
    fill.setColorAt(0.0, lit ? body.lighter(175) : body.lighter(140));
    fill.setColorAt(0.6, body);
    fill.setColorAt(1.0, body.darker(lit ? 130 : 120));
    painter.setPen(QPen(QColor(0x10, 0x12, 0x14), std::max(0.6, outer * 0.06)));
    painter.setBrush(fill);
    painter.drawEllipse(centre, lamp, lamp);

    // Specular highlight, stronger when lit.
    QRadialGradient shine(centre - QPointF(lamp * 0.35, lamp * 0.4), lamp * 0.5);
    shine.setColorAt(0.0, QColor(255, 255, 255, lit ? 200 : 90));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shine);
    painter.drawEllipse(centre - QPointF(lamp * 0.35, lamp * 0.4), lamp * 0.5, lamp * 0.5);
}
