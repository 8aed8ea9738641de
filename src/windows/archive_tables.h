#pragma once

#include "archive/station_archive.h"
#include "data/record_coverage.h"

#include <QStringList>

#include <vector>

class QTableWidget;
class QWidget;

/// The tables of the archive window: made read-only with their headings, and filled from
/// what the archive answers. Dates are logger times as the grid writes them; a download's
/// arrival is the PC's local time.
namespace ArchiveTables {

/// A table named `name` with `headings`, whole rows selected one at a time, not editable.
[[nodiscard]] QTableWidget *make(QWidget *parent, const char *name, const QStringList &headings);

/// Name, first and last sample, samples, downloads, last download, last clock offset; the
/// name's cell is the only one the user may edit (to rename the station).
void fillStations(QTableWidget &table, const std::vector<StationSummary> &stations);
/// When, samples, new, already archived, conflicts, rate, clock offset, check, and whether it
/// was sent when `sentShown` (a shared archive is set); the columns narrowed to the table's
/// width.
void fillDownloads(QTableWidget &table, const std::vector<DownloadSummary> &downloads,
                   bool sentShown);
/// Start, end and length of each gap.
void fillGaps(QTableWidget &table, const std::vector<RecordGap> &gaps);
/// Each conflict's time and download, what the download brought beside what is archived; the
/// values that differ stand out.
void fillConflicts(QTableWidget &table, const std::vector<ConflictRow> &conflicts);

} // namespace ArchiveTables
