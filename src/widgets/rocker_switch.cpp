#include "widgets/rocker_switch.h"

#include "widgets/instrument_style.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal housingAspect = 0.58; // width / height
constexpr qreal padding = 3.0;

qreal captionGap(qreal housingHeight)
{
    return std::max(4.0, housingHeight * 0.18);
}

} // namespace

RockerSwitch::RockerSwitch(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void RockerSwitch::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
}

void RockerSwitch::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    update();
}

QFont RockerSwitch::captionFont(qreal housingHeight) const
{
    QFont captionFont = font();
    captionFont.setBold(true);
    captionFont.setPixelSize(std::max(8, int(housingHeight * 0.27)));
    return captionFont;
}

QSize RockerSwitch::sizeHint() const
{
    const qreal height = std::max(44.0, QFontMetricsF(font()).height() * 3.0);
    qreal width = 2 * padding + height * housingAspect;
    if (!m_text.isEmpty())
        width += captionGap(height) + QFontMetricsF(captionFont(height)).horizontalAdvance(m_text);
    return QSize(int(std::ceil(width)), int(height + 2 * padding));
}

QSize RockerSwitch::minimumSizeHint() const
{
    const qreal height = 30.0;
    qreal width = 2 * padding + height * housingAspect;
    if (!m_text.isEmpty())
        width += captionGap(height) + QFontMetricsF(captionFont(height)).horizontalAdvance(m_text);
    return QSize(int(std::ceil(width)), int(height + 2 * padding));
}

QRectF RockerSwitch::housingRect() const
{
    const QRectF area = QRectF(rect()).adjusted(padding, padding, -padding, -padding);
    qreal height = area.height();
    // The caption grows with the housing; both are sized together so the caption fits beside.
    qreal perUnitHeight = housingAspect;
    if (!m_text.isEmpty()) {
        const qreal reference = 100.0;
        perUnitHeight += captionGap(reference) / reference
            + QFontMetricsF(captionFont(reference)).horizontalAdvance(m_text) / reference;
    }
    height = std::max(1.0, std::min(height, area.width() / perUnitHeight));
    const qreal width = height * housingAspect;
    const qreal left = m_text.isEmpty() ? area.center().x() - width / 2 : area.left();
    return QRectF(left, area.center().y() - height / 2, width, height);
}

void RockerSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRectF housing = housingRect();
    const qreal w = housing.width();
    const qreal radius = w * 0.16;

    // Housing: a dark bezel around the rocker.
    QLinearGradient housingFill(housing.topLeft(), housing.bottomLeft());
    housingFill.setColorAt(0.0, QColor(0x4a, 0x52, 0x5b));
    housingFill.setColorAt(1.0, QColor(0x22, 0x27, 0x2d));
    painter.setPen(QPen(QColor(0x12, 0x15, 0x18), 1.0));
    painter.setBrush(housingFill);
    painter.drawRoundedRect(housing.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    // Pilot LED at the top of the housing.
    const QPointF ledCentre(housing.center().x(), housing.top() + w * 0.27);
    const qreal ledRadius = w * 0.14;
    const bool enabled = isEnabled();
    const QColor ledColour = m_on && enabled ? QColor(0x3d, 0xe0, 0x6f) : QColor(0x1e, 0x3a, 0x28);
    if (m_on && enabled) {
        QRadialGradient glow(ledCentre, ledRadius * 2.2);
        glow.setColorAt(0.0, QColor(0x3d, 0xe0, 0x6f, 150));
        glow.setColorAt(1.0, QColor(0x3d, 0xe0, 0x6f, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(ledCentre, ledRadius * 2.2, ledRadius * 2.2);
    }
    QRadialGradient ledFill(ledCentre - QPointF(ledRadius * 0.35, ledRadius * 0.35),
                            ledRadius * 1.3);
    ledFill.setColorAt(0.0, ledColour.lighter(m_on ? 170 : 130));
    ledFill.setColorAt(1.0, ledColour);
    painter.setPen(QPen(QColor(0x0c, 0x0e, 0x10), std::max(0.8, w * 0.03)));
    painter.setBrush(ledFill);
    painter.drawEllipse(ledCentre, ledRadius, ledRadius);

    // Rocker: the pressed half sits lower and darker, the other half stands out lit.
    const QRectF rocker(housing.left() + w * 0.15, housing.top() + w * 0.55, w * 0.70,
                        housing.height() - w * 0.55 - w * 0.15);
    if (rocker.height() > 2) {
        const QRectF upper(rocker.left(), rocker.top(), rocker.width(), rocker.height() / 2);
        const QRectF lower(rocker.left(), rocker.center().y(), rocker.width(), rocker.height() / 2);
        const QColor raisedTop(0xf2, 0xf4, 0xf6), raisedBottom(0xb9, 0xc0, 0xc7);
        const QColor sunkTop(0x7d, 0x86, 0x8f), sunkBottom(0x9c, 0xa5, 0xad);
        const auto paintHalf = [&](const QRectF &half, bool pressed) {
            QLinearGradient fill(half.topLeft(), half.bottomLeft());
            fill.setColorAt(0.0, pressed ? sunkTop : raisedTop);
            fill.setColorAt(1.0, pressed ? sunkBottom : raisedBottom);
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill);
            painter.drawRect(half);
        };
        painter.save();
        QPainterPath clip;
        clip.addRoundedRect(rocker, w * 0.08, w * 0.08);
        painter.setClipPath(clip);
        paintHalf(upper, m_on);
        paintHalf(lower, !m_on);
        painter.restore();
        painter.setPen(QPen(QColor(0x10, 0x13, 0x16), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(rocker, w * 0.08, w * 0.08);
        painter.drawLine(QPointF(rocker.left(), rocker.center().y()),
                         QPointF(rocker.right(), rocker.center().y()));

        // "I" on the upper half, "O" on the lower half.
        const qreal mark = std::min(rocker.width(), rocker.height() / 2) * 0.38;
        painter.setPen(
            QPen(QColor(0x2a, 0x31, 0x38), std::max(1.0, w * 0.05), Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(upper.center().x(), upper.center().y() - mark / 2),
                         QPointF(upper.center().x(), upper.center().y() + mark / 2));
        painter.drawEllipse(lower.center(), mark * 0.45, mark * 0.5);
    }

    QRectF drawn = housing;
    if (!m_text.isEmpty()) {
        const qreal gap = captionGap(housing.height());
        const QRectF textBox(housing.right() + gap, 0, width() - housing.right() - gap - padding,
                             height());
        QFont caption = captionFont(housing.height());
        caption = InstrumentStyle::fittedFont(caption, m_text, textBox.size(), caption.pixelSize());
        painter.setFont(caption);
        painter.setPen(QColor::fromRgba(enabled ? InstrumentStyle::captionText
                                                : InstrumentStyle::disabledText));
        QRectF textDrawn;
        painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_text,
                         &textDrawn);
        drawn = drawn.united(textDrawn.intersected(textBox));
    }

    // The frame hugs the switch and its caption, however much room the layout gives the widget.
    if (hasFocus() && m_focusShown) {
        QPen focusPen(palette().color(QPalette::Highlight), 1.0, Qt::DotLine);
        painter.setPen(focusPen);
        painter.setBrush(Qt::NoBrush);
        const QRectF frame =
            drawn.adjusted(-2, -2, 2, 2).intersected(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
        painter.drawRoundedRect(frame, 3, 3);
    }
}

void RockerSwitch::focusInEvent(QFocusEvent *event)
{
    m_focusShown = InstrumentStyle::showsFocusFrame(*this, event->reason(), m_focusShown);
    QWidget::focusInEvent(event);
}

void RockerSwitch::toggleByUser()
{
    m_on = !m_on;
    repaint();
}

void RockerSwitch::mousePressEvent(QMouseEvent *event)
{
    m_pressedButtons |= event->button();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        toggleByUser();
    event->accept();
}

void RockerSwitch::mouseReleaseEvent(QMouseEvent *event)
{
    if (!(m_pressedButtons & event->button())) {
        event->ignore();
        return;
    }
    m_pressedButtons &= ~event->button();
    event->accept();
    const bool inside = rect().contains(event->position().toPoint());
    // A click handler may close or delete the window; mouseUp must not touch a dead object.
    QPointer<RockerSwitch> self(this);
    if (event->button() == Qt::LeftButton && inside)
        emit clicked();
    if (self)
        emit mouseUp();
}

void RockerSwitch::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        toggleByUser();
        emit clicked();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
