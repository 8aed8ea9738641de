#include "widgets/thermometer.h"

#include "runtime/format_float.h"
#include "widgets/instrument_style.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

Thermometer::Thermometer(QWidget *parent)
    : Readout(QStringLiteral("#0.0"), parent)
{ }

void Thermometer::setScale(double from, double to)
{
    m_from = from;
    m_to = to;
    update();
}

void Thermometer::setBarColor(const QColor &colour)
{
    m_barColour = colour;
    update();
}

double Thermometer::barLevel() const
{
    return InstrumentStyle::scaleFraction(m_from, m_to, value());
}

QSize Thermometer::sizeHint() const
{
    const qreal line = QFontMetricsF(font()).height();
    return QSize(int(std::ceil(line * 8)), int(std::ceil(line * 12)));
}

QSize Thermometer::minimumSizeHint() const
{
    const qreal line = QFontMetricsF(font()).height();
    return QSize(int(std::ceil(line * 5)), int(std::ceil(line * 7.5)));
}

Thermometer::Layout Thermometer::layout() const
{
    Layout parts;
    const QRectF area(rect());
    const qreal pad = std::clamp(std::min(area.width(), area.height()) * 0.06, 2.0, 10.0);
    const QRectF inner = area.adjusted(pad, pad * 0.6, -pad, -pad);
    const qreal nameHeight = name().isEmpty() ? 0.0 : std::max(8.0, inner.height() * 0.1);
    const qreal readoutHeight = std::clamp(inner.height() * 0.16, 12.0, inner.width() * 0.35);
    parts.name = QRectF(inner.left(), inner.top(), inner.width(), nameHeight);
    parts.readout =
        QRectF(inner.left(), inner.bottom() - readoutHeight, inner.width(), readoutHeight);
    const qreal gap = pad * 0.6;
    parts.column = QRectF(inner.left(), inner.top() + nameHeight + gap, inner.width(),
                          parts.readout.top() - gap - (inner.top() + nameHeight + gap));
    if (parts.column.height() < 16 || parts.column.width() < 12)
        return parts;
    parts.hasColumn = true;
    // Sizes follow the column: the tube is a slim share of it, the labels sit to its right.
    const InstrumentStyle::Ticks widest = InstrumentStyle::roundTicks(m_from, m_to, 5);
    parts.labelFont = font();
    parts.labelFont.setPixelSize(std::clamp(int(parts.column.height() * 0.09), 7, 18));
    const QFontMetricsF labelMetrics(parts.labelFont);
    qreal labelWidth = 0;
    for (const double at : widest.major)
        labelWidth = std::max(labelWidth,
                              labelMetrics.horizontalAdvance(formatFloat(widest.labelPattern, at)));
    parts.tube = std::clamp(std::min(parts.column.width() * 0.13, parts.column.height() * 0.09),
                            4.0, 40.0);
    parts.bulb = parts.tube * 1.0;
    const qreal tickLength = parts.tube * 0.9;
    const qreal assembly =
        parts.tube * 0.8 + parts.bulb * 2 + parts.tube * 0.35 + tickLength + 3 + labelWidth;
    const qreal left = parts.column.left() + std::max(0.0, (parts.column.width() - assembly) / 2);
    parts.tubeCentreX = left + parts.tube * 0.8 + parts.bulb;
    parts.bulbCentre = QPointF(parts.tubeCentreX, parts.column.bottom() - parts.bulb - 1);
    parts.tubeTop = parts.column.top() + labelMetrics.height() * 0.5;
    parts.scaleBottom = parts.bulbCentre.y() - parts.bulb - parts.tube * 0.5;
    parts.scaleTop = parts.tubeTop + parts.tube * 0.5 + 1;
    return parts;
}

qreal Thermometer::Layout::levelOf(double from, double to, double at) const
{
    return scaleBottom - (scaleBottom - scaleTop) * InstrumentStyle::scaleFraction(from, to, at);
}

void Thermometer::repaintValue(float before, const QString &textBefore)
{
    // The bar and its pointer change only between the old and the new level; the rows above
    // and below draw the same, so a small change repaints a thin band, not the instrument.
    const Layout parts = layout();
    QRegion changed = readoutChange(parts.readout, textBefore);
    if (parts.hasColumn) {
        const qreal old = parts.levelOf(m_from, m_to, before);
        const qreal now = parts.levelOf(m_from, m_to, value());
        // Above the level reaches the pointer's half height, below it the bar's rounded top.
        const qreal above = parts.tube * 0.7 * 0.6 + 2;
        const qreal below = std::max(above, parts.tube / 2) + 2;
        if (old != now)
            changed += QRectF(0, std::min(old, now) - above, width(),
                              std::abs(old - now) + above + below)
                           .toAlignedRect();
    }
    update(changed);
}

void Thermometer::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    beginPaint(painter);
    const bool enabled = isEnabled();
    const QColor ink = scaleInk();
    const Layout parts = layout();
    drawName(painter, parts.name, Qt::AlignHCenter, std::min(parts.name.height() * 0.85, 26.0));
    InstrumentStyle::drawReadout(painter, parts.readout, font(), text(), unit(), enabled);
    if (!parts.hasColumn)
        return;
    const QRectF &column = parts.column;
    const qreal tube = parts.tube;
    const qreal bulb = parts.bulb;
    const qreal tickLength = tube * 0.9;
    const qreal tubeCentreX = parts.tubeCentreX;
    const QPointF bulbCentre = parts.bulbCentre;
    const qreal tubeTop = parts.tubeTop;
    const QFontMetricsF labelMetrics(parts.labelFont);
    // As many labelled steps as fit without the labels touching, at most five.
    const int fittingSteps = int(std::clamp(
        (parts.scaleBottom - parts.scaleTop) / (labelMetrics.height() * 1.15), 1.0, 5.0));
    const InstrumentStyle::Ticks ticks = InstrumentStyle::roundTicks(m_from, m_to, fittingSteps);
    const auto yOf = [&](double at) { return parts.levelOf(m_from, m_to, at); };
    // Glass: the tube and bulb outline as one shape.
    QPainterPath tubePath;
    tubePath.addRoundedRect(QRectF(tubeCentreX - tube / 2, tubeTop, tube, bulbCentre.y() - tubeTop),
                            tube / 2, tube / 2);
    QPainterPath bulbPath;
    bulbPath.addEllipse(bulbCentre, bulb, bulb);
    const QPainterPath glass = tubePath.united(bulbPath);
    QLinearGradient glassFill(tubeCentreX - bulb, 0, tubeCentreX + bulb, 0);
    glassFill.setColorAt(0.0, QColor(0xe6, 0xea, 0xee));
    glassFill.setColorAt(0.45, QColor(0xff, 0xff, 0xff));
    glassFill.setColorAt(1.0, QColor(0xd2, 0xd8, 0xde));
    painter.setPen(QPen(QColor(0x6f, 0x7a, 0x85), std::max(1.0, tube * 0.1)));
    painter.setBrush(glassFill);
    painter.drawPath(glass);

    // Liquid: the bulb is always full; the column rises to the value, clamped to the scale.
    const QColor bar = enabled ? m_barColour : QColor(0xa0, 0xa6, 0xab);
    const qreal inset = std::max(1.0, tube * 0.2);
    const qreal level = yOf(value());
    QPainterPath risen;
    risen.addRoundedRect(
        QRectF(tubeCentreX - tube / 2 + inset, level, tube - 2 * inset, bulbCentre.y() - level),
        (tube - 2 * inset) / 2, (tube - 2 * inset) / 2);
    QPainterPath reservoir;
    reservoir.addEllipse(bulbCentre, bulb - inset, bulb - inset);
    const QPainterPath liquid = risen.united(reservoir);
    QLinearGradient liquidFill(tubeCentreX - bulb, 0, tubeCentreX + bulb, 0);
    liquidFill.setColorAt(0.0, bar.darker(115));
    liquidFill.setColorAt(0.4, bar.lighter(130));
    liquidFill.setColorAt(1.0, bar.darker(135));
    painter.setPen(QPen(bar.darker(175), std::max(0.8, tube * 0.06)));
    painter.setBrush(liquidFill);
    painter.drawPath(liquid);

    // Scale to the right of the tube.
    const qreal tickLeft = tubeCentreX + tube / 2 + tube * 0.35;
    painter.setPen(QPen(ink, std::max(0.8, tube * 0.08), Qt::SolidLine, Qt::FlatCap));
    for (const double at : ticks.minor)
        painter.drawLine(QPointF(tickLeft, yOf(at)),
                         QPointF(tickLeft + tickLength * 0.55, yOf(at)));
    painter.setPen(QPen(ink, std::max(1.0, tube * 0.14), Qt::SolidLine, Qt::FlatCap));
    for (const double at : ticks.major)
        painter.drawLine(QPointF(tickLeft, yOf(at)), QPointF(tickLeft + tickLength, yOf(at)));
    painter.setFont(parts.labelFont);
    for (const double at : ticks.major) {
        const QRectF box(tickLeft + tickLength + 3, yOf(at) - labelMetrics.height() / 2,
                         column.right() - (tickLeft + tickLength + 3), labelMetrics.height());
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         formatFloat(ticks.labelPattern, at));
    }

    // Pointer at the bar's level, on the left of the tube.
    const qreal pointer = tube * 0.7;
    const qreal tip = tubeCentreX - tube / 2 - 1.5;
    QPainterPath arrow;
    arrow.moveTo(tip, level);
    arrow.lineTo(tip - pointer, level - pointer * 0.6);
    arrow.lineTo(tip - pointer, level + pointer * 0.6);
    arrow.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(enabled ? QColor::fromRgba(InstrumentStyle::captionText)
                             : QColor::fromRgba(InstrumentStyle::disabledText));
    painter.drawPath(arrow);
}
