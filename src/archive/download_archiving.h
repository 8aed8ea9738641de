#pragma once

#include "archive/station_archive.h"

#include <QString>

#include <optional>

/// What entering a finished download into the local archive gave, for the line that says it.
struct ArchivingResult
{
    /// The archive's file.
    QString archive;
    /// What the entry did; none when it failed.
    std::optional<EntryResult> entry;
    /// Why the download could not be archived; empty when it was.
    QString failure;

    [[nodiscard]] bool succeeded() const { return entry.has_value(); }
    /// EntryResult::line(), or "No se pudo archivar la descarga: …" with the reason.
    [[nodiscard]] QString line() const;
};

/// A download that has just ended, to be entered: its text as received, the samples the
/// logger reported, the clock offset measured from the last status frame before it.
[[nodiscard]] DownloadEntry finishedDownload(const QByteArray &text,
                                             std::optional<int> samplesReported,
                                             std::optional<qint64> clockOffsetSeconds);

/// Enters `entry` under `station` into the local archive at `archivePath` (the user's own when
/// empty), opened for this entry alone. Never throws: a failure is in the result.
[[nodiscard]] ArchivingResult archiveDownload(const QString &archivePath, const QString &station,
                                              const DownloadEntry &entry);
