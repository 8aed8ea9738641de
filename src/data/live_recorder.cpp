#include "data/live_recorder.h"

#include "data/live_csv.h"
#include "data/text_export.h"
#include "runtime/in_out_error.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace {

constexpr char lineEnd[] = "\r\n";

/// Whether the file ends inside a line, its last line cut off by a crash while writing.
bool endsInsideLine(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return false;
    char last = '\n';
    return file.seek(file.size() - 1) && file.getChar(&last) && last != '\n';
}

/// The error number of the call that just failed; a failure without one is still a failure.
int lastError()
{
    return errno != 0 ? errno : EIO;
}

} // namespace

LiveRecorder::LiveRecorder(const QString &fileName, const QTimeZone &zone)
    : m_name(QFileInfo(fileName).absoluteFilePath())
    , m_zone(zone)
    , m_ownFile(true)
{
    // A device, a FIFO or a socket is never opened: a FIFO would hold the program up.
    TextExport::refuseNonFile(fileName);
    if (QFileInfo(fileName).isDir())
        throw EInOutError(EISDIR,
                          QStringLiteral("No se puede grabar en %1: es una carpeta.").arg(m_name));
    const bool cutOff = endsInsideLine(m_name);
    auto file = std::make_unique<QFile>(m_name);
    errno = 0;
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        const int error = lastError();
        throw EInOutError(
            error,
            QStringLiteral("No se puede grabar en %1: %2.").arg(m_name, inOutErrorMessage(error)));
    }
    const bool empty = file->size() == 0;
    m_device = std::move(file);
    if (empty)
        write(LiveCsv::heading() + lineEnd);
    else if (cutOff)
        write(lineEnd);
}

LiveRecorder::LiveRecorder(std::unique_ptr<QIODevice> device, const QString &name,
                           const QTimeZone &zone)
    : m_device(std::move(device))
    , m_name(name)
    , m_zone(zone)
{
    if (m_device->size() == 0)
        write(LiveCsv::heading() + lineEnd);
}

LiveRecorder::~LiveRecorder() = default;

void LiveRecorder::record(const LiveFrame &frame)
{
    if (!m_device)
        return;
    write(LiveCsv::record(frame, m_zone));
    if (!fileStillThere())
        fail(ENOENT, QStringLiteral("el archivo ya no está"));
    ++m_frames;
}

void LiveRecorder::stop()
{
    m_device.reset();
}

void LiveRecorder::write(const QByteArray &bytes)
{
    errno = 0;
    if (m_device->write(bytes) != bytes.size()) {
        const int error = lastError();
        fail(error, inOutErrorMessage(error));
    }
    auto *file = qobject_cast<QFileDevice *>(m_device.get());
    errno = 0;
    if (file && !file->flush()) {
        const int error = lastError();
        fail(error, inOutErrorMessage(error));
    }
}

bool LiveRecorder::fileStillThere() const
{
    if (!m_ownFile)
        return true;
    // Bytes written to a file that was removed or replaced land nowhere the user can find.
    struct stat opened
    {
    };
    struct stat named
    {
    };
    const int handle = static_cast<QFile *>(m_device.get())->handle();
    return ::fstat(handle, &opened) == 0 && opened.st_nlink > 0
        && ::stat(QFile::encodeName(m_name).constData(), &named) == 0
        && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

void LiveRecorder::fail(int errorCode, const QString &why)
{
    m_device.reset();
    throw EInOutError(errorCode,
                      QStringLiteral("Se detuvo la grabación en vivo en %1: %2.").arg(m_name, why));
}
