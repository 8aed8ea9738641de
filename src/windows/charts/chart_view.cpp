#include "windows/charts/chart_view.h"

#include "runtime/format_float.h"
#include "runtime/program_formats.h"
#include "windows/charts/date_axis_ticker.h"
#include "windows/charts/value_ticks.h"
#include "windows/charts/date_ticks.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace {

/// Widths of the panel's parts, from the outside in.
constexpr int bevelWidth = 3;
constexpr int borderWidth = 2;
constexpr int lineWidth = 2;
/// The room an unzoomed time axis gives a single sample on either side, in seconds.
constexpr double lonelySampleRoom = 1800.0;
/// Room between the data and the ends of the axes of a chart of dates, as a share of the axis,
/// so that the first and last samples and the extreme values stand off the axis lines.
constexpr double dateRoomShare = 0.02;
constexpr double valueRoomShare = 0.03;

const QColor bevelLight(255, 255, 255);
const QColor bevelDark(128, 128, 128);

/// Fonts are sized in pixels, so that the chart lays out the same on any device and a print or
/// a bitmap at another resolution scales it as a whole (Arial 10 pt bold and 8 pt at 96 dpi).
QFont chartFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

/// The outer frame's width: the single line, two bevels and the border between them.
int frameWidth(const ChartDescription &description)
{
    return (description.singleLineBorder ? 1 : 0) + 2 * bevelWidth + borderWidth;
}

/// Tick steps in whole multiples of a smallest step (or free when there is none), as many as the
/// axis's length on the screen holds without crowding, with labels in a picture pattern or the
/// program's general number format, decimal comma included.
class ChartTicker : public QCPAxisTickerFixed
{
public:
    ChartTicker(const QCPAxis *axis, double step, QString pattern)
        : m_axis(axis)
        , m_pattern(std::move(pattern))
        , m_unit(step > 0 ? step : 0.0)
    { }

protected:
    double getTickStep(const QCPRange &range) override
    {
        // The axis is laid out before its ticks are made, at whatever size the chart is drawn.
        const QCPAxisRect *rect = m_axis->axisRect();
        const bool across = m_axis->orientation() == Qt::Horizontal;
        const int pixels = !rect ? 0 : across ? rect->width() : rect->height();
        return ValueTicks::step(range.size(), pixels,
                                across ? ValueTicks::horizontalSpacing
                                       : ValueTicks::verticalSpacing,
                                m_unit);
    }

    QString getTickLabel(double tick, const QLocale &, QChar, int) override
    {
        // Ticks computed as multiples of a step may miss zero by a rounding error.
        if (std::abs(tick) < 1e-12)
            tick = 0.0;
        return m_pattern.isEmpty() ? ProgramFormats::generalNumber(tick)
                                   : formatFloat(m_pattern, tick);
    }

private:
    const QCPAxis *m_axis;
    QString m_pattern;
    double m_unit;
};

/// The chart's panel under everything else: an optional single black line, a raised outer
/// bevel, the border in the panel colour, a lowered inner bevel and the gradient background
/// inside them.
class ChartPanel : public QCPLayerable
{
public:
    ChartPanel(QCustomPlot *plot, const ChartDescription &description, const QString &layer)
        : QCPLayerable(plot, layer)
        , m_description(description)
    { }

protected:
    void applyDefaultAntialiasingHint(QCPPainter *painter) const override
    {
        painter->setAntialiasing(false);
    }

    QRect clipRect() const override
    {
        // The plot draws each layer clipped one pixel higher; the panel needs its last row.
        return mParentPlot->viewport().adjusted(0, 0, 0, 1);
    }

    void draw(QCPPainter *painter) override
    {
        QRectF rect = mParentPlot->viewport();
        painter->setPen(Qt::NoPen);
        if (m_description.singleLineBorder) {
            painter->fillRect(rect, Qt::black);
            rect.adjust(1, 1, -1, -1);
        }
        drawBevel(painter, rect, bevelLight, bevelDark);
        rect.adjust(bevelWidth, bevelWidth, -bevelWidth, -bevelWidth);
        painter->fillRect(rect, m_description.panelColour);
        rect.adjust(borderWidth, borderWidth, -borderWidth, -borderWidth);
        drawBevel(painter, rect, bevelDark, bevelLight);
        rect.adjust(bevelWidth, bevelWidth, -bevelWidth, -bevelWidth);
        QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
        gradient.setColorAt(0.0, m_description.backgroundTop);
        gradient.setColorAt(1.0, m_description.backgroundBottom);
        painter->fillRect(rect, gradient);
    }

private:
    /// A bevel along the inside of rect: topLeft colour on the top and left edges, bottomRight
    /// colour on the bottom and right edges, meeting on the diagonals of the corners.
    static void drawBevel(QCPPainter *painter, const QRectF &rect, const QColor &topLeft,
                          const QColor &bottomRight)
    {
        const QRectF inner = rect.adjusted(bevelWidth, bevelWidth, -bevelWidth, -bevelWidth);
        const QPolygonF upper {rect.topLeft(),  rect.topRight(),    inner.topRight(),
                               inner.topLeft(), inner.bottomLeft(), rect.bottomLeft()};
        const QPolygonF lower {rect.bottomRight(),  rect.bottomLeft(), inner.bottomLeft(),
                               inner.bottomRight(), inner.topRight(),  rect.topRight()};
        painter->setBrush(topLeft);
        painter->drawPolygon(upper);
        painter->setBrush(bottomRight);
        painter->drawPolygon(lower);
    }

    const ChartDescription &m_description;
};

/// The square point marker of a series.
QCPScatterStyle pointMarker(const SeriesDescription &description)
{
    return QCPScatterStyle(QCPScatterStyle::ssSquare, QPen(description.colour, 1),
                           QBrush(description.colour), 2.0 * description.pointHalfSize);
}

/// The lowest and highest key and value of the visible series that hold points.
std::pair<std::optional<ValueExtent>, std::optional<ValueExtent>>
visibleExtents(const QList<QCPGraph *> &series)
{
    std::optional<ValueExtent> keys;
    std::optional<ValueExtent> values;
    const auto widen = [](std::optional<ValueExtent> &extent, const QCPRange &range) {
        if (!extent)
            extent = ValueExtent {range.lower, range.upper};
        extent->lowest = std::min(extent->lowest, range.lower);
        extent->highest = std::max(extent->highest, range.upper);
    };
    for (const QCPGraph *graph : series) {
        if (!graph->visible() || graph->data()->isEmpty())
            continue;
        bool found = false;
        const QCPRange keyRange = graph->getKeyRange(found);
        if (found)
            widen(keys, keyRange);
        const QCPRange valueRange = graph->getValueRange(found);
        if (found)
            widen(values, valueRange);
    }
    return {keys, values};
}

} // namespace

ChartView::ChartView(ChartDescription description, QWidget *parent)
    : QCustomPlot(parent)
    , m_description(std::move(description))
{
    setObjectName(m_description.name);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Lines two pixels wide are drawn segment by segment on the screen: stroking one polyline of
    // thousands of points that wide takes tens of milliseconds a frame. Bitmaps, pictures and
    // printers still get whole polylines (QCustomPlot keeps them for painters that do not cache).
    setPlottingHint(QCP::phFastPolylines);

    addLayer(QStringLiteral("panel"), layer(QStringLiteral("background")), limBelow);
    new ChartPanel(this, m_description, QStringLiteral("panel"));
    const int frame = frameWidth(m_description);
    plotLayout()->setAutoMargins(QCP::msNone);
    plotLayout()->setMargins(QMargins(frame, frame, frame, frame));
    plotLayout()->setRowSpacing(0);

    m_title = new QCPTextElement(this, m_description.title, chartFont(13, true));
    m_title->setTextColor(QColor(0, 0, 255));
    plotLayout()->insertRow(0);
    plotLayout()->addElement(0, 0, m_title);

    setUpAxes();
    m_numberTicker = xAxis->ticker();
    m_dateTicker = QSharedPointer<QCPAxisTicker>(new DateAxisTicker(xAxis));
    setUpSeries();
    applyUnzoomedScales();
}

void ChartView::setUpAxes()
{
    const auto setUp = [](QCPAxis *axis, const AxisDescription &description) {
        axis->setLabel(description.title);
        axis->setLabelFont(chartFont(11, false));
        axis->setTickLabelFont(chartFont(11, false));
        axis->setTicker(QSharedPointer<QCPAxisTicker>(
            new ChartTicker(axis, description.tickStep, description.labelPattern)));
    };
    // Solid lines of width 1 rather than hairlines, so that they keep their width relative to
    // the chart on a printer; the dotted grid stays a hairline, the thinnest line of any device.
    const auto widen = [](QPen pen) {
        pen.setWidth(1);
        return pen;
    };
    for (QCPAxis *axis : {xAxis, yAxis, xAxis2, yAxis2}) {
        axis->setBasePen(widen(axis->basePen()));
        axis->setTickPen(widen(axis->tickPen()));
        axis->setSubTickPen(widen(axis->subTickPen()));
        axis->grid()->setZeroLinePen(widen(axis->grid()->zeroLinePen()));
    }
    setUp(xAxis, m_description.bottomAxis);
    setUp(yAxis, m_description.leftAxis);
    // The top and right axes only close the plot area into a box; they carry no scale.
    for (QCPAxis *axis : {xAxis2, yAxis2}) {
        axis->setVisible(m_description.showTopAndRightAxes);
        axis->setTicks(false);
        axis->setTickLabels(false);
    }
}

void ChartView::setUpSeries()
{
    for (const SeriesDescription &description : std::as_const(m_description.series)) {
        QCPGraph *graph = addGraph(xAxis, yAxis);
        graph->setName(description.name);
        graph->setObjectName(description.name);
        graph->setPen(QPen(description.colour, lineWidth));
        if (description.pointHalfSize > 0)
            graph->setScatterStyle(pointMarker(description));
        m_tracksPoints = m_tracksPoints || description.sizingCursorOverPoints;
        m_series.append(graph);
    }
    setMouseTracking(true); // the point readout follows the mouse
    connect(this, &QCustomPlot::beforeReplot, this, &ChartView::updatePointMarkers);
}

void ChartView::updatePointMarkers()
{
    for (int i = 0; i < seriesCount(); ++i) {
        const SeriesDescription &description = m_description.series.at(i);
        if (description.pointHalfSize <= 0)
            continue;
        // With dates, years of samples would bury the line under a band of markers, and drawing
        // them costs each frame: they show once the samples in view are apart on the screen.
        bool shown = true;
        if (m_timeAxis == TimeAxis::Dates) {
            const auto data = m_series.at(i)->data();
            const auto inView = data->findEnd(xAxis->range().upper, false)
                - data->findBegin(xAxis->range().lower, false);
            shown = inView * (2 * description.pointHalfSize + 2) <= plotArea().width();
        }
        if (shown == m_series.at(i)->scatterStyle().isNone())
            m_series.at(i)->setScatterStyle(shown ? pointMarker(description) : QCPScatterStyle());
    }
}

void ChartView::setSeriesValues(int index, const QVector<double> &values)
{
    QVector<double> keys(values.size());
    std::iota(keys.begin(), keys.end(), 0.0);
    m_series.at(index)->setData(keys, values, true);
    if (!m_zoomed)
        applyUnzoomedScales();
    replot(rpQueuedReplot);
}

void ChartView::setSeriesPoints(int index, const SeriesPoints &points)
{
    m_series.at(index)->setData(points.keys, points.values, true);
    if (!m_zoomed)
        applyUnzoomedScales();
    replot(rpQueuedReplot);
}

void ChartView::setSeriesVisible(int index, bool visible)
{
    m_series.at(index)->setVisible(visible);
    if (!m_zoomed)
        applyUnzoomedScales();
    replot(rpQueuedReplot);
}

void ChartView::setAxisTitles(const QString &bottom, const QString &left)
{
    xAxis->setLabel(bottom);
    yAxis->setLabel(left);
    replot(rpQueuedReplot);
}

QString ChartView::bottomAxisTitle() const
{
    return xAxis->label();
}

QString ChartView::leftAxisTitle() const
{
    return yAxis->label();
}

QString ChartView::title() const
{
    return m_title->text();
}

void ChartView::setPeriodLine(const QString &line)
{
    if (line.isEmpty()) {
        if (m_period) {
            plotLayout()->remove(m_period);
            plotLayout()->simplify();
            m_period = nullptr;
        }
    } else {
        if (!m_period) {
            m_period = new QCPTextElement(this, QString(), chartFont(11, false));
            m_period->setTextColor(m_title->textColor());
            m_period->setMargins(QMargins(2, 0, 2, 2));
            plotLayout()->insertRow(1);
            plotLayout()->addElement(1, 0, m_period);
        }
        m_period->setText(line);
    }
    replot(rpQueuedReplot);
}

QString ChartView::periodLine() const
{
    return m_period ? m_period->text() : QString();
}

void ChartView::setTimeAxis(TimeAxis axis)
{
    if (axis == m_timeAxis)
        return;
    m_timeAxis = axis;
    xAxis->setTicker(axis == TimeAxis::Dates ? m_dateTicker : m_numberTicker);
    undoZoom();
}

void ChartView::applyUnzoomedScales()
{
    const auto [keys, values] = visibleExtents(m_series);
    AxisRange bottom = unzoomedRange(m_description.bottomAxis, keys);
    if (m_timeAxis == TimeAxis::Dates) {
        // From the first sample to the last; a single one gets room around it.
        bottom = keys ? AxisRange {keys->lowest, keys->highest} : AxisRange {0.0, 3600.0};
        if (!(bottom.upper > bottom.lower))
            bottom = {bottom.lower - lonelySampleRoom, bottom.upper + lonelySampleRoom};
        bottom = withRoomAround(bottom, keys, dateRoomShare);
    }
    AxisRange left = unzoomedRange(m_description.leftAxis, values);
    // The sample-number charts keep their fixed scales.
    if (m_timeAxis == TimeAxis::Dates)
        left = withRoomAround(left, values, valueRoomShare);
    xAxis->setRange(bottom.lower, bottom.upper);
    yAxis->setRange(left.lower, left.upper);
}

void ChartView::zoomToPixels(const QRect &rect)
{
    const QRect r = rect.normalized();
    xAxis->setRange(xAxis->pixelToCoord(r.left()), xAxis->pixelToCoord(r.right()));
    yAxis->setRange(yAxis->pixelToCoord(r.bottom()), yAxis->pixelToCoord(r.top()));
    m_zoomed = true;
    replot(rpQueuedReplot);
}

void ChartView::panByPixels(QPoint step)
{
    const QPoint origin = plotArea().center();
    xAxis->moveRange(xAxis->pixelToCoord(origin.x()) - xAxis->pixelToCoord(origin.x() + step.x()));
    yAxis->moveRange(yAxis->pixelToCoord(origin.y()) - yAxis->pixelToCoord(origin.y() + step.y()));
    m_zoomed = true;
    replot(rpQueuedReplot);
}

void ChartView::undoZoom()
{
    m_zoomed = false;
    applyUnzoomedScales();
    replot(rpQueuedReplot);
}

QRect ChartView::plotArea() const
{
    return axisRect()->rect();
}

void ChartView::renderChart(QCPPainter &painter, const QRectF &target, const QSize &layoutSize)
{
    if (layoutSize.isEmpty() || target.isEmpty())
        return;
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / layoutSize.width(), target.height() / layoutSize.height());
    toPainter(&painter, layoutSize.width(), layoutSize.height());
    painter.restore();
    // Drawing at another size leaves the layout at that size: back to the screen's, so that the
    // mouse keeps meeting the axes where they are drawn.
    updateLayout();
}

void ChartView::renderChart(QPaintDevice &device, const QRectF &target, const QSize &layoutSize)
{
    QCPPainter painter(&device);
    choosePainterModes(painter);
    renderChart(painter, target, layoutSize);
}

void ChartView::choosePainterModes(QCPPainter &painter)
{
    // No pmNonCosmetic: it would turn the dotted grid's hairline into a line as wide as a chart
    // pixel scaled onto the printer (several dots); the solid lines are of width 1 already.
    const int type = painter.device()->devType();
    if (type != QInternal::Pixmap && type != QInternal::Image)
        painter.setMode(QCPPainter::pmVectorized);
}

QPixmap ChartView::toBitmap()
{
    QPixmap bitmap(size());
    bitmap.fill(Qt::white);
    renderChart(bitmap, QRectF(QPointF(0, 0), QSizeF(size())), size());
    return bitmap;
}

void ChartView::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        m_gesture.pressLeft(at);
        update();
    } else if (event->button() == Qt::RightButton) {
        m_rightPressAt = at;
        m_rightMoved = false;
        m_gesture.pressRight(at, plotArea().contains(at));
    } else {
        QCustomPlot::mousePressEvent(event);
        return;
    }
    event->accept();
}

void ChartView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (event->buttons().testFlag(Qt::RightButton) && (at - m_rightPressAt).manhattanLength() > 2)
        m_rightMoved = true;
    if (m_gesture.isDrawingBand()) {
        (void)m_gesture.move(at, plotArea().contains(at));
        update();
    } else if (m_gesture.isPanning()) {
        const QPoint step = m_gesture.move(at, plotArea().contains(at));
        if (!step.isNull())
            panByPixels(step);
    } else {
        if (m_tracksPoints)
            updatePointCursor(at);
        const QString readout = event->buttons() == Qt::NoButton ? readoutAt(at) : QString();
        if (readout.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(event->globalPosition().toPoint(), readout, this);
        QCustomPlot::mouseMoveEvent(event);
        return;
    }
    event->accept();
}

void ChartView::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        const bool wasDrawing = m_gesture.isDrawingBand();
        switch (m_gesture.releaseLeft(at)) {
        case ZoomOutcome::ZoomIn:
            zoomToPixels(m_gesture.band());
            break;
        case ZoomOutcome::Undo:
            undoZoom();
            break;
        case ZoomOutcome::Nothing:
            break;
        }
        if (wasDrawing)
            update(); // takes the rubber band away
    } else if (event->button() == Qt::RightButton) {
        m_gesture.releaseRight();
        // A pan always moves: a click that stayed put asks for the menu instead.
        if (!m_rightMoved && (at - m_rightPressAt).manhattanLength() <= 2)
            emit menuRequested(event->globalPosition().toPoint());
    } else {
        QCustomPlot::mouseReleaseEvent(event);
        return;
    }
    event->accept();
}

void ChartView::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void ChartView::paintEvent(QPaintEvent *event)
{
    QCustomPlot::paintEvent(event);
    if (!m_gesture.isDrawingBand())
        return;
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_gesture.band());
}

void ChartView::resizeEvent(QResizeEvent *event)
{
    QCustomPlot::resizeEvent(event);
    fitTickCounts();
}

void ChartView::fitTickCounts()
{
    // The number and date axes choose their steps from their own length when ticked; a ticker
    // of QCustomPlot's own (the live chart's clock) counts on about one label every 70 pixels.
    xAxis->ticker()->setTickCount(std::max(3, width() / ValueTicks::horizontalSpacing));
}

void ChartView::updatePointCursor(QPoint at)
{
    for (int i = 0; i < seriesCount(); ++i) {
        const SeriesDescription &description = m_description.series.at(i);
        if (description.sizingCursorOverPoints && m_series.at(i)->visible()
            && !m_series.at(i)->scatterStyle().isNone()
            && isOverPoint(m_series.at(i), description.pointHalfSize, at)) {
            setCursor(Qt::SizeFDiagCursor);
            return;
        }
    }
    unsetCursor();
}

bool ChartView::isOverPoint(const QCPGraph *graph, int halfSize, QPoint at) const
{
    const double reach = std::max(halfSize, 1) + 2.0;
    const double fromKey = xAxis->pixelToCoord(at.x() - reach);
    const double toKey = xAxis->pixelToCoord(at.x() + reach);
    const auto data = graph->data();
    const auto end = data->findEnd(std::max(fromKey, toKey), false);
    for (auto point = data->findBegin(std::min(fromKey, toKey), false); point != end; ++point) {
        if (std::abs(xAxis->coordToPixel(point->key) - at.x()) <= reach
            && std::abs(yAxis->coordToPixel(point->value) - at.y()) <= reach)
            return true;
    }
    return false;
}

QString ChartView::readoutAt(QPoint at) const
{
    if (!plotArea().contains(at))
        return {};
    const std::optional<double> key = readoutKey(xAxis->pixelToCoord(at.x()));
    if (!key)
        return {};
    int nearest = -1;
    double nearestValue = 0;
    double nearestDistance = 0;
    for (int i = 0; i < seriesCount(); ++i) {
        const QCPGraph *graph = m_series.at(i);
        if (!graph->visible())
            continue;
        // Points are found by key: a break in the line is a point of its own.
        const auto point = graph->data()->findBegin(*key, false);
        if (point == graph->data()->constEnd() || point->key != *key || std::isnan(point->value))
            continue;
        const double value = point->value;
        const double distance = std::abs(yAxis->coordToPixel(value) - at.y());
        if (nearest < 0 || distance < nearestDistance) {
            nearest = i;
            nearestValue = value;
            nearestDistance = distance;
        }
    }
    if (nearest < 0)
        return {};
    const SeriesDescription &series = m_description.series.at(nearest);
    QString value = QString::number(nearestValue, 'f', series.decimals);
    value.replace(QLatin1Char('.'), QLatin1Char(','));
    const QString name = series.readoutName.isEmpty() ? series.name : series.readoutName;
    if (m_timeAxis == TimeAxis::Dates) {
        return QStringLiteral("%1\n%2: %3 %4")
            .arg(DateTicks::label(qint64(std::llround(*key)), QStringLiteral("dd/MM/yyyy HH:mm")),
                 name, value, series.unit)
            .trimmed();
    }
    const int row = int(*key) + 1;
    const QString moment = sampleMoment ? sampleMoment(row).trimmed() : QString();
    return QStringLiteral("Muestra %1%2\n%3: %4 %5")
        .arg(row)
        .arg(moment.isEmpty() ? QString() : QStringLiteral(" · ") + moment)
        .arg(name, value, series.unit)
        .trimmed();
}

std::optional<double> ChartView::readoutKey(double x) const
{
    if (m_timeAxis == TimeAxis::SampleNumber) {
        const double place = std::round(x);
        return place >= 0 ? std::optional<double>(place) : std::nullopt;
    }
    std::optional<double> best;
    for (const QCPGraph *graph : m_series) {
        const auto data = graph->data();
        if (!graph->visible() || data->isEmpty())
            continue;
        // The first point at or after x and the one before it. Between the two samples around a
        // break there is nothing to read: the nearest sample may lie days away.
        const auto after = data->findBegin(x, false);
        const auto before = after == data->constBegin() ? data->constEnd() : after - 1;
        const bool inGap = (after != data->constEnd() && std::isnan(after->value))
            || (before != data->constEnd() && std::isnan(before->value));
        if (inGap)
            continue;
        for (const auto point : {after, before}) {
            if (point != data->constEnd()
                && (!best || std::abs(point->key - x) < std::abs(*best - x)))
                best = point->key;
        }
    }
    return best;
}
