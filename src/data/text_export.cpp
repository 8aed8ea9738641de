#include "data/text_export.h"

#include "data/file_kind.h"
#include "runtime/archive_files.h"
#include "runtime/in_out_error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>

namespace TextExport {

namespace {

constexpr char lineEnd[] = "\r\n";
/// The blanks written before columns 2 … 6 of a data line, and after its last column.
constexpr const char *separators[] = {"  ", "   ", "    ", "    ", "    "};
constexpr char lineTail[] = "  ";

} // namespace

QByteArray fileText(int rows, const CellReader &cell)
{
    QByteArray text;
    text.reserve(qsizetype(std::size(headingLine)) + 4 + qsizetype(rows > 0 ? rows : 0) * 56);
    text += headingLine;
    text += lineEnd;
    text += lineEnd;
    for (int row = 1; row <= rows; ++row) {
        text += cell(1, row).toLatin1();
        for (int column = 2; column <= 6; ++column) {
            text += separators[column - 2];
            text += cell(column, row).toLatin1();
        }
        text += lineTail;
        text += lineEnd;
    }
    return text;
}

namespace {

/// The error number of a failed open: errno when the call left one, else what Qt saw.
int openErrorNumber(int error, const QFileDevice &file)
{
    if (error != 0)
        return error;
    return file.error() == QFileDevice::PermissionsError ? EACCES : 0;
}

} // namespace

QString notAFile(const QString &fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat target
    {
    };
    if (path.isEmpty() || ::stat(path.constData(), &target) != 0)
        return {};
    const QString kind = specialFileKind(target.st_mode);
    if (kind.isEmpty())
        return {};
    struct stat name
    {
    };
    const bool link = ::lstat(path.constData(), &name) == 0 && S_ISLNK(name.st_mode);
    return (link ? QStringLiteral("es un enlace a %1") : QStringLiteral("es %1")).arg(kind);
}

void refuseNonFile(const QString &fileName)
{
    const QString what = notAFile(fileName);
    if (!what.isEmpty())
        throw EInOutError(
            EPERM, QStringLiteral("No se guarda en %1: %2, no un archivo.").arg(fileName, what));
    if (const QString archive = ArchiveFiles::archiveAt(fileName); !archive.isEmpty())
        throw EInOutError(EPERM,
                          QStringLiteral("No se guarda en %1: es el archivo de estaciones %2, "
                                         "que está en uso.")
                              .arg(fileName, archive));
}

namespace {

/// Throws EInOutError when `fileName` is no place for a file's bytes or a folder.
void refuseNoPlace(const QString &fileName)
{
    // Never opened, so that a FIFO cannot hold the save up, and never replaced.
    refuseNonFile(fileName);
    // A folder is never replaced by a file.
    if (QFileInfo(fileName).isDir())
        throw EInOutError::fromErrno(EISDIR);
}

} // namespace

void writeFile(const QString &fileName, const QByteArray &bytes)
{
    refuseNoPlace(fileName);
    // errno is read right after the call that failed, before anything else can change it.
    QSaveFile file(fileName);
    // Where the folder takes no new file but the file itself may be rewritten, it is written
    // in place: not atomic, but better than refusing a save the user is allowed to make.
    file.setDirectWriteFallback(true);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        throw EInOutError::fromErrno(openErrorNumber(errno, file));
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const int error = errno;
        file.cancelWriting();
        throw EInOutError::fromErrno(error);
    }
    errno = 0;
    if (!file.commit())
        throw EInOutError::fromErrno(errno);
}

void writeFileInParts(const QString &fileName, const std::function<void(const PartSink &)> &produce)
{
    refuseNoPlace(fileName);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        // Rewritten in place, the file would be left cut short by a failure half-way.
        QByteArray bytes;
        produce([&bytes](const QByteArray &part) { bytes += part; });
        writeFile(fileName, bytes);
        return;
    }
    try {
        produce([&file](const QByteArray &part) {
            errno = 0;
            if (file.write(part) != part.size())
                throw EInOutError::fromErrno(errno);
        });
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    errno = 0;
    if (!file.commit())
        throw EInOutError::fromErrno(errno);
}

} // namespace TextExport
