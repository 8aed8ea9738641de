#pragma once

#include "data/record_coverage.h"

#include <QString>

#include <vector>

/// The texts of the archive window, and what they are made from. No widgets.
namespace ArchiveTexts {

/// A logger time `t` as the grid writes it: "dd/mm/yyyy hh:mm:ss".
[[nodiscard]] QString moment(qint64 t);
/// A PC time in UTC milliseconds, in the PC's local time, in the same layout.
[[nodiscard]] QString pcMoment(qint64 utcMs);

/// A length of time in the largest two units that say it: "3 días 4 h", "1 día", "5 h 30 min",
/// "45 min", "30 s".
[[nodiscard]] QString span(qint64 seconds);

/// What hovering a gap of the coverage strip says: its start, end and length.
[[nodiscard]] QString gapTip(const RecordGap &gap);

} // namespace ArchiveTexts
