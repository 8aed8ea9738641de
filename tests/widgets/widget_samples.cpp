#include "widget_samples.h"

#include "widgets/clocks.h"
#include "widgets/colour_button.h"
#include "widgets/dial_meter.h"
#include "widgets/gradient_background.h"
#include "widgets/led.h"
#include "widgets/pie_gauge.h"
#include "widgets/rocker_switch.h"
#include "widgets/thermometer.h"
#include "widgets/value_indicator.h"

namespace {

template<typename Widget, typename Setup>
WidgetSample sample(const char *name, Setup setup)
{
    return {QString::fromLatin1(name), [setup] {
                auto widget = std::make_unique<Widget>();
                setup(*widget);
                return std::unique_ptr<QWidget>(std::move(widget));
            }};
}

} // namespace

QList<WidgetSample> widgetSamples()
{
    const QDateTime fixed(QDate(2026, 12, 6), QTime(14, 30, 5));
    return {
        sample<RockerSwitch>("rocker switch",
                             [](RockerSwitch &w) {
                                 w.setText(QStringLiteral("DESCONECTAR"));
                                 w.setOn(true);
                             }),
        sample<ColourButton>("colour button",
                             [](ColourButton &w) {
                                 w.setText(QStringLiteral("      CANALES EN LINEA"));
                                 w.setOn(true);
                             }),
        sample<Led>("led", [](Led &w) { w.setLit(true); }),
        sample<ValueIndicator>("value indicator",
                               [](ValueIndicator &w) {
                                   w.setName(QStringLiteral("CANAL 1"));
                                   w.setUnit(QStringLiteral("ºC"));
                                   w.setFormat(QStringLiteral("#0.0"));
                                   w.setValue(23.5f);
                               }),
        sample<DialMeter>("dial meter",
                          [](DialMeter &w) {
                              w.setName(QStringLiteral("Nivel de batería"));
                              w.setUnit(QStringLiteral("%"));
                              w.setScale(75, 100, 5);
                              w.setFormat(QStringLiteral("##0.0"));
                              w.setValue(95.0f);
                          }),
        sample<Thermometer>("thermometer",
                            [](Thermometer &w) {
                                w.setName(QStringLiteral("Canal 1"));
                                w.setUnit(QStringLiteral("ºC"));
                                w.setScale(-10, 45);
                                w.setFormat(QStringLiteral("#0.0"));
                                w.setBarColor(Qt::blue);
                                w.setValue(23.5f);
                            }),
        sample<DateClock>("date clock",
                          [fixed](DateClock &w) { w.setNowSource([fixed] { return fixed; }); }),
        sample<TimeClock>("time clock",
                          [fixed](TimeClock &w) { w.setNowSource([fixed] { return fixed; }); }),
        sample<GradientBackground>("gradient background",
                                   [](GradientBackground &w) {
                                       w.setColors(QColor(0, 128, 128), QColor(128, 128, 128));
                                       w.setDirection(Qt::Horizontal);
                                   }),
        sample<PieGauge>("pie gauge",
                         [](PieGauge &w) {
                             w.setMaximum(50);
                             w.setProgress(18);
                         }),
    };
}
