#include "widgets/instrument_style.h"

#include "runtime/format_float.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace InstrumentStyle {

namespace {

constexpr qreal minimumPixelSize = 6.0;

/// The label pattern that shows every tick of the given step without needless decimals.
QString patternForStep(double step)
{
    int decimals = 0;
    double scaled = std::abs(step);
    while (decimals < 4 && std::abs(scaled - std::round(scaled)) > 1e-6 * std::max(1.0, scaled)) {
        scaled *= 10.0;
        ++decimals;
    }
    return decimals == 0 ? QStringLiteral("##0") : QStringLiteral("#0.") + QString(decimals, u'0');
}

void addMinorTicks(Ticks &ticks, double from, double to, double minorStep)
{
    const double low = std::min(from, to);
    const double high = std::max(from, to);
    const double tolerance = minorStep * 1e-3;
    for (double index = std::ceil(low / minorStep - 1e-3); index * minorStep <= high + tolerance;
         index += 1.0) {
        const double at = index * minorStep;
        const bool onMajor = std::any_of(ticks.major.begin(), ticks.major.end(), [&](double major) {
            return std::abs(major - at) < tolerance;
        });
        if (!onMajor)
            ticks.minor.append(at);
    }
}

} // namespace

QFont fittedFont(QFont base, const QString &text, const QSizeF &box, qreal maxPixelSize)
{
    qreal size = std::max(minimumPixelSize, std::min(maxPixelSize, box.height()));
    base.setPixelSize(int(size));
    const qreal width = QFontMetricsF(base).horizontalAdvance(text);
    if (width > box.width() && width > 0) {
        size = std::max(minimumPixelSize, std::floor(size * box.width() / width));
        base.setPixelSize(int(size));
    }
    return base;
}

void drawPanel(QPainter &painter, const QRectF &rect)
{
    const QRectF face = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::clamp(std::min(face.width(), face.height()) * 0.06, 2.0, 8.0);
    QLinearGradient gradient(face.topLeft(), face.bottomLeft());
    gradient.setColorAt(0.0, QColor::fromRgba(panelTop));
    gradient.setColorAt(1.0, QColor::fromRgba(panelBottom));
    painter.setPen(QPen(QColor::fromRgba(panelEdge), 1.0));
    painter.setBrush(gradient);
    painter.drawRoundedRect(face, radius, radius);
    painter.setPen(QPen(QColor(255, 255, 255, 170), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(face.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
}

void drawReadoutWindow(QPainter &painter, const QRectF &rect)
{
    const QRectF window = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::clamp(std::min(window.width(), window.height()) * 0.12, 1.5, 5.0);
    QLinearGradient gradient(window.topLeft(), window.bottomLeft());
    gradient.setColorAt(0.0, QColor::fromRgba(readoutTop));
    gradient.setColorAt(1.0, QColor::fromRgba(readoutBottom));
    painter.setPen(QPen(QColor(0x0a, 0x0d, 0x10), 1.0));
    painter.setBrush(gradient);
    painter.drawRoundedRect(window, radius, radius);
    painter.setPen(QPen(QColor(255, 255, 255, 40), 1.0));
    painter.drawLine(QPointF(window.left() + radius, window.bottom() - 1),
                     QPointF(window.right() - radius, window.bottom() - 1));
}

void drawReadout(QPainter &painter, const QRectF &rect, const QFont &base, const QString &value,
                 const QString &unit, bool enabled, Qt::Alignment alignment)
{
    drawReadoutWindow(painter, rect);
    const qreal padding = std::max(2.0, rect.height() * 0.14);
    const QRectF inner = rect.adjusted(padding, padding * 0.5, -padding, -padding * 0.5);
    if (inner.width() <= 0 || inner.height() <= 0)
        return;

    QFont valueFont = base;
    valueFont.setBold(true);
    valueFont.setPixelSize(std::max(int(minimumPixelSize), int(inner.height() * 0.78)));
    QFont unitFont = base;
    unitFont.setPixelSize(std::max(int(minimumPixelSize), int(valueFont.pixelSize() * 0.55)));

    const auto widths = [&] {
        const qreal valueWidth = QFontMetricsF(valueFont).horizontalAdvance(value);
        const qreal gap = unit.isEmpty() ? 0.0 : valueFont.pixelSize() * 0.25;
        return std::pair {valueWidth, gap + QFontMetricsF(unitFont).horizontalAdvance(unit)};
    };
    auto [valueWidth, unitWidth] = widths();
    if (valueWidth + unitWidth > inner.width() && valueWidth + unitWidth > 0) {
        const qreal scale = inner.width() / (valueWidth + unitWidth);
        valueFont.setPixelSize(std::max(int(minimumPixelSize), int(valueFont.pixelSize() * scale)));
        unitFont.setPixelSize(std::max(int(minimumPixelSize), int(unitFont.pixelSize() * scale)));
        std::tie(valueWidth, unitWidth) = widths();
    }

    const QFontMetricsF valueMetrics(valueFont);
    const qreal baseline = inner.center().y() + (valueMetrics.capHeight()) / 2.0;
    const qreal right = alignment & Qt::AlignHCenter
        ? inner.center().x() + (valueWidth + unitWidth) / 2
        : inner.right();
    painter.setClipRect(rect.adjusted(1, 1, -1, -1), Qt::IntersectClip);
    painter.setPen(enabled ? QColor::fromRgba(readoutDigits) : QColor::fromRgba(disabledText));
    painter.setFont(valueFont);
    painter.drawText(QPointF(right - unitWidth - valueWidth, baseline), value);
    if (!unit.isEmpty()) {
        painter.setPen(enabled ? QColor::fromRgba(readoutUnit) : QColor::fromRgba(disabledText));
        painter.setFont(unitFont);
        painter.drawText(QPointF(right - unitWidth + valueFont.pixelSize() * 0.25, baseline), unit);
    }
    painter.setClipping(false);
}

Ticks roundTicks(double from, double to, int maxSteps)
{
    Ticks ticks;
    const double span = std::abs(to - from);
    if (!(span > 0) || !std::isfinite(span)) {
        ticks.major.append(from);
        ticks.labelPattern = patternForStep(from);
        return ticks;
    }
    const double raw = span / std::max(1, maxSteps);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    // The finest round step that leaves no more than maxSteps whole steps on the scale.
    double step = 10.0 * magnitude;
    for (const double factor : {1.0, 2.0, 2.5, 5.0}) {
        if (std::floor(span / (factor * magnitude) + 1e-9) <= std::max(1, maxSteps)) {
            step = factor * magnitude;
            break;
        }
    }
    const double low = std::min(from, to);
    const double high = std::max(from, to);
    const double tolerance = step * 1e-3;
    for (double index = std::ceil(low / step - 1e-3); index * step <= high + tolerance;
         index += 1.0)
        ticks.major.append(std::abs(index) < 0.5 ? 0.0 : index * step);
    addMinorTicks(ticks, from, to, step / 5.0);
    ticks.labelPattern = patternForStep(step);
    return ticks;
}

Ticks evenTicks(double from, double to, int steps)
{
    Ticks ticks;
    steps = std::max(1, steps);
    const double step = (to - from) / steps;
    for (int i = 0; i <= steps; ++i)
        ticks.major.append(from + step * i);
    if (step != 0 && std::isfinite(step)) {
        for (int i = 0; i < steps * 5; ++i) {
            if (i % 5 != 0)
                ticks.minor.append(from + step * i / 5.0);
        }
    }
    ticks.labelPattern = patternForStep(step);
    return ticks;
}

double scaleFraction(double from, double to, double value)
{
    const double span = to - from;
    if (std::isnan(value) || !(std::abs(span) > 0) || !std::isfinite(span))
        return 0.0;
    return std::clamp((value - from) / span, 0.0, 1.0);
}

bool showsFocusFrame(const QWidget &widget, Qt::FocusReason reason, bool shownBefore)
{
    switch (reason) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        // The toolkit marks the window only when a key moved the focus.
        return widget.window()->testAttribute(Qt::WA_KeyboardFocusChange);
    case Qt::MouseFocusReason:
    case Qt::OtherFocusReason:
        return false;
    default:
        return shownBefore;
    }
}

} // namespace InstrumentStyle
