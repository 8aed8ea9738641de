#pragma once

#include <QScreen>
#include <QWidget>

/// Puts a window in the middle of the usable part of its screen (the toolkit would centre a
/// dialog over the active window instead). Call it as the window is shown.
inline void centreOnDesktop(QWidget *window)
{
    if (const QScreen *screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}
