#include "widgets/readout.h"

#include "runtime/format_float.h"
#include "widgets/instrument_style.h"

#include <QPainter>

#include <bit>
#include <cstdint>

Readout::Readout(const QString &format, QWidget *parent)
    : QWidget(parent)
    , m_format(format)
{ }

void Readout::setName(const QString &name)
{
    m_name = name;
    updateGeometry();
    update();
}

void Readout::setUnit(const QString &unit)
{
    m_unit = unit;
    updateGeometry();
    update();
}

void Readout::setFormat(const QString &format)
{
    m_format = format;
    update();
}

void Readout::setValue(float value)
{
    // The logger repeats its readings every second: the same value draws the same picture.
    if (std::bit_cast<std::uint32_t>(value) == std::bit_cast<std::uint32_t>(m_value))
        return;
    const float before = m_value;
    const QString textBefore = text();
    m_value = value;
    repaintValue(before, textBefore);
}

void Readout::repaintValue(float, const QString &)
{
    update();
}

QString Readout::text() const
{
    return formatFloat(m_format, m_value);
}

QRegion Readout::readoutChange(const QRectF &window, const QString &textBefore) const
{
    if (text() == textBefore)
        return {};
    return window.toAlignedRect().adjusted(-1, -1, 1, 1);
}

void Readout::beginPaint(QPainter &painter) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    InstrumentStyle::drawPanel(painter, QRectF(rect()));
}

QColor Readout::scaleInk() const
{
    return QColor::fromRgba(isEnabled() ? InstrumentStyle::scaleInk
                                        : InstrumentStyle::disabledText);
}

void Readout::drawName(QPainter &painter, const QRectF &box, Qt::Alignment alignment,
                       qreal maxPointSize) const
{
    if (m_name.isEmpty())
        return;
    QFont nameFont = font();
    nameFont.setBold(true);
    painter.setFont(InstrumentStyle::fittedFont(nameFont, m_name, box.size(), maxPointSize));
    painter.setPen(QColor::fromRgba(isEnabled() ? InstrumentStyle::captionText
                                                : InstrumentStyle::disabledText));
    painter.drawText(box, alignment | Qt::AlignVCenter | Qt::TextSingleLine, m_name);
}
