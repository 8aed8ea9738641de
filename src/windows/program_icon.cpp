#include "windows/program_icon.h"

#include <QPainter>

#include <algorithm>

/// The icon lives in a static library, whose resources are linked in only when asked for. The
/// macro declares a global function, so this may not stand in a namespace.
static void loadIconResource()
{
    Q_INIT_RESOURCE(program_icon);
}

QIcon programIcon()
{
    loadIconResource();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/brentavius4/brentavius4-%1.png").arg(size),
                     QSize(size, size));
    return icon;
}

QPixmap programPicture(const QSize &size)
{
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    const int side = std::min(size.width(), size.height());
    const QPixmap icon = programIcon().pixmap(QSize(side, side));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect target((size.width() - side) / 2, (size.height() - side) / 2, side, side);
    painter.drawPixmap(target, icon);
    return picture;
}
