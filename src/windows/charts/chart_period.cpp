#include "windows/charts/chart_period.h"

#include "data/record_coverage.h"
#include "windows/charts/date_ticks.h"

#include <QStringList>

#include <map>

namespace ChartPeriod {

QString line(qint64 first, qint64 last, const std::vector<int> &stepsMinutes)
{
    const QString moment = QStringLiteral("dd/MM/yyyy HH:mm");
    QString text = DateTicks::label(first, moment);
    if (last != first)
        text += QStringLiteral(" – ") + DateTicks::label(last, moment);
    if (stepsMinutes.empty())
        return text;
    return text + QStringLiteral(", ") + stepsText(stepsMinutes);
}

std::vector<int> commonStep(const std::vector<qint64> &times)
{
    std::map<qint64, int> counts;
    for (size_t i = 1; i < times.size(); ++i) {
        const qint64 distance = times[i] - times[i - 1];
        if (distance > 0 && distance % 60 == 0)
            ++counts[distance / 60];
    }
    qint64 best = 0;
    int bestCount = 0;
    for (const auto &[minutes, count] : counts) {
        if (count > bestCount) {
            best = minutes;
            bestCount = count;
        }
    }
    if (bestCount == 0)
        return {};
    return {int(best)};
}

} // namespace ChartPeriod
