// Measures the live chart window with a full ring of 86,400 frames (24 hours at one a second):
// one update as a frame arrives (the three charts read their span and thin it to their width)
// and the repaint that follows, for each span. It reports; it never fails on a slow machine.
//
// Run: bench_live_chart [repetitions]   (offscreen unless QT_QPA_PLATFORM names a platform)
#include "link/live_frames.h"
#include "windows/charts/live_chart_points.h"
#include "windows/charts/live_chart_view.h"
#include "windows/charts/live_chart_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

/// A frame of a day's cycle, `second` seconds into the ring.
LiveFrame dayFrame(qint64 startMs, qint64 second)
{
    const double phase = double(second % 86'400) / 86'400.0 * 2 * M_PI;
    LiveFrame frame;
    frame.pcTime = startMs + second * 1000;
    frame.shown = {std::int16_t(180 + 80 * std::sin(phase - 1.5) + 5 * std::sin(second * 0.37)),
                   std::int16_t(170 + 30 * std::sin(phase - 2.2)),
                   std::int16_t(std::clamp(700 - 250 * std::sin(phase - 1.5), 0.0, 1000.0)),
                   std::int16_t(std::max(0.0, 1800 * std::sin(phase - 1.57)))};
    return frame;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;

    LiveFrames frames;
    const qint64 startMs = QDateTime::currentMSecsSinceEpoch() - 86'400'000;
    qint64 second = 0;
    for (; second < LiveFrames::fullCapacity; ++second)
        frames.append(dayFrame(startMs, second));

    LiveChartWindow window(frames, [] { return true; });
    window.resize(1280, 900);
    window.show();
    QApplication::processEvents();

    std::printf("live chart, full ring of %lld frames, window %dx%d, %d updates per span\n",
                static_cast<long long>(frames.size()), window.width(), window.height(),
                repetitions);
    std::printf("%-10s %8s %14s %14s %14s\n", "span", "points", "update ms", "repaint ms",
                "of 1000 ms");
    for (int choice = 0; choice < int(liveChartSpans().size()); ++choice) {
        window.SpanBox->setCurrentIndex(choice);
        std::vector<double> updates;
        std::vector<double> repaints;
        for (int i = 0; i < repetitions; ++i) {
            frames.append(dayFrame(startMs, second++));
            QElapsedTimer clock;
            clock.start();
            window.framesChanged();
            updates.push_back(double(clock.nsecsElapsed()) / 1e6);
            clock.restart();
            for (LiveChartView *chart : std::as_const(window.Charts))
                chart->replot(QCustomPlot::rpImmediateRefresh);
            repaints.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        int points = 0;
        for (const LiveChartView *chart : std::as_const(window.Charts))
            for (int i = 0; i < chart->seriesCount(); ++i)
                points += chart->series(i)->data()->size();
        const double update = median(updates);
        const double repaint = median(repaints);
        std::printf("%-10s %8d %14.2f %14.2f %13.2f%%\n",
                    qPrintable(liveChartSpans().at(choice).label), points, update, repaint,
                    (update + repaint) / 10.0);
    }

    // The parts of a 24-hour update: finding the span, and thinning one channel of it.
    const qint64 dayMs = liveChartSpans().constLast().durationMs;
    std::vector<double> finds;
    std::vector<double> thinnings;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer clock;
        clock.start();
        const LiveSpan span = frames.latest(dayMs);
        finds.push_back(double(clock.nsecsElapsed()) / 1e6);
        clock.restart();
        const LivePoints points = liveChartPoints(
            span, 1, liveTimeRange(span[span.size() - 1].pcTime, dayMs), window.width());
        thinnings.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("24 horas: finding the span %.2f ms, thinning one channel %.2f ms\n",
                median(finds), median(thinnings));
    return 0;
}
