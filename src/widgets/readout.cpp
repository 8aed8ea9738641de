#include "widgets/readout.h"

#include "runtime/format_float.h"

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
