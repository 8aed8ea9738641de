#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class ArchiveDatabase;

/// Checks that keep a damaged archive file from being written or exported as if it were sound.
namespace ArchiveIntegrity {

/// Throws ArchiveError when SQLite's quick check finds the archive file damaged, with a
/// message that says how to rebuild it from its downloads; a server's archive is not checked.
void checkFile(ArchiveDatabase &database);

/// The samples of station `stationKey` from `from` to `to` (both included, open when none) as
/// the archive keeps count of them: the station's count for its whole record, else from its
/// runs, without reading a sample.
[[nodiscard]] qint64 keptSampleCount(ArchiveDatabase &database, qint64 stationKey,
                                     std::optional<qint64> from, std::optional<qint64> to);

/// Throws ArchiveError saying that the archive is damaged (`finding` says how it showed) and
/// how to rebuild it.
[[noreturn]] void damaged(const ArchiveDatabase &database, const QString &finding);

} // namespace ArchiveIntegrity
