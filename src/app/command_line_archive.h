#pragma once

#include "app/command_line_options.h"
#include "archive/station_archive.h"

/// The command line's runs on the station archive, and the archiving of a download. Each
/// says what went wrong in one line on standard error and returns its exit code.
namespace CommandLine {

/// The archive named to be read, which must be there: a name mistyped must not quietly make a
/// new, empty archive. The user's own is made on first use. Throws ArchiveError.
[[nodiscard]] StationArchive existingArchive(const Options &options);
/// Why options.station is no name to archive under: blank (also with invisible characters
/// alone), too long, or a new name that looks like a station of the archive (see stationKey),
/// which is named; empty when it will do. Read before anything is done, for BadArguments.
[[nodiscard]] QString stationNameProblem(const Options &options);

/// Why the archive named by `options` cannot take a download, found before the port opens so
/// that a download is never made for nowhere; empty when it can.
[[nodiscard]] QString archiveProblem(const Options &options);

/// Enters a finished download under options.station. `savedAs` is the file it was saved as,
/// if any, for the message of a failure. Returns Ok or ArchiveFailed.
[[nodiscard]] int archiveDownloaded(const Options &options, const DownloadEntry &entry,
                                    const QString &savedAs);

/// Sends the archive to the shared server when one is given or kept; Ok when there is none.
/// Returns Ok or SyncFailed.
[[nodiscard]] int syncAfterEntering(const Options &options);

[[nodiscard]] int archiveList(const Options &options);
[[nodiscard]] int archiveExport(const Options &options);
[[nodiscard]] int archiveImport(const Options &options);
[[nodiscard]] int archiveSync(const Options &options);
/// --archive-downloads, --archive-remove-download and --archive-move-download.
[[nodiscard]] int archiveDownloads(const Options &options);
[[nodiscard]] int archiveRemoveDownload(const Options &options);
[[nodiscard]] int archiveMoveDownload(const Options &options);
[[nodiscard]] int archiveRebuild(const Options &options);

/// Records the archive that `options` name (or the user's own) as in use, so that no output of
/// this run is written over it (see ArchiveFiles).
void noteArchiveInUse(const Options &options);

} // namespace CommandLine
