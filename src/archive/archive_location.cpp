#include "archive/archive_location.h"

#include "archive/archive_error.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString defaultArchivePath()
{
    // Without a home the standard folder would fall back to one below the root, shared by all.
    const QString folder =
        qEnvironmentVariableIsEmpty("HOME") && qEnvironmentVariableIsEmpty("XDG_DATA_HOME")
        ? QString()
        : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty())
        throw ArchiveError(QStringLiteral("no hay carpeta personal (HOME) donde guardar el "
                                          "archivo de estaciones; se puede nombrar uno con "
                                          "--archive"));
    return folder + QStringLiteral("/estaciones.sqlite");
}

namespace {

/// Whether `path` names the user's own archive.
bool isDefaultArchive(const QString &path)
{
    try {
        return QFileInfo(path).absoluteFilePath()
            == QFileInfo(defaultArchivePath()).absoluteFilePath();
    } catch (const ArchiveError &) {
        return false;
    }
}

} // namespace

void checkArchiveFolder(const QString &path)
{
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
        throw ArchiveError(QStringLiteral("la carpeta %1 del archivo de estaciones %2 no existe; "
                                          "no se creó nada")
                               .arg(QFileInfo(path).path(), path));
}

void makeArchiveFile(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    // A mistyped folder must not quietly become a new archive of its own.
    if (!isDefaultArchive(path))
        checkArchiveFolder(path);
    if (!QFileInfo(folder).isDir()) {
        if (!QDir().mkpath(folder))
            throw ArchiveError(
                QStringLiteral("no se pudo crear la carpeta del archivo %1").arg(folder));
        // The folder made for the archive is the user's alone, as the file will be.
        ::chmod(QFile::encodeName(folder).constData(), S_IRWXU);
    }
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    if (errno == EEXIST)
        return;
    throw ArchiveError(QStringLiteral("no se pudo crear el archivo %1: %2")
                           .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
}
