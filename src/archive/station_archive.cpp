#include "archive/station_archive.h"

#include "archive/archive_database.h"
#include "archive/archive_error.h"
#include "archive/archive_location.h"
#include "archive/archive_schema.h"
#include "archive/sample_store.h"
#include "data/csv_export.h"

#include <QCryptographicHash>
#include <QSqlQuery>

#include <algorithm>

namespace {

/// Times the server is asked again when it broke a deadlock between two writers.
constexpr int attemptsOnTransientFailure = 3;
constexpr int longestStationName = 100;
/// zlib's fastest level: a quarter of the time of its usual one for a fifth more bytes.
constexpr int rawCompression = 1;
/// Bounds of t for a range left open.
constexpr qint64 earliest = -(qint64(1) << 62);
constexpr qint64 latest = qint64(1) << 62;

const QString serverUrlKey = QStringLiteral("server-url");
const QString portStationPrefix = QStringLiteral("station-for-port:");

template<typename T>
QVariant nullable(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant(QMetaType::fromType<T>());
}

template<typename T>
std::optional<T> optionalOf(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<T>(value.value<T>());
}

QString counted(int count, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
}

} // namespace

QString EntryResult::line() const
{
    if (conflicts > 0)
        return QStringLiteral("%1 con lo archivado para «%2»: ¿es otro logger?")
            .arg(counted(conflicts, QStringLiteral("muestra no coincide"),
                         QStringLiteral("muestras no coinciden")),
                 station);
    const QString counts = QStringLiteral("%1, %2").arg(
        counted(newSamples, QStringLiteral("nueva"), QStringLiteral("nuevas")),
        counted(alreadyArchived, QStringLiteral("ya archivada"), QStringLiteral("ya archivadas")));
    QString text = alreadyEntered
        ? QStringLiteral("La misma descarga ya estaba archivada en «%1»: %2").arg(station, counts)
        : QStringLiteral("Archivada en «%1»: %2").arg(station, counts);
    if (notEntered > 0)
        text += QStringLiteral("; %1 sin archivar")
                    .arg(counted(notEntered, QStringLiteral("fila dañada o sin fecha"),
                                 QStringLiteral("filas dañadas o sin fecha")));
    if (!checkPassed)
        text += QStringLiteral("; descarga sin verificar");
    return text;
}

QString checkedStationName(const QString &station)
{
    const QString name = station.trimmed();
    if (name.isEmpty())
        throw ArchiveError(QStringLiteral("la estación necesita un nombre"));
    if (name.size() > longestStationName)
        throw ArchiveError(QStringLiteral("el nombre de la estación pasa de %1 caracteres")
                               .arg(longestStationName));
    if (std::any_of(name.begin(), name.end(),
                    [](QChar c) { return c.category() == QChar::Other_Control; }))
        throw ArchiveError(
            QStringLiteral("el nombre de la estación no puede llevar saltos de línea ni "
                           "caracteres de control"));
    return name;
}

QString downloadHash(const QByteArray &raw)
{
    return QString::fromLatin1(QCryptographicHash::hash(raw, QCryptographicHash::Sha256).toHex());
}

StationArchive::StationArchive(std::unique_ptr<ArchiveDatabase> database)
    : m_database(std::move(database))
{ }

StationArchive::StationArchive(StationArchive &&) noexcept = default;
StationArchive &StationArchive::operator=(StationArchive &&) noexcept = default;
StationArchive::~StationArchive() = default;

StationArchive StationArchive::openFile(const QString &path)
{
    const QString file = path.isEmpty() ? defaultArchivePath() : path;
    makeArchiveFile(file);
    StationArchive archive(ArchiveDatabase::openFile(file));
    ArchiveSchema::bringUpToDate(*archive.m_database);
    return archive;
}

StationArchive StationArchive::openServer(const ServerAddress &address)
{
    StationArchive archive(ArchiveDatabase::openServer(address));
    ArchiveSchema::bringUpToDate(*archive.m_database);
    return archive;
}

QString StationArchive::shownName() const
{
    return m_database->shownName();
}

bool StationArchive::isServer() const
{
    return m_database->backend() == ArchiveBackend::PostgreSQL;
}

bool StationArchive::readOnly() const
{
    return m_database->readOnly();
}

qint64 StationArchive::stationId(const QString &station)
{
    m_database->run(QStringLiteral("INSERT INTO stations (name) VALUES (?) "
                                   "ON CONFLICT (name) DO NOTHING"),
                    {station});
    QSqlQuery query =
        m_database->run(QStringLiteral("SELECT id FROM stations WHERE name = ?"), {station});
    if (!query.next())
        throw ArchiveError(
            QStringLiteral("la estación «%1» no quedó en el archivo %2").arg(station, shownName()));
    return query.value(0).toLongLong();
}

EntryResult StationArchive::enter(const QString &station, const DownloadEntry &entry)
{
    const QString name = checkedStationName(station);
    if (m_database->readOnly())
        throw ArchiveError(
            QStringLiteral("el archivo %1 es de solo lectura; nada se archivó").arg(shownName()));
    const DecodedEntry decoded = decodeEntry(entry.raw, entry.kind, entry.samplesReported);
    const QString sha256 = downloadHash(entry.raw);
    for (int attempt = 1;; ++attempt) {
        try {
            return enterOnce(name, entry, decoded, sha256);
        } catch (const ArchiveError &) {
            m_database->rollback();
            if (!m_database->lastFailureIsTransient() || attempt == attemptsOnTransientFailure)
                throw;
        } catch (...) {
            m_database->rollback();
            throw;
        }
    }
}

EntryResult StationArchive::enterOnce(const QString &station, const DownloadEntry &entry,
                                      const DecodedEntry &decoded, const QString &sha256)
{
    ArchiveDatabase &db = *m_database;
    EntryResult result;
    result.station = station;
    result.notEntered = decoded.damagedRows;
    result.checkPassed = decoded.checkPassed;
    db.begin();
    const qint64 stationKey = stationId(station);
    const QSqlQuery added = db.run(
        QStringLiteral("INSERT INTO downloads (station_id, arrived_utc_ms, raw, raw_kind, sha256, "
                       "step_minutes, samples_reported, samples_received, check_passed, "
                       "damaged_rows, clock_offset_s) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                       "ON CONFLICT (sha256) DO NOTHING"),
        {stationKey, entry.arrivedUtcMs, qCompress(entry.raw, rawCompression), int(entry.kind),
         sha256, nullable(decoded.stepMinutes), nullable(entry.samplesReported),
         decoded.samplesReceived, decoded.checkPassed ? 1 : 0, decoded.damagedRows,
         nullable(entry.clockOffsetSeconds)});
    const bool alreadyEntered = added.numRowsAffected() == 0;
    QSqlQuery known = db.run(QStringLiteral("SELECT d.id, s.name FROM downloads d "
                                            "JOIN stations s ON s.id = d.station_id "
                                            "WHERE d.sha256 = ?"),
                             {sha256});
    if (!known.next())
        throw ArchiveError(
            QStringLiteral("la descarga no quedó en el archivo %1").arg(shownName()));
    result.downloadId = known.value(0).toLongLong();
    if (alreadyEntered) {
        // The same bytes were archived before: nothing of this attempt is kept.
        result.station = known.value(1).toString();
        known = QSqlQuery();
        db.rollback();
        result.alreadyEntered = true;
        result.alreadyArchived = int(decoded.samples.size());
        return result;
    }

    const MergedSamples merged = mergeSamples(db, stationKey, result.downloadId, decoded.samples);
    result.newSamples = merged.newSamples;
    result.alreadyArchived = merged.alreadyArchived;
    result.conflicts = int(merged.conflicting.size());
    const qint64 downloadId = result.downloadId;
    db.run(QStringLiteral("UPDATE downloads SET new_samples = ?, already_archived = ?, "
                          "conflicts = ? WHERE id = ?"),
           {result.newSamples, result.alreadyArchived, result.conflicts, downloadId});
    db.commit();
    return result;
}

std::vector<StationSummary> StationArchive::stations()
{
    QSqlQuery query = m_database->run(QStringLiteral(
        "SELECT s.name, "
        "(SELECT MIN(t) FROM samples WHERE station_id = s.id), "
        "(SELECT MAX(t) FROM samples WHERE station_id = s.id), "
        "(SELECT COUNT(*) FROM samples WHERE station_id = s.id), "
        "(SELECT COUNT(*) FROM downloads WHERE station_id = s.id), "
        "(SELECT clock_offset_s FROM downloads WHERE station_id = s.id "
        "AND clock_offset_s IS NOT NULL ORDER BY arrived_utc_ms DESC, id DESC LIMIT 1) "
        "FROM stations s ORDER BY s.name"));
    std::vector<StationSummary> list;
    while (query.next())
        list.push_back({query.value(0).toString(), optionalOf<qint64>(query.value(1)),
                        optionalOf<qint64>(query.value(2)), query.value(3).toLongLong(),
                        query.value(4).toInt(), optionalOf<qint64>(query.value(5))});
    return list;
}

QStringList StationArchive::stationNames()
{
    QSqlQuery query = m_database->run(QStringLiteral("SELECT name FROM stations ORDER BY name"));
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

std::vector<ArchivedSample> StationArchive::samples(const QString &station,
                                                    std::optional<qint64> from,
                                                    std::optional<qint64> to)
{
    QSqlQuery id = m_database->run(QStringLiteral("SELECT id FROM stations WHERE name = ?"),
                                   {station.trimmed()});
    if (!id.next())
        throw ArchiveError(QStringLiteral("la estación «%1» no está en el archivo %2")
                               .arg(station.trimmed(), shownName()));
    const qint64 stationKey = id.value(0).toLongLong();
    id = QSqlQuery();
    return readSamples(*m_database, stationKey, from.value_or(earliest), to.value_or(latest));
}

std::vector<DownloadSummary> StationArchive::downloads(const QString &station)
{
    const QString head =
        QStringLiteral("SELECT d.id, s.name, d.sha256, d.arrived_utc_ms, d.raw_kind, "
                       "d.samples_received, d.check_passed, "
                       "d.new_samples, d.already_archived, d.conflicts, d.sent FROM downloads d "
                       "JOIN stations s ON s.id = d.station_id ");
    QSqlQuery query = station.isEmpty()
        ? m_database->run(head + QStringLiteral("ORDER BY d.id"))
        : m_database->run(head + QStringLiteral("WHERE s.name = ? ORDER BY d.id"),
                          {station.trimmed()});
    std::vector<DownloadSummary> list;
    while (query.next())
        list.push_back({query.value(0).toLongLong(), query.value(1).toString(),
                        query.value(2).toString(), query.value(3).toLongLong(),
                        RawKind(query.value(4).toInt()), query.value(5).toInt(),
                        query.value(6).toInt() != 0, query.value(7).toInt(), query.value(8).toInt(),
                        query.value(9).toInt(), query.value(10).toInt() != 0});
    return list;
}

StoredDownload StationArchive::storedDownload(qint64 downloadId)
{
    QSqlQuery query = m_database->run(
        QStringLiteral("SELECT s.name, d.sha256, d.raw, d.raw_kind, d.arrived_utc_ms, "
                       "d.samples_reported, d.clock_offset_s FROM downloads d "
                       "JOIN stations s ON s.id = d.station_id WHERE d.id = ?"),
        {downloadId});
    if (!query.next())
        throw ArchiveError(QStringLiteral("la descarga %1 no está en el archivo %2")
                               .arg(downloadId)
                               .arg(shownName()));
    StoredDownload stored;
    stored.station = query.value(0).toString();
    stored.sha256 = query.value(1).toString();
    stored.entry.raw = qUncompress(query.value(2).toByteArray());
    stored.entry.kind = RawKind(query.value(3).toInt());
    stored.entry.arrivedUtcMs = query.value(4).toLongLong();
    stored.entry.samplesReported = optionalOf<int>(query.value(5));
    stored.entry.clockOffsetSeconds = optionalOf<qint64>(query.value(6));
    if (downloadHash(stored.entry.raw) != stored.sha256)
        throw ArchiveError(QStringLiteral("la descarga %1 del archivo %2 está dañada")
                               .arg(downloadId)
                               .arg(shownName()));
    return stored;
}

QByteArray StationArchive::savedFileText(qint64 downloadId)
{
    const StoredDownload stored = storedDownload(downloadId);
    return ::savedFileText(stored.entry.raw, stored.entry.kind);
}

QByteArray StationArchive::csvText(const QString &station, std::optional<qint64> from,
                                   std::optional<qint64> to)
{
    const std::vector<ArchivedSample> list = samples(station, from, to);
    return CsvExport::samplesText(int(list.size()), [&list](int column, int row) {
        const ArchivedSample &sample = list[std::size_t(row - 1)];
        if (column == 1)
            return sampleDateText(sample.t);
        if (column == 2)
            return sampleTimeText(sample.t);
        return archivedValueText(sample.values[std::size_t(column - 3)], column - 3);
    });
}

QStringList StationArchive::downloadHashes()
{
    QSqlQuery query = m_database->run(QStringLiteral("SELECT sha256 FROM downloads"));
    QStringList hashes;
    while (query.next())
        hashes << query.value(0).toString();
    return hashes;
}

void StationArchive::markSent(qint64 downloadId)
{
    m_database->run(QStringLiteral("UPDATE downloads SET sent = 1 WHERE id = ?"), {downloadId});
}

int StationArchive::unsentCount()
{
    QSqlQuery query =
        m_database->run(QStringLiteral("SELECT COUNT(*) FROM downloads WHERE sent = 0"));
    return query.next() ? query.value(0).toInt() : 0;
}

QString StationArchive::setting(const QString &key)
{
    QSqlQuery query =
        m_database->run(QStringLiteral("SELECT value FROM settings WHERE key = ?"), {key});
    return query.next() ? query.value(0).toString() : QString();
}

void StationArchive::setSetting(const QString &key, const QString &value)
{
    m_database->run(QStringLiteral("INSERT INTO settings (key, value) VALUES (?, ?) "
                                   "ON CONFLICT (key) DO UPDATE SET value = excluded.value"),
                    {key, value});
}

QString StationArchive::stationForPort(const QString &port)
{
    return setting(portStationPrefix + port);
}

void StationArchive::setStationForPort(const QString &port, const QString &station)
{
    setSetting(portStationPrefix + port, checkedStationName(station));
}

QString StationArchive::serverUrl()
{
    return setting(serverUrlKey);
}

void StationArchive::setServerUrl(const QString &url)
{
    setSetting(serverUrlKey, url.trimmed());
}
