#include "app/command_line_archive.h"

#include "app/command_line_output.h"
#include "app/output_check.h"
#include "archive/archive_error.h"
#include "archive/archive_import.h"
#include "archive/archive_location.h"
#include "archive/archive_sync.h"
#include "archive/download_archiving.h"
#include "archive/station_name.h"
#include "data/csv_export.h"
#include "data/text_export.h"
#include "runtime/in_out_error.h"

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

/// The archive named to be read, which must be there: a name mistyped must not quietly make a
/// new, empty archive. The user's own is made on first use. Throws ArchiveError.
StationArchive existingArchive(const Options &options)
{
    if (!options.archive.isEmpty() && !QFileInfo::exists(options.archive))
        throw ArchiveError(
            QStringLiteral("el archivo de estaciones %1 no existe").arg(options.archive));
    return StationArchive::openFile(options.archive);
}

/// The shared archive's URL: the one given, or the one the archive keeps; empty for none.
/// Throws ArchiveError when the archive cannot be read.
QString serverUrlOf(const Options &options)
{
    if (!options.archiveServer.isEmpty())
        return options.archiveServer;
    return existingArchive(options).serverUrl();
}

} // namespace

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
    // Remembered as the window program remembers it, for the next download on this port.
    try {
        StationArchive::openFile(options.archive).setStationForPort(options.port, options.station);
    } catch (const ArchiveError &) {
        // The download is archived; the memory of its port is a convenience.
    }
    // A conflict may mean the wrong station: said even to a cron job.
    if (result.entry->conflicts > 0)
        say(stderr, QStringLiteral("brentavius4: %1\n").arg(result.line()));
    else if (onTerminal())
        say(stderr, result.line() + QLatin1Char('\n'));
    return Ok;
}

int syncAfterEntering(const Options &options)
{
    QString url;
    try {
        url = serverUrlOf(options);
    } catch (const ArchiveError &error) {
        return fail(SyncFailed, error.message());
    }
    if (url.isEmpty())
        return Ok;
    const SyncResult result = syncArchive(options.archive, url);
    if (!result.succeeded())
        return fail(SyncFailed, result.line());
    if (onTerminal())
        say(stderr, result.line() + QLatin1Char('\n'));
    return Ok;
}

int archiveList(const Options &options)
{
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
    QByteArray csv;
    try {
        StationArchive archive = existingArchive(options);
        csv = archive.csvText(options.station, options.from, options.to);
    } catch (const ArchiveError &error) {
        return fail(ArchiveFailed, error.message());
    }
    try {
        TextExport::writeFile(options.output, csv);
    } catch (const EInOutError &error) {
        return fail(
            SaveFailed,
            QStringLiteral("no se pudo guardar %1: %2").arg(options.output, error.message()));
    }
    return Ok;
}

int archiveImport(const Options &options)
{
    if (const QString problem = stationNameProblem(options); !problem.isEmpty())
        return fail(BadArguments, problem);
    int code = Ok;
    try {
        StationArchive archive = StationArchive::openFile(options.archive);
        for (const QString &file : options.files) {
            try {
                const EntryResult result = importFile(archive, options.station, file);
                say(stdout, QStringLiteral("%1: %2\n").arg(file, result.line()));
            } catch (const ArchiveError &error) {
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
        url = serverUrlOf(options);
    } catch (const ArchiveError &error) {
        return fail(ArchiveFailed, error.message());
    }
    if (url.isEmpty())
        return fail(BadArguments,
                    QStringLiteral("no hay un archivo compartido: se da con "
                                   "--archive-server URL"));
    const SyncResult result = syncArchive(options.archive, url);
    if (!result.succeeded())
        return fail(SyncFailed, result.line());
    say(stdout, result.line() + QLatin1Char('\n'));
    return Ok;
}

} // namespace CommandLine
