#pragma once

#include <QColor>
#include <QWidget>

class PaintThrottle;

/// A round indicator lamp: bright in its colour when lit, a dark shade of it when not. It may
/// blink with every received chunk; repaints come at most 25 times a second, the first after a
/// quiet spell 10 ms late, so that a blink undone within them costs none.
class Led : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool lit READ isLit WRITE setLit)
    Q_PROPERTY(QColor color READ color WRITE setColor)

public:
    explicit Led(QWidget *parent = nullptr);

    void setLit(bool lit);
    [[nodiscard]] bool isLit() const { return m_lit; }
    void setColor(const QColor &colour);
    [[nodiscard]] QColor color() const { return m_colour; }

    [[nodiscard]] QSize sizeHint() const override { return QSize(18, 18); }
    [[nodiscard]] QSize minimumSizeHint() const override { return QSize(8, 8); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_lit = false;
    bool m_shownLit = false; ///< the state of the last paint
    QColor m_colour {0xff, 0x3b, 0x30};
    PaintThrottle *m_repaint;
};
