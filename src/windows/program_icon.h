#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

/// The program's icon, at every size it is drawn in: the window icon of every window and the
/// picture of the about window.
[[nodiscard]] QIcon programIcon();

/// The icon drawn to fit size without distortion, centred on a transparent ground.
[[nodiscard]] QPixmap programPicture(const QSize &size);
