#include "windows/charts/live_chart_view.h"

#include "windows/charts/date_ticks.h"

#include <QCursor>
#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

/// A chart of the chart window made live: a time axis, value ticks at any step, no point
/// markers (a day of frames would bury the line under them) and only the series that carry
/// channels.
ChartDescription live(ChartDescription chart, qsizetype seriesKept)
{
    chart.name = QStringLiteral("Live") + chart.name;
    chart.bottomAxis = {};
    chart.bottomAxis.title = QStringLiteral("Hora");
    // A few minutes of temperatures often span less than the download chart's 2 ºC step.
    chart.leftAxis.tickStep = 0.0;
    chart.series = chart.series.mid(0, seriesKept);
    for (SeriesDescription &series : chart.series) {
        series.pointHalfSize = 0;
        series.sizingCursorOverPoints = false;
    }
    return chart;
}

/// Room between the values and the ends of the value axis, as a share of the axis.
constexpr double liveValueRoomShare = 0.03;

/// The live time axis: QCustomPlot's clock ticks, but for those whose label would reach past
/// the chart's edges as the axis moves on.
class LiveTimeTicker : public QCPAxisTickerDateTime
{
public:
    explicit LiveTimeTicker(const QCPAxis *axis)
        : m_axis(axis)
    { }

protected:
    QVector<double> createTickVector(double tickStep, const QCPRange &range) override
    {
        const QVector<double> ticks = QCPAxisTickerDateTime::createTickVector(tickStep, range);
        const QCPAxisRect *rect = m_axis->axisRect();
        if (!rect)
            return ticks;
        int labelPixels = 0;
        for (const QString &line : dateTimeFormat().split(QLatin1Char('\n')))
            labelPixels = std::max(labelPixels, DateTicks::labelWidth(line));
        std::vector<qint64> times;
        for (const double tick : ticks)
            times.push_back(std::llround(tick));
        times = DateTicks::inside(times, range.lower, range.upper, rect->width(), rect->left(),
                                  m_axis->parentPlot()->width() - rect->right(), labelPixels);
        QVector<double> kept;
        for (const double tick : ticks) {
            if (std::binary_search(times.cbegin(), times.cend(), std::llround(tick)))
                kept.append(tick);
        }
        return kept;
    }

private:
    const QCPAxis *m_axis;
};

} // namespace

namespace LiveChartDescriptions {

ChartDescription temperature()
{
    ChartDescription chart = live(ChartDescriptions::temperature(), 2);
    chart.leftAxis.title = QStringLiteral("Temperatura (ºC)");
    return chart;
}

ChartDescription humidity()
{
    ChartDescription chart = live(ChartDescriptions::humidity(), 1);
    chart.leftAxis.title = QStringLiteral("Humedad relativa (%)");
    return chart;
}

ChartDescription par()
{
    ChartDescription chart = live(ChartDescriptions::par(), 1);
    chart.leftAxis.title = QStringLiteral("PAR (µmol m⁻² s⁻¹)");
    return chart;
}

} // namespace LiveChartDescriptions

LiveChartView::LiveChartView(ChartDescription description, QList<int> channels, QWidget *parent)
    : ChartView(std::move(description), parent)
    , m_channels(std::move(channels))
    , m_ticker(new LiveTimeTicker(xAxis))
{
    // Month names in Spanish; the ticker shows the PC's local time.
    setLocale(QLocale(QLocale::Spanish, QLocale::Spain));
    m_ticker->setDateTimeSpec(Qt::LocalTime);
    m_ticker->setTickCount(xAxis->ticker()->tickCount());
    xAxis->setTicker(m_ticker);
    for (int i = 0; i < seriesCount(); ++i)
        series(i)->setAdaptiveSampling(false); // thinned already, breaks included
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    m_range = liveTimeRange(now, liveChartSpans().constFirst().durationMs);
    m_ticker->setDateTimeFormat(liveTickFormat(liveChartSpans().constFirst().durationMs));
    applyUnzoomedScales();
}

void LiveChartView::showFrames(const LiveFrames &frames, const LiveSpan &span, LiveTimeRange range,
                               qint64 spanMs)
{
    m_frames = &frames;
    m_span = span;
    m_range = range;
    m_ticker->setDateTimeFormat(liveTickFormat(spanMs));
    fill();
}

LiveSpan LiveChartView::heldSpan() const
{
    if (!m_frames || m_span.isEmpty() || !m_frames->find(m_span.firstSequence()))
        return {};
    return m_span;
}

void LiveChartView::fill()
{
    LiveChartPicture picture = liveChartPicture(heldSpan(), m_channels, m_range, width());
    for (int i = 0; i < seriesCount(); ++i)
        series(i)->setData(picture.series[i].keys, picture.series[i].values, true);
    m_values = picture.values;
    // The series always hold every frame; the screen is drawn again only where it would show
    // something else. A zoom or pan draws on its own.
    if (!isZoomed())
        applyUnzoomedScales();
    updateReadout();
    if (!isZoomed() && m_drawn && liveChartLooksTheSame(*m_drawn, picture))
        return;
    m_drawn = std::move(picture);
    replot(rpQueuedReplot);
}

void LiveChartView::updateReadout()
{
    if (!QToolTip::isVisible() || !underMouse())
        return;
    const QString readout = readoutAt(mapFromGlobal(QCursor::pos()));
    if (readout.isEmpty())
        QToolTip::hideText();
    else if (readout != QToolTip::text())
        QToolTip::showText(QCursor::pos(), readout, this);
}

void LiveChartView::applyUnzoomedScales()
{
    xAxis->setRange(m_range.lower, m_range.upper);
    // The values stand off the axis lines, as in the chart of a stretch of the archive.
    const AxisRange values = withRoomAround(unzoomedRange(description().leftAxis, m_values),
                                            m_values, liveValueRoomShare);
    yAxis->setRange(values.lower, values.upper);
}

void LiveChartView::resizeEvent(QResizeEvent *event)
{
    ChartView::resizeEvent(event);
    if (m_frames)
        fill();
}

QString LiveChartView::readoutAt(QPoint at) const
{
    if (!plotArea().contains(at))
        return {};
    const LiveSpan span = heldSpan();
    const auto pcTime = qint64(std::llround(xAxis->pixelToCoord(at.x()) * 1000.0));
    const qsizetype index = span.nearest(pcTime);
    if (index < 0)
        return {};
    const LiveFrame &frame = span[index];
    QStringList lines {QDateTime::fromMSecsSinceEpoch(frame.pcTime)
                           .toLocalTime()
                           .toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))};
    for (int i = 0; i < seriesCount(); ++i) {
        if (!series(i)->visible())
            continue;
        const SeriesDescription &description = this->description().series.at(i);
        const int channel = m_channels.at(i);
        QString value = QString::number(frame.shownValue(channel), 'f', shownDecimals(channel));
        value.replace(QLatin1Char('.'), QLatin1Char(','));
        lines.append(
            QStringLiteral("%1: %2 %3").arg(description.readoutName, value, description.unit));
    }
    return lines.join(QLatin1Char('\n'));
}
