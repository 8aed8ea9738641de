#include "windows/date_time_field.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>

std::optional<QDateTime> wholeDateTime(const QString &text, const QString &format)
{
    // Date and time are read apart: a whole QDateTime would be read in the PC's time zone, where
    // an hour of the spring change does not exist.
    const QStringList formats = format.split(u' ');
    const QStringList parts = text.trimmed().split(u' ', Qt::SkipEmptyParts);
    if (formats.size() != 2 || parts.size() != 2)
        return std::nullopt;
    const QDate date = QDate::fromString(parts[0], formats[0]);
    const QTime time = QTime::fromString(parts[1], formats[1]);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

DateTimeField::DateTimeField(QWidget *parent)
    : QDateTimeEdit(parent)
{
    connect(this, &QDateTimeEdit::dateTimeChanged, this, [this] { setMarked(false); });
}

bool DateTimeField::enter(const QString &text)
{
    m_typed.reset();
    const std::optional<QDateTime> read = wholeDateTime(text, displayFormat());
    const bool fits = read && *read >= minimumDateTime() && *read <= maximumDateTime();
    if (fits)
        setDateTime(*read);
    // The line shows the value, whatever was typed into it.
    showAsIs(textFromDateTime(dateTime()));
    setMarked(!fits);
    if (!fits) {
        setToolTip(QStringLiteral("No existe la fecha y hora «%1»").arg(text.trimmed()));
        emit refused(text.trimmed());
    }
    return fits;
}

void DateTimeField::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text.at(0).isPrint();
    if (m_typed) {
        switch (event->key()) {
        case Qt::Key_Backspace:
            m_typed->chop(1);
            showAsIs(*m_typed);
            return;
        case Qt::Key_Escape:
            m_typed.reset();
            showAsIs(textFromDateTime(dateTime()));
            return;
        case Qt::Key_Shift: // typing ':' or '/' on many keyboards
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
            return;
        default:
            break;
        }
        if (printable) {
            m_typed->append(text);
            showAsIs(*m_typed);
            if (m_typed->size() >= displayFormat().size())
                enterTyped();
            return;
        }
        enterTyped();
    } else if (event->matches(QKeySequence::Paste)) {
        enter(QApplication::clipboard()->text());
        return;
    } else if (printable && text.at(0).isDigit() && lineEdit()->hasSelectedText()
               && lineEdit()->selectedText() == lineEdit()->text()) {
        m_typed = text;
        showAsIs(*m_typed);
        return;
    }
    QDateTimeEdit::keyPressEvent(event);
}

void DateTimeField::focusOutEvent(QFocusEvent *event)
{
    enterTyped();
    QDateTimeEdit::focusOutEvent(event);
}

void DateTimeField::enterTyped()
{
    if (!m_typed)
        return;
    const QString typed = *m_typed; // enter() forgets what was typed
    enter(typed);
}

void DateTimeField::showAsIs(const QString &text)
{
    // The edit's own reading of each change would fold a half-typed date into sections.
    QLineEdit *line = lineEdit();
    const bool blocked = line->blockSignals(true);
    line->setText(text);
    line->setCursorPosition(int(text.size()));
    line->blockSignals(blocked);
}

void DateTimeField::setMarked(bool marked)
{
    if (marked == m_marked)
        return;
    m_marked = marked;
    QPalette colours = palette();
    colours.setColor(QPalette::Base, marked ? QColor(255, 205, 205)
                                            : QApplication::palette(this).color(QPalette::Base));
    setPalette(colours);
    if (!marked)
        setToolTip({});
}
