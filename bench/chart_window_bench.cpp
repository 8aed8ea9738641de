// Measures the chart window with the logger's full memory of 4000 samples: filling the three
// charts from the grid, their first paint, and one repaint during a pan against the 16.7 ms a
// frame has at 60 frames per second. Then ten years of a station's record at 15 minutes
// (350,640 samples a channel, one gap) in a chart window of its own with dates: filling and
// first paint, a pan's repaint, a zoom from ten years to one day, against the goals of 150 ms
// and 16 ms. It reports; it never fails on a slow machine.
//
// Run: bench_chart_window [repetitions]   (offscreen unless QT_QPA_PLATFORM names a platform)
#include "archive/archived_samples.h"
#include "windows/charts/chart_record.h"
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
/// Ten years at 15 minutes, 2016 to 2025 (two leap days included).
constexpr int tenYearSamples = 350640;
constexpr double fillGoalMs = 150.0;
constexpr double panGoalMs = 16.0;

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

/// Ten years of a station's record, a day's cycle every 96 samples, with three weeks missing
/// in the middle.
ChartRecord tenYears()
{
    ChartRecord record;
    record.station = QStringLiteral("Parcela 3");
    record.samples.reserve(tenYearSamples);
    const qint64 start = sampleTime(2016, 1, 1, 0, 0, 0);
    std::vector<TimedStep> times;
    times.reserve(tenYearSamples);
    for (int k = 0; k < tenYearSamples; ++k) {
        if (k >= 170000 && k < 170000 + 21 * 96)
            continue;
        const double phase = (k % 96) / 96.0 * 2 * M_PI;
        const double season = std::sin(k / 35064.0 * 2 * M_PI);
        const int air = int(10 * (16 + 8 * season + 8 * std::sin(phase - 1.5)));
        const int soil = int(10 * (15 + 6 * season + 3 * std::sin(phase - 2.2)));
        const int humidity = int(10 * std::clamp(70 - 25 * std::sin(phase - 1.5), 0.0, 100.0));
        const int par = int(std::max(0.0, 1800 * std::sin(phase - 1.57)));
        record.samples.push_back({start + qint64(k) * 900, {air, soil, humidity, par}});
        times.push_back({start + qint64(k) * 900, 15});
    }
    record.coverage = findCoverage(times);
    return record;
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

void reportAgainst(const char *what, const Timing &timing, double goalMs)
{
    std::printf("%-44s median %8.2f ms   worst %8.2f ms   goal %5.0f ms: %s\n", what, timing.median,
                timing.worst, goalMs, timing.median < goalMs ? "met" : "MISSED");
}

/// A pan step's repaint, alternately left and right so that the view stays put.
Timing panRepaints(ChartView *chart, int repetitions)
{
    int direction = 1;
    return measure(repetitions, [&] {
        direction = -direction;
        chart->panByPixels(QPoint(4 * direction, 2 * direction));
        chart->replot(QCustomPlot::rpImmediateRefresh);
        chart->repaint();
    });
}

/// The ten-year record in a chart window of its own.
void measureTenYears(int repetitions)
{
    const ChartRecord record = tenYears();
    std::printf("\nA record's chart window, ten years at 15 minutes: %zu samples a channel, "
                "one gap\n",
                record.samples.size());
    ProgramWindows windows;
    TForm6 *form = openRecordChart(windows, record);
    if (!QTest::qWaitForWindowExposed(form))
        std::fprintf(stderr, "the record's chart window was not shown\n");
    paintNow(*form);
    // The window is open, as for the download above: filling it again and painting, the copy
    // of the record made outside the time measured.
    const auto refill = [&](bool paint) {
        std::vector<double> ms;
        for (int i = 0; i < std::max(3, repetitions / 2); ++i) {
            ChartRecord copy = record;
            QElapsedTimer timer;
            timer.start();
            form->showRecord(std::move(copy));
            if (paint)
                paintNow(*form);
            ms.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        return Timing {ms[ms.size() / 2], ms.back()};
    };
    report("fill the four series from the record", refill(false));
    reportAgainst("fill and first paint, ten years", refill(true), fillGoalMs);

    const struct
    {
        ChartView *chart;
        const char *what;
    } panned[] = {
        {form->Chart1, "pan step repaint, ten years of temperatures"},
        {form->Chart2, "pan step repaint, ten years of humidity"},
        {form->Chart3, "pan step repaint, ten years of PAR"},
    };
    for (const auto &pan : panned) {
        reportAgainst(pan.what, panRepaints(pan.chart, repetitions * 5), panGoalMs);
        pan.chart->undoZoom();
    }

    // From the whole ten years to one day in the middle and back, as a zoom and an undo do.
    ChartView *chart = form->Chart1;
    const double day = record.samples.at(record.samples.size() / 2).t;
    std::vector<double> zooms;
    for (int i = 0; i < repetitions; ++i) {
        chart->undoZoom();
        chart->replot(QCustomPlot::rpImmediateRefresh);
        QElapsedTimer timer;
        timer.start();
        // A day is less than a pixel wide at ten years: its range is set as a zoom leaves it.
        chart->xAxis->setRange(day, day + 86400);
        chart->replot(QCustomPlot::rpImmediateRefresh);
        chart->repaint();
        zooms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(zooms.begin(), zooms.end());
    reportAgainst("zoom from ten years to one day, repaint",
                  {zooms[zooms.size() / 2], zooms.back()}, panGoalMs);
    reportAgainst("pan step repaint, one day of ten years", panRepaints(chart, repetitions * 5),
                  panGoalMs);
    delete form;
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
        report(pan.what, panRepaints(pan.chart, repetitions * 5), true);
        pan.chart->undoZoom();
    }
    measureTenYears(repetitions);
    return 0;
}
