#pragma once

#include "archive/archived_samples.h"
#include "archive/sample_store.h"

#include <QtGlobal>

#include <vector>

class ArchiveDatabase;

/// Lets download `downloadId`, whose check passed, take over the samples of station
/// `stationKey` that only downloads whose check failed brought ("unconfirmed"), inside the
/// transaction that entered it and after mergeSamples: one it brings with other values is
/// replaced, the values replaced kept as a conflict of the failed download; one it brings with
/// the same values is credited to it. The conflicts it found there leave `merged`. Returns how
/// many samples it replaced.
int takeOverUnconfirmed(ArchiveDatabase &database, qint64 stationKey, qint64 downloadId,
                        const std::vector<ArchivedSample> &samples, MergedSamples &merged);
