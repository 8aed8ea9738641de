#pragma once

#include "data/record_coverage.h"

#include <QWidget>

#include <optional>

/// A station's time line from its first to its last sample: the covered periods filled, the
/// gaps left empty (a gap narrower than a pixel still gets one, marked below the bar). Hovering
/// a gap says its start, end and length; a drag along the strip selects a range, which is
/// drawn over it and given by rangeSelected.
class CoverageStrip : public QWidget
{
    Q_OBJECT

public:
    explicit CoverageStrip(QWidget *parent = nullptr);

    void setCoverage(RecordCoverage coverage);
    [[nodiscard]] const RecordCoverage &coverage() const { return m_coverage; }

    /// Shows the range from..to over the strip; none clears it.
    void setSelection(std::optional<std::pair<qint64, qint64>> range);
    [[nodiscard]] std::optional<std::pair<qint64, qint64>> selection() const { return m_selection; }

    /// The time at the left edge of pixel column `x`, and the column holding `t`.
    [[nodiscard]] qint64 timeAt(int x) const;
    [[nodiscard]] int xOf(qint64 t) const;
    /// The gap under pixel column `x`: the longest one that the column touches; none over a
    /// covered stretch.
    [[nodiscard]] std::optional<RecordGap> gapAt(int x) const;
    /// What hovering at `x` shows: the gap's tip, or empty.
    [[nodiscard]] QString tipAt(int x) const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    /// The user dragged over the strip from one time to another (from ≤ to).
    void rangeSelected(qint64 from, qint64 to);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    /// The bar's place: the widget's width less a margin each side, and its top rows.
    [[nodiscard]] QRect barRect() const;
    [[nodiscard]] qint64 firstTime() const;
    [[nodiscard]] qint64 lastTime() const;
    /// The columns a gap is drawn over, first and last.
    [[nodiscard]] std::pair<int, int> gapColumns(const RecordGap &gap) const;

    RecordCoverage m_coverage;
    std::optional<std::pair<qint64, qint64>> m_selection;
    /// Where a drag began, in pixels.
    std::optional<int> m_dragFrom;
};
