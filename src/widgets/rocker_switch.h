#pragma once

#include <QWidget>

/// A rocker switch with a pilot LED and a caption beside it. A left-button press toggles the
/// switch at once; the click follows on release, so a click handler already sees the new state.
class RockerSwitch : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(bool on READ isOn WRITE setOn)

public:
    explicit RockerSwitch(QWidget *parent = nullptr);

    void setText(const QString &text);
    [[nodiscard]] QString text() const { return m_text; }
    void setOn(bool on);
    [[nodiscard]] bool isOn() const { return m_on; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    /// A left-button press and release inside the switch, or the space bar; the on state has
    /// already changed when this is emitted.
    void clicked();
    /// Any mouse button pressed on the switch was released, inside it or not; follows clicked().
    void mouseUp();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    /// The focus frame shows only when the focus came by the keyboard: a click leaves none.
    void focusInEvent(QFocusEvent *event) override;

private:
    /// Flips the state as the user's action and paints it before anything else runs.
    void toggleByUser();
    /// The switch body within the widget: a rounded housing of fixed proportions at the left.
    [[nodiscard]] QRectF housingRect() const;
    [[nodiscard]] QFont captionFont(qreal housingHeight) const;

    QString m_text;
    bool m_on = false;
    bool m_focusShown = false;
    Qt::MouseButtons m_pressedButtons;
};
