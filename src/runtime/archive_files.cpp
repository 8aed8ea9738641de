#include "runtime/archive_files.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStringList>

#include <sys/stat.h>

namespace ArchiveFiles {
namespace {

/// Opened on the windows' reader thread as well as on the user-interface thread.
QMutex mutex;
QStringList inUse;

/// The files SQLite keeps beside an archive while it is open.
const QStringList companions = {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"),
                                QStringLiteral("-journal")};

bool statOf(const QString &path, struct stat &found)
{
    const QByteArray name = QFile::encodeName(path);
    return !name.isEmpty() && ::stat(name.constData(), &found) == 0;
}

} // namespace

void noteInUse(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QMutexLocker lock(&mutex);
    if (!inUse.contains(absolute))
        inUse << absolute;
}

QString archiveAt(const QString &fileName)
{
    struct stat target
    {
    };
    if (!statOf(fileName, target))
        return {};
    const QMutexLocker lock(&mutex);
    for (const QString &archive : std::as_const(inUse)) {
        // Looked at again each time: SQLite makes and removes the files beside the archive.
        for (const QString &suffix : companions) {
            struct stat file
            {
            };
            if (statOf(archive + suffix, file) && file.st_dev == target.st_dev
                && file.st_ino == target.st_ino)
                return archive;
        }
    }
    return {};
}

} // namespace ArchiveFiles
