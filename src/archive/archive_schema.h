#pragma once

#include <QtGlobal>

#include <optional>

class ArchiveDatabase;

/// The archive's tables, the same on both backends but for the types each spells its own way,
/// and the steps that bring an archive of any earlier version to the current one.
namespace ArchiveSchema {

/// The version this program writes. An archive of a newer version is refused, never guessed at.
inline constexpr int currentVersion = 3;

/// The SQLite application id that marks a file as ours ("BR44").
inline constexpr int sqliteApplicationId = 0x42523434;

/// Brings `archive` to currentVersion: a new, empty archive gets every table, an older one
/// each missing step, each step in its own transaction together with its version, so that a
/// step that fails leaves the archive as it was. An archive at the current version is only
/// read, but for an SQLite file that may be written, which is given a write-ahead log once.
/// Throws ArchiveError for one that is not ours (other tables, another program's file),
/// is newer, or needs a step but may not be written.
void bringUpToDate(ArchiveDatabase &archive);

/// Counts again the samples of station `stationKey` (of every station when none) and its
/// first and last, which each station keeps beside its name so that listing the stations reads
/// no samples. Inside the transaction that changed them.
void countSamplesAgain(ArchiveDatabase &archive, std::optional<qint64> stationKey = std::nullopt);

/// The archive's version as stored; 0 for an empty one. Throws for one that is not ours.
[[nodiscard]] int storedVersion(ArchiveDatabase &archive);

} // namespace ArchiveSchema
