#pragma once

// The big archive of the archive benchmarks: 20 stations and a million samples, the first of
// them ten years at 15 minutes with a gap every tenth download. It uses the archive tests'
// helpers (BRENTAVIUS_BUILD_TESTS).
#include "bench_timing.h"
#include "ten_years_archive.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

namespace BigArchive {

inline constexpr int stations = 20;
inline constexpr int totalSamples = 1'000'000;
using TenYears::downloadSamples;
using TenYears::start;
using TenYears::tenYearsSamples;

inline const QString tenYearStation = QStringLiteral("Estación 01");

/// Enters `samples` samples of `station` in downloads of 4000 from `first`; every tenth
/// download is left out when `gaps`, so that the record has gaps.
inline void enterStation(StationArchive &archive, const QString &station, const QDateTime &first,
                         int samples, bool gaps)
{
    for (int k = 0, done = 0; done < samples; ++k, done += downloadSamples) {
        if (gaps && k % 10 == 9)
            continue;
        const int count = std::min(downloadSamples, samples - done);
        const QByteArray text =
            ArchiveTest::plainDownload(first.addSecs(qint64(900) * done), count);
        archive.enter(station, {text, RawKind::DownloadText,
                                QDateTime::currentMSecsSinceEpoch(), count, qint64(-42)});
    }
}

/// Builds the archive in the SQLite file `path`, unless it already holds stations.
inline void build(const QString &path)
{
    StationArchive archive = StationArchive::openFile(path);
    if (!archive.stationNames().isEmpty())
        return;
    std::printf("building the archive (%d stations, %d samples)…\n", stations, totalSamples);
    QElapsedTimer timer;
    timer.start();
    enterStation(archive, tenYearStation, start, tenYearsSamples, true);
    const int rest = (totalSamples - tenYearsSamples) / (stations - 1);
    for (int i = 2; i <= stations; ++i)
        enterStation(archive, QStringLiteral("Estación %1").arg(i, 2, 10, QLatin1Char('0')),
                     start.addDays(i * 30), rest, false);
    std::printf("built in %.1f s\n", BenchTiming::msSince(timer) / 1000);
}

} // namespace BigArchive
