#include "windows/coverage_strip.h"

#include "windows/archive_texts.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

constexpr int margin = 6;
constexpr int barHeight = 26;
/// Below the bar: the marks of narrow gaps, then the first and last dates.
constexpr int markHeight = 4;
/// A drag shorter than this is a click, not a range.
constexpr int smallestDrag = 3;

const QColor covered(0x1a, 0x80, 0x80);
const QColor empty(0xf4, 0xf4, 0xf0);
const QColor gapMark(0xc0, 0x20, 0x20);
const QColor selectionFill(0xff, 0xc0, 0x20, 0x70);
const QColor selectionEdge(0xc0, 0x70, 0x00);

} // namespace

CoverageStrip::CoverageStrip(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("CoverageStrip"));
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize CoverageStrip::sizeHint() const
{
    return {600, minimumSizeHint().height()};
}

QSize CoverageStrip::minimumSizeHint() const
{
    return {120, barHeight + markHeight + fontMetrics().height() + 4};
}

void CoverageStrip::setCoverage(RecordCoverage coverage)
{
    m_coverage = std::move(coverage);
    m_selection.reset();
    m_dragFrom.reset();
    update();
}

void CoverageStrip::setSelection(std::optional<std::pair<qint64, qint64>> range)
{
    m_selection = range;
    update();
}

QRect CoverageStrip::barRect() const
{
    return {margin, 0, std::max(1, width() - 2 * margin), barHeight};
}

qint64 CoverageStrip::firstTime() const
{
    return m_coverage.periods.empty() ? 0 : m_coverage.periods.front().first;
}

qint64 CoverageStrip::lastTime() const
{
    return m_coverage.periods.empty() ? 0 : m_coverage.periods.back().last;
}

qint64 CoverageStrip::timeAt(int x) const
{
    const QRect bar = barRect();
    const double fraction = std::clamp(double(x - bar.left()) / bar.width(), 0.0, 1.0);
    return firstTime() + qint64(std::llround(fraction * double(lastTime() - firstTime())));
}

int CoverageStrip::xOf(qint64 t) const
{
    const QRect bar = barRect();
    const qint64 spanSeconds = lastTime() - firstTime();
    if (spanSeconds <= 0)
        return bar.left();
    const double fraction = double(t - firstTime()) / double(spanSeconds);
    return bar.left()
           + int(std::clamp(std::floor(fraction * bar.width()), 0.0, double(bar.width() - 1)));
}

std::optional<RecordGap> CoverageStrip::gapAt(int x) const
{
    // The gaps drawn in column x: those near it in time (they are in order), each drawn from
    // the column after its last sample before to the column before its first one after, and at
    // least one column wide.
    const auto &gaps = m_coverage.gaps;
    auto it = std::lower_bound(gaps.begin(), gaps.end(), timeAt(x - 2),
                               [](const RecordGap &gap, qint64 t) { return gap.firstAfter < t; });
    std::optional<RecordGap> longest;
    for (; it != gaps.end() && it->lastBefore <= timeAt(x + 2); ++it) {
        const auto [left, right] = gapColumns(*it);
        if (left <= x && x <= right && (!longest || it->length() > longest->length()))
            longest = *it;
    }
    return longest;
}

std::pair<int, int> CoverageStrip::gapColumns(const RecordGap &gap) const
{
    const int left = xOf(gap.lastBefore) + 1;
    return {left, std::max(left, xOf(gap.firstAfter) - 1)};
}

QString CoverageStrip::tipAt(int x) const
{
    const std::optional<RecordGap> gap = gapAt(x);
    return gap ? ArchiveTexts::gapTip(*gap) : QString();
}

bool CoverageStrip::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString tip = barRect().adjusted(0, 0, 0, markHeight).contains(help->pos())
                                ? tipAt(help->pos().x())
                                : QString();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QWidget::event(event);
}

void CoverageStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect bar = barRect();
    painter.fillRect(bar, empty);
    if (m_coverage.periods.empty()) {
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(bar, Qt::AlignCenter, QStringLiteral("Sin muestras"));
        return;
    }
    // Each period at least one column wide, each gap at least one column empty, so that neither
    // vanishes on a long record.
    for (const CoveredPeriod &period : m_coverage.periods) {
        const int left = xOf(period.first);
        const int right = std::max(left, xOf(period.last));
        painter.fillRect(QRect(left, bar.top(), right - left + 1, bar.height()), covered);
    }
    for (const RecordGap &gap : m_coverage.gaps) {
        const auto [left, right] = gapColumns(gap);
        painter.fillRect(QRect(left, bar.top(), right - left + 1, bar.height()), empty);
        painter.fillRect(QRect(left, bar.bottom() + 1, right - left + 1, markHeight), gapMark);
    }
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.drawRect(bar.adjusted(0, 0, -1, -1));

    // The whole record chosen, as at first, is not marked: only a part of it stands out.
    if (m_selection
        && !(m_selection->first <= firstTime() && m_selection->second >= lastTime())) {
        const int left = xOf(std::min(m_selection->first, m_selection->second));
        const int right = xOf(std::max(m_selection->first, m_selection->second));
        painter.fillRect(QRect(left, bar.top(), right - left + 1, bar.height()), selectionFill);
        painter.setPen(QPen(selectionEdge, 2));
        painter.drawRect(QRect(left, bar.top(), right - left, bar.height() - 1));
    }

    painter.setPen(palette().color(QPalette::WindowText));
    const QRect labels(bar.left(), bar.bottom() + markHeight + 2, bar.width(),
                       fontMetrics().height());
    painter.drawText(labels, Qt::AlignLeft | Qt::AlignVCenter,
                     ArchiveTexts::moment(firstTime()));
    painter.drawText(labels, Qt::AlignRight | Qt::AlignVCenter, ArchiveTexts::moment(lastTime()));
}

void CoverageStrip::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !m_coverage.periods.empty())
        m_dragFrom = event->position().toPoint().x();
    QWidget::mousePressEvent(event);
}

void CoverageStrip::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragFrom && (event->buttons() & Qt::LeftButton)) {
        const int x = event->position().toPoint().x();
        if (std::abs(x - *m_dragFrom) >= smallestDrag)
            setSelection(std::pair {timeAt(std::min(x, *m_dragFrom)),
                                    timeAt(std::max(x, *m_dragFrom) + 1)});
    }
    QWidget::mouseMoveEvent(event);
}

void CoverageStrip::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragFrom && event->button() == Qt::LeftButton) {
        const int from = *m_dragFrom;
        const int x = event->position().toPoint().x();
        m_dragFrom.reset();
        if (std::abs(x - from) >= smallestDrag) {
            const qint64 first = timeAt(std::min(x, from));
            const qint64 last = timeAt(std::max(x, from) + 1);
            setSelection(std::pair {first, last});
            emit rangeSelected(first, last);
        }
    }
    QWidget::mouseReleaseEvent(event);
}
