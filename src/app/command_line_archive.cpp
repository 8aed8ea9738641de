#include "app/command_line_archive.h"

#include "app/command_line_output.h"
#include "app/output_check.h"
#include "archive/archive_error.h"
#include "archive/archive_import.h"
#include "archive/archive_location.h"
#include "archive/archive_rebuild.h"
#include "archive/archive_sync.h"
#include "archive/download_archiving.h"
#include "archive/station_name.h"
#include "data/csv_export.h"
#include "data/text_export.h"
#include "runtime/archive_files.h"
#include "runtime/in_out_error.h"
#include "runtime/quit_signals.h"

#include <QDateTime>
#include <QFileInfo>

namespace CommandLine {
namespace {

QString isoTime(const std::optional<qint64> &t)
{
    if (!t)
        return {};
    return CsvExport::isoTimestamp(sampleDateText(*t), sampleTimeText(*t));
}

/// The shared archive's URL: the one given, or the one the archive keeps; empty for none.
/// Throws ArchiveError when the archive cannot be read.
QString serverUrlOf(const Options &options)
{
    if (!options.archiveServer.isEmpty())
        return options.archiveServer;
    return existingArchive(options).serverUrl();
}

/// Whether a quit signal came: the sync and the rebuild stop before their next download.
bool quitCaught()
{
    return QuitSignals::caught() != 0;
}

/// Says how a sync ended and returns its code: a quit signal first, then the server's failure,
/// then downloads of the local archive too damaged to send (each on its own line). What went
/// well goes to `worked`, standard error only when that is a terminal.
int syncEnded(const SyncResult &result, FILE *worked)
{
    if (const int signal = QuitSignals::caught())
        return interrupted(signal);
    if (!result.succeeded())
        return fail(SyncFailed, result.line());
    if (!result.damaged.empty()) {
        for (const QString &line : result.damagedLines())
            fail(DamagedNotSent, line);
        return fail(DamagedNotSent, result.line());
    }
    if (worked == stdout || onTerminal())
        say(worked, result.line() + QLatin1Char('\n'));
    return Ok;
}

} // namespace

StationArchive existingArchive(const Options &options)
{
    if (!options.archive.isEmpty())
        checkArchiveFolder(options.archive);
    if (!options.archive.isEmpty() && !QFileInfo::exists(options.archive))
        throw ArchiveError(
            QStringLiteral("el archivo de estaciones %1 no existe").arg(options.archive));
    return StationArchive::openFile(options.archive);
}

void noteArchiveInUse(const Options &options)
{
    try {
        ArchiveFiles::noteInUse(options.archive.isEmpty() ? defaultArchivePath() : options.archive);
    } catch (const ArchiveError &) {
        // Without a home folder there is no archive of the user's own to keep from harm.
    }
}

QString stationNameProblem(const Options &options)
{
    QString name;
    try {
        name = checkedStationName(options.station);
    } catch (const ArchiveError &error) {
        return error.message();
    }
    QStringList known;
    try {
        // An archive not made yet has no stations.
        const QString path = options.archive.isEmpty() ? defaultArchivePath() : options.archive;
        if (QFileInfo::exists(path))
            known = StationArchive::openFile(path).stationNames();
    } catch (const ArchiveError &) {
        // An archive that cannot be read is said by the run, with its own exit code.
    }
    if (const std::optional<QString> existing = lookAlikeStation(name, known))
        return lookAlikeMessage(*existing);
    return QString();
}

QString archiveProblem(const Options &options)
{
    try {
        (void)checkedStationName(options.station);
        StationArchive archive = StationArchive::openFile(options.archive);
        if (archive.readOnly())
            return QStringLiteral("el archivo %1 es de solo lectura").arg(archive.shownName());
        archive.checkIntact();
    } catch (const ArchiveError &error) {
        return error.message();
    }
    return QString();
}

int archiveDownloaded(const Options &options, const DownloadEntry &entry, const QString &savedAs)
{
    ArchivingResult result = archiveDownload(options.archive, options.station, entry);
    if (!result.succeeded()) {
        const QString kept = savedAs.isEmpty()
            ? QStringLiteral("el logger la conserva, el reloj no se ajustó")
            : QStringLiteral("quedó guardada en %1, el reloj no se ajustó").arg(savedAs);
        return fail(
            ArchiveFailed,
            QStringLiteral("no se pudo archivar la descarga: %1; %2").arg(result.failure, kept));
    }
    // The same bytes under another station: not archived where asked, and said even to a cron
    // job; the port is not taken to be that station's.
    if (result.entry->archivedElsewhere())
        return fail(ArchiveFailed, result.line());
    // Remembered as the window program remembers it, for the next download on this port.
    try {
        StationArchive::openFile(options.archive).setStationForPort(options.port, options.station);
    } catch (const ArchiveError &) {
        // The download is archived; the memory of its port is a convenience.
    }
    // A conflict may mean the wrong station, and samples left out of a damaged download are
    // still on the logger until its memory is emptied: both said even to a cron job.
    if (result.entry->conflicts > 0 || result.entry->leftInDownload > 0)
        say(stderr, QStringLiteral("brentavius4: %1\n").arg(result.line()));
    else if (onTerminal())
        say(stderr, result.line() + QLatin1Char('\n'));
    return Ok;
}

int syncAfterEntering(const Options &options)
{
    QuitSignals quit;
    if (const int signal = QuitSignals::caught())
        return interrupted(signal);
    QString url;
    try {
        url = serverUrlOf(options);
    } catch (const ArchiveError &error) {
        return fail(SyncFailed, error.message());
    }
    if (url.isEmpty())
        return Ok;
    return syncEnded(syncArchive(options.archive, url, quitCaught), stderr);
}

int archiveList(const Options &options)
{
    QuitSignals quit;
    try {
        StationArchive archive = existingArchive(options);
        QString text = QStringLiteral("estación\tprimera muestra\túltima muestra\tmuestras\t"
                                      "descargas\tdesfase del reloj (s)\túltima descarga (UTC)\n");
        for (const StationSummary &station : archive.stations()) {
            const QString offset = station.lastClockOffsetSeconds
                ? QStringLiteral("%1%2")
                      .arg(*station.lastClockOffsetSeconds > 0 ? QStringLiteral("+") : QString())
                      .arg(*station.lastClockOffsetSeconds)
                : QString();
            text += QStringList {station.name,
                                 isoTime(station.firstSample),
                                 isoTime(station.lastSample),
                                 QString::number(station.samples),
                                 QString::number(station.downloads),
                                 offset,
                                 station.lastDownloadUtcMs
                                     ? QDateTime::fromMSecsSinceEpoch(*station.lastDownloadUtcMs,
                                                                      Qt::UTC)
                                           .toString(Qt::ISODate)
                                     : QString()}
                        .join(QLatin1Char('\t'))
                + QLatin1Char('\n');
        }
        if (const int signal = QuitSignals::caught())
            return interrupted(signal);
        say(stdout, text);
    } catch (const ArchiveError &error) {
        return fail(ArchiveFailed, error.message());
    }
    return Ok;
}

int archiveExport(const Options &options)
{
    if (const QString problem = outputProblem(options.output); !problem.isEmpty())
        return fail(SaveFailed,
                    QStringLiteral("no se pudo guardar %1: %2").arg(options.output, problem));
    QuitSignals quit;
    /// A quit signal came while the record was read: nothing is written.
    struct Interrupted
    {
    };
    try {
        StationArchive archive = existingArchive(options);
        // The rows go to the file as they are read; it takes the place of the old one only
        // once every row is read and counted.
        TextExport::writeFileInParts(options.output, [&](const TextExport::PartSink &sink) {
            archive.writeCsv(options.station, options.from, options.to, sink);
            if (QuitSignals::caught())
                throw Interrupted {};
        });
    } catch (const Interrupted &) {
        return interrupted(QuitSignals::caught());
    } catch (const ArchiveError &error) {
        return fail(ArchiveFailed, error.message());
    } catch (const EInOutError &error) {
        return fail(
            SaveFailed,
            QStringLiteral("no se pudo guardar %1: %2").arg(options.output, error.message()));
    }
    return Ok;
}

int archiveImport(const Options &options)
{
    QuitSignals quit;
    if (const QString problem = stationNameProblem(options); !problem.isEmpty())
        return fail(BadArguments, problem);
    int code = Ok;
    try {
        StationArchive archive = StationArchive::openFile(options.archive);
        archive.checkIntact();
        for (const QString &file : options.files) {
            // Each file enters whole or not at all: a quit stops between two.
            if (const int signal = QuitSignals::caught())
                return interrupted(signal);
            try {
                const EntryResult result = importFile(archive, options.station, file);
                if (result.archivedElsewhere())
                    code = fail(ArchiveFailed, QStringLiteral("%1: %2").arg(file, result.line()));
                else
                    say(stdout, QStringLiteral("%1: %2\n").arg(file, result.line()));
            } catch (const ArchiveError &error) {
                // A wait cut short by a quit is no fault of the file's.
                if (const int signal = QuitSignals::caught())
                    return interrupted(signal);
                // One file that does not read keeps none of the others out.
                code = fail(ArchiveFailed, error.message());
            }
        }
    } catch (const ArchiveError &error) {
        return fail(ArchiveFailed, error.message());
    }
    const int synced = syncAfterEntering(options);
    return code != Ok ? code : synced;
}

int archiveSync(const Options &options)
{
    QString url;
    try {
        if (!options.archive.isEmpty())
            checkArchiveFolder(options.archive);
        url = serverUrlOf(options);
    } catch (const ArchiveError &error) {
        return fail(ArchiveFailed, error.message());
    }
    if (url.isEmpty())
        return fail(BadArguments,
                    QStringLiteral("no hay un archivo compartido: se da con "
                                   "--archive-server URL"));
    QuitSignals quit;
    return syncEnded(syncArchive(options.archive, url, quitCaught), stdout);
}

int archiveRebuild(const Options &options)
{
    if (const QString problem = outputProblem(options.output); !problem.isEmpty())
        return fail(SaveFailed,
                    QStringLiteral("no se pudo guardar %1: %2").arg(options.output, problem));
    if (QFileInfo::exists(options.output) || QFileInfo(options.output).isSymLink())
        return fail(SaveFailed,
                    QStringLiteral("no se pudo guardar %1: ya existe, y la reconstrucción va a "
                                   "un archivo nuevo")
                        .arg(options.output));
    QuitSignals quit;
    if (const int signal = QuitSignals::caught())
        return interrupted(signal);
    RebuildResult result;
    try {
        if (!options.archive.isEmpty())
            checkArchiveFolder(options.archive);
        // A quit stops the rebuild between two downloads; the new file goes again.
        result = rebuildArchive(options.archive.isEmpty() ? defaultArchivePath() : options.archive,
                                options.output, quitCaught);
    } catch (const ArchiveError &error) {
        // The new file is gone on a failure too: one after a quit (a lock waited for past it)
        // ends as the quit.
        if (const int signal = QuitSignals::caught())
            return interrupted(signal);
        return fail(ArchiveFailed, error.message());
    }
    if (result.stopped)
        return interrupted(QuitSignals::caught());
    // A quit after the last step: the new archive is made, and said so before the run ends.
    if (const int signal = QuitSignals::caught()) {
        say(stdout, result.line() + QLatin1Char('\n'));
        return interrupted(signal);
    }
    if (!result.complete())
        return fail(ArchiveFailed, result.line());
    say(stdout, result.line() + QLatin1Char('\n'));
    return Ok;
}

} // namespace CommandLine
