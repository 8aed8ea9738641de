#include "windows/charts/chart_description.h"

#include <algorithm>
#include <cmath>

namespace {

/// Width given to an automatic range whose data has none of its own (one point, a constant
/// series), and the range of an axis with no data at all.
constexpr double flatDataWidth = 2.0;
constexpr double emptyAxisWidth = 10.0;

const QColor silver(192, 192, 192);

} // namespace

AxisRange unzoomedRange(const AxisDescription &axis, const std::optional<ValueExtent> &data)
{
    switch (axis.scale) {
    case AxisScale::Fixed:
        return {axis.minimum, axis.maximum};
    case AxisScale::FixedMinimum: {
        if (!data)
            return {axis.minimum, axis.minimum + emptyAxisWidth};
        if (!(data->highest > axis.minimum))
            return {axis.minimum, axis.minimum + flatDataWidth};
        return {axis.minimum, data->highest};
    }
    case AxisScale::Automatic:
        break;
    }
    if (!data)
        return {0.0, emptyAxisWidth};
    double lowest = data->lowest;
    double highest = data->highest;
    if (!(highest > lowest)) {
        lowest -= flatDataWidth / 2;
        highest += flatDataWidth / 2;
    }
    // The values span startShare..endShare of the plot; the axis covers the whole plot.
    const double share = std::max(axis.endShare - axis.startShare, 0.01);
    const double unit = (highest - lowest) / share;
    return {lowest - axis.startShare * unit, highest + (1.0 - axis.endShare) * unit};
}

AxisRange withRoomAround(const AxisRange &range, const std::optional<ValueExtent> &data,
                         double share)
{
    if (!data)
        return range;
    const double room = share * (range.upper - range.lower);
    return {std::min(range.lower, data->lowest - room), std::max(range.upper, data->highest + room)};
}

namespace ChartDescriptions {

ChartDescription temperature()
{
    ChartDescription chart;
    chart.name = QStringLiteral("Chart1");
    chart.title = QStringLiteral("TEMPERATURA DE AIRE Y SUELO");
    chart.bottomAxis.title = QStringLiteral("Muestra número: (tiempo)");
    chart.bottomAxis.tickStep = 1.0;
    chart.bottomAxis.labelPattern = QStringLiteral("##.##.##");
    chart.leftAxis.title = QStringLiteral("TEMPERATURA");
    chart.leftAxis.tickStep = 2.0;
    chart.leftAxis.startShare = 0.04;
    chart.leftAxis.endShare = 0.96;
    chart.series = {
        {QStringLiteral("Series1"), QColor(255, 0, 0), 0, false, QStringLiteral("Canal 1"),
         QStringLiteral("ºC")},
        {QStringLiteral("Series2"), QColor(0, 0, 255), 0, false, QStringLiteral("Canal 2"),
         QStringLiteral("ºC")},
        {QStringLiteral("Series3"), QColor(0, 128, 0), 0, false, {}, {}},
        {QStringLiteral("Series4"), QColor(255, 255, 0), 0, false, {}, {}},
    };
    chart.backgroundTop = QColor(255, 255, 255);
    chart.backgroundBottom = silver;
    chart.panelColour = QColor(0, 0, 255);
    chart.singleLineBorder = true;
    chart.showTopAndRightAxes = false;
    return chart;
}

ChartDescription humidity()
{
    ChartDescription chart;
    chart.name = QStringLiteral("Chart2");
    chart.title = QStringLiteral("HUMEDAD RELATIVA AMB.");
    chart.bottomAxis.title = QStringLiteral("Muestra Número (tiempo)");
    chart.leftAxis.title = QStringLiteral("HºRº");
    chart.leftAxis.scale = AxisScale::Fixed;
    chart.leftAxis.minimum = 0.0;
    chart.leftAxis.maximum = 100.0;
    chart.series = {{QStringLiteral("Series9"), QColor(255, 255, 0), 1, true,
                     QStringLiteral("Canal 3"), QStringLiteral("% HR")}};
    chart.backgroundTop = QColor(202, 228, 255);
    chart.backgroundBottom = silver;
    chart.panelColour = QColor(0, 255, 0);
    return chart;
}

ChartDescription par()
{
    ChartDescription chart;
    chart.name = QStringLiteral("Chart3");
    chart.title = QStringLiteral("PAR");
    chart.bottomAxis.title = QStringLiteral("Muestra número (tiempo)");
    chart.leftAxis.title = QStringLiteral("uMOL m-2 s-1");
    chart.leftAxis.scale = AxisScale::FixedMinimum;
    chart.leftAxis.minimum = 0.0;
    chart.series = {{QStringLiteral("Series10"), QColor(0, 0, 255), 2, false,
                      QStringLiteral("Canal 4"), QStringLiteral("µmol m⁻² s⁻¹"), 0}};
    chart.backgroundTop = QColor(255, 255, 157);
    chart.backgroundBottom = silver;
    chart.panelColour = QColor(255, 0, 0);
    return chart;
}

} // namespace ChartDescriptions
