#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

/// The calendar unit a date axis steps by.
enum class DateUnit {
    Minute,
    Hour,
    Day,
    Week, ///< seven days from a Monday
    Month, ///< from the 1st
    Year, ///< from 1 January
};

/// How a date axis is ticked: every `count` units, labelled in `format` (QDateTime's letters;
/// "MMM" is the Spanish month abbreviation).
struct DateTickStep
{
    DateUnit unit = DateUnit::Day;
    int count = 1;
    QString format;

    friend bool operator==(const DateTickStep &, const DateTickStep &) = default;
};

/// Date axes of charts whose keys are sample times: seconds since 1970 of the logger's
/// wall-clock time counted as UTC, shown as they are, with no time zone applied.
namespace DateTicks {

/// The width in pixels a label of `format` takes on the axis, room between labels included.
[[nodiscard]] int labelWidth(const QString &format);

/// The finest step, on round calendar boundaries, whose labels do not crowd an axis of
/// `axisPixels` showing `lower` to `upper`: steps under an hour read "HH:mm", under a day
/// "dd/MM HH:mm" (or "HH:mm" when the range lies within one day), days and weeks "dd/MM",
/// months "MMM yyyy", years "yyyy".
[[nodiscard]] DateTickStep choose(double lower, double upper, int axisPixels);

/// The ticks of `step` from `lower` to `upper`, both included: whole minutes and hours of the
/// day, midnights, Mondays, the 1st of a month, 1 January. At most `limit` of them.
[[nodiscard]] std::vector<qint64> ticks(double lower, double upper, const DateTickStep &step,
                                        int limit = 1000);

/// The ticks of `times` whose labels, `labelPixels` wide and centred on them, lie within the
/// chart: an axis `axisPixels` long showing `lower` to `upper`, with `roomBefore` and
/// `roomAfter` pixels of chart beyond its two ends.
[[nodiscard]] std::vector<qint64> inside(const std::vector<qint64> &times, double lower,
                                         double upper, int axisPixels, int roomBefore,
                                         int roomAfter, int labelPixels);

/// The label of the tick at `t` in `format`, month names in Spanish.
[[nodiscard]] QString label(qint64 t, const QString &format);

} // namespace DateTicks
