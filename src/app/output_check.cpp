#include "app/output_check.h"

#include "data/text_export.h"
#include "runtime/archive_files.h"
#include "runtime/in_out_error.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace CommandLine {
namespace {

/// 0 when this process, with its effective ids as a write would use them, may do `access`
/// to `path`; else the error number.
int accessError(const QString &path, int access)
{
    errno = 0;
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), access, AT_EACCESS) == 0
        ? 0
        : errno;
}

/// Why nothing can be written in `folder` (as the user wrote it); empty when it can.
QString folderProblem(const QString &folder)
{
    struct stat found
    {
    };
    errno = 0;
    if (::stat(QFile::encodeName(folder).constData(), &found) != 0) {
        switch (errno) {
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("la carpeta %1 no existe").arg(folder);
        case EACCES:
            return QStringLiteral("sin permiso para llegar a la carpeta %1").arg(folder);
        default:
            return QStringLiteral("la carpeta %1: %2").arg(folder, inOutErrorMessage(errno));
        }
    }
    if (!S_ISDIR(found.st_mode))
        return QStringLiteral("%1 no es una carpeta").arg(folder);
    switch (accessError(folder, W_OK | X_OK)) {
    case 0:
        return {};
    case EROFS:
        return QStringLiteral("la carpeta %1 es de solo lectura").arg(folder);
    default:
        return QStringLiteral("sin permiso para escribir en la carpeta %1").arg(folder);
    }
}

} // namespace

QString outputProblem(const QString &output)
{
    struct stat found
    {
    };
    errno = 0;
    if (::stat(QFile::encodeName(output).constData(), &found) == 0) {
        if (S_ISDIR(found.st_mode))
            return QStringLiteral("es una carpeta");
        if (const QString what = TextExport::notAFile(output); !what.isEmpty())
            return what + QStringLiteral(", no un archivo");
        if (const QString archive = ArchiveFiles::archiveAt(output); !archive.isEmpty())
            return QStringLiteral("es el archivo de estaciones %1").arg(archive);
        // An existing file is rewritten in place where its folder takes no new file, so
        // writing the file itself is all a save needs.
        switch (accessError(output, W_OK)) {
        case 0:
            return {};
        case EROFS:
            return QStringLiteral("el archivo es de solo lectura");
        default:
            return QStringLiteral("sin permiso para escribir el archivo");
        }
    }
    const int error = errno;
    // A new name, or a link to one, is created in its folder.
    const QFileInfo name(output);
    const QString folder = name.isSymLink() ? QFileInfo(name.symLinkTarget()).path() : name.path();
    if (const QString problem = folderProblem(folder); !problem.isEmpty())
        return problem;
    return error == ENOENT ? QString() : inOutErrorMessage(error);
}

} // namespace CommandLine
