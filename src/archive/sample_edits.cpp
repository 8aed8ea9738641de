#include "archive/sample_edits.h"

#include "archive/archive_database.h"

#include <QSqlQuery>
#include <QStringList>

namespace {

bool onServer(const ArchiveDatabase &database)
{
    return database.backend() == ArchiveBackend::PostgreSQL;
}

/// The text of a PostgreSQL array of the integers `column` gives for each row, bound as one
/// value ("{1,-2,3}").
template<typename Row, typename Column>
QString serverArray(const std::vector<Row> &rows, Column column)
{
    QStringList numbers;
    numbers.reserve(qsizetype(rows.size()));
    for (const Row &row : rows)
        numbers << QString::number(column(row));
    return QStringLiteral("{%1}").arg(numbers.join(QLatin1Char(',')));
}

/// Binds t, the four values and the download of `rows` as six arrays.
void bindCredited(QSqlQuery &query, const std::vector<CreditedSample> &rows)
{
    query.addBindValue(serverArray(rows, [](const CreditedSample &r) { return r.sample.t; }));
    for (std::size_t channel = 0; channel < 4; ++channel)
        query.addBindValue(serverArray(
            rows, [channel](const CreditedSample &r) { return r.sample.values[channel]; }));
    query.addBindValue(serverArray(rows, [](const CreditedSample &r) { return r.downloadId; }));
}

const QString creditedRows =
    QStringLiteral("unnest(?::bigint[], ?::int[], ?::int[], ?::int[], ?::int[], ?::bigint[]) "
                   "AS u(t, v1, v2, v3, v4, d)");

/// Runs the prepared `query` once per row, `bind` adding each row's values.
template<typename Row, typename Bind>
void runPerRow(ArchiveDatabase &database, const QString &sql, const std::vector<Row> &rows,
               Bind bind)
{
    QSqlQuery query = database.prepare(sql);
    for (const Row &row : rows) {
        bind(query, row);
        database.exec(query);
    }
}

} // namespace

std::vector<CreditedSample> creditedSamples(ArchiveDatabase &database, qint64 stationKey,
                                            qint64 from, qint64 to,
                                            const std::vector<qint64> &downloadIds)
{
    std::vector<CreditedSample> list;
    if (downloadIds.empty())
        return list;
    // The few downloads asked for are told apart by the database: the stretch's other samples
    // never cross over to the program.
    QStringList marks;
    for (std::size_t i = 0; i < downloadIds.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery query = database.prepare(
        QStringLiteral("SELECT t, v1, v2, v3, v4, download_id FROM samples "
                       "WHERE station_id = ? AND t >= ? AND t <= ? AND download_id IN (%1) "
                       "ORDER BY t")
            .arg(marks.join(QStringLiteral(", "))));
    query.addBindValue(stationKey);
    query.addBindValue(from);
    query.addBindValue(to);
    for (const qint64 downloadId : downloadIds)
        query.addBindValue(downloadId);
    database.exec(query);
    while (database.next(query))
        list.push_back({{query.value(0).toLongLong(),
                         {query.value(1).toInt(), query.value(2).toInt(), query.value(3).toInt(),
                          query.value(4).toInt()}},
                        query.value(5).toLongLong()});
    return list;
}

void rewriteSamples(ArchiveDatabase &database, qint64 stationKey,
                    const std::vector<CreditedSample> &rows)
{
    if (rows.empty())
        return;
    if (onServer(database)) {
        QSqlQuery update = database.prepare(
            QStringLiteral("UPDATE samples s SET v1 = u.v1, v2 = u.v2, v3 = u.v3, v4 = u.v4, "
                           "download_id = u.d FROM %1 WHERE s.station_id = ? AND s.t = u.t")
                .arg(creditedRows));
        bindCredited(update, rows);
        update.addBindValue(stationKey);
        database.exec(update);
        return;
    }
    runPerRow(database,
              QStringLiteral("UPDATE samples SET v1 = ?, v2 = ?, v3 = ?, v4 = ?, download_id = ? "
                             "WHERE station_id = ? AND t = ?"),
              rows, [stationKey](QSqlQuery &query, const CreditedSample &row) {
                  for (const int value : row.sample.values)
                      query.addBindValue(value);
                  query.addBindValue(row.downloadId);
                  query.addBindValue(stationKey);
                  query.addBindValue(row.sample.t);
              });
}

void keepConflicts(ArchiveDatabase &database, const std::vector<CreditedSample> &rows)
{
    if (rows.empty())
        return;
    if (onServer(database)) {
        QSqlQuery insert = database.prepare(
            QStringLiteral("INSERT INTO conflicts (download_id, t, v1, v2, v3, v4) "
                           "SELECT u.d, u.t, u.v1, u.v2, u.v3, u.v4 FROM %1 "
                           "ON CONFLICT (download_id, t) DO NOTHING")
                .arg(creditedRows));
        bindCredited(insert, rows);
        database.exec(insert);
        return;
    }
    runPerRow(database,
              QStringLiteral("INSERT INTO conflicts (download_id, t, v1, v2, v3, v4) "
                             "VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (download_id, t) DO NOTHING"),
              rows, [](QSqlQuery &query, const CreditedSample &row) {
                  query.addBindValue(row.downloadId);
                  query.addBindValue(row.sample.t);
                  for (const int value : row.sample.values)
                      query.addBindValue(value);
              });
}

void deleteSamples(ArchiveDatabase &database, qint64 stationKey, const std::vector<qint64> &times)
{
    if (times.empty())
        return;
    if (onServer(database)) {
        database.run(
            QStringLiteral("DELETE FROM samples WHERE station_id = ? AND t = ANY(?::bigint[])"),
            {stationKey, serverArray(times, [](qint64 t) { return t; })});
        return;
    }
    runPerRow(database, QStringLiteral("DELETE FROM samples WHERE station_id = ? AND t = ?"),
              times, [stationKey](QSqlQuery &query, qint64 t) {
                  query.addBindValue(stationKey);
                  query.addBindValue(t);
              });
}

std::vector<qint64> dropSettledConflicts(ArchiveDatabase &database, qint64 stationKey,
                                         qint64 from, qint64 to)
{
    const QString settled =
        QStringLiteral("FROM conflicts WHERE t >= ? AND t <= ? AND download_id IN "
                       "(SELECT id FROM downloads WHERE station_id = ?) AND NOT EXISTS "
                       "(SELECT 1 FROM samples s WHERE s.station_id = ? AND s.t = conflicts.t "
                       "AND NOT (s.v1 = conflicts.v1 AND s.v2 = conflicts.v2 "
                       "AND s.v3 = conflicts.v3 AND s.v4 = conflicts.v4))");
    std::vector<qint64> downloads;
    QSqlQuery which = database.run(QStringLiteral("SELECT DISTINCT download_id ") + settled,
                                   {from, to, stationKey, stationKey});
    while (database.next(which))
        downloads.push_back(which.value(0).toLongLong());
    which = QSqlQuery();
    if (!downloads.empty())
        database.run(QStringLiteral("DELETE ") + settled, {from, to, stationKey, stationKey});
    return downloads;
}

void recountConflicts(ArchiveDatabase &database, const std::vector<qint64> &downloadIds)
{
    runPerRow(database,
              QStringLiteral("UPDATE downloads SET conflicts = "
                             "(SELECT COUNT(*) FROM conflicts WHERE download_id = ?) WHERE id = ?"),
              downloadIds, [](QSqlQuery &query, qint64 id) {
                  query.addBindValue(id);
                  query.addBindValue(id);
              });
}
