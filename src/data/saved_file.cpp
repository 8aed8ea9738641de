#include "data/saved_file.h"

#include "data/download_decoding.h"
#include "data/download_format_error.h"
#include "data/file_kind.h"
#include "data/logger_row_rule.h"
#include "data/sample_timestamps.h"
#include "data/text_export.h"
#include "runtime/conversion_error.h"

#include <QDate>
#include <QFile>
#include <QScopeGuard>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int firstSampleLine = 3;
/// Bytes read from a file at a time.
constexpr qsizetype readBlock = 64 * 1024;

DataError lineError(int lineNumber, const QString &what)
{
    return DataError(QStringLiteral("El archivo no es un registro de datos guardado: la "
                                         "línea %1 %2.")
                              .arg(lineNumber)
                              .arg(what));
}

/// A text from the file as a message can quote it, control bytes by their code.
QString quoted(const QByteArray &text)
{
    QString visible;
    for (const char c : text)
        visible += visibleCharacter(c);
    return QStringLiteral("«%1»").arg(visible);
}

/// The line without its line end: CR LF or LF.
QByteArray withoutLineEnd(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

/// Whole minutes from one moment to the next, counted on the calendar (no clock changes).
qint64 minutesBetween(const LoggerTime &from, const LoggerTime &to)
{
    const auto seconds = [](const LoggerTime &t) {
        const QDateTime moment(QDate(2000 + t.year, t.month, t.day),
                               QTime(t.hour, t.minute, t.second), Qt::UTC);
        return moment.toSecsSinceEpoch();
    };
    const qint64 difference = seconds(to) - seconds(from);
    return difference % 60 == 0 ? difference / 60 : -1;
}

DataError cannotOpen(const QString &fileName, const QString &why)
{
    return DataError(QStringLiteral("No se puede abrir «%1»: %2.").arg(fileName, why));
}

/// Why a file of this kind cannot be a saved data file; nothing for a regular file.
std::optional<QString> notARegularFile(mode_t mode)
{
    if (S_ISREG(mode))
        return std::nullopt;
    if (S_ISDIR(mode))
        return QStringLiteral("es una carpeta");
    if (const QString kind = specialFileKind(mode); !kind.isEmpty())
        return QStringLiteral("es %1, no un archivo").arg(kind);
    return QStringLiteral("no es un archivo");
}

/// What an operating system error number means for a file to be read.
QString readFailure(int error)
{
    switch (error) {
    case ENOENT:
        return QStringLiteral("no existe");
    case EACCES:
    case EPERM:
        return QStringLiteral("no tiene permiso para leerlo");
    case EISDIR:
        return QStringLiteral("es una carpeta");
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return QStringLiteral("el nombre no lleva a ningún archivo");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("hay demasiados archivos abiertos");
    default:
        return QStringLiteral("falló la lectura (error %1 del sistema)").arg(error);
    }
}

QString tooLarge(qint64 size)
{
    return QStringLiteral("tiene %1 MB, más de lo que ocupa un registro de datos guardado")
        .arg(qMax<qint64>(1, size / (1024 * 1024)));
}

} // namespace

QByteArray readSavedFileBytes(const QString &fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    // The kind is checked before the opening, which on a device may already act on it.
    struct stat named = {};
    if (::stat(path.constData(), &named) != 0)
        throw cannotOpen(fileName, readFailure(errno));
    if (const std::optional<QString> why = notARegularFile(named.st_mode))
        throw cannotOpen(fileName, *why);
    // Without waiting, should the name have become a FIFO meanwhile; the opened file is
    // checked again.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw cannotOpen(fileName, readFailure(errno));
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    struct stat opened = {};
    if (::fstat(fd, &opened) != 0)
        throw cannotOpen(fileName, readFailure(errno));
    if (const std::optional<QString> why = notARegularFile(opened.st_mode))
        throw cannotOpen(fileName, *why);
    if (opened.st_size > largestSavedFile)
        throw cannotOpen(fileName, tooLarge(opened.st_size));

    // A file that grows while it is read is still read no further than the limit allows.
    QByteArray bytes;
    for (;;) {
        const qsizetype have = bytes.size();
        const qsizetype room = qMin<qsizetype>(readBlock, largestSavedFile + 1 - have);
        bytes.resize(have + room);
        const ssize_t count = ::read(fd, bytes.data() + have, std::size_t(room));
        if (count < 0 && errno == EINTR) {
            bytes.resize(have);
            continue;
        }
        if (count < 0)
            throw cannotOpen(fileName, readFailure(errno));
        bytes.resize(have + count);
        if (count == 0)
            return bytes;
        if (bytes.size() > largestSavedFile)
            throw cannotOpen(fileName, tooLarge(bytes.size()));
    }
}

SavedRecording readSavedFile(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not a line of its own
    // An editor may leave one blank line after the last sample.
    if (lines.size() >= firstSampleLine && withoutLineEnd(lines.last()).trimmed().isEmpty())
        lines.removeLast();

    if (withoutLineEnd(lines.value(0)).trimmed() != QByteArray(TextExport::headingLine))
        throw lineError(1, QStringLiteral("no es el encabezado de columnas de un archivo guardado"));
    if (lines.size() < 2 || !withoutLineEnd(lines.at(1)).trimmed().isEmpty())
        throw lineError(2, QStringLiteral("debería estar vacía"));

    SavedRecording recording;
    recording.rows.reserve(std::size_t(lines.size()));
    std::vector<LoggerTime> moments;
    for (int index = firstSampleLine - 1; index < lines.size(); ++index) {
        const int lineNumber = index + 1;
        QList<QByteArray> words;
        for (const QByteArray &field : withoutLineEnd(lines.at(index)).split(' '))
            if (!field.isEmpty())
                words.append(field);
        if (words.size() != 6)
            throw lineError(lineNumber, QStringLiteral("no tiene fecha, hora y cuatro valores"));

        std::array<QString, 4> values;
        for (std::size_t channel = 0; channel < 4; ++channel)
            values[channel] = QString::fromLatin1(words[2 + qsizetype(channel)]);
        const std::optional<FileSampleRow> fields =
            fileSampleRow(QString::fromLatin1(words[0]), QString::fromLatin1(words[1]), values);
        const std::optional<RowField> wrong =
            fields ? fieldNotFromLogger(*fields) : std::optional(RowField::Moment);
        if (wrong == RowField::Moment)
            throw lineError(lineNumber, QStringLiteral("tiene una fecha u hora que no existe: %1 %2")
                                            .arg(quoted(words[0]), quoted(words[1])));
        if (wrong) {
            const int channel = int(*wrong) - int(RowField::Channel1);
            throw lineError(lineNumber, QStringLiteral("tiene en el canal %1 un valor que no "
                                                       "es de un registro: %2")
                                            .arg(channel + 1)
                                            .arg(quoted(words[2 + channel])));
        }
        const LoggerTime moment {fields->year - firstLoggerYear, fields->month, fields->day,
                                 fields->hour,        fields->minute, fields->second};
        SavedRow row {QString::fromLatin1(words[0]), QString::fromLatin1(words[1]), fields->values};
        recording.rows.push_back(std::move(row));
        moments.push_back(moment);
    }

    if (moments.size() < 2)
        return recording;
    const qint64 step = minutesBetween(moments[0], moments[1]);
    if (step <= 0 || !rateTextForStep(int(step)))
        throw lineError(firstSampleLine + 1,
                        QStringLiteral("no sigue a la anterior a una tasa de muestreo del logger "
                                       "(1, 5, 10, 15, 30 o 60 minutos)"));
    recording.stepMinutes = int(step);
    // Every row where the logger's own count of time puts it.
    const std::vector<LoggerTime> expected =
        timestampPass(moments[0], recording.stepMinutes, int(moments.size()));
    for (std::size_t i = 2; i < moments.size(); ++i) {
        if (!(moments[i] == expected[i]))
            throw lineError(int(i) + firstSampleLine,
                            QStringLiteral("no está %1 minutos después de la anterior")
                                .arg(recording.stepMinutes));
    }
    return recording;
}
