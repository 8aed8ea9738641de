#pragma once

#include <QDateTimeEdit>

#include <optional>

/// A date and time field that takes a whole date and time typed or pasted over it as it is:
/// with all its text selected, what is typed is kept as typed and read as a whole when complete,
/// on Enter or on leaving the field. One that does not exist (31/02) is refused: the field keeps
/// its value, turns red and says so in its tooltip, and refused() tells its window.
class DateTimeField : public QDateTimeEdit
{
    Q_OBJECT

public:
    explicit DateTimeField(QWidget *parent = nullptr);

    /// Takes `text` as a whole date and time of the field's format. True when it is one and now
    /// the field's value; otherwise the value stays, the field is marked and refused() emitted.
    bool enter(const QString &text);
    /// The field is marked for a refused date and time.
    [[nodiscard]] bool isMarked() const { return m_marked; }

signals:
    void refused(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    /// Enters what was typed, if anything was.
    void enterTyped();
    /// Shows `text` in the line as it is, with no reading of its sections.
    void showAsIs(const QString &text);
    void setMarked(bool marked);

    /// What has been typed over the whole text so far.
    std::optional<QString> m_typed;
    bool m_marked = false;
};

/// The date and time `text` (blanks around it allowed) writes in `format`, a date format and a
/// time format with a space between them, read as UTC; none when it writes none that exists.
[[nodiscard]] std::optional<QDateTime> wholeDateTime(const QString &text, const QString &format);
