// `brentavius4 --archive-export` of ten years of a station at 15 minutes (350,640 samples)
// against the sqlite3 command-line tool writing the same rows and columns as CSV from the same
// file (-csv with CR LF line ends, -header, the SQL below), both run as programs, one after the
// other in turns, and the medians compared: the goal is an export within 1.3 times the tool's time.
// It also says whether the tool wrote the very bytes of the export, so that both did the same work.
// Without sqlite3 (Debian package sqlite3, see scripts/install-deps) only the export is timed. It
// measures and reports; it never fails on a slow machine. The archive is made in a temporary
// folder, or made in and kept in the file given, or taken from it when it exists (the station
// given, "Parcela 3" by default).
//   build/bench/bench_archive_export [archive.sqlite [station]]
#include "bench_timing.h"
#include "ten_years_archive.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr double goalRatio = 1.3;
constexpr int runs = 7;

/// The export's rows and columns as SQL: the timestamp as ISO 8601, the tenths of channels 1
/// to 3 with one decimal, channel 4 as it is, in time order, headed by the export's heading.
constexpr char peerSql[] =
    "SELECT strftime('%Y-%m-%dT%H:%M:%S', t, 'unixepoch') AS timestamp, "
    "printf('%.1f', v1 / 10.0) AS ch1_air_temp_C, printf('%.1f', v2 / 10.0) AS ch2_soil_temp_C, "
    "printf('%.1f', v3 / 10.0) AS ch3_rh_pct, v4 AS ch4_par_umol_m2_s "
    "FROM samples WHERE station_id = @station ORDER BY t";

void printLoad(const char *when)
{
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        std::printf("load average %s: %.2f %.2f %.2f (1, 5, 15 min)\n", when, load[0], load[1],
                    load[2]);
}

/// The station's key in the archive `file`; -1 when it has none of that name.
qint64 stationKey(const QString &file, const QString &station)
{
    ArchiveTest::Connection connection(file);
    QSqlQuery query(QSqlDatabase::database(connection.name(), false));
    query.prepare(QStringLiteral("SELECT id FROM stations WHERE name = ?"));
    query.addBindValue(station);
    return query.exec() && query.next() ? query.value(0).toLongLong() : -1;
}

/// Runs `program` with `arguments`, its standard output to `output` when one is named, and
/// returns its wall-clock milliseconds; a failed run is said and counts as none.
double timedRun(const QString &program, const QStringList &arguments, const QString &output = {})
{
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!output.isEmpty())
        process.setStandardOutputFile(output);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    process.waitForFinished(-1);
    const double ms = BenchTiming::msSince(timer);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::printf("%s failed (exit code %d)\n", qPrintable(QFileInfo(program).fileName()),
                    process.exitCode());
        return 0;
    }
    return ms;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void fillTenYears(const QString &file, const QString &station)
{
    std::printf("filling %s with ten years of \"%s\"...\n", qPrintable(file), qPrintable(station));
    std::fflush(stdout);
    StationArchive archive = StationArchive::openFile(file);
    for (int k = 0; k < TenYears::tenYearsDownloads; ++k)
        archive.enter(
            station,
            TenYears::entryOf(TenYears::tenYearsDownload(k, TenYears::samplesOfDownload(k)),
                              TenYears::samplesOfDownload(k)));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    QTemporaryDir dir;
    const QString file =
        arguments.size() > 1 ? arguments[1] : dir.filePath(QStringLiteral("ten-years.sqlite"));
    const QString station = arguments.size() > 2 ? arguments[2] : QStringLiteral("Parcela 3");
    printLoad("at the start");
    if (!QFileInfo::exists(file))
        fillTenYears(file, station);
    const qint64 key = stationKey(file, station);
    if (key < 0) {
        std::printf("%s has no station \"%s\": nothing measured\n", qPrintable(file),
                    qPrintable(station));
        return 0;
    }

    const QString program = QStringLiteral(BRENTAVIUS_PROGRAM_PATH);
    const QString exported = dir.filePath(QStringLiteral("export.csv"));
    const QStringList exportArguments {QStringLiteral("--archive-export"),
                                       QStringLiteral("--archive"),
                                       file,
                                       QStringLiteral("--station"),
                                       station,
                                       QStringLiteral("--output"),
                                       exported};
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    const QString peerOutput = dir.filePath(QStringLiteral("sqlite3.csv"));
    const QStringList peerArguments {QStringLiteral("-readonly"),
                                     QStringLiteral("-csv"),
                                     QStringLiteral("-newline"),
                                     QStringLiteral("\r\n"),
                                     QStringLiteral("-header"),
                                     QStringLiteral("-cmd"),
                                     QStringLiteral(".parameter set @station %1").arg(key),
                                     file,
                                     QString::fromLatin1(peerSql)};
    if (sqlite3.isEmpty())
        std::printf("sqlite3: not found (Debian package sqlite3, scripts/install-deps installs "
                    "it): the peer is not measured, the export alone is\n");

    // One untimed run of each first, so that both find the file in the page cache.
    (void)timedRun(program, exportArguments);
    if (!sqlite3.isEmpty())
        (void)timedRun(sqlite3, peerArguments, peerOutput);
    std::vector<double> programMs;
    std::vector<double> peerMs;
    for (int i = 0; i < runs; ++i) {
        programMs.push_back(timedRun(program, exportArguments));
        if (!sqlite3.isEmpty())
            peerMs.push_back(timedRun(sqlite3, peerArguments, peerOutput));
    }

    const QByteArray bytes = contents(exported);
    std::printf("%s, station \"%s\": %lld CSV records, %lld bytes\n", qPrintable(file),
                qPrintable(station), qlonglong(bytes.count('\n')) - 1, qlonglong(bytes.size()));
    const double programMedian = BenchTiming::median(programMs);
    std::printf("%-44s %8.1f ms (median of %d)\n", "brentavius4 --archive-export", programMedian,
                runs);
    if (!sqlite3.isEmpty()) {
        const double peerMedian = BenchTiming::median(peerMs);
        std::printf("%-44s %8.1f ms (median of %d)\n", "sqlite3 -csv, the same rows", peerMedian,
                    runs);
        const double ratio = peerMedian > 0 ? programMedian / peerMedian : 0;
        std::printf("%-44s %8.2f    goal < %.1f  %s\n", "ratio export / sqlite3", ratio, goalRatio,
                    ratio < goalRatio ? "met" : "MISSED");
        std::printf("sqlite3 wrote the export's bytes: %s\n",
                    contents(peerOutput) == bytes ? "yes" : "NO (the comparison is not fair)");
    }
    printLoad("at the end");
    return 0;
}
