#include "archive/sample_store.h"

#include "archive/archive_database.h"
#include "archive/archive_error.h"
#include "archive/sample_runs.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QStringView>

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <map>

namespace {

/// Rows a SQLite statement inserts at once: Qt's SQLite driver looks up every bound value's
/// name among all of the statement's, which costs the square of their number.
constexpr int sqliteRowsPerStatement = 16;
/// Samples a server sends in one answer: ten years at 15 minutes in one, some 12 MB of text at
/// most however long the range; smaller pages cost the server a sorted scan each.
constexpr int serverSamplesPerPage = 400'000;

/// The samples as unnest() makes rows of five arrays, each bound as one value.
const QString serverRows = QStringLiteral(
    "unnest(?::bigint[], ?::int[], ?::int[], ?::int[], ?::int[]) AS u(t, v1, v2, v3, v4)");

/// Each time once (its first values), in time order, so that two writers on a server meet
/// their keys in the same order and never wait for each other in a circle.
std::vector<ArchivedSample> eachTimeOnce(const std::vector<ArchivedSample> &samples)
{
    std::vector<ArchivedSample> ordered;
    ordered.reserve(samples.size());
    QSet<qint64> seen;
    seen.reserve(qsizetype(samples.size()));
    for (const ArchivedSample &sample : samples) {
        if (!seen.contains(sample.t)) {
            seen.insert(sample.t);
            ordered.push_back(sample);
        }
    }
    std::sort(ordered.begin(), ordered.end(),
              [](const ArchivedSample &a, const ArchivedSample &b) { return a.t < b.t; });
    return ordered;
}

[[noreturn]] void sampleMissing(const ArchiveDatabase &database)
{
    throw ArchiveError(
        QStringLiteral("una muestra no quedó en el archivo %1").arg(database.shownName()));
}

// ---- SQLite: a statement per few rows, each a function call away ----

/// Inserts `count` rows of `columns` values each with one statement per few rows; `bind`
/// adds the values of row i to the statement.
void insertRows(ArchiveDatabase &database, const QString &head, const QString &tail, int columns,
                int count, const std::function<void(QSqlQuery &, int)> &bind)
{
    QString row = QStringLiteral("(?");
    for (int i = 1; i < columns; ++i)
        row += QStringLiteral(", ?");
    row += QLatin1Char(')');
    const auto statement = [&](int rows) {
        QStringList values;
        for (int i = 0; i < rows; ++i)
            values << row;
        return database.prepare(head + values.join(QStringLiteral(", ")) + tail);
    };
    const int chunk = sqliteRowsPerStatement;
    std::optional<QSqlQuery> full;
    for (int first = 0; first < count; first += chunk) {
        const int rows = std::min(chunk, count - first);
        std::optional<QSqlQuery> part;
        if (rows == chunk && !full)
            full = statement(rows);
        if (rows != chunk)
            part = statement(rows);
        QSqlQuery &query = rows == chunk ? *full : *part;
        for (int i = first; i < first + rows; ++i)
            bind(query, i);
        database.exec(query);
    }
}

MergedSamples mergeInFile(ArchiveDatabase &db, qint64 stationKey, qint64 downloadId,
                          const std::vector<ArchivedSample> &samples)
{
    const std::vector<ArchivedSample> ordered = eachTimeOnce(samples);
    insertRows(db,
               QStringLiteral("INSERT INTO samples (station_id, t, v1, v2, v3, v4, download_id) "
                              "VALUES "),
               QStringLiteral(" ON CONFLICT (station_id, t) DO NOTHING"), 7, int(ordered.size()),
               [&](QSqlQuery &query, int i) {
                   const ArchivedSample &sample = ordered[std::size_t(i)];
                   query.addBindValue(stationKey);
                   query.addBindValue(sample.t);
                   for (const int value : sample.values)
                       query.addBindValue(value);
                   query.addBindValue(downloadId);
               });

    // What the archive holds now at these times tells new (this download's) from the rest.
    struct Archived
    {
        std::array<int, 4> values;
        qint64 downloadId;
    };
    QHash<qint64, Archived> archived;
    if (!ordered.empty()) {
        archived.reserve(qsizetype(ordered.size()));
        QSqlQuery query = db.run(QStringLiteral("SELECT t, v1, v2, v3, v4, download_id "
                                                "FROM samples WHERE station_id = ? "
                                                "AND t >= ? AND t <= ?"),
                                 {stationKey, ordered.front().t, ordered.back().t});
        while (db.next(query))
            archived.insert(query.value(0).toLongLong(),
                            {{query.value(1).toInt(), query.value(2).toInt(),
                              query.value(3).toInt(), query.value(4).toInt()},
                             query.value(5).toLongLong()});
    }
    MergedSamples merged;
    QSet<qint64> classified;
    for (const ArchivedSample &sample : samples) {
        const auto found = archived.constFind(sample.t);
        if (found == archived.constEnd())
            sampleMissing(db);
        const bool first = !classified.contains(sample.t);
        classified.insert(sample.t);
        if (first && found->downloadId == downloadId) {
            ++merged.newSamples;
            merged.newTimes.push_back(sample.t);
        } else if (found->values == sample.values)
            ++merged.alreadyArchived;
        else
            merged.conflicting.push_back(sample);
    }
    return merged;
}

void insertConflictsInFile(ArchiveDatabase &db, qint64 downloadId,
                           const std::vector<ArchivedSample> &conflicting)
{
    insertRows(db, QStringLiteral("INSERT INTO conflicts (download_id, t, v1, v2, v3, v4) VALUES "),
               QStringLiteral(" ON CONFLICT (download_id, t) DO NOTHING"), 6,
               int(conflicting.size()), [&](QSqlQuery &query, int i) {
                   const ArchivedSample &sample = conflicting[std::size_t(i)];
                   query.addBindValue(downloadId);
                   query.addBindValue(sample.t);
                   for (const int value : sample.values)
                       query.addBindValue(value);
               });
}

[[noreturn]] void unexpectedAnswer(const ArchiveDatabase &database)
{
    throw ArchiveError(QStringLiteral("el servidor %1 respondió algo que no se esperaba")
                           .arg(database.shownName()));
}

// ---- PostgreSQL: whole arrays in one statement, one round trip each ----

/// `column` of every sample as the text of a PostgreSQL array, "{1,-2,3}". It is made of
/// integers alone and still bound as a value, never put into the statement.
template<typename Row, typename Column>
QString arrayText(const std::vector<Row> &samples, Column column)
{
    QByteArray text;
    text.reserve(qsizetype(samples.size()) * 8 + 2);
    text += '{';
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (i > 0)
            text += ',';
        text += QByteArray::number(column(samples[i]));
    }
    text += '}';
    return QString::fromLatin1(text);
}

/// Binds the five arrays of `samples` that serverRows takes.
void bindRows(QSqlQuery &query, const std::vector<ArchivedSample> &samples)
{
    query.addBindValue(arrayText(samples, [](const ArchivedSample &s) { return s.t; }));
    for (std::size_t channel = 0; channel < 4; ++channel)
        query.addBindValue(
            arrayText(samples, [channel](const ArchivedSample &s) { return s.values[channel]; }));
}

/// The integers of a comma-separated text the server made ("12,-3,40"); empty for NULL.
/// Anything else in it is a server that answered something other than what was asked.
std::vector<qint64> integersOf(QStringView text, const ArchiveDatabase &db)
{
    std::vector<qint64> numbers;
    numbers.reserve(std::size_t(text.size() / 4));
    qint64 value = 0;
    bool negative = false;
    bool digits = false;
    const auto fail = [&db] {
        unexpectedAnswer(db);
    };
    const auto finish = [&] {
        if (!digits)
            fail();
        numbers.push_back(negative ? -value : value);
        value = 0;
        negative = false;
        digits = false;
    };
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9') {
            // No archived integer comes near the limits of 64 bits.
            if (value > (qint64(1) << 58))
                fail();
            value = value * 10 + (u - u'0');
            digits = true;
        } else if (u == u'-' && !digits && !negative) {
            negative = true;
        } else if (u == u',') {
            finish();
        } else {
            fail();
        }
    }
    if (!text.isEmpty())
        finish();
    return numbers;
}

MergedSamples mergeOnServer(ArchiveDatabase &db, qint64 stationKey, qint64 downloadId,
                            const std::vector<ArchivedSample> &samples)
{
    MergedSamples merged;
    const std::vector<ArchivedSample> ordered = eachTimeOnce(samples);
    if (ordered.empty())
        return merged;
    // The times this download adds come back as one text, whatever their number.
    QSqlQuery insert = db.prepare(
        QStringLiteral(
            "WITH added AS (INSERT INTO samples "
            "(station_id, t, v1, v2, v3, v4, download_id) "
            "SELECT ?::bigint, u.t, u.v1, u.v2, u.v3, u.v4, ?::bigint FROM %1 ORDER BY u.t "
            "ON CONFLICT (station_id, t) DO NOTHING RETURNING t) "
            "SELECT string_agg(t::text, ',') FROM added")
            .arg(serverRows));
    insert.addBindValue(stationKey);
    insert.addBindValue(downloadId);
    bindRows(insert, ordered);
    db.exec(insert);
    if (!db.next(insert))
        sampleMissing(db);
    const std::vector<qint64> added = integersOf(insert.value(0).toString(), db);
    insert = QSqlQuery();
    merged.newTimes = added;
    QSet<qint64> fresh(added.begin(), added.end());

    // Every other sample, a repeated time included, is compared with what the station's
    // record holds: a time it lacks was not entered at all.
    std::vector<ArchivedSample> rest;
    for (const ArchivedSample &sample : samples) {
        if (fresh.remove(sample.t))
            ++merged.newSamples;
        else
            rest.push_back(sample);
    }
    if (rest.empty())
        return merged;
    QSqlQuery compare = db.prepare(
        QStringLiteral("SELECT COUNT(*) FILTER (WHERE s.t IS NULL), "
                       "string_agg(u.i::text, ',' ORDER BY u.i) FILTER (WHERE s.t IS NOT NULL "
                       "AND (s.v1, s.v2, s.v3, s.v4) <> (u.v1, u.v2, u.v3, u.v4)) "
                       "FROM unnest(?::bigint[], ?::int[], ?::int[], ?::int[], ?::int[]) "
                       "WITH ORDINALITY AS u(t, v1, v2, v3, v4, i) "
                       "LEFT JOIN samples s ON s.station_id = ? AND s.t = u.t "
                       "AND s.t >= ? AND s.t <= ?"));
    bindRows(compare, rest);
    compare.addBindValue(stationKey);
    // The bounds keep the planner to the download's stretch of the record, whatever size it
    // guesses the arrays to be.
    const auto [earliest, latest] = std::minmax_element(
        rest.begin(), rest.end(),
        [](const ArchivedSample &a, const ArchivedSample &b) { return a.t < b.t; });
    compare.addBindValue(earliest->t);
    compare.addBindValue(latest->t);
    db.exec(compare);
    if (!db.next(compare) || compare.value(0).toLongLong() != 0)
        sampleMissing(db);
    for (const qint64 ordinal : integersOf(compare.value(1).toString(), db)) {
        if (ordinal < 1 || ordinal > qint64(rest.size()))
            sampleMissing(db);
        merged.conflicting.push_back(rest[std::size_t(ordinal - 1)]);
    }
    merged.alreadyArchived = int(rest.size() - merged.conflicting.size());
    return merged;
}

void insertConflictsOnServer(ArchiveDatabase &db, qint64 downloadId,
                             const std::vector<ArchivedSample> &conflicting)
{
    if (conflicting.empty())
        return;
    QSqlQuery insert =
        db.prepare(QStringLiteral("INSERT INTO conflicts (download_id, t, v1, v2, v3, v4) "
                                  "SELECT ?::bigint, u.t, u.v1, u.v2, u.v3, u.v4 FROM %1 "
                                  "ON CONFLICT (download_id, t) DO NOTHING")
                       .arg(serverRows));
    insert.addBindValue(downloadId);
    bindRows(insert, conflicting);
    db.exec(insert);
}

/// The integers of the text of a one-dimensional PostgreSQL array ("{12,-3,40}", "{}" or NULL).
std::vector<qint64> arrayIntegers(const QString &text, const ArchiveDatabase &db)
{
    if (text.isEmpty())
        return {};
    if (!text.startsWith(QLatin1Char('{')) || !text.endsWith(QLatin1Char('}')))
        unexpectedAnswer(db);
    return integersOf(QStringView(text).mid(1, text.size() - 2), db);
}

/// Columns of the samples table that a page from the server carries, each as one array.
template<std::size_t N>
using ServerColumns = std::array<std::vector<qint64>, N>;

/// Reads `columns` (t first) of the samples of station `stationKey` from `from` to `to` from the
/// server, a page at a time, each column of a page as one array sent as one text: the client
/// library's cost per value, not the server, is what reading row by row would pay for. The
/// arrays come from the same rows in the same order, which are put in time order here should
/// the server have aggregated them in another. `take` gets each page's columns in time order.
template<std::size_t N, typename Take>
void readPagesFromServer(ArchiveDatabase &db, qint64 stationKey, qint64 from, qint64 to,
                         const std::array<QString, N> &columns, Take take)
{
    QStringList arrays;
    for (const QString &column : columns)
        arrays << QStringLiteral("array_agg(%1)").arg(column);
    QSqlQuery page = db.prepare(
        QStringLiteral("SELECT COUNT(*), %1 FROM (SELECT %2 FROM samples "
                       "WHERE station_id = ? AND t >= ? AND t <= ? "
                       "ORDER BY t LIMIT ?) AS p")
            .arg(arrays.join(QStringLiteral(", ")),
                 QStringList(columns.begin(), columns.end()).join(QStringLiteral(", "))));
    for (qint64 first = from;;) {
        page.addBindValue(stationKey);
        page.addBindValue(first);
        page.addBindValue(to);
        page.addBindValue(serverSamplesPerPage);
        db.exec(page);
        if (!db.next(page))
            unexpectedAnswer(db);
        const qint64 count = page.value(0).toLongLong();
        ServerColumns<N> values;
        for (std::size_t c = 0; c < N; ++c) {
            values[c] = arrayIntegers(page.value(int(c) + 1).toString(), db);
            if (qint64(values[c].size()) != count)
                unexpectedAnswer(db);
        }
        page.finish();
        if (!std::is_sorted(values[0].begin(), values[0].end())) {
            std::vector<std::size_t> order(values[0].size());
            for (std::size_t i = 0; i < order.size(); ++i)
                order[i] = i;
            std::sort(order.begin(), order.end(), [&values](std::size_t a, std::size_t b) {
                return values[0][a] < values[0][b];
            });
            for (std::vector<qint64> &column : values) {
                std::vector<qint64> sorted;
                sorted.reserve(column.size());
                for (const std::size_t i : order)
                    sorted.push_back(column[i]);
                column = std::move(sorted);
            }
        }
        if (count == 0)
            break;
        const qint64 last = values[0].back();
        take(values);
        if (count < serverSamplesPerPage || last >= to)
            break;
        first = last + 1;
    }
}

void readFromServer(ArchiveDatabase &db, qint64 stationKey, qint64 from, qint64 to,
                    const std::function<void(const ArchivedSample &)> &take)
{
    readPagesFromServer<5>(db, stationKey, from, to,
                           {QStringLiteral("t"), QStringLiteral("v1"), QStringLiteral("v2"),
                            QStringLiteral("v3"), QStringLiteral("v4")},
                           [&take](const ServerColumns<5> &columns) {
                               for (std::size_t i = 0; i < columns[0].size(); ++i)
                                   take({columns[0][i],
                                         {int(columns[1][i]), int(columns[2][i]),
                                          int(columns[3][i]), int(columns[4][i])}});
                           });
}

void readFromFile(ArchiveDatabase &db, qint64 stationKey, qint64 from, qint64 to,
                  const std::function<void(const ArchivedSample &)> &take)
{
    QSqlQuery query =
        db.run(QStringLiteral("SELECT t, v1, v2, v3, v4 FROM samples "
                              "WHERE station_id = ? AND t >= ? AND t <= ? ORDER BY t"),
               {stationKey, from, to});
    while (db.next(query))
        take({query.value(0).toLongLong(),
              {query.value(1).toInt(), query.value(2).toInt(), query.value(3).toInt(),
               query.value(4).toInt()}});
}

/// Adds `runs` of download `downloadId` to the runs of station `stationKey`.
void insertRuns(ArchiveDatabase &db, qint64 stationKey, qint64 downloadId,
                const std::vector<SampleRun> &runs)
{
    if (runs.empty())
        return;
    if (db.backend() == ArchiveBackend::PostgreSQL) {
        QSqlQuery insert = db.prepare(QStringLiteral(
            "INSERT INTO sample_runs (station_id, first_t, download_id, spacing_s, samples) "
            "SELECT ?::bigint, u.f, ?::bigint, u.s, u.n "
            "FROM unnest(?::bigint[], ?::bigint[], ?::bigint[]) AS u(f, s, n)"));
        insert.addBindValue(stationKey);
        insert.addBindValue(downloadId);
        insert.addBindValue(arrayText(runs, [](const SampleRun &r) { return r.first; }));
        insert.addBindValue(arrayText(runs, [](const SampleRun &r) { return r.spacing; }));
        insert.addBindValue(arrayText(runs, [](const SampleRun &r) { return r.samples; }));
        db.exec(insert);
        return;
    }
    insertRows(db,
               QStringLiteral("INSERT INTO sample_runs "
                              "(station_id, first_t, download_id, spacing_s, samples) VALUES "),
               QString(), 5, int(runs.size()), [&](QSqlQuery &query, int i) {
                   const SampleRun &run = runs[std::size_t(i)];
                   query.addBindValue(stationKey);
                   query.addBindValue(run.first);
                   query.addBindValue(downloadId);
                   query.addBindValue(run.spacing);
                   query.addBindValue(run.samples);
               });
}

/// The time of each sample of station `stationKey`, in time order, with the download that
/// brought it, read sample by sample.
std::vector<std::pair<qint64, qint64>> sampleDownloads(ArchiveDatabase &db, qint64 stationKey)
{
    std::vector<std::pair<qint64, qint64>> list;
    if (db.backend() == ArchiveBackend::PostgreSQL) {
        readPagesFromServer<2>(db, stationKey, std::numeric_limits<qint64>::min(),
                               std::numeric_limits<qint64>::max(),
                               {QStringLiteral("t"), QStringLiteral("download_id")},
                               [&list](const ServerColumns<2> &columns) {
                                   for (std::size_t i = 0; i < columns[0].size(); ++i)
                                       list.emplace_back(columns[0][i], columns[1][i]);
                               });
        return list;
    }
    QSqlQuery query = db.run(QStringLiteral("SELECT t, download_id FROM samples "
                                            "WHERE station_id = ? ORDER BY t"),
                             {stationKey});
    while (db.next(query))
        list.emplace_back(query.value(0).toLongLong(), query.value(1).toLongLong());
    return list;
}

} // namespace

MergedSamples mergeSamples(ArchiveDatabase &database, qint64 stationKey, qint64 downloadId,
                           const std::vector<ArchivedSample> &samples)
{
    const bool server = database.backend() == ArchiveBackend::PostgreSQL;
    MergedSamples merged = server ? mergeOnServer(database, stationKey, downloadId, samples)
                                  : mergeInFile(database, stationKey, downloadId, samples);
    if (server)
        insertConflictsOnServer(database, downloadId, merged.conflicting);
    else
        insertConflictsInFile(database, downloadId, merged.conflicting);
    std::sort(merged.newTimes.begin(), merged.newTimes.end());
    insertRuns(database, stationKey, downloadId, runsOf(merged.newTimes));
    return merged;
}

void forEachSample(ArchiveDatabase &database, qint64 stationKey, qint64 from, qint64 to,
                   const std::function<void(const ArchivedSample &)> &take)
{
    if (database.backend() == ArchiveBackend::PostgreSQL)
        readFromServer(database, stationKey, from, to, take);
    else
        readFromFile(database, stationKey, from, to, take);
}

std::vector<ArchivedSample> readSamples(ArchiveDatabase &database, qint64 stationKey, qint64 from,
                                        qint64 to)
{
    std::vector<ArchivedSample> list;
    forEachSample(database, stationKey, from, to,
                  [&list](const ArchivedSample &sample) { list.push_back(sample); });
    return list;
}

std::vector<TimedStep> readTimedSteps(ArchiveDatabase &database, qint64 stationKey, qint64 from,
                                      qint64 to)
{
    QSqlQuery query = database.run(
        QStringLiteral("SELECT r.first_t, r.spacing_s, r.samples, d.step_minutes "
                       "FROM sample_runs r LEFT JOIN downloads d ON d.id = r.download_id "
                       "WHERE r.station_id = ? AND r.first_t <= ? ORDER BY r.first_t"),
        {stationKey, to});
    std::vector<TimedStep> times;
    while (database.next(query)) {
        const SampleRun run {query.value(0).toLongLong(), query.value(1).toLongLong(),
                             query.value(2).toLongLong()};
        const std::optional<int> step =
            query.value(3).isNull() ? std::nullopt : std::optional<int>(query.value(3).toInt());
        appendTimes(times, run, step, from, to);
    }
    // Runs of two downloads may interleave (the same station at other seconds past the minute).
    if (!std::is_sorted(times.begin(), times.end(),
                        [](const TimedStep &a, const TimedStep &b) { return a.t < b.t; }))
        std::sort(times.begin(), times.end(),
                  [](const TimedStep &a, const TimedStep &b) { return a.t < b.t; });
    return times;
}

void rebuildRuns(ArchiveDatabase &database, qint64 stationKey)
{
    database.run(QStringLiteral("DELETE FROM sample_runs WHERE station_id = ?"), {stationKey});
    // Each download's times, in time order.
    std::map<qint64, std::vector<qint64>> timesOf;
    for (const auto &[t, downloadId] : sampleDownloads(database, stationKey))
        timesOf[downloadId].push_back(t);
    for (const auto &[downloadId, times] : timesOf)
        insertRuns(database, stationKey, downloadId, runsOf(times));
}

std::optional<std::pair<qint64, qint64>>
runSpan(ArchiveDatabase &database, qint64 stationKey, qint64 downloadId)
{
    QSqlQuery span = database.run(
        QStringLiteral("SELECT MIN(first_t), MAX(first_t + spacing_s * (samples - 1)) "
                       "FROM sample_runs WHERE station_id = ? AND download_id = ?"),
        {stationKey, downloadId});
    if (!database.next(span) || span.value(0).isNull())
        return std::nullopt;
    return std::pair(span.value(0).toLongLong(), span.value(1).toLongLong());
}

void refreshRuns(ArchiveDatabase &database, qint64 stationKey,
                 const std::vector<qint64> &downloadIds, qint64 from, qint64 to)
{
    // Their samples lay in their runs before the change and in [from, to] after it.
    for (const qint64 downloadId : downloadIds) {
        if (const auto span = runSpan(database, stationKey, downloadId)) {
            from = std::min(from, span->first);
            to = std::max(to, span->second);
        }
    }
    for (const qint64 downloadId : downloadIds)
        database.run(
            QStringLiteral("DELETE FROM sample_runs WHERE station_id = ? AND download_id = ?"),
            {stationKey, downloadId});
    const QSet<qint64> wanted(downloadIds.begin(), downloadIds.end());
    std::map<qint64, std::vector<qint64>> timesOf;
    QSqlQuery query = database.run(QStringLiteral("SELECT t, download_id FROM samples "
                                                  "WHERE station_id = ? AND t >= ? AND t <= ? "
                                                  "ORDER BY t"),
                                   {stationKey, from, to});
    while (database.next(query)) {
        const qint64 downloadId = query.value(1).toLongLong();
        if (wanted.contains(downloadId))
            timesOf[downloadId].push_back(query.value(0).toLongLong());
    }
    query = QSqlQuery();
    for (const auto &[downloadId, times] : timesOf)
        insertRuns(database, stationKey, downloadId, runsOf(times));
}
