#include "windows/charts/date_ticks.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <array>
#include <cmath>

namespace {

constexpr qint64 secondsPerMinute = 60;
constexpr qint64 secondsPerHour = 3600;
constexpr qint64 secondsPerDay = 86400;
constexpr qint64 secondsPerWeek = 7 * secondsPerDay;
/// The Julian day of 1970-01-01, and the first Monday after it (1970-01-05).
constexpr qint64 epochJulianDay = 2440588;
constexpr qint64 firstMonday = 4 * secondsPerDay;
/// The average lengths of the calendar's months and years, for choosing a step only.
constexpr double secondsPerMonth = 30.436875 * secondsPerDay;
constexpr double secondsPerYear = 365.2425 * secondsPerDay;

/// Pixels per character of the axis's 11-pixel Arial labels (digits are the widest), and the
/// room left between two labels.
constexpr int pixelsPerCharacter = 7;
constexpr int roomBetweenLabels = 14;

const QString hoursOnly = QStringLiteral("HH:mm");
const QString dayAndHours = QStringLiteral("dd/MM HH:mm");
const QString dayOnly = QStringLiteral("dd/MM");
const QString monthAndYear = QStringLiteral("MMM yyyy");
const QString yearOnly = QStringLiteral("yyyy");

struct Candidate
{
    DateUnit unit;
    int count;
    double seconds;
};

/// Every step offered, finest first; each one divides the unit above it where that matters
/// (minutes an hour, hours a day, months a year).
constexpr std::array candidates {
    Candidate {DateUnit::Minute, 1, 60.0},
    Candidate {DateUnit::Minute, 2, 120.0},
    Candidate {DateUnit::Minute, 5, 300.0},
    Candidate {DateUnit::Minute, 10, 600.0},
    Candidate {DateUnit::Minute, 15, 900.0},
    Candidate {DateUnit::Minute, 30, 1800.0},
    Candidate {DateUnit::Hour, 1, 3600.0},
    Candidate {DateUnit::Hour, 2, 7200.0},
    Candidate {DateUnit::Hour, 3, 10800.0},
    Candidate {DateUnit::Hour, 6, 21600.0},
    Candidate {DateUnit::Hour, 12, 43200.0},
    Candidate {DateUnit::Day, 1, 86400.0},
    Candidate {DateUnit::Day, 2, 172800.0},
    Candidate {DateUnit::Week, 1, 604800.0},
    Candidate {DateUnit::Week, 2, 1209600.0},
    Candidate {DateUnit::Month, 1, secondsPerMonth},
    Candidate {DateUnit::Month, 2, 2 * secondsPerMonth},
    Candidate {DateUnit::Month, 3, 3 * secondsPerMonth},
    Candidate {DateUnit::Month, 6, 6 * secondsPerMonth},
    Candidate {DateUnit::Year, 1, secondsPerYear},
    Candidate {DateUnit::Year, 2, 2 * secondsPerYear},
    Candidate {DateUnit::Year, 5, 5 * secondsPerYear},
    Candidate {DateUnit::Year, 10, 10 * secondsPerYear},
    Candidate {DateUnit::Year, 20, 20 * secondsPerYear},
    Candidate {DateUnit::Year, 50, 50 * secondsPerYear},
    Candidate {DateUnit::Year, 100, 100 * secondsPerYear},
};

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

QDate dateOf(qint64 t)
{
    return QDate::fromJulianDay(floorDiv(t, secondsPerDay) + epochJulianDay);
}

qint64 timeOf(const QDate &date)
{
    return (date.toJulianDay() - epochJulianDay) * secondsPerDay;
}

QString formatFor(const Candidate &candidate, double lower, double upper)
{
    switch (candidate.unit) {
    case DateUnit::Minute:
    case DateUnit::Hour: {
        const bool oneDay = floorDiv(qint64(std::floor(lower)), secondsPerDay)
            == floorDiv(qint64(std::floor(upper)), secondsPerDay);
        return oneDay ? hoursOnly : dayAndHours;
    }
    case DateUnit::Day:
    case DateUnit::Week:
        return dayOnly;
    case DateUnit::Month:
        return monthAndYear;
    case DateUnit::Year:
        break;
    }
    return yearOnly;
}

/// Multiples of `step` seconds from `origin`, from lower to upper.
void fixedSteps(std::vector<qint64> &out, qint64 lower, qint64 upper, qint64 origin, qint64 step,
                int limit)
{
    for (qint64 t = origin + (floorDiv(lower - origin - 1, step) + 1) * step;
         t <= upper && int(out.size()) < limit; t += step)
        out.push_back(t);
}

/// The 1st of every `count`-th month (counted from January of year 0), from lower to upper.
void monthSteps(std::vector<qint64> &out, qint64 lower, qint64 upper, int count, int limit)
{
    const QDate start = dateOf(lower);
    qint64 month = floorDiv(qint64(start.year()) * 12 + start.month() - 1, count) * count;
    for (; int(out.size()) < limit; month += count) {
        const QDate first(int(floorDiv(month, 12)), int(month - floorDiv(month, 12) * 12) + 1, 1);
        const qint64 t = timeOf(first);
        if (t > upper)
            break;
        if (t >= lower)
            out.push_back(t);
    }
}

} // namespace

namespace DateTicks {

int labelWidth(const QString &format)
{
    return int(format.size()) * pixelsPerCharacter + roomBetweenLabels;
}

DateTickStep choose(double lower, double upper, int axisPixels)
{
    const double span = upper - lower;
    if (!(span > 0) || axisPixels <= 0 || !std::isfinite(span))
        return {DateUnit::Minute, 1, hoursOnly};
    const double pixelsPerSecond = axisPixels / span;
    for (const Candidate &candidate : candidates) {
        const QString format = formatFor(candidate, lower, upper);
        if (candidate.seconds * pixelsPerSecond >= labelWidth(format))
            return {candidate.unit, candidate.count, format};
    }
    const Candidate &last = candidates.back();
    return {last.unit, last.count, yearOnly};
}

std::vector<qint64> ticks(double lower, double upper, const DateTickStep &step, int limit)
{
    std::vector<qint64> out;
    if (!std::isfinite(lower) || !std::isfinite(upper) || upper < lower || step.count < 1)
        return out;
    const auto from = qint64(std::ceil(lower));
    const auto to = qint64(std::floor(upper));
    switch (step.unit) {
    case DateUnit::Minute:
        fixedSteps(out, from, to, 0, step.count * secondsPerMinute, limit);
        break;
    case DateUnit::Hour:
        fixedSteps(out, from, to, 0, step.count * secondsPerHour, limit);
        break;
    case DateUnit::Day:
        fixedSteps(out, from, to, 0, step.count * secondsPerDay, limit);
        break;
    case DateUnit::Week:
        fixedSteps(out, from, to, firstMonday, step.count * secondsPerWeek, limit);
        break;
    case DateUnit::Month:
        monthSteps(out, from, to, step.count, limit);
        break;
    case DateUnit::Year:
        monthSteps(out, from, to, 12 * step.count, limit);
        break;
    }
    return out;
}

QString label(qint64 t, const QString &format)
{
    static const std::array<const char *, 12> months {"ene", "feb", "mar", "abr", "may", "jun",
                                                      "jul", "ago", "sep", "oct", "nov", "dic"};
    const QDate date = dateOf(t);
    const QTime time = QTime(0, 0).addSecs(int(t - timeOf(date)));
    QString pattern = format;
    pattern.replace(QStringLiteral("MMM"),
                    QLatin1Char('\'') + QLatin1String(months.at(date.month() - 1))
                        + QLatin1Char('\''));
    return QDateTime(date, time, Qt::UTC).toString(pattern);
}

std::vector<qint64> inside(const std::vector<qint64> &times, double lower, double upper,
                           int axisPixels, int roomBefore, int roomAfter, int labelPixels)
{
    if (!(upper > lower) || axisPixels <= 0)
        return times;
    const double pixelsPerSecond = axisPixels / (upper - lower);
    const double half = labelPixels / 2.0;
    std::vector<qint64> kept;
    kept.reserve(times.size());
    for (const qint64 t : times) {
        const double x = (double(t) - lower) * pixelsPerSecond;
        if (x - half >= -roomBefore && x + half <= axisPixels + roomAfter)
            kept.push_back(t);
    }
    return kept;
}

} // namespace DateTicks
