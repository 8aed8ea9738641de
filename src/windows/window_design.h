#pragma once

#include <QFont>
#include <QFontDatabase>
#include <QScreen>
#include <QString>
#include <QWidget>

/// Fonts and places as the windows are designed with them.
namespace WindowDesign {

/// The given face at a size in points, bold or not. A face that the system lacks becomes Arial
/// (or the face the system puts in its place), whose widths are close to the design's, rather
/// than the system's own fallback, often a much wider face.
[[nodiscard]] inline QFont font(const QString &family, int pointSize, bool bold = false)
{
    QFont result(QFontDatabase::hasFamily(family) ? family : QStringLiteral("Arial"));
    result.setPointSize(pointSize);
    result.setBold(bold);
    return result;
}

/// The dialog face that most of the small windows are designed in.
[[nodiscard]] inline QFont msSansSerif(int pointSize = 8)
{
    return font(QStringLiteral("MS Sans Serif"), pointSize);
}

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

} // namespace WindowDesign
