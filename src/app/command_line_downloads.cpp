// The command line's runs on single downloads of the archive: listing them with the numbers
// that name them, removing one, moving one to its station.
#include "app/command_line_archive.h"
#include "app/command_line_output.h"
#include "archive/archive_error.h"

#include <QDateTime>

namespace CommandLine {
namespace {

/// Characters of a download's SHA-256 listed: enough to tell downloads apart by eye.
constexpr int hashShown = 12;

/// Runs `work` on the archive named by `options`, which must be there, and writes what it gives
/// on standard output.
template<typename Work>
int onArchive(const Options &options, Work work)
{
    try {
        StationArchive archive = existingArchive(options);
        say(stdout, work(archive));
    } catch (const ArchiveError &error) {
        return fail(ArchiveFailed, error.message());
    }
    return Ok;
}

} // namespace

int archiveDownloads(const Options &options)
{
    return onArchive(options, [&options](StationArchive &archive) {
        if (!options.station.isEmpty()
            && !archive.stationNames().contains(options.station.trimmed()))
            throw ArchiveError(QStringLiteral("la estación «%1» no está en el archivo %2")
                                   .arg(options.station.trimmed(), archive.shownName()));
        QString text = QStringLiteral("descarga\tllegada (UTC)\testación\tmuestras\t"
                                      "verificación\tsha256\n");
        for (const DownloadSummary &download : archive.downloads(options.station))
            text += QStringList {QString::number(download.id),
                                 QDateTime::fromMSecsSinceEpoch(download.arrivedUtcMs, Qt::UTC)
                                     .toString(Qt::ISODate),
                                 download.station,
                                 QString::number(download.samplesReceived),
                                 download.checkPassed ? QStringLiteral("verificada")
                                                      : QStringLiteral("sin verificar"),
                                 download.sha256.left(hashShown)}
                        .join(QLatin1Char('\t'))
                + QLatin1Char('\n');
        return text;
    });
}

int archiveRemoveDownload(const Options &options)
{
    return onArchive(options, [&options](StationArchive &archive) {
        return archive.removeDownload(options.downloadId).line() + QLatin1Char('\n');
    });
}

int archiveMoveDownload(const Options &options)
{
    return onArchive(options, [&options](StationArchive &archive) {
        return archive.moveDownload(options.downloadId, options.station).line()
            + QLatin1Char('\n');
    });
}

} // namespace CommandLine
