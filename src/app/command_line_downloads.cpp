// The command line's runs on single downloads of the archive: listing them with the numbers
// that name them, removing one, moving one to its station.
#include "app/command_line_archive.h"
#include "app/command_line_output.h"
#include "archive/archive_error.h"
#include "runtime/quit_signals.h"

#include <QDateTime>

namespace CommandLine {
namespace {

/// Characters of a download's SHA-256 listed: enough to tell downloads apart by eye.
constexpr int hashShown = 12;

/// What a run on a download writes when a quit came while it worked.
enum class OnQuit {
    /// A listing: not written, as --archive-list.
    Unsaid,
    /// A change, made whole in its one transaction: written, so that it is known.
    Said,
};

/// Runs `work` on the archive named by `options`, which must be there, and writes what it gives
/// on standard output. A quit signal before the work ends the run with nothing done; one during
/// it lets its one transaction end whole, then ends the run, `onQuit` saying what is written.
template<typename Work>
int onArchive(const Options &options, OnQuit onQuit, Work work)
{
    QuitSignals quit;
    QString text;
    try {
        StationArchive archive = existingArchive(options);
        if (const int signal = QuitSignals::caught())
            return interrupted(signal);
        text = work(archive);
    } catch (const ArchiveError &error) {
        // Nothing was changed: a quit while the work waited for the archive ends as a quit.
        if (const int signal = QuitSignals::caught())
            return interrupted(signal);
        return fail(ArchiveFailed, error.message());
    }
    const int signal = QuitSignals::caught();
    if (signal == 0 || onQuit == OnQuit::Said)
        say(stdout, text);
    return signal != 0 ? interrupted(signal) : Ok;
}

} // namespace

int archiveDownloads(const Options &options)
{
    return onArchive(options, OnQuit::Unsaid, [&options](StationArchive &archive) {
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
    return onArchive(options, OnQuit::Said, [&options](StationArchive &archive) {
        return archive.removeDownload(options.downloadId).line() + QLatin1Char('\n');
    });
}

int archiveMoveDownload(const Options &options)
{
    return onArchive(options, OnQuit::Said, [&options](StationArchive &archive) {
        return archive.moveDownload(options.downloadId, options.station).line()
            + QLatin1Char('\n');
    });
}

} // namespace CommandLine
