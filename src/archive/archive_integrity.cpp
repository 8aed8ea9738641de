#include "archive/archive_integrity.h"

#include "archive/archive_database.h"
#include "archive/archive_error.h"
#include "archive/sample_runs.h"

#include <QSqlQuery>

#include <limits>

namespace ArchiveIntegrity {

void damaged(const ArchiveDatabase &database, const QString &finding)
{
    throw ArchiveError(
        QStringLiteral(
            "el archivo %1 está dañado (%2); no se tocó. Las descargas que guarda dan "
            "uno nuevo: brentavius4 --archive-rebuild --archive %1 --output NUEVO.sqlite")
            .arg(database.shownName(), finding));
}

void checkFile(ArchiveDatabase &database)
{
    if (database.backend() != ArchiveBackend::SQLite)
        return;
    QString finding;
    try {
        // The quick check reads every page but leaves out the costly match of each index
        // against its table: some 20 ms for ten years of a station.
        QSqlQuery check = database.run(QStringLiteral("PRAGMA quick_check"));
        if (database.next(check))
            finding = check.value(0).toString();
    } catch (const ArchiveError &) {
        finding = QStringLiteral("SQLite no pudo leerlo entero");
    }
    if (finding != QLatin1String("ok"))
        damaged(database, finding.section(QLatin1Char('\n'), 0, 0).simplified());
}

qint64 keptSampleCount(ArchiveDatabase &database, qint64 stationKey, std::optional<qint64> from,
                       std::optional<qint64> to)
{
    if (!from && !to) {
        QSqlQuery count = database.run(
            QStringLiteral("SELECT sample_count FROM stations WHERE id = ?"), {stationKey});
        return database.next(count) ? count.value(0).toLongLong() : 0;
    }
    const qint64 first = from.value_or(std::numeric_limits<qint64>::min() / 4);
    const qint64 last = to.value_or(std::numeric_limits<qint64>::max() / 4);
    QSqlQuery runs = database.run(QStringLiteral("SELECT first_t, spacing_s, samples "
                                                 "FROM sample_runs "
                                                 "WHERE station_id = ? AND first_t <= ?"),
                                  {stationKey, last});
    qint64 count = 0;
    while (database.next(runs))
        count += countWithin(
            {runs.value(0).toLongLong(), runs.value(1).toLongLong(), runs.value(2).toLongLong()},
            first, last);
    return count;
}

} // namespace ArchiveIntegrity
