#include "widgets/colour_button.h"

#include "widgets/instrument_style.h"

#include <QFocusEvent>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

ColourButton::ColourButton(QWidget *parent)
    : QAbstractButton(parent)
{
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

ColourButton::ColourButton(const QString &text, QWidget *parent)
    : ColourButton(parent)
{
    setText(text);
}

void ColourButton::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    showStateText();
    update();
}

void ColourButton::setOnText(const QString &text)
{
    m_onText = text;
    showStateText();
    updateGeometry();
}

void ColourButton::setOffText(const QString &text)
{
    m_offText = text;
    showStateText();
    updateGeometry();
}

void ColourButton::setText(const QString &text)
{
    m_onText = text;
    m_offText = text;
    showStateText();
    updateGeometry();
}

void ColourButton::setOnColor(const QColor &colour)
{
    m_onColour = colour;
    update();
}

void ColourButton::setOffColor(const QColor &colour)
{
    m_offColour = colour;
    update();
}

void ColourButton::setTextColor(const QColor &colour)
{
    m_textColour = colour;
    update();
}

void ColourButton::setTextAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    update();
}

void ColourButton::showStateText()
{
    const QString &shown = m_on ? m_onText : m_offText;
    if (QAbstractButton::text() != shown)
        QAbstractButton::setText(shown);
    update();
}

qreal ColourButton::margin() const
{
    return std::max(4.0, QFontMetricsF(font()).averageCharWidth() * 0.8);
}

QSize ColourButton::sizeHint() const
{
    // The wider caption decides, so that switching state does not resize the layout.
    const QFontMetricsF metrics(font());
    const qreal textWidth =
        std::max(metrics.horizontalAdvance(m_onText), metrics.horizontalAdvance(m_offText));
    return QSize(int(std::ceil(textWidth + 2 * margin())), int(std::ceil(metrics.height() * 1.8)));
}

QSize ColourButton::minimumSizeHint() const
{
    const QFontMetricsF metrics(font());
    return QSize(int(std::ceil(metrics.height() * 2)), int(std::ceil(metrics.height() + 6)));
}

void ColourButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::clamp(std::min(face.width(), face.height()) * 0.18, 1.5, 6.0);
    const bool enabled = isEnabled();
    QColor base = m_on ? m_onColour : m_offColour;
    if (!enabled) {
        const int grey = qGray(base.rgb());
        base = QColor(grey, grey, grey);
    }
    // Disabled captions stay readable: a muted tone on the far side of the face's lightness.
    const QColor disabledText =
        base.lightness() > 140 ? QColor(0x80, 0x86, 0x8c) : QColor(0xb0, 0xb6, 0xbb);

    QLinearGradient fill(face.topLeft(), face.bottomLeft());
    if (isDown()) {
        fill.setColorAt(0.0, base.darker(125));
        fill.setColorAt(1.0, base.lighter(105));
    } else {
        fill.setColorAt(0.0, base.lighter(m_on ? 135 : 125));
        fill.setColorAt(0.55, base);
        fill.setColorAt(1.0, base.darker(118));
    }
    painter.setPen(QPen(base.darker(190), 1.0));
    painter.setBrush(fill);
    painter.drawRoundedRect(face, radius, radius);
    if (!isDown()) {
        painter.setPen(QPen(QColor(255, 255, 255, m_on ? 110 : 60), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(face.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }

    const qreal shift = isDown() ? 1.0 : 0.0;
    const QRectF textBox = face.adjusted(margin() + shift, shift, -margin() + shift, shift);
    painter.setFont(font());
    painter.setPen(enabled ? m_textColour : disabledText);
    painter.drawText(textBox, int(m_alignment | Qt::AlignVCenter | Qt::TextSingleLine), text());

    if (hasFocus() && m_focusShown) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(face.adjusted(2, 2, -2, -2), radius - 1.5, radius - 1.5);
    }
}

void ColourButton::focusInEvent(QFocusEvent *event)
{
    m_focusShown = InstrumentStyle::showsFocusFrame(*this, event->reason(), m_focusShown);
    QAbstractButton::focusInEvent(event);
}
