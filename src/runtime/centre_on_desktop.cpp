#include "runtime/centre_on_desktop.h"

#include <QApplication>
#include <QEvent>
#include <QMargins>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

/// The frame a window manager puts around a window: the window's own once it has one, else
/// that of another framed window of the program (a window manager frames them alike); none
/// without a window manager.
QMargins frameOf(const QWidget *window, bool *own)
{
    const QWindow *handle = window->windowHandle();
    *own = handle && !handle->frameMargins().isNull();
    if (*own)
        return handle->frameMargins();
    for (const QWidget *other : QApplication::topLevelWidgets()) {
        const QWindow *otherHandle = other->windowHandle();
        if (other != window && other->isVisible() && otherHandle
            && !otherHandle->frameMargins().isNull())
            return otherHandle->frameMargins();
    }
    return {};
}

/// Places the window so that its frame, the given margins around it, sits in the middle of the
/// usable part of its screen.
void place(QWidget *window, const QMargins &frame)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    QRect outer = QRect(QPoint(), window->size()).marginsAdded(frame);
    outer.moveCenter(screen->availableGeometry().center());
    window->setGeometry(QRect(outer.topLeft() + QPoint(frame.left(), frame.top()), window->size()));
}

/// Centres the window once more when its own frame becomes known, as it is first shown.
class RecentreWhenFramed : public QObject
{
public:
    explicit RecentreWhenFramed(QWidget *window, const QMargins &guessed)
        : QObject(window)
        , m_window(window)
        , m_guessed(guessed)
    { }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && m_window) {
            bool own = false;
            const QMargins frame = frameOf(m_window, &own);
            if (own && frame != m_guessed)
                place(m_window, frame);
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QMargins m_guessed;
};

} // namespace

void centreOnDesktop(QWidget *window)
{
    bool own = false;
    const QMargins frame = frameOf(window, &own);
    place(window, frame);
    if (!own && window->windowHandle())
        window->windowHandle()->installEventFilter(new RecentreWhenFramed(window, frame));
}
