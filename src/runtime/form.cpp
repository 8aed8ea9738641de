#include "runtime/form.h"

#include "runtime/error_report.h"

#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QSet>

/// Watches the program's windows to tell a real activation from two that only look like one:
/// the activation a window gets back when a modal window over it closes, and the one it gets
/// back when the user returns from another program without having left it for another window
/// of this one. A window that has just been shown is always activated anew.
class ModalReturnFilter : public QObject
{
public:
    static void install()
    {
        static ModalReturnFilter *filter = nullptr;
        if (!filter) {
            filter = new ModalReturnFilter(qApp);
            qApp->installEventFilter(filter);
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        QWidget *widget = qobject_cast<QWidget *>(watched);
        if (!widget || !widget->isWindow())
            return false;
        switch (event->type()) {
        case QEvent::Show:
            m_justShown.insert(widget);
            if (widget->isModal() && QApplication::activeWindow() != widget)
                m_returnTo.insert(widget, QApplication::activeWindow());
            break;
        case QEvent::Hide:
            m_justShown.remove(widget);
            if (m_returnTo.contains(widget))
                m_expectedReturn = m_returnTo.take(widget);
            break;
        case QEvent::WindowActivate: {
            if (!widget->isVisible())
                break; // a late activation of a window already closed again
            const bool shown = m_justShown.remove(widget);
            const bool returning = !shown
                && ((m_expectedReturn && m_expectedReturn == widget) || m_lastActive == widget);
            m_expectedReturn = nullptr;
            m_lastActive = widget;
            if (Form *form = qobject_cast<Form *>(widget))
                form->m_nextActivationIsAReturn = returning;
            break;
        }
        default:
            break;
        }
        return false;
    }

private:
    using QObject::QObject;

    QHash<QWidget *, QPointer<QWidget>> m_returnTo;
    QSet<QWidget *> m_justShown;
    QPointer<QWidget> m_expectedReturn;
    QPointer<QWidget> m_lastActive;
};

Form::Form(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    ModalReturnFilter::install();
}

bool Form::event(QEvent *event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) {
        if (m_nextActivationIsAReturn)
            m_nextActivationIsAReturn = false;
        else
            ErrorReport::guard([this] { FormActivate(); });
    }
    return handled;
}

void Form::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}
