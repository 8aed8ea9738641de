#pragma once

// The ten years of a station at 15 minutes that the archive benchmarks fill an archive with,
// in downloads of 4000 samples.
#include "archive/station_archive.h"
#include "archive_test_support.h"

#include <QDateTime>

#include <algorithm>

namespace TenYears {

constexpr int downloadSamples = 4000;
/// Ten years at 15 minutes: 365.25 × 96 × 10.
constexpr int tenYearsSamples = 350'640;
/// The downloads that bring the ten years, the last one shorter.
constexpr int tenYearsDownloads = (tenYearsSamples + downloadSamples - 1) / downloadSamples;

inline const QDateTime start(QDate(2016, 1, 1), QTime(0, 0, 7), Qt::UTC);

/// The samples download k of the ten years brings.
inline int samplesOfDownload(int k)
{
    return std::min(downloadSamples, tenYearsSamples - k * downloadSamples);
}

/// Download k of a station's ten years: 4000 samples from step 4000 k.
inline QByteArray tenYearsDownload(int k, int samples = downloadSamples)
{
    return ArchiveTest::plainDownload(start.addSecs(qint64(900) * downloadSamples * k), samples);
}

/// A download of `text` arriving now, as the logger reported it: `samples` samples.
inline DownloadEntry entryOf(const QByteArray &text, int samples = downloadSamples)
{
    return {text, RawKind::DownloadText, QDateTime::currentMSecsSinceEpoch(), samples,
            std::nullopt};
}

} // namespace TenYears
