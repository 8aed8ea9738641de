// Writes a picture of every instrument widget, laid out roughly as the windows use them, so
// that a person can judge the look, and a second picture of each widget at several sizes:
// widgets_gallery [file.png]  (also writes file-sizes.png)
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

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {

ValueIndicator *indicator(const char *name, const char *unit, const char *format, float value)
{
    auto *widget = new ValueIndicator;
    widget->setName(QString::fromUtf8(name));
    widget->setUnit(QString::fromUtf8(unit));
    widget->setFormat(QString::fromUtf8(format));
    widget->setValue(value);
    return widget;
}

Thermometer *thermometer(const char *name, const char *unit, double from, double to,
                         const char *format, QColor bar, float value)
{
    auto *widget = new Thermometer;
    widget->setName(QString::fromUtf8(name));
    widget->setUnit(QString::fromUtf8(unit));
    widget->setScale(from, to);
    widget->setFormat(QString::fromUtf8(format));
    widget->setBarColor(bar);
    widget->setValue(value);
    widget->setFixedSize(113, 160);
    return widget;
}

/// Every sample widget at a small, a wide and a large size, one row per widget.
QImage sizeSheet()
{
    const QList<QSize> sizes {QSize(100, 100), QSize(220, 60), QSize(60, 160), QSize(300, 300)};
    const QList<WidgetSample> samples = widgetSamples();
    const int cell = 310;
    QImage sheet(cell * int(sizes.size()), cell * int(samples.size()), QImage::Format_ARGB32);
    sheet.fill(QColor(0x90, 0x9a, 0xa4));
    QPainter painter(&sheet);
    for (int row = 0; row < samples.size(); ++row) {
        for (int column = 0; column < sizes.size(); ++column) {
            const std::unique_ptr<QWidget> widget = samples.at(row).make();
            widget->resize(sizes.at(column));
            painter.drawPixmap(column * cell + 5, row * cell + 5, widget->grab());
        }
    }
    return sheet;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString file =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/widgets_gallery.png");
    const QDateTime fixed(QDate(2026, 12, 6), QTime(14, 30, 5));

    GradientBackground window;
    window.setColors(QColor(0xe4, 0xe9, 0xee), QColor(0xb4, 0xbf, 0xca));
    auto *grid = new QGridLayout(&window);

    auto *left = new QVBoxLayout;
    auto *rockerOff = new RockerSwitch;
    rockerOff->setText(QStringLiteral("CONECTAR"));
    auto *rockerOn = new RockerSwitch;
    rockerOn->setText(QStringLiteral("DESCONECTAR"));
    rockerOn->setOn(true);
    left->addWidget(rockerOff);
    left->addWidget(rockerOn);
    auto *reportedOff = new ColourButton(QStringLiteral(" REPORTADO POR EL LOGGER"));
    auto *reportedOn = new ColourButton(QStringLiteral(" REPORTADO POR EL LOGGER"));
    reportedOn->setOn(true);
    left->addWidget(reportedOff);
    left->addWidget(reportedOn);
    auto *download = new ColourButton(QStringLiteral("       DESCARGAR DATOS"));
    left->addWidget(download);
    auto *disabled = new ColourButton(QStringLiteral("   CAMBIO DE TASA"));
    disabled->setEnabled(false);
    left->addWidget(disabled);
    auto *chartButton = new ColourButton(QStringLiteral("Imprimir"));
    chartButton->setOffColor(QColor(200, 200, 200));
    chartButton->setTextColor(Qt::black);
    chartButton->setTextAlignment(Qt::AlignHCenter);
    left->addWidget(chartButton);
    auto *leds = new QHBoxLayout;
    auto *ledOn = new Led;
    ledOn->setLit(true);
    leds->addWidget(ledOn);
    leds->addWidget(new Led);
    auto *bigLed = new Led;
    bigLed->setColor(QColor(0x3d, 0xe0, 0x6f));
    bigLed->setLit(true);
    bigLed->setFixedSize(32, 32);
    leds->addWidget(bigLed);
    auto *pie = new PieGauge;
    pie->setMaximum(50);
    pie->setProgress(18);
    leds->addWidget(pie);
    leds->addStretch();
    left->addLayout(leds);
    auto *date = new DateClock;
    date->setNowSource([fixed] { return fixed; });
    auto *time = new TimeClock;
    time->setNowSource([fixed] { return fixed; });
    left->addWidget(date);
    left->addWidget(time);
    left->addStretch();
    grid->addLayout(left, 0, 0, 2, 1);

    auto *channels = new QGridLayout;
    channels->addWidget(indicator("CANAL 1", "ºC", "#0.0", 23.5f), 0, 0);
    channels->addWidget(indicator("CANAL 2", "ºC", "#0.0", -1.2f), 0, 1);
    channels->addWidget(indicator("CANAL 3", "HºRº", "#0.0", 100.0f), 1, 0);
    channels->addWidget(indicator("CANAL 4", "PAR", "##00", 1234.0f), 1, 1);
    grid->addLayout(channels, 0, 1);

    auto *dial = new DialMeter;
    dial->setName(QStringLiteral("Nivel de batería"));
    dial->setUnit(QStringLiteral("%"));
    dial->setScale(75, 100, 5);
    dial->setFormat(QStringLiteral("##0.0"));
    dial->setValue(95.0f);
    grid->addWidget(dial, 1, 1);

    auto *gauges = new QGridLayout;
    gauges->addWidget(thermometer("Canal 1", "ºC", -10, 45, "#0.0", Qt::blue, 23.5f), 0, 0);
    gauges->addWidget(thermometer("Canal 2", "ºC", -10, 45, "#0.0", Qt::yellow, 18.2f), 0, 1);
    gauges->addWidget(thermometer("Canal 3", "HºRº", 0.000001, 100, "##0.0", Qt::green, 64.0f), 1,
                      0);
    gauges->addWidget(thermometer("Canal 4", "PAR", 0.000001, 2500, "#00", Qt::magenta, 1234.0f), 1,
                      1);
    grid->addLayout(gauges, 0, 2, 2, 1);

    auto *bigDial = new DialMeter;
    bigDial->setName(QStringLiteral("Nivel de batería"));
    bigDial->setUnit(QStringLiteral("%"));
    bigDial->setScale(75, 100, 5);
    bigDial->setValue(70.0f);
    bigDial->setFixedSize(320, 260);
    grid->addWidget(bigDial, 0, 3, 2, 1);

    window.resize(window.sizeHint());
    window.show();
    app.processEvents();
    const QFileInfo info(file);
    const QString sheetFile =
        info.path() + u'/' + info.completeBaseName() + QStringLiteral("-sizes.png");
    return window.grab().save(file) && sizeSheet().save(sheetFile) ? 0 : 1;
}
