#include "archive/unconfirmed_samples.h"

#include "archive/archive_database.h"
#include "archive/sample_edits.h"

#include <QHash>
#include <QSqlQuery>

#include <algorithm>
#include <set>

int takeOverUnconfirmed(ArchiveDatabase &database, qint64 stationKey, qint64 downloadId,
                        const std::vector<ArchivedSample> &samples, MergedSamples &merged)
{
    if (samples.empty())
        return 0;
    std::vector<qint64> failed;
    QSqlQuery query = database.run(QStringLiteral("SELECT id FROM downloads WHERE station_id = ? "
                                                  "AND check_passed = 0 AND id <> ?"),
                                   {stationKey, downloadId});
    while (database.next(query))
        failed.push_back(query.value(0).toLongLong());
    query = QSqlQuery();
    if (failed.empty())
        return 0;

    // What this download brings at each time: a repeated time counts with its first values.
    QHash<qint64, ArchivedSample> brought;
    brought.reserve(qsizetype(samples.size()));
    for (const ArchivedSample &sample : samples) {
        if (!brought.contains(sample.t))
            brought.insert(sample.t, sample);
    }
    const auto [earliest, latest] = std::minmax_element(
        samples.begin(), samples.end(),
        [](const ArchivedSample &a, const ArchivedSample &b) { return a.t < b.t; });

    std::vector<CreditedSample> taken;
    std::vector<CreditedSample> replacedValues;
    std::set<qint64> previous;
    for (const CreditedSample &archived :
         creditedSamples(database, stationKey, earliest->t, latest->t, failed)) {
        const auto mine = brought.constFind(archived.sample.t);
        if (mine == brought.constEnd())
            continue;
        previous.insert(archived.downloadId);
        taken.push_back({*mine, downloadId});
        if (mine->values != archived.sample.values)
            replacedValues.push_back(archived);
    }
    if (taken.empty())
        return 0;

    keepConflicts(database, replacedValues);
    rewriteSamples(database, stationKey, taken);
    const qint64 from = taken.front().sample.t;
    const qint64 to = taken.back().sample.t;
    std::set<qint64> recounted(previous.begin(), previous.end());
    for (const qint64 settled : dropSettledConflicts(database, stationKey, from, to)) {
        // This download's own conflicts are counted as it is entered.
        if (settled != downloadId)
            recounted.insert(settled);
    }
    recountConflicts(database, std::vector<qint64>(recounted.begin(), recounted.end()));
    std::vector<qint64> credited(previous.begin(), previous.end());
    credited.push_back(downloadId);
    refreshRuns(database, stationKey, credited, from, to);

    // What this download brought where it replaced is no conflict.
    QHash<qint64, ArchivedSample> replacing;
    for (const CreditedSample &archived : replacedValues)
        replacing.insert(archived.sample.t, brought.value(archived.sample.t));
    std::erase_if(merged.conflicting, [&replacing](const ArchivedSample &sample) {
        const auto found = replacing.constFind(sample.t);
        return found != replacing.constEnd() && found->values == sample.values;
    });
    return int(replacedValues.size());
}
