// "Ver datos" of the archive window on the ten-year station of the big archive (318,640 rows
// at 15 minutes, with gaps): the time from the click to the data window's grid first painted,
// and the memory (resident set) that the shown data adds over the idle program at that paint.
// Beside them: the archive's read of the samples and their coverage alone (part of that time,
// on the window's reader thread in the opening), and what the readers of every cell cost on
// that grid: the CSV text of "Exportar CSV…" and the text of "GUARDAR". Each opening runs in a
// fresh process of its own, so that memory freed by an earlier one does not hide what the next
// one takes; the figures are the medians. It reports against the goals and never fails on a
// slow machine.
//
// Run:  cmake --build build --target bench_data_window_archive
//       QT_QPA_PLATFORM=offscreen build/bench/bench_data_window_archive [options]
// Options: --archive FILE  keep (and take) the archive in FILE instead of a temporary folder
//          --runs N        processes per figure (5)
//          --peer BINARY   this benchmark built from an earlier tree (copy this file into it),
//                          measured side by side on the same archive as "before"
#include "bench_timing.h"
#include "big_archive.h"
#include "scripted_serial_port.h"
#include "app/window_set.h"
#include "data/csv_export.h"
#include "data/text_export.h"
#include "windows/archive_window.h"
#include "windows/coverage_strip.h"
#include "windows/data_window.h"
#include "windows/main_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

constexpr double timeGoalMs = 300;
constexpr double memoryGoalMb = 80;
const QString childOption = QStringLiteral("--one-opening");

/// The resident set now, in MB.
double residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? double(fields[1].toLongLong()) * double(sysconf(_SC_PAGESIZE)) / 1e6
                             : 0;
}

/// Runs an event loop until `done`, asleep between events as the program is (processEvents with
/// a time limit would spin and take a core from the archive's reader thread).
void waitFor(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&loop, &done] {
        if (done())
            loop.quit();
    });
    check.start(20);
    if (!done())
        loop.exec();
}

/// One opening in this process: prints "RESULT ms addedMb readMs rows csvMs savedMs".
int measureOneOpening(const QString &path)
{
    WindowSet program(std::make_unique<ScriptedSerialPort>());
    program.windows.Form1->skipPortSetup = true;
    TForm5 *data = program.windows.Form5;
    ArchiveWindow window(program.windows, path);
    window.show();
    window.chooseStation(BigArchive::tenYearStation);
    waitFor([&window] { return window.Strip->coverage().samples() > 300'000; });
    window.WholeButton->click();
    // The program idles with the station shown.
    QElapsedTimer settle;
    settle.start();
    waitFor([&settle] { return settle.elapsed() > 500; });

    const double idleMb = residentMb();
    std::optional<double> paintedMs;
    double addedMb = 0;
    int rows = 0;
    double csvMs = 0;
    double savedMs = 0;
    QElapsedTimer timer;
    struct PaintWatch : QObject
    {
        std::function<void()> painted;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && painted) {
                // Once this paint has ended and gone to the screen.
                QTimer::singleShot(0, std::exchange(painted, nullptr));
            }
            return false;
        }
    } watch;
    watch.painted = [&] {
        paintedMs = BenchTiming::msSince(timer);
        addedMb = residentMb() - idleMb;
        rows = data->sampleCount();
        const auto cell = [data](int column, int row) { return data->StringGrid1->cell(column, row); };
        QElapsedTimer reading;
        reading.start();
        (void)CsvExport::samplesText(rows, cell);
        csvMs = BenchTiming::msSince(reading);
        reading.restart();
        (void)TextExport::fileText(rows, [data](int column, int row) {
            return data->StringGrid1->cellText(column, row);
        });
        savedMs = BenchTiming::msSince(reading);
        data->close();
    };
    data->StringGrid1->viewport()->installEventFilter(&watch);
    timer.start();
    window.ShowDataButton->click();
    waitFor([&paintedMs, data] { return paintedMs && !data->isVisible(); });

    // The read alone, as the reader thread does it, with the archive's pages as warm.
    StationArchive archive = StationArchive::openFile(path);
    timer.restart();
    const std::vector<ArchivedSample> samples = archive.samples(BigArchive::tenYearStation);
    const RecordCoverage coverage = archive.coverage(BigArchive::tenYearStation);
    const double readMs = BenchTiming::msSince(timer);
    std::printf("RESULT %.3f %.3f %.3f %d %.3f %.3f\n", *paintedMs, addedMb, readMs, rows, csvMs,
                savedMs);
    return 0;
}

struct Figures
{
    double ms = 0;
    double addedMb = 0;
    double readMs = 0;
    int rows = 0;
    double csvMs = 0;
    double savedMs = 0;
};

/// Medians of `runs` openings, each by `binary` in a process of its own; none if it failed.
std::optional<Figures> measure(const QString &binary, const QString &path, int runs)
{
    std::vector<double> ms, added, read, csv, saved;
    int rows = 0;
    for (int run = 0; run < runs; ++run) {
        QProcess child;
        child.start(binary, {childOption, path});
        if (!child.waitForFinished(120'000) || child.exitCode() != 0)
            return std::nullopt;
        const QByteArray out = child.readAllStandardOutput();
        const qsizetype at = out.indexOf("RESULT ");
        if (at < 0)
            return std::nullopt;
        const QList<QByteArray> fields = out.mid(at).split('\n').front().split(' ');
        ms.push_back(fields.value(1).toDouble());
        added.push_back(fields.value(2).toDouble());
        read.push_back(fields.value(3).toDouble());
        rows = fields.value(4).toInt();
        csv.push_back(fields.value(5).toDouble());
        saved.push_back(fields.value(6).toDouble());
    }
    return Figures {BenchTiming::median(ms), BenchTiming::median(added),
                    BenchTiming::median(read), rows, BenchTiming::median(csv),
                    BenchTiming::median(saved)};
}

QByteArray load()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("?");
}

void report(const char *what, double value, const char *unit, double goal,
            std::optional<double> before)
{
    std::printf("%-46s %8.1f %s  goal < %5.0f %s  %-6s", what, value, unit, goal, unit,
                value < goal ? "met" : "MISSED");
    if (before)
        std::printf("  before %8.1f %s  (%.2fx)", *before, unit,
                    value > 0 ? *before / value : 0.0);
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.value(0) == childOption)
        return measureOneOpening(arguments.value(1));

    QString path;
    QString peer;
    int runs = 5;
    for (qsizetype i = 0; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QStringLiteral("--archive"))
            path = arguments[i + 1];
        else if (arguments[i] == QStringLiteral("--runs"))
            runs = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == QStringLiteral("--peer"))
            peer = arguments[i + 1];
    }
    QTemporaryDir dir;
    if (path.isEmpty())
        path = dir.filePath(QStringLiteral("estaciones.sqlite"));
    BigArchive::build(path);
    std::printf("archive: %s, %.1f MB; %d processes per figure; load %s\n", qPrintable(path),
                double(QFileInfo(path).size()) / 1e6, runs, load().constData());

    std::optional<Figures> before;
    if (!peer.isEmpty()) {
        before = measure(peer, path, runs);
        if (!before)
            std::printf("the peer %s did not measure\n", qPrintable(peer));
    }
    const std::optional<Figures> now =
        measure(QCoreApplication::applicationFilePath(), path, runs);
    if (!now) {
        std::printf("the opening did not measure\n");
        return 1;
    }
    std::printf("\"Ver datos\" on the ten-year station, %d rows, median of %d (load %s):\n",
                now->rows, runs, load().constData());
    const auto was = [&before](double Figures::*figure) {
        return before ? std::optional(*before.*figure) : std::nullopt;
    };
    report("click to the data window's grid painted", now->ms, "ms", timeGoalMs, was(&Figures::ms));
    report("memory added over the idle program", now->addedMb, "MB", memoryGoalMb,
           was(&Figures::addedMb));
    const auto inform = [&before](const char *what, double value, double Figures::*figure) {
        std::printf("%-46s %8.1f ms", what, value);
        if (before)
            std::printf("%29s before %8.1f ms", "", *before.*figure);
        std::printf("\n");
    };
    inform("the archive's read alone (samples, coverage)", now->readMs, &Figures::readMs);
    inform("CSV text of the grid (\"Exportar CSV…\")", now->csvMs, &Figures::csvMs);
    inform("saved text of the grid (\"GUARDAR\")", now->savedMs, &Figures::savedMs);
    return 0;
}
