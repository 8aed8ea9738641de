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

void Thermometer::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRectF area(rect());
    InstrumentStyle::drawPanel(painter, area);
    const bool enabled = isEnabled();
    const QColor ink =
        QColor::fromRgba(enabled ? InstrumentStyle::scaleInk : InstrumentStyle::disabledText);

    const qreal pad = std::clamp(std::min(area.width(), area.height()) * 0.06, 2.0, 10.0);
    const QRectF inner = area.adjusted(pad, pad * 0.6, -pad, -pad);
    const qreal nameHeight = name().isEmpty() ? 0.0 : std::max(8.0, inner.height() * 0.1);
    const qreal readoutHeight = std::clamp(inner.height() * 0.16, 12.0, inner.width() * 0.35);

    drawName(painter, QRectF(inner.left(), inner.top(), inner.width(), nameHeight),
             Qt::AlignHCenter, std::min(nameHeight * 0.85, 26.0));
    const QRectF readout(inner.left(), inner.bottom() - readoutHeight, inner.width(),
                         readoutHeight);
    InstrumentStyle::drawReadout(painter, readout, font(), text(), unit(), enabled);

    const qreal gap = pad * 0.6;
    const QRectF column(inner.left(), inner.top() + nameHeight + gap, inner.width(),
                        readout.top() - gap - (inner.top() + nameHeight + gap));
    if (column.height() < 16 || column.width() < 12)
        return;

    // Sizes follow the column: the tube is a slim share of it, the labels sit to its right.
    const InstrumentStyle::Ticks widest = InstrumentStyle::roundTicks(m_from, m_to, 5);
    QFont labelFont = font();
    labelFont.setPixelSize(std::clamp(int(column.height() * 0.09), 7, 18));
    const QFontMetricsF labelMetrics(labelFont);
    qreal labelWidth = 0;
    for (const double at : widest.major)
        labelWidth = std::max(labelWidth,
                              labelMetrics.horizontalAdvance(formatFloat(widest.labelPattern, at)));
    const qreal tube =
        std::clamp(std::min(column.width() * 0.13, column.height() * 0.09), 4.0, 40.0);
    const qreal bulb = tube * 1.0;
    const qreal tickLength = tube * 0.9;
    const qreal assembly = tube * 0.8 + bulb * 2 + tube * 0.35 + tickLength + 3 + labelWidth;
    const qreal left = column.left() + std::max(0.0, (column.width() - assembly) / 2);
    const qreal tubeCentreX = left + tube * 0.8 + bulb;
    const QPointF bulbCentre(tubeCentreX, column.bottom() - bulb - 1);
    const qreal tubeTop = column.top() + labelMetrics.height() * 0.5;
    const qreal scaleBottom = bulbCentre.y() - bulb - tube * 0.5;
    const qreal scaleTop = tubeTop + tube * 0.5 + 1;
    // As many labelled steps as fit without the labels touching, at most five.
    const int fittingSteps =
        int(std::clamp((scaleBottom - scaleTop) / (labelMetrics.height() * 1.15), 1.0, 5.0));
    const InstrumentStyle::Ticks ticks = InstrumentStyle::roundTicks(m_from, m_to, fittingSteps);
    const auto yOf = [&](double at) {
        return scaleBottom
            - (scaleBottom - scaleTop) * InstrumentStyle::scaleFraction(m_from, m_to, at);
    };

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
    painter.setFont(labelFont);
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
