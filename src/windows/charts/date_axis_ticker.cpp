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
    const QCPAxisRect *rect = m_axis->axisRect();
    const int pixels = rect ? rect->width() : 0;
    const DateTickStep step = DateTicks::choose(range.lower, range.upper, pixels);
    std::vector<qint64> times = DateTicks::ticks(range.lower, range.upper, step);
    // A label at either end keeps clear of the chart's edges.
    if (rect)
        times = DateTicks::inside(times, range.lower, range.upper, pixels, rect->left(),
                                  m_axis->parentPlot()->width() - rect->right(),
                                  DateTicks::labelWidth(step.format));
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
