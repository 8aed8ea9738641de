#include "archive/download_archiving.h"

#include "archive/archive_error.h"
#include "archive/archive_location.h"

#include <QDateTime>

QString ArchivingResult::line() const
{
    return entry ? entry->line()
                 : QStringLiteral("No se pudo archivar la descarga: %1").arg(failure);
}

DownloadEntry finishedDownload(const QByteArray &text, std::optional<int> samplesReported,
                               std::optional<qint64> clockOffsetSeconds)
{
    return {text, RawKind::DownloadText, QDateTime::currentMSecsSinceEpoch(), samplesReported,
            clockOffsetSeconds};
}

ArchivingResult archiveDownload(const QString &archivePath, const QString &station,
                                const DownloadEntry &entry)
{
    ArchivingResult result;
    result.archive = archivePath;
    try {
        if (result.archive.isEmpty())
            result.archive = defaultArchivePath();
        StationArchive archive = StationArchive::openFile(result.archive);
        result.entry = archive.enter(station, entry);
    } catch (const ArchiveError &error) {
        result.failure = error.message();
    } catch (const std::bad_alloc &) {
        result.failure = QStringLiteral("falta memoria");
    }
    return result;
}
