#pragma once

#include <QLabel>

class QPushButton;

/// A one-line status bar: always the same height, whatever it says. It shows the first line of
/// its text, cut to its width; the whole text is its tooltip and, when something does not show,
/// its "Detalles…" button opens it in a message box. text() gives the whole text.
class StatusLine : public QLabel
{
    Q_OBJECT

public:
    explicit StatusLine(QWidget *parent = nullptr);

    /// Says `text` (empty: nothing).
    void say(const QString &text);
    /// Opens the whole text in a message box of its own, not modal.
    void showDetails();

    /// "Detalles…", shown while part of the text does not fit on the line; put beside the line.
    QPushButton *DetailsButton;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateDetails();
};
