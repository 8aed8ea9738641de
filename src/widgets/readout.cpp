#include "widgets/readout.h"

#include "runtime/format_float.h"
#include "widgets/instrument_style.h"

#include <QPainter>

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
    m_value = value;
    update();
}

QString Readout::text() const
{
    return formatFloat(m_format, m_value);
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
