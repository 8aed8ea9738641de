#pragma once

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

/// The entry named `name` of `window`'s right-click menu as the menu shows it: the menu is
/// opened as a right click opens it (which brings its entries up to date), and closed again.
inline QAction *menuEntry(QWidget &window, const QString &name)
{
    QTimer::singleShot(0, [] {
        QTRY_VERIFY(QApplication::activePopupWidget());
        QApplication::activePopupWidget()->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            window.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&window, &event);
    return window.findChild<QAction *>(name);
}
