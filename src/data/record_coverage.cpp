#include "data/record_coverage.h"

#include <QStringList>

#include <algorithm>

qint64 RecordCoverage::samples() const
{
    qint64 total = 0;
    for (const CoveredPeriod &period : periods)
        total += period.samples;
    return total;
}

bool RecordCoverage::isSingleRun() const
{
    return periods.size() == 1 && stepsMinutes.size() == 1;
}

QString stepsText(const std::vector<int> &stepsMinutes)
{
    if (stepsMinutes.empty())
        return {};
    QStringList numbers;
    for (int step : stepsMinutes)
        numbers.append(QString::number(step));
    const QString last = numbers.takeLast();
    const QString list = numbers.isEmpty()
        ? last
        : numbers.join(QStringLiteral(", ")) + QStringLiteral(" y ") + last;
    return QStringLiteral("cada %1 %2").arg(list,
                                             stepsMinutes.size() == 1 && stepsMinutes.front() == 1
                                                 ? QStringLiteral("minuto")
                                                 : QStringLiteral("minutos"));
}

RecordCoverage findCoverage(const std::vector<TimedStep> &times)
{
    RecordCoverage coverage;
    std::optional<int> lastKnownStep;
    std::optional<int> previousStep;
    for (std::size_t i = 0; i < times.size(); ++i) {
        const TimedStep &sample = times[i];
        const std::optional<int> step = sample.stepMinutes ? sample.stepMinutes : lastKnownStep;
        if (sample.stepMinutes) {
            lastKnownStep = sample.stepMinutes;
            const auto at = std::lower_bound(coverage.stepsMinutes.begin(),
                                             coverage.stepsMinutes.end(), *sample.stepMinutes);
            if (at == coverage.stepsMinutes.end() || *at != *sample.stepMinutes)
                coverage.stepsMinutes.insert(at, *sample.stepMinutes);
        }
        if (i > 0) {
            const qint64 before = times[i - 1].t;
            const std::optional<int> allowedMinutes =
                step && previousStep ? std::max(*step, *previousStep) : step ? step : previousStep;
            const bool contiguous =
                !allowedMinutes || sample.t - before <= qint64(*allowedMinutes) * 60;
            if (contiguous) {
                CoveredPeriod &period = coverage.periods.back();
                period.last = sample.t;
                ++period.samples;
                previousStep = step;
                continue;
            }
            coverage.gaps.push_back({before, sample.t});
        }
        coverage.periods.push_back({sample.t, sample.t, 1});
        previousStep = step;
    }
    return coverage;
}
