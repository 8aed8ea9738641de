#pragma once

#include "widgets/readout.h"

#include <QColor>
#include <QFont>

/// A vertical thermometer: the name on top, a tube with a coloured bar over a labelled scale,
/// and the value with its unit as a digital readout below. The bar stops at the ends of the
/// scale; the readout shows the value itself.
class Thermometer : public Readout
{
    Q_OBJECT
    Q_PROPERTY(QColor barColor READ barColor WRITE setBarColor)

public:
    explicit Thermometer(QWidget *parent = nullptr);

    /// The scale runs from `from` at the bulb to `to` at the top; its ticks fall on round values.
    void setScale(double from, double to);
    [[nodiscard]] double scaleFrom() const { return m_from; }
    [[nodiscard]] double scaleTo() const { return m_to; }
    void setBarColor(const QColor &colour);
    [[nodiscard]] QColor barColor() const { return m_barColour; }
    /// How high the bar stands: 0 at the start of the scale, 1 at its end.
    [[nodiscard]] double barLevel() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    /// The readout when its text changes, and the band between the bar's old and new level.
    void repaintValue(float before, const QString &textBefore) override;

private:
    /// Where the parts of the instrument lie at the widget's present size.
    struct Layout
    {
        QRectF name;
        QRectF readout;
        QRectF column;
        bool hasColumn = false; ///< false when the column is too small to draw
        QFont labelFont;
        qreal tube = 0;
        qreal bulb = 0;
        qreal tubeCentreX = 0;
        QPointF bulbCentre;
        qreal tubeTop = 0;
        qreal scaleTop = 0;
        qreal scaleBottom = 0;
        /// The y of a value on the scale, held to its ends.
        [[nodiscard]] qreal levelOf(double from, double to, double at) const;
    };
    [[nodiscard]] Layout layout() const;

    double m_from = 0.0;
    double m_to = 100.0;
    QColor m_barColour {0x1e, 0x63, 0xd6};
};
