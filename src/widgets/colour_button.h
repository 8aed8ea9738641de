#pragma once

#include <QAbstractButton>
#include <QColor>

/// A push button whose face lights in one colour when on and shows a dark colour when off, with
/// a caption of its own for each state. Serves both as a lit indicator and as a command button.
///
/// Captions are drawn exactly as given, leading blanks included. text() is the caption
/// currently shown; setText() gives both states the same caption.
class ColourButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(bool on READ isOn WRITE setOn)
    Q_PROPERTY(QString onText READ onText WRITE setOnText)
    Q_PROPERTY(QString offText READ offText WRITE setOffText)
    Q_PROPERTY(QColor onColor READ onColor WRITE setOnColor)
    Q_PROPERTY(QColor offColor READ offColor WRITE setOffColor)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)

public:
    explicit ColourButton(QWidget *parent = nullptr);
    explicit ColourButton(const QString &text, QWidget *parent = nullptr);

    void setOn(bool on);
    [[nodiscard]] bool isOn() const { return m_on; }

    void setOnText(const QString &text);
    [[nodiscard]] QString onText() const { return m_onText; }
    void setOffText(const QString &text);
    [[nodiscard]] QString offText() const { return m_offText; }
    /// Gives both states the same caption.
    void setText(const QString &text);

    void setOnColor(const QColor &colour);
    [[nodiscard]] QColor onColor() const { return m_onColour; }
    void setOffColor(const QColor &colour);
    [[nodiscard]] QColor offColor() const { return m_offColour; }
    void setTextColor(const QColor &colour);
    [[nodiscard]] QColor textColor() const { return m_textColour; }
    /// Horizontal placement of the caption: left after a small margin (the default), or centred.
    void setTextAlignment(Qt::Alignment alignment);
    [[nodiscard]] Qt::Alignment textAlignment() const { return m_alignment; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    /// The focus frame shows only when the focus came by the keyboard: a click leaves none.
    void focusInEvent(QFocusEvent *event) override;

private:
    /// Keeps the caption that QAbstractButton holds equal to the caption of the current state.
    void showStateText();
    [[nodiscard]] qreal margin() const;

    bool m_on = false;
    bool m_focusShown = false;
    QString m_onText;
    QString m_offText;
    QColor m_onColour {0x2f, 0xa8, 0x5c};
    QColor m_offColour {0x4a, 0x55, 0x60};
    QColor m_textColour {Qt::white};
    Qt::Alignment m_alignment = Qt::AlignLeft;
};
