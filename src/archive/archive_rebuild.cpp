#include "archive/archive_rebuild.h"

#include "archive/archive_database.h"
#include "archive/archive_error.h"
#include "archive/archive_location.h"
#include "archive/station_archive.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include <optional>

namespace {

template<typename T>
std::optional<T> optionalOf(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<T>(value.value<T>());
}

/// The downloads of the old archive to enter, in the order they arrived.
struct Listed
{
    qint64 id = 0;
    QString station;
    qint64 arrivedUtcMs = 0;
};

/// Download `id` of the old archive, its bytes checked against the hash they were kept under.
/// Throws ArchiveError saying why it cannot be read.
DownloadEntry storedEntry(ArchiveDatabase &old, qint64 id, bool &sent)
{
    QSqlQuery query =
        old.run(QStringLiteral("SELECT raw, raw_kind, arrived_utc_ms, samples_reported, "
                               "clock_offset_s, sha256, sent FROM downloads WHERE id = ?"),
                {id});
    if (!old.next(query))
        throw ArchiveError(QStringLiteral("no se encontró"));
    DownloadEntry entry;
    entry.raw = qUncompress(query.value(0).toByteArray());
    entry.kind = RawKind(query.value(1).toInt());
    entry.arrivedUtcMs = query.value(2).toLongLong();
    entry.samplesReported = optionalOf<int>(query.value(3));
    entry.clockOffsetSeconds = optionalOf<qint64>(query.value(4));
    sent = query.value(6).toInt() != 0;
    if (entry.raw.isEmpty() || downloadHash(entry.raw) != query.value(5).toString())
        throw ArchiveError(QStringLiteral("sus bytes no son los que se guardaron (SHA-256)"));
    return entry;
}

/// Thrown between two downloads when a stop was asked: the new archive goes as on a failure.
struct RebuildStopped
{
};

/// Removes the new archive `to` with the files SQLite keeps beside it.
void removeNewArchive(const QString &to)
{
    for (const QString &suffix :
         {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")})
        QFile::remove(to + suffix);
}

} // namespace

QString RebuildResult::line() const
{
    QString text =
        QStringLiteral("Archivo %1 reconstruido desde %2: %3, %4")
            .arg(to, from,
                 countedText(entered, QStringLiteral("descarga"), QStringLiteral("descargas")),
                 countedText(stations, QStringLiteral("estación"), QStringLiteral("estaciones")));
    for (const UnreadDownload &download : unread)
        text += QStringLiteral("; no se pudo leer la descarga %1 de «%2» llegada el %3: %4")
                    .arg(download.id)
                    .arg(download.station,
                         QDateTime::fromMSecsSinceEpoch(download.arrivedUtcMs, Qt::UTC)
                             .toString(Qt::ISODate),
                         download.reason);
    if (!listFailure.isEmpty())
        text +=
            QStringLiteral("; la lista de descargas no se pudo leer entera: %1").arg(listFailure);
    return text;
}

RebuildResult rebuildArchive(const QString &from, const QString &to,
                             const std::function<bool()> &stopRequested)
{
    const auto stopIfAsked = [&stopRequested] {
        if (stopRequested && stopRequested())
            throw RebuildStopped();
    };
    RebuildResult result;
    result.from = from.isEmpty() ? defaultArchivePath() : from;
    result.to = to;
    if (!QFileInfo::exists(result.from))
        throw ArchiveError(
            QStringLiteral("el archivo de estaciones %1 no existe").arg(result.from));
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
        throw ArchiveError(
            QStringLiteral("%1 ya existe: la reconstrucción va a un archivo nuevo").arg(to));
    const std::unique_ptr<ArchiveDatabase> old =
        ArchiveDatabase::openFile(result.from, FileAccess::ReadOnly);

    QStringList stations;
    std::vector<std::pair<QString, QString>> settings;
    std::vector<Listed> listed;
    try {
        QSqlQuery query = old->run(QStringLiteral("SELECT name FROM stations ORDER BY id"));
        while (old->next(query))
            stations << query.value(0).toString();
        query = old->run(QStringLiteral("SELECT key, value FROM settings ORDER BY key"));
        while (old->next(query))
            settings.emplace_back(query.value(0).toString(), query.value(1).toString());
        query = old->run(QStringLiteral("SELECT d.id, s.name, d.arrived_utc_ms FROM downloads d "
                                        "JOIN stations s ON s.id = d.station_id "
                                        "ORDER BY d.arrived_utc_ms, d.id"));
        while (old->next(query))
            listed.push_back({query.value(0).toLongLong(), query.value(1).toString(),
                              query.value(2).toLongLong()});
    } catch (const ArchiveError &error) {
        // What was read is still entered; the rest of the file may not give more.
        result.listFailure = error.message();
    }

    try {
        StationArchive rebuilt = StationArchive::openFile(to);
        for (const QString &station : stations)
            rebuilt.addStation(station);
        for (const auto &[key, value] : settings)
            rebuilt.setSetting(key, value);
        for (const Listed &download : listed) {
            stopIfAsked();
            bool sent = false;
            DownloadEntry entry;
            try {
                entry = storedEntry(*old, download.id, sent);
                // Read here, so that a kept text that no longer reads (an old file with values
                // no logger gives) is named and left out like a damaged one, not taken for a
                // fault of the new archive.
                (void)decodeEntry(entry.raw, entry.kind, entry.samplesReported);
            } catch (const ArchiveError &error) {
                result.unread.push_back(
                    {download.id, download.station, download.arrivedUtcMs, error.message()});
                continue;
            }
            const EntryResult entered = rebuilt.enter(download.station, entry);
            if (sent)
                rebuilt.markSent(entered.downloadId);
            ++result.entered;
        }
        stopIfAsked();
        result.stations = int(rebuilt.stationNames().size());
    } catch (const RebuildStopped &) {
        removeNewArchive(to);
        result.stopped = true;
    } catch (...) {
        // Half an archive is no rebuild: the new file, made here, goes again.
        removeNewArchive(to);
        throw;
    }
    return result;
}
