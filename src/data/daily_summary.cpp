#include "data/daily_summary.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace {

constexpr int minutesPerDay = 24 * 60;
constexpr int gridDecimals[] = {1, 1, 1, 0};
/// A grid value in units of its last decimal: tenths for channels 1 to 3, units for channel 4.
constexpr double gridUnitsPerValue[] = {10, 10, 10, 1};

/// The value as a whole number of its channel's grid units; the grid's texts carry no more.
qint64 gridUnits(double value, std::size_t channel)
{
    return std::llround(value * gridUnitsPerValue[channel]);
}

/// sum / count in tenths of a grid unit, rounded once, halves away from zero.
qint64 meanInTenths(qint64 sum, qint64 count)
{
    const qint64 tenths = 10 * (sum < 0 ? -sum : sum);
    const qint64 rounded = (2 * tenths + count) / (2 * count);
    return sum < 0 ? -rounded : rounded;
}

QString number(double value, int decimals, SummaryTableStyle style)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0)
        text.remove(0, 1); // no "-0,0"
    if (style == SummaryTableStyle::Screen)
        text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

QStringList headings(SummaryTableStyle style)
{
    if (style == SummaryTableStyle::Csv) {
        QStringList names {QStringLiteral("date"), QStringLiteral("samples")};
        for (int channel = 1; channel <= 4; ++channel)
            for (const char *stat : {"min", "mean", "max"})
                names << QStringLiteral("ch%1_%2").arg(channel).arg(QLatin1String(stat));
        return names << QStringLiteral("par_mol_m2_d") << QStringLiteral("complete");
    }
    QStringList names {QStringLiteral("Día"), QStringLiteral("Muestras")};
    for (int channel = 1; channel <= 4; ++channel)
        for (const char *stat : {"mín", "media", "máx"})
            names << QStringLiteral("CH%1 %2").arg(channel).arg(QString::fromUtf8(stat));
    return names << QStringLiteral("PAR mol/m²/d") << QStringLiteral("Día completo");
}

} // namespace

std::vector<DaySummary> dailySummary(const std::vector<SummarySample> &samples)
{
    std::vector<DaySummary> days;
    std::map<QDate, std::size_t> dayIndex;
    // Exact sums in grid units, so that a mean that is a half stays one.
    std::vector<std::array<qint64, 4>> sums;
    // PAR in µmol m⁻² s⁻¹ times the seconds each sample stands for, exact.
    std::vector<qint64> parSums;
    // How many samples of each step each day holds.
    std::vector<std::map<int, qint64>> samplesAtStep;
    for (const SummarySample &sample : samples) {
        auto [place, isNew] = dayIndex.try_emplace(sample.day, days.size());
        if (isNew) {
            DaySummary day;
            day.day = sample.day;
            for (std::size_t c = 0; c < 4; ++c)
                day.channels[c] = {sample.values[c], 0, sample.values[c]};
            days.push_back(day);
            sums.push_back({});
            parSums.push_back(0);
            samplesAtStep.emplace_back();
        }
        const std::size_t i = place->second;
        DaySummary &day = days[i];
        ++day.samples;
        for (std::size_t c = 0; c < 4; ++c) {
            ChannelStats &stats = day.channels[c];
            stats.minimum = std::min(stats.minimum, sample.values[c]);
            stats.maximum = std::max(stats.maximum, sample.values[c]);
            sums[i][c] += gridUnits(sample.values[c], c);
        }
        parSums[i] += gridUnits(sample.values[3], 3) * 60 * qint64(std::max(sample.stepMinutes, 0));
        ++samplesAtStep[i][sample.stepMinutes];
    }
    for (std::size_t i = 0; i < days.size(); ++i) {
        DaySummary &day = days[i];
        // The mean carries one decimal more than the grid: tenths of a grid unit.
        for (std::size_t c = 0; c < 4; ++c)
            day.channels[c].mean =
                double(meanInTenths(sums[i][c], day.samples)) / (10 * gridUnitsPerValue[c]);
        // The daily light integral: the sum of PAR (µmol m⁻² s⁻¹) times the seconds each
        // sample stands for, over 10⁶ to give mol m⁻² d⁻¹ (Faust and Logan, "Daily light
        // integral: a research review and high-resolution maps of the United States",
        // HortScience 53(9), 2018).
        day.parIntegral = double(parSums[i]) / 1e6;
        // A whole day at step s holds 1440 / s samples: each sample is that share of a day.
        // Summed over a common denominator, so that the count stays exact.
        qint64 denominator = 1;
        bool stepKnown = true;
        for (const auto &[step, count] : samplesAtStep[i]) {
            stepKnown = stepKnown && step > 0;
            if (step > 0)
                denominator = std::lcm(denominator, qint64(std::max(minutesPerDay / step, 1)));
        }
        qint64 shares = 0;
        for (const auto &[step, count] : samplesAtStep[i])
            if (step > 0)
                shares += count * (denominator / std::max(minutesPerDay / step, 1));
        day.complete = stepKnown && shares >= denominator;
    }
    return days;
}

std::vector<DaySummary> dailySummary(std::vector<SummarySample> samples, int stepMinutes)
{
    for (SummarySample &sample : samples)
        sample.stepMinutes = stepMinutes;
    return dailySummary(samples);
}

SummarySteps summarySteps(const std::vector<TimedStep> &times)
{
    SummarySteps steps;
    const auto firstKnown = std::find_if(times.begin(), times.end(),
                                         [](const TimedStep &time) { return time.stepMinutes; });
    if (firstKnown == times.end())
        return steps;
    int lastKnown = *firstKnown->stepMinutes;
    steps.minutes.reserve(times.size());
    for (const TimedStep &time : times) {
        if (time.stepMinutes)
            lastKnown = *time.stepMinutes;
        else
            ++steps.assumed;
        steps.minutes.push_back(lastKnown);
    }
    return steps;
}

QString assumedStepsText(const SummarySteps &steps)
{
    if (steps.assumed == 0)
        return {};
    return steps.assumed == 1
        ? QStringLiteral(" (1 muestra de tasa desconocida cuenta con la de su vecina)")
        : QStringLiteral(" (%1 muestras de tasa desconocida cuentan con la de su vecina)")
              .arg(steps.assumed);
}

QList<QStringList> summaryTable(const std::vector<DaySummary> &days, SummaryTableStyle style)
{
    QList<QStringList> table {headings(style)};
    const bool csv = style == SummaryTableStyle::Csv;
    for (const DaySummary &day : days) {
        QStringList row {day.day.toString(csv ? QStringLiteral("yyyy-MM-dd")
                                              : QStringLiteral("dd/MM/yyyy")),
                         QString::number(day.samples)};
        for (std::size_t c = 0; c < 4; ++c) {
            const ChannelStats &stats = day.channels[c];
            row << number(stats.minimum, gridDecimals[c], style)
                << number(stats.mean, gridDecimals[c] + 1, style)
                << number(stats.maximum, gridDecimals[c], style);
        }
        row << number(day.parIntegral, 3, style);
        row << (csv ? (day.complete ? QStringLiteral("true") : QStringLiteral("false"))
                    : (day.complete ? QStringLiteral("sí") : QStringLiteral("incompleto")));
        table.append(row);
    }
    return table;
}
