#pragma once

#include "windows/charts/print_margins.h"

#include <QColor>
#include <QImage>
#include <QWidget>

class ChartView;

/// The sheet of paper in the print preview: the page's shape with a shadow, the margins as
/// dotted lines and the chart drawn inside them at its print detail. The margins can be dragged
/// by their edges and corners, and the margin rectangle moved as a whole.
class TPreviewPage : public QWidget
{
    Q_OBJECT

public:
    TPreviewPage(ChartView *chart, QWidget *parent = nullptr);

    /// The page's width and height in printer pixels (or the screen's): the paper's shape.
    void setPageShape(QSize page);
    void setShowMargins(bool show);
    [[nodiscard]] bool showMargins() const { return m_showMargins; }
    void setPaperColour(const QColor &colour);

    /// The paper and the margin rectangle as they are drawn now, in pixels of the page.
    [[nodiscard]] PixelBox paper() const;
    [[nodiscard]] PixelBox margin() const;
    /// The part of the margin rectangle under the mouse.
    [[nodiscard]] MarginPart partAt(QPoint at) const;

    /// Paints the whole page again, chart included.
    void redraw();

signals:
    /// The chart's margins changed under the mouse.
    void marginsDragged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    /// Paints the page into the off-screen image.
    void paintPage();
    /// Paints the page unless the image is up to date, so that a drag starts from what is drawn.
    void ensurePainted();
    /// Draws the four dotted margin lines across the paper by inverting what lies under them;
    /// drawing them again erases them.
    void invertMarginLines(const PixelBox &margin);

    ChartView *m_chart;
    QSize m_pageShape;
    QColor m_paperColour = Qt::white;
    bool m_showMargins = true;
    bool m_showChart = true;
    bool m_allowDrag = true;
    bool m_allowMove = true;
    /// What the last painting drew: the margin lines are inverted there while dragging.
    PixelBox m_margin;
    QImage m_image;
    bool m_imageValid = false;
    PrintMarginMath::DragStart m_drag;
};
