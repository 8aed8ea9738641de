#include "data/file_kind.h"

#include <sys/stat.h>

QString specialFileKind(mode_t mode)
{
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("un dispositivo");
    if (S_ISFIFO(mode))
        return QStringLiteral("una tubería (FIFO)");
    if (S_ISSOCK(mode))
        return QStringLiteral("un socket");
    return {};
}
