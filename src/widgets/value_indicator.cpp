#include "widgets/value_indicator.h"

#include "runtime/format_float.h"
#include "widgets/instrument_style.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

ValueIndicator::ValueIndicator(QWidget *parent)
    : Readout(QStringLiteral("#0.0"), parent)
{ }

QSize ValueIndicator::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const qreal digits = metrics.horizontalAdvance(QStringLiteral("-8888,8")) * 1.6;
    const qreal width = std::max(metrics.horizontalAdvance(name()) * 1.1,
                                 digits + metrics.horizontalAdvance(unit()) + 12);
    return QSize(int(std::ceil(width + 12)), int(std::ceil(metrics.height() * 3.6)));
}

QSize ValueIndicator::minimumSizeHint() const
{
    const QFontMetricsF metrics(font());
    return QSize(int(std::ceil(metrics.horizontalAdvance(QStringLiteral("8888,8")) + 12)),
                 int(std::ceil(metrics.height() * 2.4)));
}

ValueIndicator::Layout ValueIndicator::layout() const
{
    const QRectF area(rect());
    const qreal pad = std::clamp(std::min(area.width(), area.height()) * 0.07, 2.0, 10.0);
    const QRectF inner = area.adjusted(pad, pad * 0.6, -pad, -pad);
    const qreal nameHeight = name().isEmpty() ? 0.0 : std::max(8.0, inner.height() * 0.26);
    const QRectF readout(
        inner.left(), inner.top() + nameHeight + (name().isEmpty() ? 0 : pad * 0.4), inner.width(),
        inner.bottom() - inner.top() - nameHeight - (name().isEmpty() ? 0 : pad * 0.4));
    return {QRectF(inner.left(), inner.top(), inner.width(), nameHeight), readout};
}

void ValueIndicator::repaintValue(float, const QString &textBefore)
{
    update(readoutChange(layout().readout, textBefore));
}

void ValueIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    beginPaint(painter);
    const Layout parts = layout();
    drawName(painter, parts.name, Qt::AlignLeft, std::min(parts.name.height() * 0.72, 22.0));
    InstrumentStyle::drawReadout(painter, parts.readout, font(), text(), unit(), isEnabled());
}
