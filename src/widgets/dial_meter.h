#pragma once

#include "widgets/readout.h"

/// A read-only analogue panel meter: a needle over an arc scale, with the name above and the
/// value as a digital readout below. A value outside the scale pins the needle at that end;
/// the readout still shows the value itself.
class DialMeter : public Readout
{
    Q_OBJECT

public:
    explicit DialMeter(QWidget *parent = nullptr);

    /// The scale runs from `from` (left) to `to` (right), with a labelled tick at each of the
    /// `steps` equal steps and five minor divisions per step; fewer than one step counts as one.
    void setScale(double from, double to, int steps);
    [[nodiscard]] double scaleFrom() const { return m_from; }
    [[nodiscard]] double scaleTo() const { return m_to; }
    [[nodiscard]] int scaleSteps() const { return m_steps; }
    /// Where the needle stands: 0 at the start of the scale, 1 at its end.
    [[nodiscard]] double needlePosition() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    /// The readout when its text changes, and the box the needle sweeps.
    void repaintValue(float before, const QString &textBefore) override;

private:
    /// Where the parts of the meter lie at the widget's present size.
    struct Layout
    {
        QRectF name;
        QRectF face;
        QRectF readout;
        qreal radius = 0;
        QPointF pivot;
    };
    [[nodiscard]] Layout layout() const;
    /// The needle's angle in degrees for a value, held to the ends of the scale.
    [[nodiscard]] qreal angleOf(double at) const;

    double m_from = 0.0;
    double m_to = 100.0;
    int m_steps = 5;
};
