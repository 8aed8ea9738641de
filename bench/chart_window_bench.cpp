// Measures the chart window with the logger's full memory of 4000 samples: filling the three
// charts from the grid, their first paint, and one repaint during a pan against the 16.7 ms a
// frame has at 60 frames per second. It reports; it never fails on a slow machine.
//
// Run: bench_chart_window [repetitions]   (offscreen unless QT_QPA_PLATFORM names a platform)
#include "windows/charts/chart_view.h"
#include "windows/charts/chart_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int loggerSamples = 4000;
constexpr double frameBudgetMs = 1000.0 / 60.0;

QString gridNumber(double value, int decimals)
{
    return QString::number(value, 'f', decimals).replace(u'.', u',');
}

/// A grid as the data window fills it after a full download: a day's cycle every 96 samples.
QList<QStringList> fullDownload()
{
    QList<QStringList> rows {{"", " FECHA:", " HORA:", "CANAL 1", "CANAL 2", "CANAL 3", "CANAL 4"}};
    for (int k = 1; k <= loggerSamples; ++k) {
        const double phase = (k % 96) / 96.0 * 2 * M_PI;
        const double air = 18 + 8 * std::sin(phase - 1.5) + 0.5 * std::sin(k * 0.37);
        const double soil = 17 + 3 * std::sin(phase - 2.2);
        const double humidity = std::clamp(70 - 25 * std::sin(phase - 1.5), 0.0, 100.0);
        const double par = std::max(0.0, 1800 * std::sin(phase - 1.57));
        rows.append({QString::number(k), "14/06/2012", "12:00:00", gridNumber(air, 1),
                     gridNumber(soil, 1), gridNumber(humidity, 1), gridNumber(par, 0)});
    }
    return rows;
}

struct Timing
{
    double median = 0;
    double worst = 0;
};

template<typename Step>
Timing measure(int repetitions, Step step)
{
    std::vector<double> ms;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

/// Draws the charts now, as the first paint after filling does.
void paintNow(TForm6 &form)
{
    for (ChartView *chart : {form.Chart1, form.Chart2, form.Chart3})
        chart->replot(QCustomPlot::rpImmediateRefresh);
    form.repaint();
}

void report(const char *what, const Timing &timing, bool againstFrame = false)
{
    std::printf("%-44s median %8.2f ms   worst %8.2f ms", what, timing.median, timing.worst);
    if (againstFrame)
        std::printf("   %5.1f %% of a 60 fps frame", 100.0 * timing.median / frameBudgetMs);
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    const QList<QStringList> rows = fullDownload();
    ProgramWindows windows;
    TForm6 form(windows);
    form.setSampleGrid({[&rows] { return int(rows.size()) - 1; },
                        [&rows](int column, int row) {
                            return rows.value(row).value(column);
                        }});
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::fprintf(stderr, "the chart window was not shown\n");
        return 1;
    }
    paintNow(form);

    std::printf("Chart window, %d samples, %d repetitions, platform %s\n", loggerSamples,
                repetitions, qPrintable(QGuiApplication::platformName()));
    report("fill the four series from the grid",
           measure(repetitions, [&] { form.FormActivate(); }));
    report("fill and first paint of the three charts", measure(repetitions, [&] {
               form.FormActivate();
               paintNow(form);
           }));

    const struct
    {
        ChartView *chart;
        const char *what;
    } panned[] = {
        {form.Chart1, "pan step repaint, temperatures (2 x 4000)"},
        {form.Chart2, "pan step repaint, humidity (4000, 3x3 points)"},
        {form.Chart3, "pan step repaint, PAR (4000, 5x5 points)"},
    };
    for (const auto &pan : panned) {
        int direction = 1;
        report(pan.what,
               measure(repetitions * 5,
                       [&] {
                           direction = -direction;
                           pan.chart->panByPixels(QPoint(4 * direction, 2 * direction));
                           pan.chart->replot(QCustomPlot::rpImmediateRefresh);
                           pan.chart->repaint();
                       }),
               true);
        pan.chart->undoZoom();
    }
    return 0;
}
