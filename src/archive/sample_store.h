#pragma once

#include "archive/archived_samples.h"
#include "data/record_coverage.h"

#include <QtGlobal>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class ArchiveDatabase;

/// What entering a download's samples found.
struct MergedSamples
{
    int newSamples = 0;
    int alreadyArchived = 0;
    /// The samples whose time the station's record holds with other values, in the order of
    /// the download (a time the download repeats may come more than once).
    std::vector<ArchivedSample> conflicting;
    /// The times this download added to the record, ascending.
    std::vector<qint64> newTimes;
};

/// Enters `samples` (in the order of the download) as download `downloadId` of station
/// `stationKey`, inside the transaction already open: a time the station's record lacks is
/// added, one it holds with the same values is already archived, one with other values is a
/// conflict, kept in the conflicts table and the record left as it was. A time the download
/// repeats is new once; its repetitions compare with what was entered. The times it adds join
/// the station's runs (see SampleRun). Throws ArchiveError.
[[nodiscard]] MergedSamples mergeSamples(ArchiveDatabase &database, qint64 stationKey,
                                         qint64 downloadId,
                                         const std::vector<ArchivedSample> &samples);

/// Hands `take` each sample of station `stationKey` from `from` to `to` (both included), in
/// time order, as it is read, without holding them all. Throws ArchiveError.
void forEachSample(ArchiveDatabase &database, qint64 stationKey, qint64 from, qint64 to,
                   const std::function<void(const ArchivedSample &)> &take);

/// The samples of station `stationKey` from `from` to `to` (both included), in time order.
[[nodiscard]] std::vector<ArchivedSample> readSamples(ArchiveDatabase &database, qint64 stationKey,
                                                      qint64 from, qint64 to);

/// The time of each sample of station `stationKey` from `from` to `to` (both included), in time
/// order, with the step of the download that brought it, from the station's runs.
[[nodiscard]] std::vector<TimedStep> readTimedSteps(ArchiveDatabase &database, qint64 stationKey,
                                                    qint64 from, qint64 to);

/// Makes the runs of station `stationKey` again from its samples, inside the transaction that
/// changed them.
void rebuildRuns(ArchiveDatabase &database, qint64 stationKey);

/// The t of the first and last samples in the runs of download `downloadId` of station
/// `stationKey`; none when it has no run.
[[nodiscard]] std::optional<std::pair<qint64, qint64>>
runSpan(ArchiveDatabase &database, qint64 stationKey, qint64 downloadId);

/// Makes the runs of the station's downloads `downloadIds` again, inside the transaction that
/// changed which samples they are credited with: their samples lay in their runs before and
/// lie from `from` to `to` (both included) after.
void refreshRuns(ArchiveDatabase &database, qint64 stationKey,
                 const std::vector<qint64> &downloadIds, qint64 from, qint64 to);
