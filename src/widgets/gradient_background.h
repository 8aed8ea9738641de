#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

/// A window background that fills its whole area with a linear gradient between two colours,
/// or with the first colour alone when the gradient is switched off; other widgets sit on it.
class GradientBackground : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor beginColor READ beginColor)
    Q_PROPERTY(QColor endColor READ endColor)
    Q_PROPERTY(Qt::Orientation direction READ direction WRITE setDirection)
    Q_PROPERTY(bool gradientEnabled READ isGradientEnabled WRITE setGradientEnabled)

public:
    explicit GradientBackground(QWidget *parent = nullptr);

    void setColors(const QColor &begin, const QColor &end);
    [[nodiscard]] QColor beginColor() const { return m_begin; }
    [[nodiscard]] QColor endColor() const { return m_end; }
    /// Qt::Vertical runs from the top (begin) to the bottom (end), Qt::Horizontal from left to
    /// right.
    void setDirection(Qt::Orientation direction);
    [[nodiscard]] Qt::Orientation direction() const { return m_direction; }
    void setGradientEnabled(bool enabled);
    [[nodiscard]] bool isGradientEnabled() const { return m_gradientEnabled; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_begin {0xe4, 0xe9, 0xee};
    QColor m_end {0xb4, 0xbf, 0xca};
    Qt::Orientation m_direction = Qt::Vertical;
    bool m_gradientEnabled = true;
    QPixmap m_cache; ///< the gradient at the present size, drawn once
};
