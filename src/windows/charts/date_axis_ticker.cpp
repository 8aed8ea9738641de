#include "windows/charts/date_axis_ticker.h"

#include "windows/charts/date_ticks.h"

DateAxisTicker::DateAxisTicker(const QCPAxis *axis)
    : m_axis(axis)
{ }

void DateAxisTicker::generate(const QCPRange &range, const QLocale &, QChar, int,
                              QVector<double> &ticks, QVector<double> *subTicks,
                              QVector<QString> *tickLabels)
{
    // The axis is laid out before its ticks are made, at whatever size the chart is drawn.
    const int pixels = m_axis->axisRect() ? m_axis->axisRect()->width() : 0;
    const DateTickStep step = DateTicks::choose(range.lower, range.upper, pixels);
    const std::vector<qint64> times = DateTicks::ticks(range.lower, range.upper, step);
    ticks.clear();
    ticks.reserve(qsizetype(times.size()));
    for (const qint64 t : times)
        ticks.append(double(t));
    if (subTicks)
        subTicks->clear();
    if (tickLabels) {
        tickLabels->clear();
        tickLabels->reserve(ticks.size());
        for (const qint64 t : times)
            tickLabels->append(DateTicks::label(t, step.format));
    }
}
