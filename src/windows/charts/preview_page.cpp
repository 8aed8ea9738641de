#include "windows/charts/preview_page.h"

#include "windows/charts/chart_view.h"

#include <QMouseEvent>
#include <QPainter>

using namespace PrintMarginMath;

namespace {

Qt::CursorShape cursorFor(MarginPart part)
{
    switch (part) {
    case MarginPart::Left:
    case MarginPart::Right:
        return Qt::SplitHCursor;
    case MarginPart::Top:
    case MarginPart::Bottom:
        return Qt::SplitVCursor;
    case MarginPart::Inside:
        return Qt::PointingHandCursor;
    case MarginPart::TopLeft:
    case MarginPart::BottomRight:
        return Qt::SizeFDiagCursor;
    case MarginPart::TopRight:
    case MarginPart::BottomLeft:
        return Qt::SizeBDiagCursor;
    case MarginPart::None:
        break;
    }
    return Qt::ArrowCursor;
}

} // namespace

TPreviewPage::TPreviewPage(ChartView *chart, QWidget *parent)
    : QWidget(parent)
    , m_chart(chart)
{
    setObjectName(QStringLiteral("PreviewPage"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void TPreviewPage::setPageShape(QSize page)
{
    m_pageShape = page;
}

void TPreviewPage::setShowMargins(bool show)
{
    m_showMargins = show;
    redraw();
}

void TPreviewPage::setPaperColour(const QColor &colour)
{
    m_paperColour = colour;
    redraw();
}

PixelBox TPreviewPage::paper() const
{
    return paperBox(size(), m_pageShape);
}

PixelBox TPreviewPage::margin() const
{
    return marginBox(paper(), m_chart->printSettings().margins);
}

MarginPart TPreviewPage::partAt(QPoint at) const
{
    return m_allowDrag ? hitTest(paper(), m_margin, at, m_allowMove) : MarginPart::None;
}

void TPreviewPage::redraw()
{
    m_imageValid = false;
    update();
}

void TPreviewPage::ensurePainted()
{
    if (!m_imageValid)
        paintPage();
}

void TPreviewPage::paintEvent(QPaintEvent *)
{
    ensurePainted();
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

void TPreviewPage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    redraw();
}

void TPreviewPage::paintPage()
{
    m_image = QImage(size(), QImage::Format_RGB32);
    m_margin = margin();
    const PixelBox paper = this->paper();
    const QRect sheet = paper.toRect();
    {
        QPainter painter(&m_image);
        painter.fillRect(m_image.rect(), palette().color(QPalette::Window));
        painter.fillRect(QRect(paper.left + 5, paper.bottom, paper.width(), 4), Qt::black);
        painter.fillRect(QRect(paper.right, paper.top + 4, 5, paper.height()), Qt::black);
        painter.fillRect(sheet, m_paperColour);
        painter.setPen(QPen(Qt::black, 0));
        painter.drawRect(sheet.adjusted(0, 0, -1, -1));
    }
    if (m_showMargins)
        invertMarginLines(m_margin);
    if (m_showChart && !m_margin.toRect().isEmpty()) {
        QCPPainter painter(&m_image);
        ChartView::choosePainterModes(painter);
        painter.setClipRect(m_margin.toRect());
        m_chart->renderChart(painter, QRectF(m_margin.toRect()),
                             detailLayoutSize(m_chart->size(), m_chart->printSettings().detail));
    }
    m_imageValid = true;
}

void TPreviewPage::invertMarginLines(const PixelBox &margin)
{
    const PixelBox paper = this->paper();
    // Silver on white paper; on silver or grey paper silver would vanish, so white.
    const bool greyPaper =
        m_paperColour == QColor(192, 192, 192) || m_paperColour == QColor(128, 128, 128);
    QPen pen(greyPaper ? Qt::white : QColor(192, 192, 192), 0, Qt::CustomDashLine);
    pen.setDashPattern({1, 1});
    QPainter painter(&m_image);
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    painter.setPen(pen);
    painter.drawLine(margin.left - 1, paper.top, margin.left - 1, paper.bottom - 1);
    painter.drawLine(margin.right, paper.top, margin.right, paper.bottom - 1);
    painter.drawLine(paper.left, margin.top - 1, paper.right - 1, margin.top - 1);
    painter.drawLine(paper.left, margin.bottom, paper.right - 1, margin.bottom);
}

void TPreviewPage::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const QPoint at = event->position().toPoint();
    ensurePainted();
    m_drag = {partAt(at), at, m_margin};
}

void TPreviewPage::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (m_drag.part == MarginPart::None) {
        setCursor(cursorFor(partAt(at)));
        return;
    }
    const PixelBox paper = this->paper();
    if (!paper.contains(at))
        return;
    ensurePainted();
    const PixelBox moved = dragMargin(paper, m_margin, m_drag, at);
    if (moved == m_margin)
        return;
    if (m_showMargins)
        invertMarginLines(m_margin);
    m_margin = moved;
    m_chart->printSettings().margins = marginsOf(paper, moved);
    emit marginsDragged();
    if (m_showMargins)
        invertMarginLines(m_margin);
    update();
}

void TPreviewPage::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_drag.part == MarginPart::None)
        return QWidget::mouseReleaseEvent(event);
    m_drag = {};
    redraw();
}
