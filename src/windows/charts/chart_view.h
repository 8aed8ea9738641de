#pragma once

#include "windows/charts/chart_description.h"
#include "windows/charts/chart_filling.h"
#include "windows/charts/print_margins.h"
#include "windows/charts/zoom_gesture.h"

#include <qcustomplot.h>

#include <QList>
#include <QPixmap>
#include <QVector>

#include <functional>

/// What a chart's bottom axis counts: the samples' places (0, 1, 2 and so on) or their times
/// (see DateTicks).
enum class TimeAxis {
    SampleNumber,
    Dates,
};

/// One chart of the chart window, drawn by QCustomPlot after a ChartDescription: title, axes,
/// line series, gradient background and bevelled panel, with the mouse zoom and pan of the chart
/// window. The series hold the values at x = 0, 1, 2 and so on.
class ChartView : public QCustomPlot
{
    Q_OBJECT

public:
    explicit ChartView(ChartDescription description, QWidget *parent = nullptr);

    [[nodiscard]] const ChartDescription &description() const { return m_description; }

    [[nodiscard]] int seriesCount() const { return int(m_series.size()); }
    [[nodiscard]] QCPGraph *series(int index) const { return m_series.at(index); }
    /// Replaces the points of a series by values at x = 0, 1, 2 and so on; the chart is redrawn
    /// once, at the next turn of the event loop.
    void setSeriesValues(int index, const QVector<double> &values);
    /// Replaces the points of a series by `points`, keys ascending; a point whose value is NaN
    /// leaves the line open there. Redrawn as setSeriesValues is.
    void setSeriesPoints(int index, const SeriesPoints &points);
    /// Shows or hides a series; a hidden series keeps its points.
    void setSeriesVisible(int index, bool visible);

    void setAxisTitles(const QString &bottom, const QString &left);
    [[nodiscard]] QString bottomAxisTitle() const;
    [[nodiscard]] QString leftAxisTitle() const;
    [[nodiscard]] QString title() const;
    /// A second line under the title, smaller (the period a chart with dates shows); empty
    /// takes it away.
    void setPeriodLine(const QString &line);
    [[nodiscard]] QString periodLine() const;

    /// Switches the bottom axis between sample numbers and times: its ticks, the readout and
    /// the unzoomed scale follow; a zoom is undone, since the keys change. The axis title is
    /// the caller's.
    void setTimeAxis(TimeAxis axis);
    [[nodiscard]] TimeAxis timeAxis() const { return m_timeAxis; }

    /// True from the first zoom or pan until the next undo; the scales then stay as the user set
    /// them whatever the data.
    [[nodiscard]] bool isZoomed() const { return m_zoomed; }
    /// Sets both axes to the range of a rectangle given in pixels of the chart.
    void zoomToPixels(const QRect &rect);
    /// Moves both axes with the mouse by a step in pixels.
    void panByPixels(QPoint step);
    /// Brings back the scales of the chart's description for the data shown.
    void undoZoom();

    /// The chart's margins, detail and proportional flag for printing, kept from one print
    /// preview to the next.
    [[nodiscard]] PrintSettings &printSettings() { return m_printSettings; }

    /// The plot area (the rectangle inside the axes) in pixels of the chart.
    [[nodiscard]] QRect plotArea() const;

    /// The one place that draws the chart off the screen: the chart is laid out at layoutSize,
    /// as it would be on a screen of that size, and that layout is stretched onto target. Fonts
    /// and lines keep their size relative to the layout on any device (bitmap, picture,
    /// printer, PDF): solid lines scale with the chart, dotted and dashed hairlines stay the
    /// thinnest line of the device. Nothing is clipped: the caller clips as it needs.
    void renderChart(QCPPainter &painter, const QRectF &target, const QSize &layoutSize);
    /// The same on a device of its own, with the painter's modes chosen for that device.
    void renderChart(QPaintDevice &device, const QRectF &target, const QSize &layoutSize);
    /// Chooses the painter's modes for its device: lines as vectors on pictures, printers and
    /// PDF, as pixels on bitmaps.
    static void choosePainterModes(QCPPainter &painter);
    /// The whole chart drawn directly into a bitmap of its on-screen size.
    [[nodiscard]] QPixmap toBitmap();

    /// The date and time of a sample by its row number (from 1), for the point readout of
    /// sample numbers; with times on the axis the readout gives the sample's own.
    std::function<QString(int row)> sampleMoment;
    /// The point readout at a place of the chart: the sample nearest across, on the visible
    /// series nearest up or down, with its number (or, with times, its date and time), date
    /// and time, series and value; empty outside the plot or where no series has a point.
    [[nodiscard]] virtual QString readoutAt(QPoint at) const;

signals:
    /// A right click that did not move: the chart's own menu is asked for at `globalPos`.
    void menuRequested(QPoint globalPos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    /// A press that follows a click quickly arrives as a double click; it starts a gesture all
    /// the same.
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    /// Applies the unzoomed scales for the visible series.
    virtual void applyUnzoomedScales();

private:
    void setUpAxes();
    void setUpSeries();
    /// Shows the series' point markers, or hides them while samples with dates lie closer
    /// together on the screen than a marker is wide.
    void updatePointMarkers();
    /// Fits the number of ticks to the chart's size.
    void fitTickCounts();
    /// The sizing cursor over a point of a series that asks for it; the normal cursor elsewhere.
    void updatePointCursor(QPoint at);
    [[nodiscard]] bool isOverPoint(const QCPGraph *graph, int halfSize, QPoint at) const;
    /// The key of the readout at `x`: the nearest sample place, or the nearest sample time on a
    /// visible series; none when there is none, or when x lies in a gap of the record.
    [[nodiscard]] std::optional<double> readoutKey(double x) const;

    ChartDescription m_description;
    QList<QCPGraph *> m_series;
    QCPTextElement *m_title = nullptr;
    QCPTextElement *m_period = nullptr;
    TimeAxis m_timeAxis = TimeAxis::SampleNumber;
    QSharedPointer<QCPAxisTicker> m_numberTicker;
    QSharedPointer<QCPAxisTicker> m_dateTicker;
    ZoomGesture m_gesture;
    bool m_zoomed = false;
    bool m_tracksPoints = false;
    QPoint m_rightPressAt;
    bool m_rightMoved = false;
    PrintSettings m_printSettings;
};
