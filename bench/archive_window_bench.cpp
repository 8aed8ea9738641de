// The archive window on an archive of 20 stations and a million samples, one of them ten
// years at 15 minutes with a gap every tenth download: opening the window until its stations
// table is filled, until the first station's coverage strip is shown, and choosing the ten-year
// station until its coverage strip, gaps and downloads are shown, then painting the strip.
// Then "Graficar" on the whole ten-year station: from the click until the chart window is first
// painted, and until its charts are painted filled, against the goal of 150 ms; side by side
// with the chart window opened only once the read is done (as the window did before it showed
// the chart window at once), read by the same reader.
// It measures and reports; it never fails on a slow machine. The archive is built once in a
// temporary folder, or kept in (and taken from) the file given.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_archive_window [archive.sqlite]
#include "bench_timing.h"
#include "big_archive.h"
#include "windows/archive_reader.h"
#include "windows/archive_window.h"
#include "windows/charts/chart_view.h"
#include "windows/charts/chart_window.h"
#include "windows/coverage_strip.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using BigArchive::stations;
using BigArchive::tenYearStation;
constexpr double openGoalMs = 200;
constexpr double chartShownGoalMs = 150;

using BenchTiming::median;
using BenchTiming::msSince;

void report(const char *what, double value, double goal)
{
    if (goal > 0)
        std::printf("%-62s %9.2f ms  goal < %6.1f ms  %s\n", what, value, goal,
                    value < goal ? "met" : "MISSED");
    else
        std::printf("%-62s %9.2f ms\n", what, value);
}

/// When a chart window was first painted and when its first chart was first painted with its
/// points, in ms since the timer started; negative until then.
class ChartPaints : public QObject
{
public:
    explicit ChartPaints(const QElapsedTimer &timer)
        : m_timer(timer)
    {
        qApp->installEventFilter(this);
    }
    ~ChartPaints() override { qApp->removeEventFilter(this); }

    double shown = -1;
    double filled = -1;
    TForm6 *chart = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (event->type() == QEvent::Paint && widget) {
            if (auto *form = qobject_cast<TForm6 *>(widget->window())) {
                chart = form;
                if (shown < 0)
                    shown = msSince(m_timer);
                if (filled < 0 && widget == form->Chart1 && !form->Series1->data()->isEmpty())
                    filled = msSince(m_timer);
            }
        }
        return false;
    }

private:
    const QElapsedTimer &m_timer;
};

/// Runs the event loop until the chart window is painted filled, and closes it.
void waitForChart(ChartPaints &paints)
{
    while (paints.filled < 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    paints.chart->close();
    QCoreApplication::processEvents();
}

/// "Graficar" on the ten-year station, side by side with the chart window opened after the read.
void measureChart(ProgramWindows &windows, const QString &path)
{
    ArchiveWindow window(windows, path);
    int shown = 0;
    QObject::connect(&window, &ArchiveWindow::stationShown, [&shown] { ++shown; });
    window.show();
    while (shown == 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    window.chooseStation(tenYearStation);
    while (shown < 2 || window.reader().pending() > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const qint64 from = window.FromEdit->dateTime().toSecsSinceEpoch();
    const qint64 to = window.ToEdit->dateTime().toSecsSinceEpoch();

    std::vector<double> shownAtOnce, filledAtOnce, shownAfter, filledAfter;
    constexpr int rounds = 5;
    for (int round = 0; round < rounds; ++round) {
        {
            QElapsedTimer timer;
            ChartPaints paints(timer);
            timer.start();
            window.ChartButton->click();
            waitForChart(paints);
            shownAtOnce.push_back(paints.shown);
            filledAtOnce.push_back(paints.filled);
        }
        {
            QElapsedTimer timer;
            ChartPaints paints(timer);
            timer.start();
            window.reader().ask([&windows, from, to](StationArchive &archive) {
                auto record = std::make_shared<ChartRecord>(
                    ChartRecord {tenYearStation, archive.samples(tenYearStation, from, to),
                                 archive.coverage(tenYearStation, from, to)});
                return [&windows, record] {
                    openRecordChart(windows, std::move(*record));
                };
            });
            waitForChart(paints);
            shownAfter.push_back(paints.shown);
            filledAfter.push_back(paints.filled);
        }
    }
    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray loadAverage =
        load.open(QIODevice::ReadOnly) ? load.readAll().split(' ').mid(0, 3).join(' ') : "?";
    std::printf("\"Graficar\" on the whole ten-year station, median of %d (load %s):\n", rounds,
                loadAverage.constData());
    report("click until the chart window is painted", median(shownAtOnce), chartShownGoalMs);
    report("  peer: window opened once the read is done", median(shownAfter), chartShownGoalMs);
    std::printf("%-62s %9.2f\n", "  ratio (peer / now)", median(shownAfter) / median(shownAtOnce));
    report("click until the charts are painted filled", median(filledAtOnce), 0);
    report("  peer: window opened once the read is done", median(filledAfter), 0);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QTemporaryDir dir;
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : dir.filePath(QStringLiteral("estaciones.sqlite"));
    BigArchive::build(path);
    std::printf("archive: %s, %.1f MB\n", qPrintable(path),
                double(QFileInfo(path).size()) / 1e6);

    ProgramWindows windows;
    std::vector<double> filled;
    std::vector<double> firstShown;
    std::vector<double> tenYears;
    std::vector<double> stripPaint;
    constexpr int rounds = 7;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        ArchiveWindow window(windows, path);
        int shown = 0;
        QObject::connect(&window, &ArchiveWindow::stationShown, [&shown] { ++shown; });
        window.show();
        while (window.StationsTable->rowCount() < stations)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        filled.push_back(msSince(timer));
        while (shown == 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        firstShown.push_back(msSince(timer));

        // The first station is the ten-year one: choose another, then it again.
        window.chooseStation(QStringLiteral("Estación 02"));
        while (shown < 2)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        timer.restart();
        window.chooseStation(tenYearStation);
        while (shown < 3)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        tenYears.push_back(msSince(timer));

        timer.restart();
        (void)window.Strip->grab();
        stripPaint.push_back(msSince(timer));
        if (round == 0)
            std::printf("ten-year station: %zu periods, %zu gaps, %lld samples\n",
                        window.Strip->coverage().periods.size(),
                        window.Strip->coverage().gaps.size(),
                        static_cast<long long>(window.Strip->coverage().samples()));
    }
    std::printf("median of %d openings:\n", rounds);
    report("window open until the stations table is filled", median(filled), openGoalMs);
    report("window open until the first station's coverage strip is shown", median(firstShown),
           openGoalMs);
    report("ten-year station chosen until strip, gaps, downloads shown", median(tenYears), 0);
    report("coverage strip of the ten-year station painted", median(stripPaint), 0);
    measureChart(windows, path);
    return 0;
}
