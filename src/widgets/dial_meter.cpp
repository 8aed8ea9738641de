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

DialMeter::Layout DialMeter::layout() const
{
    Layout parts;
    const QRectF area(rect());
    const qreal pad = std::clamp(std::min(area.width(), area.height()) * 0.05, 2.0, 10.0);
    const QRectF inner = area.adjusted(pad, pad * 0.6, -pad, -pad);
    const qreal nameHeight = name().isEmpty() ? 0.0 : std::max(8.0, inner.height() * 0.13);
    const qreal readoutHeight = std::max(12.0, inner.height() * 0.19);
    parts.name = QRectF(inner.left(), inner.top(), inner.width(), nameHeight);
    const qreal gap = pad * 0.5;
    parts.face = QRectF(
        inner.left(), inner.top() + nameHeight + (name().isEmpty() ? 0 : gap), inner.width(),
        inner.height() - nameHeight - readoutHeight - gap - (name().isEmpty() ? 0 : gap));
    parts.readout =
        QRectF(inner.left(), inner.bottom() - readoutHeight, inner.width(), readoutHeight);
    // The arc with its labels takes 1.02 R either side of the pivot and 1.22 R above it; the
    // pivot stands 0.12 R above the face's bottom.
    const qreal margin = 3.0;
    parts.radius = std::max(4.0, std::min((parts.face.width() / 2 - margin) / 1.02,
                                          (parts.face.height() - 2 * margin) / 1.34));
    const qreal top = parts.face.top() + (parts.face.height() - 1.34 * parts.radius) / 2;
    parts.pivot = QPointF(parts.face.center().x(), top + 1.22 * parts.radius);
    return parts;
}

qreal DialMeter::angleOf(double at) const
{
    return startAngle - sweepAngle * InstrumentStyle::scaleFraction(m_from, m_to, at);
}

void DialMeter::repaintValue(float before, const QString &textBefore)
{
    // The needle sweeps a small wedge for a small change: that wedge's box, with the pivot's
    // cap and the pen's width around it, and the readout when its text changes.
    const Layout parts = layout();
    QRegion changed = readoutChange(parts.readout, textBefore);
    const qreal old = angleOf(before);
    const qreal now = angleOf(value());
    if (old != now && parts.face.height() >= 8 && parts.face.width() >= 8) {
        qreal left = parts.pivot.x(), right = left, top = parts.pivot.y(), bottom = top;
        for (const qreal angle : {old, now}) {
            for (const qreal reach : {-parts.radius * 0.1, parts.radius * 0.96}) {
                const QPointF end = polar(parts.pivot, reach, angle);
                left = std::min(left, end.x());
                right = std::max(right, end.x());
                top = std::min(top, end.y());
                bottom = std::max(bottom, end.y());
            }
        }
        const qreal around = std::max(2.0, parts.radius * 0.07) + parts.radius * 0.025 + 3;
        changed += QRectF(QPointF(left - around, top - around),
                          QPointF(right + around, bottom + around))
                       .toAlignedRect();
    }
    update(changed);
}

void DialMeter::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    beginPaint(painter);
    const bool enabled = isEnabled();
    const QColor ink = scaleInk();
    const Layout parts = layout();
    drawName(painter, parts.name, Qt::AlignLeft, std::min(parts.name.height() * 0.72, 22.0));
    const QRectF &face = parts.face;
    InstrumentStyle::drawReadout(painter, parts.readout, font(), text(), unit(), enabled);
    if (face.height() < 8 || face.width() < 8)
        return;

    // Dial face.
    const qreal faceRadius = std::clamp(std::min(face.width(), face.height()) * 0.06, 1.5, 6.0);
    painter.setPen(QPen(QColor(0x7d, 0x87, 0x91), 1.0));
    painter.setBrush(QColor(0xfd, 0xfc, 0xf7));
    painter.drawRoundedRect(face.adjusted(0.5, 0.5, -0.5, -0.5), faceRadius, faceRadius);

    const qreal radius = parts.radius;
    const QPointF pivot = parts.pivot;

    painter.save();
    painter.setClipRect(face.adjusted(1, 1, -1, -1));

    const InstrumentStyle::Ticks ticks = InstrumentStyle::evenTicks(m_from, m_to, m_steps);

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
