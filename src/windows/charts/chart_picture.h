#pragma once

#include <QString>

class ChartView;

/// Pictures of a chart for reports, drawn through the chart's one render path.
namespace ChartPicture {

enum class Kind {
    Png, ///< a bitmap at the chart's on-screen size
    Png2x, ///< a bitmap at twice that size, the chart laid out as on screen
    Pdf, ///< one page of the chart's size, lines and text as vectors
};

/// The file name a picture is offered under: the chart's title and the recording's start date
/// ("dd/mm/yyyy", written as yyyy-mm-dd; left out when it is not a date), with the kind's
/// extension. Characters that file systems refuse become "-".
[[nodiscard]] QString defaultFileName(const QString &title, const QString &startDate, Kind kind);

/// Writes the picture of `chart` as `fileName`, replacing a file only once it is complete.
/// Failures throw EInOutError.
void save(ChartView &chart, const QString &fileName, Kind kind);

} // namespace ChartPicture
