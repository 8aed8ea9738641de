#include "archive/station_archive.h"

#include "archive/archive_database.h"
#include "archive/archive_error.h"
#include "archive/archive_integrity.h"
#include "archive/archive_location.h"
#include "archive/archive_schema.h"
#include "archive/sample_csv.h"
#include "archive/sample_store.h"
#include "archive/unconfirmed_samples.h"
#include "archive/server_password.h"
#include "archive/station_name.h"
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

/// Runs the transaction `work` and, when the server broke a deadlock with another writer, runs
/// it again; any failure leaves the archive as it was.
template<typename Work>
auto retried(ArchiveDatabase &database, Work work)
{
    for (int attempt = 1;; ++attempt) {
        try {
            return work();
        } catch (const ArchiveError &) {
            database.rollback();
            if (!database.lastFailureIsTransient() || attempt == attemptsOnTransientFailure)
                throw;
        } catch (...) {
            database.rollback();
            throw;
        }
    }
}

} // namespace

QString EntryResult::line() const
{
    if (archivedElsewhere())
        return QStringLiteral("Esta descarga ya está archivada en «%1»; no se archivó en «%2»")
            .arg(station, askedStation);
    // Rows a damaged download could not vouch for: the logger still holds them.
    const QString leftOut = leftInDownload == 1
        ? QStringLiteral("; 1 muestra sin archivar: la descarga no llegó bien y el logger aún la "
                         "conserva, descargue de nuevo")
        : QStringLiteral("; %1 muestras sin archivar: la descarga no llegó bien y el logger aún "
                         "las conserva, descargue de nuevo")
              .arg(leftInDownload);
    if (conflicts > 0)
        return QStringLiteral("%1 con lo archivado para «%2»: ¿es otro logger?")
                   .arg(countedText(conflicts, QStringLiteral("muestra no coincide"),
                                QStringLiteral("muestras no coinciden")),
                        station)
            + (leftInDownload > 0 ? leftOut : QString());
    const QString counts = QStringLiteral("%1, %2").arg(
        countedText(newSamples, QStringLiteral("nueva"), QStringLiteral("nuevas")),
        countedText(alreadyArchived, QStringLiteral("ya archivada"), QStringLiteral("ya archivadas")));
    QString text = alreadyEntered
        ? QStringLiteral("La misma descarga ya estaba archivada en «%1»: %2").arg(station, counts)
        : QStringLiteral("Archivada en «%1»: %2").arg(station, counts);
    if (replaced > 0)
        text += QStringLiteral("; %1 de una descarga dañada")
                    .arg(countedText(replaced, QStringLiteral("muestra corregida"),
                                 QStringLiteral("muestras corregidas")));
    if (leftInDownload > 0)
        return text + leftOut;
    if (notEntered > 0)
        text += QStringLiteral("; %1 sin archivar")
                    .arg(countedText(notEntered, QStringLiteral("fila dañada o sin fecha"),
                                 QStringLiteral("filas dañadas o sin fecha")));
    if (!checkPassed)
        text += QStringLiteral("; descarga sin verificar");
    return text;
}

QString StationMerge::line() const
{
    if (!merged)
        return QStringLiteral("«%1» se llama ahora «%2»").arg(from, to);
    return QStringLiteral("«%1» y «%2» son ahora una estación, «%2»: %3, %4, %5")
        .arg(
            from, to,
            countedText(int(moved), QStringLiteral("muestra pasó"), QStringLiteral("muestras pasaron")),
            countedText(int(alreadyArchived), QStringLiteral("ya archivada"),
                    QStringLiteral("ya archivadas")),
            countedText(int(conflicts), QStringLiteral("no coincide"), QStringLiteral("no coinciden")));
}

QString checkedStationName(const QString &station)
{
    const QString name = station.trimmed();
    if (stationKey(name).isEmpty())
        throw ArchiveError(QStringLiteral("la estación necesita un nombre"));
    if (stationNameLength(name) > longestStationName)
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
    // A copy of the archive must not carry the lab server's password with it.
    ServerPassword::moveOutOf(archive);
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

void StationArchive::checkIntact()
{
    if (m_checked)
        return;
    ArchiveIntegrity::checkFile(*m_database);
    m_checked = true;
}

void StationArchive::refuseReadOnly() const
{
    if (m_database->readOnly())
        throw ArchiveError(
            QStringLiteral("el archivo %1 es de solo lectura; nada se cambió").arg(shownName()));
}

void StationArchive::renamePortStations(const QString &from, const QString &to)
{
    m_database->run(QStringLiteral("UPDATE settings SET value = ? WHERE key LIKE ? AND value = ?"),
                    {to, portStationPrefix + QLatin1Char('%'), from});
}

void StationArchive::addStation(const QString &station)
{
    const QString name = checkedStationName(station);
    checkIntact();
    m_database->run(QStringLiteral("INSERT INTO stations (name) VALUES (?) "
                                   "ON CONFLICT (name) DO NOTHING"),
                    {name});
}

qint64 StationArchive::stationId(QString &station, LookAlikeName lookAlike)
{
    QSqlQuery known =
        m_database->run(QStringLiteral("SELECT id FROM stations WHERE name = ?"), {station});
    if (m_database->next(known))
        return known.value(0).toLongLong();
    known = QSqlQuery();
    if (const auto alike = archivedLookAlike(station, 0)) {
        if (lookAlike == LookAlikeName::Refused)
            throw ArchiveError(lookAlikeMessage(alike->second));
        station = alike->second;
        return alike->first;
    }
    m_database->run(QStringLiteral("INSERT INTO stations (name) VALUES (?) "
                                   "ON CONFLICT (name) DO NOTHING"),
                    {station});
    QSqlQuery query =
        m_database->run(QStringLiteral("SELECT id FROM stations WHERE name = ?"), {station});
    if (!m_database->next(query))
        throw ArchiveError(
            QStringLiteral("la estación «%1» no quedó en el archivo %2").arg(station, shownName()));
    return query.value(0).toLongLong();
}

std::optional<std::pair<qint64, QString>> StationArchive::archivedLookAlike(const QString &station,
                                                                            qint64 except)
{
    // On a server, two writers making look-alike stations at once would each miss the other's:
    // the names are read under a lock that only station makers take, until this one commits.
    if (m_database->backend() == ArchiveBackend::PostgreSQL)
        m_database->run(QStringLiteral("LOCK TABLE stations IN SHARE ROW EXCLUSIVE MODE"));
    // The station itself, made meanwhile by another writer, is no look-alike.
    const QString key = stationKey(station);
    QSqlQuery names = m_database->run(QStringLiteral("SELECT id, name FROM stations"));
    while (m_database->next(names)) {
        const QString name = names.value(1).toString();
        const qint64 id = names.value(0).toLongLong();
        if (id != except && name != station && stationKey(name) == key)
            return std::pair(id, name);
    }
    return std::nullopt;
}

void StationArchive::refuseLookAlike(const QString &station, qint64 except)
{
    if (const auto alike = archivedLookAlike(station, except))
        throw ArchiveError(lookAlikeMessage(alike->second));
}

qint64 StationArchive::existingStationId(const QString &station)
{
    QSqlQuery id = m_database->run(QStringLiteral("SELECT id FROM stations WHERE name = ?"),
                                   {station.trimmed()});
    if (!m_database->next(id))
        throw ArchiveError(QStringLiteral("la estación «%1» no está en el archivo %2")
                               .arg(station.trimmed(), shownName()));
    return id.value(0).toLongLong();
}

EntryResult StationArchive::enter(const QString &station, const DownloadEntry &entry,
                                  LookAlikeName lookAlike)
{
    const QString name = checkedStationName(station);
    if (m_database->readOnly())
        throw ArchiveError(
            QStringLiteral("el archivo %1 es de solo lectura; nada se archivó").arg(shownName()));
    checkIntact();
    const DecodedEntry decoded = decodeEntry(entry.raw, entry.kind, entry.samplesReported);
    const QString sha256 = downloadHash(entry.raw);
    return retried(*m_database, [&] { return enterOnce(name, entry, decoded, sha256, lookAlike); });
}

EntryResult StationArchive::enterOnce(const QString &station, const DownloadEntry &entry,
                                      const DecodedEntry &decoded, const QString &sha256,
                                      LookAlikeName lookAlike)
{
    m_database->begin();
    const EntryResult result = enterWithin(station, entry, decoded, sha256, lookAlike);
    // The same bytes were archived before: nothing of this attempt is kept.
    if (result.alreadyEntered)
        m_database->rollback();
    else
        m_database->commit();
    return result;
}

EntryResult StationArchive::enterWithin(const QString &station, const DownloadEntry &entry,
                                        const DecodedEntry &decoded, const QString &sha256,
                                        LookAlikeName lookAlike)
{
    ArchiveDatabase &db = *m_database;
    EntryResult result;
    result.station = station;
    result.askedStation = station;
    result.notEntered = decoded.damagedRows;
    result.checkPassed = decoded.checkPassed;
    result.leftInDownload = decoded.leftInDownload;
    const qint64 stationKey = stationId(result.station, lookAlike);
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
    if (!m_database->next(known))
        throw ArchiveError(
            QStringLiteral("la descarga no quedó en el archivo %1").arg(shownName()));
    result.downloadId = known.value(0).toLongLong();
    if (alreadyEntered) {
        result.station = known.value(1).toString();
        result.alreadyEntered = true;
        result.alreadyArchived = int(decoded.samples.size());
        return result;
    }
    known = QSqlQuery();

    MergedSamples merged = mergeSamples(db, stationKey, result.downloadId, decoded.samples);
    if (decoded.checkPassed)
        result.replaced =
            takeOverUnconfirmed(db, stationKey, result.downloadId, decoded.samples, merged);
    result.newSamples = merged.newSamples;
    result.alreadyArchived = merged.alreadyArchived;
    result.conflicts = int(merged.conflicting.size());
    const qint64 downloadId = result.downloadId;
    db.run(QStringLiteral("UPDATE downloads SET new_samples = ?, already_archived = ?, "
                          "conflicts = ? WHERE id = ?"),
           {result.newSamples, result.alreadyArchived, result.conflicts, downloadId});
    if (!decoded.samples.empty()) {
        // Every sample of the download is in the record now, new or not: the station's first
        // and last can only move out to them.
        const auto [first, last] = std::minmax_element(
            decoded.samples.begin(), decoded.samples.end(),
            [](const ArchivedSample &a, const ArchivedSample &b) { return a.t < b.t; });
        db.run(QStringLiteral("UPDATE stations SET sample_count = sample_count + ?, "
                              "first_t = CASE WHEN first_t IS NULL OR first_t > ? "
                              "THEN CAST(? AS BIGINT) ELSE first_t END, "
                              "last_t = CASE WHEN last_t IS NULL OR last_t < ? "
                              "THEN CAST(? AS BIGINT) ELSE last_t END WHERE id = ?"),
               {qint64(result.newSamples), first->t, first->t, last->t, last->t, stationKey});
    }
    return result;
}

StationMerge StationArchive::renameStation(const QString &from, const QString &to)
{
    StationMerge result;
    result.from = from.trimmed();
    result.to = checkedStationName(to);
    refuseReadOnly();
    if (result.from == result.to)
        throw ArchiveError(QStringLiteral("la estación ya se llama «%1»").arg(result.to));
    checkIntact();
    retried(*m_database, [&] { renameOnce(result); });
    return result;
}

void StationArchive::renameOnce(StationMerge &result)
{
    ArchiveDatabase &db = *m_database;
    db.begin();
    // On a server, a download entering either station meanwhile waits for the merge (or the
    // merge for it) at the station's row, so that the counts and runs kept beside it follow
    // both; an SQLite file takes one writer at a time already.
    if (db.backend() == ArchiveBackend::PostgreSQL)
        db.run(
            QStringLiteral("SELECT id FROM stations WHERE name IN (?, ?) ORDER BY id FOR UPDATE"),
            {result.from, result.to});
    const qint64 fromKey = existingStationId(result.from);
    QSqlQuery target =
        db.run(QStringLiteral("SELECT id FROM stations WHERE name = ?"), {result.to});
    const bool toExists = db.next(target);
    const qint64 toKey = toExists ? target.value(0).toLongLong() : 0;
    target = QSqlQuery();
    renamePortStations(result.from, result.to);
    if (!toExists) {
        refuseLookAlike(result.to, fromKey);
        QSqlQuery count =
            db.run(QStringLiteral("SELECT COUNT(*) FROM samples WHERE station_id = ?"), {fromKey});
        result.moved = db.next(count) ? count.value(0).toLongLong() : 0;
        count = QSqlQuery();
        db.run(QStringLiteral("UPDATE stations SET name = ? WHERE id = ?"), {result.to, fromKey});
        db.commit();
        return;
    }
    result.merged = true;
    const auto number = [&db](const QString &sql, std::initializer_list<QVariant> values) {
        QSqlQuery query = db.run(sql, values);
        return db.next(query) ? query.value(0).toLongLong() : qint64(0);
    };
    // The samples of `from` at times `to` holds: the same values are already archived, others
    // are kept as conflicts of the download that brought them; `to`'s own sample stays.
    const QString sameTimes =
        QStringLiteral("FROM samples f JOIN samples g ON g.station_id = ? AND g.t = f.t "
                       "WHERE f.station_id = ? ");
    const QString sameValues =
        QStringLiteral("f.v1 = g.v1 AND f.v2 = g.v2 AND f.v3 = g.v3 AND f.v4 = g.v4");
    result.alreadyArchived =
        number(QStringLiteral("SELECT COUNT(*) ") + sameTimes + QStringLiteral("AND ") + sameValues,
               {toKey, fromKey});
    result.conflicts = number(QStringLiteral("SELECT COUNT(*) ") + sameTimes
                                  + QStringLiteral("AND NOT (%1)").arg(sameValues),
                              {toKey, fromKey});
    db.run(QStringLiteral("INSERT INTO conflicts (download_id, t, v1, v2, v3, v4) "
                          "SELECT f.download_id, f.t, f.v1, f.v2, f.v3, f.v4 ")
               + sameTimes + QStringLiteral("AND NOT (%1) ").arg(sameValues)
               + QStringLiteral("ON CONFLICT (download_id, t) DO NOTHING"),
           {toKey, fromKey});
    db.run(QStringLiteral("DELETE FROM samples WHERE station_id = ? AND t IN "
                          "(SELECT t FROM samples WHERE station_id = ?)"),
           {fromKey, toKey});
    result.moved = db.run(QStringLiteral("UPDATE samples SET station_id = ? WHERE station_id = ?"),
                          {toKey, fromKey})
                       .numRowsAffected();
    // A conflict of a download of `from` that the merged record now holds with the same values
    // is no longer one.
    db.run(QStringLiteral("DELETE FROM conflicts WHERE download_id IN "
                          "(SELECT id FROM downloads WHERE station_id = ?) AND EXISTS "
                          "(SELECT 1 FROM samples s WHERE s.station_id = ? AND s.t = conflicts.t "
                          "AND s.v1 = conflicts.v1 AND s.v2 = conflicts.v2 "
                          "AND s.v3 = conflicts.v3 AND s.v4 = conflicts.v4)"),
           {fromKey, toKey});
    db.run(QStringLiteral("UPDATE downloads SET station_id = ? WHERE station_id = ?"),
           {toKey, fromKey});
    db.run(QStringLiteral("DELETE FROM sample_runs WHERE station_id = ?"), {fromKey});
    db.run(QStringLiteral("DELETE FROM stations WHERE id = ?"), {fromKey});
    ArchiveSchema::countSamplesAgain(db, toKey);
    rebuildRuns(db, toKey);
    db.commit();
}

DownloadRemoval StationArchive::removeDownload(qint64 downloadId)
{
    refuseReadOnly();
    return retried(*m_database, [&] {
        DownloadRemoval result;
        m_database->begin();
        removeWithin(downloadId, result);
        m_database->commit();
        return result;
    });
}

DownloadMove StationArchive::moveDownload(qint64 downloadId, const QString &station)
{
    const QString name = checkedStationName(station);
    refuseReadOnly();
    if (storedDownload(downloadId).station == name)
        throw ArchiveError(
            QStringLiteral("la descarga %1 ya está archivada en «%2»").arg(downloadId).arg(name));
    return retried(*m_database, [&] {
        DownloadMove result;
        m_database->begin();
        const StoredDownload stored = removeWithin(downloadId, result.removal);
        const DecodedEntry decoded =
            decodeEntry(stored.entry.raw, stored.entry.kind, stored.entry.samplesReported);
        result.entry = enterWithin(name, stored.entry, decoded, stored.sha256);
        // A station made by mistake and now gone: the ports that named it name this one.
        if (result.removal.stationRemoved)
            renamePortStations(result.removal.station, name);
        m_database->commit();
        return result;
    });
}

std::vector<StationSummary> StationArchive::stations()
{
    QSqlQuery query = m_database->run(QStringLiteral(
        "SELECT s.name, s.first_t, s.last_t, s.sample_count, "
        "(SELECT COUNT(*) FROM downloads WHERE station_id = s.id), "
        "(SELECT clock_offset_s FROM downloads WHERE station_id = s.id "
        "AND clock_offset_s IS NOT NULL ORDER BY arrived_utc_ms DESC, id DESC LIMIT 1), "
        "(SELECT MAX(arrived_utc_ms) FROM downloads WHERE station_id = s.id) "
        "FROM stations s ORDER BY s.name"));
    std::vector<StationSummary> list;
    while (m_database->next(query))
        list.push_back({query.value(0).toString(), optionalOf<qint64>(query.value(1)),
                        optionalOf<qint64>(query.value(2)), query.value(3).toLongLong(),
                        query.value(4).toInt(), optionalOf<qint64>(query.value(5)),
                        optionalOf<qint64>(query.value(6))});
    return list;
}

QStringList StationArchive::stationNames()
{
    QSqlQuery query = m_database->run(QStringLiteral("SELECT name FROM stations ORDER BY name"));
    QStringList names;
    while (m_database->next(query))
        names << query.value(0).toString();
    return names;
}

std::vector<ArchivedSample> StationArchive::samples(const QString &station,
                                                    std::optional<qint64> from,
                                                    std::optional<qint64> to)
{
    return readSamples(*m_database, existingStationId(station), from.value_or(earliest),
                       to.value_or(latest));
}

RecordCoverage StationArchive::coverage(const QString &station, std::optional<qint64> from,
                                        std::optional<qint64> to)
{
    std::vector<TimedStep> times = readTimedSteps(*m_database, existingStationId(station),
                                                  from.value_or(earliest), to.value_or(latest));
    RecordCoverage coverage = findCoverage(times);
    coverage.times = std::move(times);
    return coverage;
}

std::vector<ConflictRow> StationArchive::conflicts(const QString &station)
{
    QSqlQuery query = m_database->run(
        QStringLiteral("SELECT c.t, c.download_id, d.arrived_utc_ms, c.v1, c.v2, c.v3, c.v4, "
                       "s.v1, s.v2, s.v3, s.v4 FROM conflicts c "
                       "JOIN downloads d ON d.id = c.download_id "
                       "JOIN samples s ON s.station_id = d.station_id AND s.t = c.t "
                       "WHERE d.station_id = ? ORDER BY c.t, c.download_id"),
        {existingStationId(station)});
    std::vector<ConflictRow> list;
    while (m_database->next(query)) {
        ConflictRow row;
        row.t = query.value(0).toLongLong();
        row.downloadId = query.value(1).toLongLong();
        row.arrivedUtcMs = query.value(2).toLongLong();
        for (int channel = 0; channel < 4; ++channel) {
            row.brought[std::size_t(channel)] = query.value(3 + channel).toInt();
            row.archived[std::size_t(channel)] = query.value(7 + channel).toInt();
        }
        list.push_back(row);
    }
    return list;
}

std::vector<DownloadSummary> StationArchive::downloads(const QString &station)
{
    const QString head =
        QStringLiteral("SELECT d.id, s.name, d.sha256, d.arrived_utc_ms, d.raw_kind, "
                       "d.samples_received, d.check_passed, "
                       "d.new_samples, d.already_archived, d.conflicts, d.sent, d.step_minutes, "
                       "d.samples_reported, d.clock_offset_s, d.damaged_rows FROM downloads d "
                       "JOIN stations s ON s.id = d.station_id ");
    QSqlQuery query = station.isEmpty()
        ? m_database->run(head + QStringLiteral("ORDER BY d.id"))
        : m_database->run(head + QStringLiteral("WHERE s.name = ? ORDER BY d.id"),
                          {station.trimmed()});
    std::vector<DownloadSummary> list;
    while (m_database->next(query)) {
        DownloadSummary download;
        download.id = query.value(0).toLongLong();
        download.station = query.value(1).toString();
        download.sha256 = query.value(2).toString();
        download.arrivedUtcMs = query.value(3).toLongLong();
        download.kind = RawKind(query.value(4).toInt());
        download.samplesReceived = query.value(5).toInt();
        download.checkPassed = query.value(6).toInt() != 0;
        download.newSamples = query.value(7).toInt();
        download.alreadyArchived = query.value(8).toInt();
        download.conflicts = query.value(9).toInt();
        download.sent = query.value(10).toInt() != 0;
        download.stepMinutes = optionalOf<int>(query.value(11));
        download.samplesReported = optionalOf<int>(query.value(12));
        download.clockOffsetSeconds = optionalOf<qint64>(query.value(13));
        download.damagedRows = query.value(14).toInt();
        list.push_back(download);
    }
    return list;
}

StoredDownload StationArchive::storedDownload(qint64 downloadId)
{
    QSqlQuery query = m_database->run(
        QStringLiteral("SELECT s.name, d.sha256, d.raw, d.raw_kind, d.arrived_utc_ms, "
                       "d.samples_reported, d.clock_offset_s FROM downloads d "
                       "JOIN stations s ON s.id = d.station_id WHERE d.id = ?"),
        {downloadId});
    if (!m_database->next(query))
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
        throw DamagedDownloadError(QStringLiteral("la descarga %1 del archivo %2 está dañada")
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
    QByteArray text;
    writeCsv(station, from, to, [&text](const QByteArray &part) { text += part; });
    return text;
}

void StationArchive::writeCsv(const QString &station, std::optional<qint64> from,
                              std::optional<qint64> to,
                              const std::function<void(const QByteArray &part)> &take)
{
    // What goes to `take` at once: enough that a file takes few writes, little beside ten years.
    constexpr qsizetype partBytes = 256 * 1024;
    checkIntact();
    const auto write = [&] {
        const qint64 stationKey = existingStationId(station);
        QByteArray part = QByteArray(CsvExport::samplesHeading) + "\r\n";
        part.reserve(partBytes + 128);
        qint64 read = 0;
        forEachSample(*m_database, stationKey, from.value_or(earliest), to.value_or(latest),
                      [&](const ArchivedSample &sample) {
                          SampleCsv::appendRecord(part, sample);
                          ++read;
                          if (part.size() >= partBytes) {
                              take(part);
                              part.resize(0);
                          }
                      });
        // A page that reads as fewer or other rows would otherwise give a file that looks
        // whole.
        if (const qint64 kept =
                ArchiveIntegrity::keptSampleCount(*m_database, stationKey, from, to);
            kept != read)
            ArchiveIntegrity::damaged(*m_database,
                                      QStringLiteral("«%1» guarda %2 muestras y se leyeron %3")
                                          .arg(station.trimmed())
                                          .arg(kept)
                                          .arg(read));
        take(part);
    };
    if (m_database->inTransaction()) {
        write();
        return;
    }
    // The rows and their count from one state of the archive: a download that another program
    // enters meanwhile would otherwise make them differ as if the archive were damaged.
    m_database->beginReading();
    try {
        write();
    } catch (...) {
        m_database->rollback();
        throw;
    }
    m_database->rollback();
}

QStringList StationArchive::downloadHashes()
{
    QSqlQuery query = m_database->run(QStringLiteral("SELECT sha256 FROM downloads"));
    QStringList hashes;
    while (m_database->next(query))
        hashes << query.value(0).toString();
    return hashes;
}

void StationArchive::markSent(qint64 downloadId)
{
    checkIntact();
    m_database->run(QStringLiteral("UPDATE downloads SET sent = 1 WHERE id = ?"), {downloadId});
}

int StationArchive::unsentCount()
{
    QSqlQuery query =
        m_database->run(QStringLiteral("SELECT COUNT(*) FROM downloads WHERE sent = 0"));
    return m_database->next(query) ? query.value(0).toInt() : 0;
}

QString StationArchive::setting(const QString &key)
{
    QSqlQuery query =
        m_database->run(QStringLiteral("SELECT value FROM settings WHERE key = ?"), {key});
    return m_database->next(query) ? query.value(0).toString() : QString();
}

void StationArchive::setSetting(const QString &key, const QString &value)
{
    checkIntact();
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
