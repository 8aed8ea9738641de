#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

class PaintThrottle;

/// A round progress gauge that fills the share progress / maximum of its disc, clockwise from
/// twelve o'clock. Progress is kept within 0 to maximum; it is exact after every change, while
/// repaints come at most 12.5 times a second: as an activity sign turning with each chunk of a
/// download, it moves as smoothly to the eye at that pace, and a download at line rate, read
/// every 80 ms, paints it once per chunk.
class PieGauge : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int progress READ progress WRITE setProgress)

public:
    explicit PieGauge(QWidget *parent = nullptr);

    /// A maximum below 1 counts as 1; the progress is brought within the new range.
    void setMaximum(int maximum);
    [[nodiscard]] int maximum() const { return m_maximum; }
    void setProgress(int progress);
    [[nodiscard]] int progress() const { return m_progress; }
    void addProgress(int amount);

    [[nodiscard]] QSize sizeHint() const override { return QSize(40, 40); }
    [[nodiscard]] QSize minimumSizeHint() const override { return QSize(12, 12); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    /// The disc within the widget and the width of its rim.
    [[nodiscard]] QRectF disc() const;
    [[nodiscard]] qreal rimWidth() const;
    /// Draws the parts that do not change with the progress (the disc's face and its rim) once
    /// for the widget's size, so that a repaint only draws the pie between them.
    void prepareFace();

    int m_maximum = 100;
    int m_progress = 0;
    PaintThrottle *m_repaint;
    QPixmap m_face; ///< the empty disc
    QPixmap m_rim; ///< the rim, drawn over the pie
};
