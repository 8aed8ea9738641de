// The archive window on an archive of 20 stations and a million samples, one of them ten
// years at 15 minutes with a gap every tenth download: opening the window until its stations
// table is filled, until the first station's coverage strip is shown, and choosing the ten-year
// station until its coverage strip, gaps and downloads are shown, then painting the strip.
// It measures and reports; it never fails on a slow machine. The archive is built once in a
// temporary folder, or kept in (and taken from) the file given.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_archive_window [archive.sqlite]
#include "bench_timing.h"
#include "ten_year_archive.h"
#include "windows/archive_reader.h"
#include "windows/archive_window.h"
#include "windows/coverage_strip.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTableWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using TenYearArchive::stations;
using TenYearArchive::tenYearStation;
constexpr double openGoalMs = 200;

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

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QTemporaryDir dir;
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : dir.filePath(QStringLiteral("estaciones.sqlite"));
    TenYearArchive::build(path);
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
    return 0;
}
