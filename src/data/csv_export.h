#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

/// CSV as spreadsheets, R and Python read it: RFC 4180, UTF-8, CR LF line ends.
namespace CsvExport {

/// The heading of the samples file.
inline constexpr char samplesHeading[] =
    "timestamp,ch1_air_temp_C,ch2_soil_temp_C,ch3_rh_pct,ch4_par_umol_m2_s";

/// One record: fields joined by commas, a field with a comma, a quote or a line break quoted
/// (its quotes doubled), ended by CR LF.
[[nodiscard]] QByteArray record(const QStringList &fields);

/// A grid cell by its own column and row (1 date, 2 time, 3–6 the channels; rows from 1).
using CellReader = std::function<QString(int column, int row)>;

/// The samples file: the heading, then one record per row with the ISO 8601 local timestamp
/// ("2028-02-29T00:00:07", empty when the row has no date) and the four values as the grid
/// shows them with a decimal point instead of the comma.
[[nodiscard]] QByteArray samplesText(int rows, const CellReader &cell);

/// "dd/mm/yyyy" and "hh:mm:ss" as "yyyy-mm-ddThh:mm:ss"; empty unless both have that shape.
[[nodiscard]] QString isoTimestamp(const QString &date, const QString &time);

} // namespace CsvExport
