// Removing a download from the station archive, and moving one to another station: the
// record goes back to what the station's other downloads brought.
#include "archive/archive_database.h"
#include "archive/archive_error.h"
#include "archive/sample_edits.h"
#include "archive/sample_store.h"
#include "archive/station_archive.h"

#include <QHash>
#include <QSqlQuery>

#include <algorithm>
#include <limits>
#include <set>
#include <tuple>

namespace {

/// A sample another download of the station brought at a time the removed one is credited
/// with.
struct Candidate
{
    std::array<int, 4> values {};
    qint64 downloadId = 0;
    bool checked = false;
};

/// Which of `candidates` the record keeps at a time whose sample was `current`: as entering
/// them again would, one whose check passed before one whose check failed (a checked download
/// replaces what a damaged one brought), then one that agrees with the record, then the one
/// entered first.
const Candidate &keptCandidate(const std::vector<Candidate> &candidates,
                               const std::array<int, 4> &current)
{
    return *std::min_element(
        candidates.begin(), candidates.end(), [&current](const Candidate &a, const Candidate &b) {
            return std::tuple(!a.checked, a.values != current, a.downloadId)
                < std::tuple(!b.checked, b.values != current, b.downloadId);
        });
}

} // namespace

QString DownloadRemoval::line() const
{
    QString text =
        QStringLiteral("Se quitó la descarga %1 de «%2»: %3, %4")
            .arg(QString::number(downloadId), station,
                 countedText(removed, QStringLiteral("muestra quitada"),
                         QStringLiteral("muestras quitadas")),
                 countedText(kept, QStringLiteral("queda por otra descarga"),
                         QStringLiteral("quedan por otras descargas")));
    if (stationRemoved)
        text += QStringLiteral("; «%1» quedó sin descargas y se quitó").arg(station);
    return text;
}

QString DownloadMove::line() const
{
    return QStringLiteral("La descarga %1 salió de «%2» (%3, %4). %5")
        .arg(QString::number(removal.downloadId), removal.station,
             countedText(removal.removed, QStringLiteral("muestra quitada"),
                     QStringLiteral("muestras quitadas")),
             countedText(removal.kept, QStringLiteral("quedó por otra descarga"),
                     QStringLiteral("quedaron por otras descargas")),
             entry.line());
}

StoredDownload StationArchive::removeWithin(qint64 downloadId, DownloadRemoval &result)
{
    ArchiveDatabase &db = *m_database;
    result = {};
    result.downloadId = downloadId;
    StoredDownload gone = storedDownload(downloadId);
    result.station = gone.station;
    const qint64 stationKey = existingStationId(gone.station);
    // On a server, a download entering the station meanwhile waits for the removal (or the
    // removal for it) at the station's row.
    if (db.backend() == ArchiveBackend::PostgreSQL)
        db.run(QStringLiteral("SELECT id FROM stations WHERE id = ? FOR UPDATE"), {stationKey});

    // The samples credited to it lie in its runs (and, for one an older program entered
    // otherwise, in what its bytes give now).
    qint64 from = std::numeric_limits<qint64>::max();
    qint64 to = std::numeric_limits<qint64>::min();
    if (const auto span = runSpan(db, stationKey, downloadId)) {
        from = span->first;
        to = span->second;
    }
    for (const ArchivedSample &sample :
         decodeEntry(gone.entry.raw, gone.entry.kind, gone.entry.samplesReported).samples) {
        from = std::min(from, sample.t);
        to = std::max(to, sample.t);
    }
    const std::vector<CreditedSample> credited =
        from <= to ? creditedSamples(db, stationKey, from, to, {downloadId})
                   : std::vector<CreditedSample>();

    // What the station's other downloads brought at those times, read again from their bytes.
    QHash<qint64, std::vector<Candidate>> others;
    for (const CreditedSample &sample : credited)
        others.insert(sample.sample.t, {});
    std::vector<std::pair<qint64, bool>> siblings;
    QSqlQuery list = db.run(QStringLiteral("SELECT id, check_passed FROM downloads "
                                           "WHERE station_id = ? AND id <> ? ORDER BY id"),
                            {stationKey, downloadId});
    while (db.next(list))
        siblings.emplace_back(list.value(0).toLongLong(), list.value(1).toInt() != 0);
    list = QSqlQuery();
    if (!credited.empty()) {
        for (const auto &[siblingId, checked] : siblings) {
            const StoredDownload stored = storedDownload(siblingId);
            const DecodedEntry decoded =
                decodeEntry(stored.entry.raw, stored.entry.kind, stored.entry.samplesReported);
            std::set<qint64> seen;
            for (const ArchivedSample &sample : decoded.samples) {
                const auto found = others.find(sample.t);
                if (found != others.end() && seen.insert(sample.t).second)
                    found->push_back({sample.values, siblingId, checked});
            }
        }
    }

    std::vector<qint64> removedTimes;
    std::vector<CreditedSample> keptSamples;
    std::vector<CreditedSample> newConflicts;
    std::set<qint64> touched;
    for (const CreditedSample &sample : credited) {
        const std::vector<Candidate> &candidates = others.value(sample.sample.t);
        if (candidates.empty()) {
            removedTimes.push_back(sample.sample.t);
            continue;
        }
        const Candidate &kept = keptCandidate(candidates, sample.sample.values);
        keptSamples.push_back({{sample.sample.t, kept.values}, kept.downloadId});
        touched.insert(kept.downloadId);
        for (const Candidate &other : candidates) {
            if (other.values != kept.values) {
                newConflicts.push_back({{sample.sample.t, other.values}, other.downloadId});
                touched.insert(other.downloadId);
            }
        }
    }
    result.removed = int(removedTimes.size());
    result.kept = int(keptSamples.size());

    db.run(QStringLiteral("DELETE FROM conflicts WHERE download_id = ?"), {downloadId});
    deleteSamples(db, stationKey, removedTimes);
    rewriteSamples(db, stationKey, keptSamples);
    keepConflicts(db, newConflicts);
    if (from <= to) {
        for (const qint64 settled : dropSettledConflicts(db, stationKey, from, to))
            touched.insert(settled);
        std::vector<qint64> credits(touched.begin(), touched.end());
        credits.push_back(downloadId);
        refreshRuns(db, stationKey, credits, from, to);
    }
    db.run(QStringLiteral("DELETE FROM sample_runs WHERE station_id = ? AND download_id = ?"),
           {stationKey, downloadId});
    db.run(QStringLiteral("DELETE FROM downloads WHERE id = ?"), {downloadId});
    recountConflicts(db, std::vector<qint64>(touched.begin(), touched.end()));
    if (siblings.empty()) {
        db.run(QStringLiteral("DELETE FROM samples WHERE station_id = ?"), {stationKey});
        db.run(QStringLiteral("DELETE FROM sample_runs WHERE station_id = ?"), {stationKey});
        db.run(QStringLiteral("DELETE FROM stations WHERE id = ?"), {stationKey});
        result.stationRemoved = true;
    } else {
        db.run(QStringLiteral("UPDATE stations SET sample_count = sample_count - ?, "
                              "first_t = (SELECT MIN(t) FROM samples WHERE station_id = ?), "
                              "last_t = (SELECT MAX(t) FROM samples WHERE station_id = ?) "
                              "WHERE id = ?"),
               {qint64(result.removed), stationKey, stationKey, stationKey});
    }
    return gone;
}
