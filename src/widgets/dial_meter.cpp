#include "widgets/dial_meter.h"

#include "runtime/format_float.h"
#include "widgets/instrument_style.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

// The scale sweeps 100 degrees, symmetric about the vertical, as on a panel meter.
constexpr qreal startAngle = 140.0;
constexpr qreal sweepAngle = 100.0;

QPointF polar(const QPointF &centre, qreal radius, qreal degrees)
{
    const qreal radians = qDegreesToRadians(degrees);
    return centre + QPointF(radius * std::cos(radians), -radius * std::sin(radians));
}

} // namespace

DialMeter::DialMeter(QWidget *parent)
    : Readout(QStringLiteral("##0.0"), parent)
{ }

void DialMeter::setScale(double from, double to, int steps)
{
    m_from = from;
    m_to = to;
    m_steps = std::max(1, steps);
    update();
}

double DialMeter::needlePosition() const
{
    return InstrumentStyle::scaleFraction(m_from, m_to, value());
}

QSize DialMeter::sizeHint() const
{
    const qreal line = QFontMetricsF(font()).height();
    return QSize(int(std::ceil(line * 12)), int(std::ceil(line * 10)));
}

QSize DialMeter::minimumSizeHint() const
{
    const qreal line = QFontMetricsF(font()).height();
    return QSize(int(std::ceil(line * 6)), int(std::ceil(line * 5.5)));
}

void DialMeter::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRectF area(rect());
    InstrumentStyle::drawPanel(painter, area);
    const bool enabled = isEnabled();
    const QColor ink =
        QColor::fromRgba(enabled ? InstrumentStyle::scaleInk : InstrumentStyle::disabledText);

    const qreal pad = std::clamp(std::min(area.width(), area.height()) * 0.05, 2.0, 10.0);
    const QRectF inner = area.adjusted(pad, pad * 0.6, -pad, -pad);
    const qreal nameHeight = name().isEmpty() ? 0.0 : std::max(8.0, inner.height() * 0.13);
    const qreal readoutHeight = std::max(12.0, inner.height() * 0.19);

    drawName(painter, QRectF(inner.left(), inner.top(), inner.width(), nameHeight), Qt::AlignLeft,
             std::min(nameHeight * 0.72, 22.0));

    const qreal gap = pad * 0.5;
    const QRectF face(
        inner.left(), inner.top() + nameHeight + (name().isEmpty() ? 0 : gap), inner.width(),
        inner.height() - nameHeight - readoutHeight - gap - (name().isEmpty() ? 0 : gap));
    const QRectF readout(inner.left(), inner.bottom() - readoutHeight, inner.width(),
                         readoutHeight);
    InstrumentStyle::drawReadout(painter, readout, font(), text(), unit(), enabled);
    if (face.height() < 8 || face.width() < 8)
        return;

    // Dial face.
    const qreal faceRadius = std::clamp(std::min(face.width(), face.height()) * 0.06, 1.5, 6.0);
    painter.setPen(QPen(QColor(0x7d, 0x87, 0x91), 1.0));
    painter.setBrush(QColor(0xfd, 0xfc, 0xf7));
    painter.drawRoundedRect(face.adjusted(0.5, 0.5, -0.5, -0.5), faceRadius, faceRadius);

    // The arc with its labels takes 1.02 R either side of the pivot and 1.22 R above it; the
    // pivot stands 0.12 R above the face's bottom.
    const qreal margin = 3.0;
    const qreal radius = std::max(
        4.0, std::min((face.width() / 2 - margin) / 1.02, (face.height() - 2 * margin) / 1.34));
    const qreal top = face.top() + (face.height() - 1.34 * radius) / 2;
    const QPointF pivot(face.center().x(), top + 1.22 * radius);

    painter.save();
    painter.setClipRect(face.adjusted(1, 1, -1, -1));

    const InstrumentStyle::Ticks ticks = InstrumentStyle::evenTicks(m_from, m_to, m_steps);
    const auto angleOf = [&](double at) {
        return startAngle - sweepAngle * InstrumentStyle::scaleFraction(m_from, m_to, at);
    };

    painter.setPen(QPen(ink, std::max(1.0, radius * 0.012)));
    painter.setBrush(Qt::NoBrush);
    const QRectF arcBox(pivot.x() - radius, pivot.y() - radius, 2 * radius, 2 * radius);
    painter.drawArc(arcBox, int((startAngle - sweepAngle) * 16), int(sweepAngle * 16));

    painter.setPen(QPen(ink, std::max(0.8, radius * 0.01), Qt::SolidLine, Qt::FlatCap));
    for (const double at : ticks.minor)
        painter.drawLine(polar(pivot, radius * 0.93, angleOf(at)),
                         polar(pivot, radius, angleOf(at)));
    painter.setPen(QPen(ink, std::max(1.2, radius * 0.022), Qt::SolidLine, Qt::FlatCap));
    for (const double at : ticks.major)
        painter.drawLine(polar(pivot, radius * 0.85, angleOf(at)),
                         polar(pivot, radius, angleOf(at)));

    QFont labelFont = font();
    labelFont.setPixelSize(std::max(6, int(radius * 0.13)));
    painter.setFont(labelFont);
    const QFontMetricsF labelMetrics(labelFont);
    for (const double at : ticks.major) {
        const QString label = formatFloat(ticks.labelPattern, at);
        const QPointF anchor = polar(pivot, radius * 1.12, angleOf(at));
        const qreal labelWidth = labelMetrics.horizontalAdvance(label);
        const QRectF box(anchor.x() - labelWidth / 2 - 2, anchor.y() - labelMetrics.height() / 2,
                         labelWidth + 4, labelMetrics.height());
        painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, label);
    }

    if (!unit().isEmpty()) {
        QFont unitFont = font();
        unitFont.setPixelSize(std::max(6, int(radius * 0.16)));
        painter.setFont(unitFont);
        painter.setPen(QColor(0x6b, 0x75, 0x7e));
        const QRectF unitBox(pivot.x() - radius * 0.6, pivot.y() - radius * 0.55, radius * 1.2,
                             radius * 0.22);
        painter.drawText(unitBox, Qt::AlignCenter | Qt::TextSingleLine, unit());
    }

    // Needle with a short tail, then the pivot cap over it.
    const qreal needleAngle = angleOf(value());
    const QColor needle = enabled ? QColor(0xc6, 0x28, 0x28) : QColor(0x9a, 0x9a, 0x9a);
    painter.setPen(QPen(needle, std::max(1.2, radius * 0.025), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(polar(pivot, -radius * 0.1, needleAngle),
                     polar(pivot, radius * 0.96, needleAngle));
    const qreal cap = std::max(2.0, radius * 0.07);
    QRadialGradient capFill(pivot - QPointF(cap * 0.3, cap * 0.3), cap * 1.3);
    capFill.setColorAt(0.0, QColor(0x6a, 0x73, 0x7c));
    capFill.setColorAt(1.0, QColor(0x1c, 0x21, 0x26));
    painter.setPen(Qt::NoPen);
    painter.setBrush(capFill);
    painter.drawEllipse(pivot, cap, cap);
    painter.restore();
}
