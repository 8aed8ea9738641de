#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

/// The period a chart with dates shows, as the second line of its title.
namespace ChartPeriod {

/// "05/12/2026 04:15 – 08/12/2026 04:00, cada 15 minutos"; several steps read "cada 15 y 60
/// minutos", none leaves the steps out, and a single moment stands alone.
[[nodiscard]] QString line(qint64 first, qint64 last, const std::vector<int> &stepsMinutes);

/// The step of samples recorded at one rate, in minutes: the most frequent whole-minute distance
/// between neighbours of `times` (in ascending order); none for fewer than two samples.
[[nodiscard]] std::vector<int> commonStep(const std::vector<qint64> &times);

} // namespace ChartPeriod
