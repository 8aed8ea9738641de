#pragma once

#include "archive/archived_samples.h"

#include <QtGlobal>

#include <vector>

class ArchiveDatabase;

/// A sample with the download it is credited to (or, as a conflict, the one that brought it).
struct CreditedSample
{
    ArchivedSample sample;
    qint64 downloadId = 0;
};

/// The samples of station `stationKey` from `from` to `to` (both included) credited to one of
/// `downloadIds`, in time order.
[[nodiscard]] std::vector<CreditedSample>
creditedSamples(ArchiveDatabase &database, qint64 stationKey, qint64 from, qint64 to,
                const std::vector<qint64> &downloadIds);

/// Gives the station's samples at the times of `rows` their values and download.
void rewriteSamples(ArchiveDatabase &database, qint64 stationKey,
                    const std::vector<CreditedSample> &rows);

/// Keeps `rows` as conflicts of their downloads; one a download already has at that time stays.
void keepConflicts(ArchiveDatabase &database, const std::vector<CreditedSample> &rows);

/// Deletes the station's samples at `times`.
void deleteSamples(ArchiveDatabase &database, qint64 stationKey, const std::vector<qint64> &times);

/// Drops the conflicts of the station's downloads from `from` to `to` that are none any more:
/// the record holds their values now, or holds no sample at their time. Returns the downloads
/// whose conflicts it dropped.
std::vector<qint64> dropSettledConflicts(ArchiveDatabase &database, qint64 stationKey,
                                         qint64 from, qint64 to);

/// Sets the conflict count each of `downloadIds` lists to the conflicts it keeps now.
void recountConflicts(ArchiveDatabase &database, const std::vector<qint64> &downloadIds);
