#pragma once

#include "data/download_format_error.h"
#include "data/download_lines.h"
#include "data/sample_timestamps.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>

/// A download text turned into the cells of the samples grid: row 0 the headings, then one
/// row per sample with its number, date, time and four value texts. Every cell goes through
/// a sink as soon as it is known, so that a decoding that stops part-way leaves the cells
/// written before it, as the data window shows them.
namespace DownloadTable {

inline constexpr int columnCount = 7;

/// The headings of row 0: column 0 has none.
[[nodiscard]] const std::array<QString, columnCount> &headings();

/// Takes one cell by column and row.
using CellSink = std::function<void(int column, int row, const QString &text)>;

/// What the header line gives the table. A start outside the calendar leaves `start` empty
/// and stamps nothing.
struct Header
{
    std::optional<LoggerTime> start;
    /// The rate text shown: the header's, or for a code the logger does not send, the one kept
    /// from an earlier decoding (possibly empty).
    QString rateText;
    /// The step of the timestamp pass the rate text selects; none when it selects none.
    std::optional<int> stepMinutes;
    /// A start outside the calendar or an unknown rate code, to be reported once the table
    /// is filled.
    std::optional<DownloadFormatError> problem;
};

/// Decodes line 1 of `lines`. `keptRate` is the rate text left from an earlier decoding.
/// Throws as decodeHeader does for a non-digit or a line too short.
[[nodiscard]] Header decodeTableHeader(const DownloadLines &lines, const QString &keptRate);

/// Columns 1 (date) and 2 (time) of rows 1 … `samples`, `stepMinutes` apart from `start`.
void writeTimestamps(const LoggerTime &start, int stepMinutes, int samples, const CellSink &cell);

/// The headings of row 0, columns 1 to 6.
void writeHeadings(const CellSink &cell);

/// Column 0 of rows 1 … `samples`: the row numbers.
void writeRowNumbers(int samples, const CellSink &cell);

/// Columns 3 to 6 of every sample row. A line that does not decode throws at that line, each
/// row before it written whole, that row and the later ones not at all.
void writeValues(const DownloadLines &lines, const CellSink &cell);

/// The whole table of a first decoding (no rate kept from an earlier one): header and
/// timestamps, headings, row numbers, values, in that order. Throws where the decoding stops;
/// otherwise returns the header's problem, if any.
[[nodiscard]] std::optional<DownloadFormatError> fill(const DownloadLines &lines,
                                                      const CellSink &cell);

} // namespace DownloadTable
