// Covers the station archive on both backends, SQLite in a temporary folder and a real
// PostgreSQL server when scripts/with-postgres runs one: merging (new, already archived,
// conflicts, the same download twice), one transaction per download, a download whose check
// failed, range reads, the CSV export's bytes, hostile station names, names that only look like
// a station's, names counted in characters, and syncing a laptop that was offline. The files
// the archive must refuse, the re-export against "GUARDAR" and the server's failures are
// SQLite- or server-specific and run once. Concurrent syncs are in tst_archive_sync.
#include "archive/archive_error.h"
#include "archive/archive_location.h"
#include "archive/archive_sync.h"
#include "archive/download_archiving.h"
#include "archive/station_archive.h"
#include "archive_test_support.h"
#include "data/csv_export.h"
#include "look_alike_names.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

using namespace ArchiveTest;

namespace {

const QDateTime start(QDate(2026, 3, 1), QTime(10, 0, 7), Qt::UTC);

/// t of sample i of a download from `start`, as the archive counts it.
qint64 timeOf(const QDateTime &from, int i)
{
    return from.toSecsSinceEpoch() + qint64(i) * 900;
}

DownloadEntry entryOf(const QByteArray &text, std::optional<int> reported = std::nullopt)
{
    return {text, RawKind::DownloadText, 1'700'000'000'000, reported, qint64(-42)};
}

/// A plain download of 200 samples whose line of row 30 came split in two on the wire.
QByteArray splitLineDownload()
{
    QList<QByteArray> lines = plainDownload(start, 200).split('\n');
    const QByteArray row30 = lines[2 + 29];
    lines[2 + 29] = row30.left(12) + '\r';
    lines.insert(2 + 30, row30.mid(12));
    return lines.join('\n');
}

/// A plain record's download of `count` samples every 30 minutes from `from`.
QByteArray halfHourlyDownload(const QDateTime &from, int count)
{
    QByteArray text =
        DownloadText::header(from, 5) + "SAMPLES " + QByteArray::number(count) + "\r\n";
    for (int i = 0; i < count; ++i)
        text += DownloadText::sampleLine(plainReadings(from, 2 * i));
    return text + "A";
}

} // namespace

class TestStationArchive : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ServerDatabase> m_server;
    QString m_noServer;
    int m_files = 0;

    [[nodiscard]] bool onServer() const
    {
        QFETCH_GLOBAL(bool, server);
        return server;
    }

    /// A new, empty archive of the backend under test.
    StationArchive emptyArchive()
    {
        if (onServer()) {
            m_server->empty();
            return StationArchive::openServer(m_server->address());
        }
        return StationArchive::openFile(
            m_dir.filePath(QStringLiteral("a%1.sqlite").arg(++m_files)));
    }

    /// A plain connection to the archive just made, behind its back.
    std::unique_ptr<Connection> connectionTo(const StationArchive &archive)
    {
        if (onServer())
            return std::make_unique<Connection>(m_server->address(), m_server->address().database);
        return std::make_unique<Connection>(archive.shownName());
    }

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<bool>("server");
        QTest::newRow("sqlite") << false;
        QTest::newRow("postgresql") << true;
    }

    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString url = serverUrl(m_noServer);
        if (!url.isEmpty()) {
            m_server = std::make_unique<ServerDatabase>(url, QStringLiteral("station_archive"));
            if (!m_server->error().isEmpty()) {
                m_noServer =
                    QStringLiteral("the test server took no database: %1").arg(m_server->error());
                m_server.reset();
            }
        }
    }

    void init()
    {
        if (onServer() && !m_server)
            QSKIP(qPrintable(m_noServer));
    }

    void cleanupTestCase() { m_server.reset(); }

    void mergingCountsNewAlreadyArchivedAndConflicts()
    {
        StationArchive archive = emptyArchive();
        const EntryResult first =
            archive.enter(QStringLiteral("Parcela 3"), entryOf(plainDownload(start, 40), 40));
        QCOMPARE(first.newSamples, 40);
        QCOMPARE(first.alreadyArchived, 0);
        QCOMPARE(first.line(),
                 QStringLiteral("Archivada en «Parcela 3»: 40 nuevas, 0 ya archivadas"));

        // The logger not emptied: the next download repeats the first 40 and brings 10 more.
        const EntryResult second =
            archive.enter(QStringLiteral("Parcela 3"), entryOf(plainDownload(start, 50), 50));
        QCOMPARE(second.newSamples, 10);
        QCOMPARE(second.alreadyArchived, 40);
        QCOMPARE(second.conflicts, 0);

        // Another logger's samples at the same times: kept apart, the record left as it was.
        const QByteArray other = downloadText(start.addSecs(900 * 45), 10, [](int i) {
            return std::array<int, 4> {900 + i, 900, 900, 900};
        });
        const EntryResult third = archive.enter(QStringLiteral("Parcela 3"), entryOf(other));
        QCOMPARE(third.conflicts, 5);
        QCOMPARE(third.newSamples, 5);
        QCOMPARE(third.line(),
                 QStringLiteral("5 muestras no coinciden con lo archivado para «Parcela 3»: "
                                "¿es otro logger?"));
        const std::vector<ArchivedSample> record = archive.samples(QStringLiteral("Parcela 3"));
        QCOMPARE(record.size(), std::size_t(55));
        const std::array<int, 4> kept = plainReadings(start, 47);
        QCOMPARE(record[47].values[3], kept[3]);
        QCOMPARE(record[47].t, timeOf(start, 47));
        std::unique_ptr<Connection> behind = connectionTo(archive);
        QCOMPARE(behind->number(QStringLiteral("SELECT COUNT(*) FROM conflicts")), 5);
    }

    void theSameDownloadTwiceCountsNothingTwice()
    {
        StationArchive archive = emptyArchive();
        const QByteArray text = plainDownload(start, 30);
        const EntryResult first = archive.enter(QStringLiteral("Parcela 2"), entryOf(text, 30));
        const EntryResult again = archive.enter(QStringLiteral("Parcela 3"), entryOf(text, 30));
        QVERIFY(again.alreadyEntered);
        QCOMPARE(again.station, QStringLiteral("Parcela 2"));
        QCOMPARE(again.downloadId, first.downloadId);
        QCOMPARE(again.line(), QStringLiteral("Esta descarga ya está archivada en «Parcela 2»; no "
                                              "se archivó en «Parcela 3»"));
        const EntryResult same = archive.enter(QStringLiteral("Parcela 2"), entryOf(text, 30));
        QVERIFY(same.alreadyEntered && !same.archivedElsewhere());
        QCOMPARE(same.line(),
                 QStringLiteral("La misma descarga ya estaba archivada en "
                                "«Parcela 2»: 0 nuevas, 30 ya archivadas"));
        QCOMPARE(archive.stationNames(), QStringList {QStringLiteral("Parcela 2")});
        const std::vector<StationSummary> stations = archive.stations();
        QCOMPARE(stations.size(), std::size_t(1));
        QCOMPARE(stations[0].downloads, 1);
        QCOMPARE(stations[0].samples, 30);
        QCOMPARE(stations[0].lastClockOffsetSeconds, std::optional<qint64>(-42));
    }

    void aFailureHalfWayLeavesTheArchiveAsItWas()
    {
        StationArchive archive = emptyArchive();
        archive.enter(QStringLiteral("Parcela 3"), entryOf(plainDownload(start, 100)));
        std::unique_ptr<Connection> behind = connectionTo(archive);
        // The 700th new sample cannot be written, after two statements' worth went in.
        const qint64 breaking = timeOf(start, 800);
        const QString trigger = onServer()
            ? QStringLiteral("CREATE FUNCTION fail_half_way() RETURNS trigger AS $$ BEGIN "
                             "IF NEW.t >= %1 THEN RAISE EXCEPTION 'injected'; END IF; "
                             "RETURN NEW; END $$ LANGUAGE plpgsql; "
                             "CREATE TRIGGER fail_half_way BEFORE INSERT ON samples "
                             "FOR EACH ROW EXECUTE FUNCTION fail_half_way()")
                  .arg(breaking)
            : QStringLiteral("CREATE TRIGGER fail_half_way BEFORE INSERT ON samples "
                             "WHEN NEW.t >= %1 BEGIN SELECT RAISE(ABORT, 'injected'); END")
                  .arg(breaking);
        QCOMPARE(behind->run(trigger), QString());
        const auto counts = [&behind] {
            return QList<qint64> {behind->number(QStringLiteral("SELECT COUNT(*) FROM samples")),
                                  behind->number(QStringLiteral("SELECT COUNT(*) FROM downloads")),
                                  behind->number(QStringLiteral("SELECT COUNT(*) FROM stations")),
                                  behind->number(QStringLiteral("SELECT COUNT(*) FROM conflicts"))};
        };
        const QList<qint64> before = counts();
        QCOMPARE(before, (QList<qint64> {100, 1, 1, 0}));

        QVERIFY_THROWS_EXCEPTION(
            ArchiveError,
            archive.enter(QStringLiteral("Parcela 4"), entryOf(plainDownload(start, 1000))));
        QCOMPARE(counts(), before);
        // The archive goes on working once the fault is gone.
        QCOMPARE(behind->run(QStringLiteral("DROP TRIGGER fail_half_way")
                             + (onServer() ? QStringLiteral(" ON samples") : QString())),
                 QString());
        QCOMPARE(archive.enter(QStringLiteral("Parcela 4"), entryOf(plainDownload(start, 1000)))
                     .newSamples,
                 1000);
    }

    void aDownloadThatFailedItsCheckIsMarkedAndItsDamagedLinesLeftOut()
    {
        StationArchive archive = emptyArchive();
        // Sample 3 (from 0) arrives with a damaged digit.
        QList<QByteArray> lines = plainDownload(start, 10).split('\n');
        lines[2 + 3][10] = 'x';
        const QByteArray text = lines.join('\n');
        const EntryResult result = archive.enter(QStringLiteral("Parcela 3"), entryOf(text, 12));
        QVERIFY(!result.checkPassed);
        QCOMPARE(result.notEntered, 1);
        QCOMPARE(result.newSamples, 3);
        QCOMPARE(result.leftInDownload, 7);
        const std::vector<DownloadSummary> downloads = archive.downloads();
        QCOMPARE(downloads.size(), std::size_t(1));
        QVERIFY(!downloads[0].checkPassed);
        const std::vector<ArchivedSample> record = archive.samples(QStringLiteral("Parcela 3"));
        QVERIFY(std::none_of(record.begin(), record.end(), [](const ArchivedSample &sample) {
            return sample.t == timeOf(start, 3);
        }));
    }

    void aDamagedDownloadEntersOnlyTheRowsBeforeItsFirstFault_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("entered");
        QTest::addColumn<int>("left");
        QTest::newRow("a line split in two") << splitLineDownload() << 29 << 172;
        QList<QByteArray> lines = plainDownload(start, 200).split('\n');
        lines.removeAt(2 + 50);
        QTest::newRow("a line lost, nothing damaged") << lines.join('\n') << 0 << 199;
    }

    void aDamagedDownloadEntersOnlyTheRowsBeforeItsFirstFault()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, entered);
        QFETCH(int, left);
        StationArchive archive = emptyArchive();
        const EntryResult result = archive.enter(QStringLiteral("P"), entryOf(text, 200));
        QVERIFY(!result.checkPassed);
        QCOMPARE(result.newSamples, entered);
        QCOMPARE(result.leftInDownload, left);
        QCOMPARE(result.line(),
                 QStringLiteral("Archivada en «P»: %1 nuevas, 0 ya archivadas; %2 muestras sin "
                                "archivar: la descarga no llegó bien y el logger aún las "
                                "conserva, descargue de nuevo")
                     .arg(entered)
                     .arg(left));
        // Each at its own time with its own values, as the download that came whole has them.
        archive.enter(QStringLiteral("Entera"), entryOf(plainDownload(start, 200), 200));
        const std::vector<ArchivedSample> whole = archive.samples(QStringLiteral("Entera"));
        const std::vector<ArchivedSample> record = archive.samples(QStringLiteral("P"));
        QCOMPARE(int(record.size()), entered);
        QVERIFY(std::equal(record.begin(), record.end(), whole.begin()));
        QCOMPARE(archive.downloads()[0].samplesReceived, text.count('\n') - 2);
    }

    void theGoodDownloadAfterADamagedOneTakesOverWhatItLeft()
    {
        StationArchive archive = emptyArchive();
        const QString station = QStringLiteral("Parcela 3");
        const EntryResult damaged = archive.enter(station, entryOf(splitLineDownload(), 200));
        const std::vector<ArchivedSample> vouched = archive.samples(station);
        // As an older program left it: a sample of the damaged download one step off.
        std::unique_ptr<Connection> behind = connectionTo(archive);
        const std::array<int, 4> shifted = vouched[6].values;
        QCOMPARE(behind->run(QStringLiteral("UPDATE samples SET v1 = %1, v2 = %2, v3 = %3, v4 = %4 "
                                            "WHERE t = %5")
                                 .arg(shifted[0])
                                 .arg(shifted[1])
                                 .arg(shifted[2])
                                 .arg(shifted[3])
                                 .arg(timeOf(start, 5))),
                 QString());

        const EntryResult good = archive.enter(station, entryOf(plainDownload(start, 200), 200));
        QVERIFY(good.checkPassed);
        QCOMPARE(good.conflicts, 0);
        QCOMPARE(good.newSamples, 171);
        QCOMPARE(good.alreadyArchived, 28);
        QCOMPARE(good.replaced, 1);
        QCOMPARE(good.line(),
                 QStringLiteral("Archivada en «Parcela 3»: 171 nuevas, 28 ya archivadas; "
                                "1 muestra corregida de una descarga dañada"));
        const std::vector<ArchivedSample> record = archive.samples(station);
        QCOMPARE(record.size(), std::size_t(200));
        QVERIFY(std::equal(vouched.begin(), vouched.end(), record.begin()));
        QCOMPARE(archive.conflicts(station),
                 (std::vector<ConflictRow> {{timeOf(start, 5), damaged.downloadId,
                                             1'700'000'000'000, shifted, vouched[5].values}}));
        // Every sample is the good download's now: one run, the figures whole.
        QCOMPARE(behind->number(QStringLiteral("SELECT COUNT(*) FROM samples WHERE download_id = %1")
                                    .arg(good.downloadId)),
                 200);
        QCOMPARE(behind->number(QStringLiteral("SELECT COUNT(*) FROM sample_runs")), 1);
        QCOMPARE(archive.coverage(station).periods,
                 (std::vector<CoveredPeriod> {{timeOf(start, 0), timeOf(start, 199), 200}}));
        QCOMPARE(archive.stations()[0].samples, 200);
        QCOMPARE(archive.downloads()[0].conflicts, 1);
    }

    void removingADownloadLeavesWhatTheOthersBrought_data()
    {
        QTest::addColumn<int>("removed"); // 0, 1 or 2: the first, the overlapping, the other's
        QTest::addColumn<int>("gone");
        QTest::addColumn<int>("kept");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("conflicts");
        QTest::addColumn<int>("gaps");
        QTest::newRow("the first") << 0 << 20 << 20 << timeOf(start, 20) << 40 << 10 << 0;
        QTest::newRow("the second") << 1 << 10 << 10 << timeOf(start, 0) << 50 << 0 << 1;
        QTest::newRow("another logger's") << 2 << 0 << 0 << timeOf(start, 0) << 60 << 0 << 0;
    }

    void removingADownloadLeavesWhatTheOthersBrought()
    {
        QFETCH(int, removed);
        QFETCH(int, gone);
        QFETCH(int, kept);
        QFETCH(qint64, first);
        QFETCH(int, samples);
        QFETCH(int, conflicts);
        QFETCH(int, gaps);
        StationArchive archive = emptyArchive();
        const QString station = QStringLiteral("Parcela 3");
        // Samples 0 to 39, then 20 to 59, then another logger's 50 to 59.
        const auto other = [](int i) { return std::array<int, 4> {900 + i, 900, 900, 900}; };
        const std::array<qint64, 3> ids {
            archive.enter(station, entryOf(plainDownload(start, 40))).downloadId,
            archive.enter(station, entryOf(plainDownload(start.addSecs(900 * 20), 40)))
                .downloadId,
            archive.enter(station, entryOf(downloadText(start.addSecs(900 * 50), 10, other)))
                .downloadId};
        const std::vector<ConflictRow> before = archive.conflicts(station);
        QCOMPARE(before.size(), std::size_t(10));
        const ConflictRow &at55Before = before[5];
        QCOMPARE(at55Before.t, timeOf(start, 55));

        const DownloadRemoval removal = archive.removeDownload(ids[std::size_t(removed)]);
        QCOMPARE(removal.removed, gone);
        QCOMPARE(removal.kept, kept);
        QCOMPARE(removal.line(),
                 QStringLiteral("Se quitó la descarga %1 de «Parcela 3»: %2 muestras quitadas, "
                                "%3 quedan por otras descargas")
                     .arg(ids[std::size_t(removed)])
                     .arg(gone)
                     .arg(kept));
        const std::vector<StationSummary> summary = archive.stations();
        QCOMPARE(summary[0].samples, samples);
        QCOMPARE(summary[0].downloads, 2);
        QCOMPARE(summary[0].firstSample, std::optional<qint64>(first));
        QCOMPARE(summary[0].lastSample, std::optional<qint64>(timeOf(start, 59)));
        QCOMPARE(archive.conflicts(station).size(), std::size_t(conflicts));
        QCOMPARE(archive.downloads(station).back().conflicts, conflicts);
        QCOMPARE(archive.coverage(station).gaps.size(), std::size_t(gaps));
        const std::vector<ArchivedSample> record = archive.samples(station);
        QCOMPARE(int(record.size()), samples);
        // What stays at 55 is what a remaining download brought there.
        const auto at55 = std::find_if(record.begin(), record.end(), [](const ArchivedSample &s) {
            return s.t == timeOf(start, 55);
        });
        QVERIFY(at55 != record.end());
        QCOMPARE(at55->values, removed == 1 ? at55Before.brought : at55Before.archived);
        // Each sample is credited to a download that is there, and the runs count them all.
        std::unique_ptr<Connection> behind = connectionTo(archive);
        QCOMPARE(behind->number(QStringLiteral("SELECT COUNT(*) FROM samples WHERE download_id "
                                               "NOT IN (SELECT id FROM downloads)")),
                 0);
        QCOMPARE(behind->number(QStringLiteral("SELECT SUM(samples) FROM sample_runs")), samples);
        QCOMPARE(behind->number(QStringLiteral("SELECT COUNT(*) FROM conflicts")), conflicts);
        QVERIFY_THROWS_EXCEPTION(ArchiveError, archive.removeDownload(ids[std::size_t(removed)]));
    }

    void movingADownloadTakesItToItsStation_data()
    {
        QTest::addColumn<int>("there"); // samples the station moved to has already
        QTest::addColumn<bool>("wrongStationGoes");
        QTest::newRow("to a new station") << 0 << false;
        QTest::newRow("to a station that has part") << 5 << false;
        QTest::newRow("from a station made by mistake") << 0 << true;
    }

    void movingADownloadTakesItToItsStation()
    {
        QFETCH(int, there);
        QFETCH(bool, wrongStationGoes);
        StationArchive archive = emptyArchive();
        const QString wrong = QStringLiteral("Parcela 3");
        const QString right = QStringLiteral("Parcela 4");
        const QDateTime later = start.addDays(5);
        if (!wrongStationGoes)
            archive.enter(wrong, entryOf(plainDownload(start, 40)));
        if (there > 0)
            archive.enter(right, entryOf(plainDownload(later, there)));
        const EntryResult mistaken = archive.enter(wrong, entryOf(plainDownload(later, 10), 10));

        const DownloadMove move = archive.moveDownload(mistaken.downloadId, right);
        QCOMPARE(move.removal.removed, 10);
        QCOMPARE(move.removal.stationRemoved, wrongStationGoes);
        QCOMPARE(move.entry.station, right);
        QCOMPARE(move.entry.newSamples, 10 - there);
        QCOMPARE(move.entry.alreadyArchived, there);
        QVERIFY2(move.line().endsWith(move.entry.line()), qPrintable(move.line()));
        QCOMPARE(archive.stationNames(),
                 (wrongStationGoes ? QStringList {right} : QStringList {wrong, right}));
        if (!wrongStationGoes) {
            QCOMPARE(archive.samples(wrong).size(), std::size_t(40));
            QCOMPARE(archive.downloads(wrong).size(), std::size_t(1));
        }
        QCOMPARE(archive.samples(right).size(), std::size_t(10));
        const std::vector<DownloadSummary> moved = archive.downloads(right);
        QCOMPARE(moved.back().sha256, downloadHash(plainDownload(later, 10)));
        QCOMPARE(moved.back().samplesReported, std::optional<int>(10));
        QCOMPARE(archive.coverage(right).periods,
                 (std::vector<CoveredPeriod> {{timeOf(later, 0), timeOf(later, 9), 10}}));
        QVERIFY_THROWS_EXCEPTION(ArchiveError, archive.moveDownload(moved.back().id, right));
    }

    void aRangeIsReadInTimeOrderEachSampleOnce()
    {
        StationArchive archive = emptyArchive();
        // Entered newest first, overlapping.
        archive.enter(QStringLiteral("P"), entryOf(plainDownload(start.addSecs(900 * 20), 20)));
        archive.enter(QStringLiteral("P"), entryOf(plainDownload(start, 25)));
        const std::vector<ArchivedSample> range =
            archive.samples(QStringLiteral("P"), timeOf(start, 5), timeOf(start, 30));
        QCOMPARE(range.size(), std::size_t(26));
        for (std::size_t i = 0; i < range.size(); ++i)
            QCOMPARE(range[i].t, timeOf(start, int(i) + 5));
        QVERIFY_THROWS_EXCEPTION(ArchiveError, (void)archive.samples(QStringLiteral("Q")));
    }

    void repeatedTimesAndNegativeValuesMergeAlike()
    {
        StationArchive archive = emptyArchive();
        const auto csv = [](const QByteArray &rows) {
            return DownloadEntry {QByteArray(CsvExport::samplesHeading) + "\n" + rows, RawKind::Csv,
                                  1'700'000'000'000, std::nullopt, std::nullopt};
        };
        // A time repeated with its own values, then with others; temperatures below zero.
        const EntryResult first = archive.enter(QStringLiteral("P"),
                                                csv("2026-03-01T10:15:00,-0.5,-40.0,12.3,7\n"
                                                    "2026-03-01T10:00:00,1.0,2.0,3.0,4\n"
                                                    "2026-03-01T10:15:00,-0.5,-40.0,12.3,7\n"
                                                    "2026-03-01T10:15:00,-0.6,-40.0,12.3,7\n"));
        QCOMPARE(first.newSamples, 2);
        QCOMPARE(first.alreadyArchived, 1);
        QCOMPARE(first.conflicts, 1);
        const qint64 t0 = QDateTime(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC).toSecsSinceEpoch();
        const std::vector<ArchivedSample> record = archive.samples(QStringLiteral("P"));
        QCOMPARE(
            record,
            (std::vector<ArchivedSample> {{t0, {10, 20, 30, 4}}, {t0 + 900, {-5, -400, 123, 7}}}));
        std::unique_ptr<Connection> behind = connectionTo(archive);
        QCOMPARE(behind->number(QStringLiteral("SELECT v1 FROM conflicts")), -6);

        const EntryResult second = archive.enter(QStringLiteral("P"),
                                                 csv("2026-03-01T10:15:00,-0.5,-40.0,12.3,7\n"
                                                     "2026-03-01T10:30:00,-12.5,-0.1,0.0,0\n"));
        QCOMPARE(second.newSamples, 1);
        QCOMPARE(second.alreadyArchived, 1);
        QCOMPARE(second.conflicts, 0);
        QCOMPARE(archive.samples(QStringLiteral("P"), t0 + 1800).front().values,
                 (std::array<int, 4> {-125, -1, 0, 0}));
    }

    void aLongRangeIsReadWhole()
    {
        StationArchive archive = emptyArchive();
        archive.enter(QStringLiteral("P"), entryOf(plainDownload(start, 5)));
        // Many more samples than a server sends at once, put in behind the archive's back.
        constexpr int behindCount = 1'000'001;
        const qint64 first = timeOf(start, 5);
        const QString rows = onServer()
            ? QStringLiteral("SELECT i FROM generate_series(0, %1) AS g(i)")
            : QStringLiteral("WITH RECURSIVE g(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM g "
                             "WHERE i < %1) SELECT i FROM g");
        std::unique_ptr<Connection> behind = connectionTo(archive);
        QCOMPARE(behind->run(QStringLiteral("INSERT INTO samples "
                                            "(station_id, t, v1, v2, v3, v4, download_id) "
                                            "SELECT (SELECT id FROM stations), %1 + 900 * CAST(i AS BIGINT), "
                                            "i % 1000, -i % 1000, 0, i % 2000, "
                                            "(SELECT id FROM downloads) FROM (%2) AS n")
                                 .arg(first)
                                 .arg(rows.arg(behindCount - 1))),
                 QString());

        const std::vector<ArchivedSample> all = archive.samples(QStringLiteral("P"));
        QCOMPARE(all.size(), std::size_t(5 + behindCount));
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i].t != timeOf(start, int(i)))
                QFAIL(qPrintable(QStringLiteral("sample %1 has the wrong time").arg(i)));
        }
        QCOMPARE(all.back().values, (std::array<int, 4> {0, 0, 0, 0}));
        QCOMPARE(all[5 + 1234].values, (std::array<int, 4> {234, -234, 0, 1234}));

        // A range that ends right where a server's page would.
        const std::vector<ArchivedSample> part =
            archive.samples(QStringLiteral("P"), timeOf(start, 2), timeOf(start, 400'001));
        QCOMPARE(part.size(), std::size_t(400'000));
        QCOMPARE(part.front().t, timeOf(start, 2));
        QCOMPARE(part.back().t, timeOf(start, 400'001));
    }

    void theExportIsTheGridsCsvOfTheRecord_data()
    {
        QTest::addColumn<std::optional<qint64>>("from");
        QTest::addColumn<std::optional<qint64>>("to");
        const QDateTime leapDay(QDate(2028, 2, 29), QTime(0, 0, 7), Qt::UTC);
        QTest::newRow("the whole record") << std::optional<qint64>() << std::optional<qint64>();
        QTest::newRow("a range between samples")
            << std::optional(leapDay.toSecsSinceEpoch() - 1)
            << std::optional(leapDay.addDays(3).toSecsSinceEpoch() + 1);
        QTest::newRow("from a sample on")
            << std::optional(leapDay.toSecsSinceEpoch()) << std::optional<qint64>();
        QTest::newRow("up to a sample")
            << std::optional<qint64>() << std::optional(leapDay.toSecsSinceEpoch());
        QTest::newRow("nothing in range")
            << std::optional(leapDay.addYears(5).toSecsSinceEpoch()) << std::optional<qint64>();
    }

    void theExportIsTheGridsCsvOfTheRecord()
    {
        QFETCH(std::optional<qint64>, from);
        QFETCH(std::optional<qint64>, to);
        StationArchive archive = emptyArchive();
        // Every reading on every channel (below zero, tenths, PAR), across a leap day and then
        // a new year; enough rows to come in more than one part.
        const QDateTime before(QDate(2028, 2, 10), QTime(23, 0, 7), Qt::UTC);
        for (int k = 0; k < 3; ++k)
            archive.enter(
                QStringLiteral("P"),
                entryOf(downloadText(before.addSecs(qint64(900) * 4096 * k), 4096, [k](int i) {
                    const int r = (i + 1000 * k) % 4096;
                    return std::array<int, 4> {r, 4095 - r, (r * 7) % 4096, r};
                })));
        const QDateTime newYear(QDate(2029, 12, 31), QTime(23, 30, 7), Qt::UTC);
        archive.enter(QStringLiteral("P"), entryOf(plainDownload(newYear, 8)));

        const std::vector<ArchivedSample> record = archive.samples(QStringLiteral("P"), from, to);
        const QByteArray grid =
            CsvExport::samplesText(int(record.size()), [&record](int column, int row) {
                const ArchivedSample &sample = record[std::size_t(row - 1)];
                if (column == 1)
                    return sampleDateText(sample.t);
                if (column == 2)
                    return sampleTimeText(sample.t);
                return archivedValueText(sample.values[std::size_t(column - 3)], column - 3);
            });
        QCOMPARE(archive.csvText(QStringLiteral("P"), from, to), grid);
        QByteArray streamed;
        int parts = 0;
        archive.writeCsv(QStringLiteral("P"), from, to, [&](const QByteArray &part) {
            streamed += part;
            ++parts;
        });
        QCOMPARE(streamed, grid);
        if (!from && !to)
            QVERIFY2(parts > 1, "the whole record came in one piece");
    }

    void anExportKeepsToTheRecordAsItWasWhenItBegan()
    {
        StationArchive archive = emptyArchive();
        archive.enter(QStringLiteral("P"), entryOf(plainDownload(start, 4000)));
        archive.enter(QStringLiteral("P"), entryOf(plainDownload(start.addSecs(900 * 4000), 4000)));
        const QByteArray before = archive.csvText(QStringLiteral("P"));
        // Another program enters a download of the station while the export is written.
        QByteArray exported;
        bool entered = false;
        archive.writeCsv(QStringLiteral("P"), std::nullopt, std::nullopt,
                         [&](const QByteArray &part) {
                             if (!entered) {
                                 StationArchive other =
                                     onServer() ? StationArchive::openServer(m_server->address())
                                                : StationArchive::openFile(archive.shownName());
                                 other.enter(QStringLiteral("P"),
                                             entryOf(plainDownload(start.addDays(200), 10)));
                                 entered = true;
                             }
                             exported += part;
                         });
        QCOMPARE(exported, before);
        QCOMPARE(archive.samples(QStringLiteral("P")).size(), std::size_t(8010));
    }

    void aHostileStationNameIsJustAName()
    {
        StationArchive archive = emptyArchive();
        const QString hostile = QStringLiteral("x'); DROP TABLE samples; --");
        archive.enter(hostile, entryOf(plainDownload(start, 5)));
        archive.setStationForPort(QStringLiteral("ttyUSB0'; --"), hostile);
        QCOMPARE(archive.stationNames(), QStringList {hostile});
        QCOMPARE(archive.samples(hostile).size(), std::size_t(5));
        QCOMPARE(archive.stationForPort(QStringLiteral("ttyUSB0'; --")), hostile);
        QVERIFY_THROWS_EXCEPTION(
            ArchiveError,
            archive.enter(QStringLiteral("dos\nlíneas"), entryOf(plainDownload(start, 5))));
    }

    void aNewNameThatLooksLikeAStationsIsRefusedItsOwnStillWorks_data()
    {
        LookAlikeNames::addRows();
    }

    void aNewNameThatLooksLikeAStationsIsRefusedItsOwnStillWorks()
    {
        QFETCH(QString, existing);
        QFETCH(QString, lookAlike);
        StationArchive archive = emptyArchive();
        archive.enter(existing, entryOf(plainDownload(start, 5)));
        archive.enter(QStringLiteral("Otra"), entryOf(plainDownload(start.addDays(2), 5)));
        const DownloadEntry later = entryOf(plainDownload(start.addSecs(900 * 5), 5));
        // Neither as a new station nor as the new name of another one.
        try {
            archive.enter(lookAlike, later);
            QFAIL("a station like another was made");
        } catch (const ArchiveError &error) {
            QCOMPARE(error.message(),
                     QStringLiteral("ya hay una estación «%1»; use ese nombre").arg(existing));
        }
        QVERIFY_THROWS_EXCEPTION(ArchiveError,
                                 (void)archive.renameStation(QStringLiteral("Otra"), lookAlike));
        QStringList names = archive.stationNames();
        QStringList expected {existing, QStringLiteral("Otra")};
        names.sort();
        expected.sort();
        QCOMPARE(names, expected);
        QCOMPARE(archive.downloads().size(), std::size_t(2));

        // The archived name goes on as before; the station itself may take the other spelling.
        QCOMPARE(archive.enter(existing, later).newSamples, 5);
        QVERIFY(!archive.renameStation(existing, lookAlike).merged);
        QCOMPARE(archive.samples(lookAlike).size(), std::size_t(10));
    }

    void namesAreCountedInCharactersAndInvisibleOnesAreNoName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("taken");
        QTest::newRow("100 emoji") << LookAlikeNames::emojiName(100) << true;
        QTest::newRow("101 emoji") << LookAlikeNames::emojiName(101) << false;
        QTest::newRow("100 letters, one of them NFD")
            << QStringLiteral("ñ") + QString(99, QLatin1Char('a')) << true;
        QTest::newRow("blanks") << QStringLiteral("   ") << false;
        QTest::newRow("invisible characters alone") << QStringLiteral(" ​‏­ ")
                                                    << false;
    }

    void namesAreCountedInCharactersAndInvisibleOnesAreNoName()
    {
        QFETCH(QString, name);
        QFETCH(bool, taken);
        StationArchive archive = emptyArchive();
        try {
            archive.enter(name, entryOf(plainDownload(start, 5)));
            QVERIFY(taken);
            QCOMPARE(archive.stationNames(), QStringList {name});
        } catch (const ArchiveError &error) {
            QVERIFY2(!taken, qPrintable(error.message()));
            QCOMPARE(archive.stationNames(), QStringList());
        }
    }

    void coverageFindsTheGapBetweenDownloadsAndNoneAtARateChange()
    {
        StationArchive archive = emptyArchive();
        const QString station = QStringLiteral("Parcela 3");
        archive.enter(station, entryOf(plainDownload(start, 40)));
        // Then at 30 minutes, the first sample 30 minutes after the last: a new rate, no gap.
        const QDateTime halfHourly = start.addSecs(900 * 39 + 1800);
        archive.enter(station, entryOf(halfHourlyDownload(halfHourly, 20)));
        // Back at 15 minutes after two days without samples, sample 10 arriving damaged.
        const qint64 lastBefore = halfHourly.toSecsSinceEpoch() + 19 * 1800;
        const QDateTime after = QDateTime::fromSecsSinceEpoch(lastBefore + 2 * 86400, Qt::UTC);
        QList<QByteArray> lines = plainDownload(after, 30).split('\n');
        lines[2 + 10][10] = 'x';
        archive.enter(station, entryOf(lines.join('\n'), 30));
        const std::vector<DownloadSummary> downloads = archive.downloads(station);
        QCOMPARE(downloads.size(), std::size_t(3));
        QCOMPARE(downloads[1].stepMinutes, std::optional<int>(30));
        QCOMPARE(downloads[2].stepMinutes, std::optional<int>(15));
        QCOMPARE(downloads[2].samplesReported, std::optional<int>(30));
        QCOMPARE(downloads[1].samplesReported, std::optional<int>());
        QCOMPARE(downloads[2].clockOffsetSeconds, std::optional<qint64>(-42));
        QCOMPARE(downloads[2].damagedRows, 1);
        QCOMPARE(downloads[1].damagedRows, 0);
        // The rows after the damaged one, from a download of their own.
        archive.enter(station, entryOf(plainDownload(after.addSecs(900 * 11), 19)));

        const RecordCoverage whole = archive.coverage(station);
        QCOMPARE(whole.periods,
                 (std::vector<CoveredPeriod> {{timeOf(start, 0), lastBefore, 60},
                                              {after.toSecsSinceEpoch(), timeOf(after, 9), 10},
                                              {timeOf(after, 11), timeOf(after, 29), 19}}));
        QCOMPARE(whole.gaps,
                 (std::vector<RecordGap> {{lastBefore, after.toSecsSinceEpoch()},
                                          {timeOf(after, 9), timeOf(after, 11)}}));
        QCOMPARE(whole.gaps[0].length(), qint64(2 * 86400));
        QCOMPARE(whole.stepsMinutes, (std::vector<int> {15, 30}));

        // A range inside the last download, its ends between samples, is one run at one rate.
        const RecordCoverage range =
            archive.coverage(station, timeOf(after, 5) - 100, timeOf(after, 9) + 100);
        QVERIFY(range.isSingleRun());
        QCOMPARE(range.samples(), qint64(5));
        QVERIFY_THROWS_EXCEPTION(ArchiveError, (void)archive.coverage(QStringLiteral("Q")));
    }

    void mergingTwoNamesOfOneStationListsTheConflictAndKeepsTheRecord()
    {
        StationArchive archive = emptyArchive();
        const QString kept = QStringLiteral("Parcela 3");
        const QString typo = QStringLiteral("Parcela  3'; --");
        archive.enter(kept, entryOf(plainDownload(start, 40)));
        // The same logger under another name: samples 35 to 44, sample 38 with other values.
        std::array<int, 4> differing = plainReadings(start, 38);
        differing[0] += 7;
        const QByteArray other = downloadText(start.addSecs(900 * 35), 10, [&differing](int i) {
            return i == 3 ? differing : plainReadings(start, 35 + i);
        });
        const EntryResult second = archive.enter(typo, entryOf(other));
        archive.setStationForPort(QStringLiteral("ttyUSB0"), typo);
        const std::array<int, 4> archived = archive.samples(kept)[38].values;
        const std::array<int, 4> brought = archive.samples(typo)[3].values;
        QVERIFY(brought != archived);

        const StationMerge merge = archive.renameStation(typo, kept);
        QVERIFY(merge.merged);
        QCOMPARE(merge.moved, 5);
        QCOMPARE(merge.alreadyArchived, 4);
        QCOMPARE(merge.conflicts, 1);
        QCOMPARE(merge.line(),
                 QStringLiteral("«Parcela  3'; --» y «Parcela 3» son ahora una estación, "
                                "«Parcela 3»: 5 muestras pasaron, 4 ya archivadas, 1 no coincide"));
        QCOMPARE(archive.stationNames(), QStringList {kept});
        // The next download on that port goes to the merged station, not back to the old name.
        QCOMPARE(archive.stationForPort(QStringLiteral("ttyUSB0")), kept);

        const std::vector<ArchivedSample> record = archive.samples(kept);
        QCOMPARE(record.size(), std::size_t(45));
        QCOMPARE(record[38].values, archived);
        const std::vector<ConflictRow> conflicts = archive.conflicts(kept);
        QCOMPARE(conflicts.size(), std::size_t(1));
        QCOMPARE(conflicts[0].t, timeOf(start, 38));
        QCOMPARE(conflicts[0].downloadId, second.downloadId);
        QCOMPARE(conflicts[0].arrivedUtcMs, qint64(1'700'000'000'000));
        QCOMPARE(conflicts[0].brought, brought);
        QCOMPARE(conflicts[0].archived, archived);
        QCOMPARE(archive.downloads(kept).size(), std::size_t(2));
        QVERIFY(archive.coverage(kept).isSingleRun());
        const std::vector<StationSummary> stations = archive.stations();
        QCOMPARE(stations.size(), std::size_t(1));
        QCOMPARE(stations[0].samples, 45);
        QCOMPARE(stations[0].firstSample, timeOf(start, 0));
        QCOMPARE(stations[0].lastSample, timeOf(start, 44));
        QCOMPARE(stations[0].downloads, 2);

        // A plain rename to a name not yet archived.
        const StationMerge renamed = archive.renameStation(kept, QStringLiteral("  Parcela 4 "));
        QVERIFY(!renamed.merged);
        QCOMPARE(renamed.line(), QStringLiteral("«Parcela 3» se llama ahora «Parcela 4»"));
        QCOMPARE(archive.stationNames(), QStringList {QStringLiteral("Parcela 4")});
        QCOMPARE(archive.conflicts(QStringLiteral("Parcela 4")).size(), std::size_t(1));
        QVERIFY_THROWS_EXCEPTION(ArchiveError,
                                 archive.renameStation(kept, QStringLiteral("Parcela 5")));
        QVERIFY_THROWS_EXCEPTION(
            ArchiveError,
            archive.renameStation(QStringLiteral("Parcela 4"), QStringLiteral("a\nb")));
    }

    void aConflictThatTheMergedRecordAgreesWithIsNoLongerOne()
    {
        StationArchive archive = emptyArchive();
        const QDateTime at = start;
        // One sample at `at`; `tag` in the line the PC skips makes the bytes a download's own.
        const auto oneSample = [&at](int value, const QByteArray &tag) {
            QByteArray text = downloadText(at, 1, [value](int) {
                return std::array<int, 4> {value, 600, 700, 800};
            });
            return entryOf(text.insert(text.indexOf("\r\n") + 2, tag));
        };
        archive.enter(QStringLiteral("A"), oneSample(510, "1"));
        // B holds other values at that time, and a conflict with A's own.
        const EntryResult own = archive.enter(QStringLiteral("B"), oneSample(520, "2"));
        archive.enter(QStringLiteral("B"), oneSample(510, "3"));
        QCOMPARE(archive.conflicts(QStringLiteral("B")).size(), std::size_t(1));

        const StationMerge merge = archive.renameStation(QStringLiteral("B"), QStringLiteral("A"));
        QCOMPARE(merge.conflicts, 1);
        // B's sample is the one conflict now; what B kept apart is what A holds.
        const std::vector<ConflictRow> conflicts = archive.conflicts(QStringLiteral("A"));
        QCOMPARE(conflicts.size(), std::size_t(1));
        QCOMPARE(conflicts[0].downloadId, own.downloadId);
        QVERIFY(conflicts[0].brought != conflicts[0].archived);
    }

    void aMergeThatFailsHalfWayLeavesBothStationsAsTheyWere()
    {
        StationArchive archive = emptyArchive();
        archive.enter(QStringLiteral("A"), entryOf(plainDownload(start, 40)));
        archive.enter(QStringLiteral("B"),
                      entryOf(downloadText(start.addSecs(900 * 30), 20, [](int i) {
                          return std::array<int, 4> {i, i, i, i};
                      })));
        std::unique_ptr<Connection> behind = connectionTo(archive);
        // The last step, removing the merged name, fails.
        const QString trigger = onServer()
            ? QStringLiteral("CREATE FUNCTION fail_half_way() RETURNS trigger AS $$ BEGIN "
                             "RAISE EXCEPTION 'injected'; END $$ LANGUAGE plpgsql; "
                             "CREATE TRIGGER fail_half_way BEFORE DELETE ON stations "
                             "FOR EACH ROW EXECUTE FUNCTION fail_half_way()")
            : QStringLiteral("CREATE TRIGGER fail_half_way BEFORE DELETE ON stations "
                             "BEGIN SELECT RAISE(ABORT, 'injected'); END");
        QCOMPARE(behind->run(trigger), QString());
        const auto state = [&archive, &behind] {
            QStringList figures = archive.stationNames();
            for (const QString &station : archive.stationNames())
                figures << QString::number(archive.samples(station).size())
                        << QString::number(archive.downloads(station).size())
                        << QString::number(archive.samples(station).front().values[0]);
            figures << QString::number(
                behind->number(QStringLiteral("SELECT COUNT(*) FROM conflicts")));
            return figures;
        };
        const QStringList before = state();
        QCOMPARE(before.mid(0, 4),
                 (QStringList {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("40"),
                               QStringLiteral("1")}));
        QVERIFY_THROWS_EXCEPTION(ArchiveError,
                                 archive.renameStation(QStringLiteral("B"), QStringLiteral("A")));
        QCOMPARE(state(), before);
        QCOMPARE(archive.stations().size(), std::size_t(2));
        QCOMPARE(archive.stations()[1].samples, 20);
    }

    void theStationsFiguresFollowEveryEntryAndAnOldArchiveGetsThem()
    {
        StationArchive archive = emptyArchive();
        const QString station = QStringLiteral("Parcela 3");
        const auto expect = [&archive](const QString &name, qint64 first, qint64 last,
                                       qint64 samples, int downloads) {
            const std::vector<StationSummary> all = archive.stations();
            const auto found =
                std::find_if(all.begin(), all.end(),
                             [&name](const StationSummary &s) { return s.name == name; });
            QVERIFY(found != all.end());
            QCOMPARE(found->firstSample, first);
            QCOMPARE(found->lastSample, last);
            QCOMPARE(found->samples, samples);
            QCOMPARE(found->downloads, downloads);
        };
        archive.enter(station, entryOf(plainDownload(start.addSecs(900 * 10), 20)));
        expect(station, timeOf(start, 10), timeOf(start, 29), 20, 1);
        // Overlapping on both ends, then the same bytes again, then a download with nothing new.
        archive.enter(station, entryOf(plainDownload(start, 40)));
        expect(station, timeOf(start, 0), timeOf(start, 39), 40, 2);
        archive.enter(station, entryOf(plainDownload(start, 40)));
        archive.enter(station, entryOf(plainDownload(start.addSecs(900 * 5), 5)));
        expect(station, timeOf(start, 0), timeOf(start, 39), 40, 3);
        archive.enter(QStringLiteral("Otra"), entryOf(plainDownload(start.addDays(30), 8)));
        expect(QStringLiteral("Otra"), timeOf(start.addDays(30), 0), timeOf(start.addDays(30), 7),
               8, 1);

        archive.enter(station, entryOf(plainDownload(start.addDays(2), 10)));
        const RecordCoverage coverage = archive.coverage(station);
        QCOMPARE(coverage.gaps.size(), std::size_t(1));

        // The archive as the program before kept it: no figures beside the names, no runs.
        std::unique_ptr<Connection> behind = connectionTo(archive);
        for (const QString &column :
             {QStringLiteral("sample_count"), QStringLiteral("first_t"), QStringLiteral("last_t")})
            QCOMPARE(behind->run(QStringLiteral("ALTER TABLE stations DROP COLUMN %1").arg(column)),
                     QString());
        QCOMPARE(behind->run(QStringLiteral("DROP TABLE sample_runs")), QString());
        QCOMPARE(behind->run(QStringLiteral("UPDATE schema_version SET version = 1")), QString());
        behind.reset();
        archive = onServer() ? StationArchive::openServer(m_server->address())
                             : StationArchive::openFile(archive.shownName());
        expect(station, timeOf(start, 0), timeOf(start.addDays(2), 9), 50, 4);
        QCOMPARE(archive.coverage(station).periods, coverage.periods);
        QCOMPARE(archive.coverage(station).gaps, coverage.gaps);
        expect(QStringLiteral("Otra"), timeOf(start.addDays(30), 0), timeOf(start.addDays(30), 7),
               8, 1);
        behind = connectionTo(archive);
        QCOMPARE(behind->number(QStringLiteral("SELECT version FROM schema_version")), 3);
        // And they go on following what enters.
        archive.enter(station, entryOf(plainDownload(start, 41)));
        expect(station, timeOf(start, 0), timeOf(start.addDays(2), 9), 51, 5);
    }

    void aLaptopOfflineForAMonthSendsEverythingWhenBack()
    {
        if (!onServer())
            QSKIP("the server half of the backends");
        m_server->empty();
        const QString laptop = m_dir.filePath(QStringLiteral("laptop%1.sqlite").arg(++m_files));
        for (int visit = 0; visit < 3; ++visit)
            QVERIFY(archiveDownload(laptop, QStringLiteral("Parcela 3"),
                                    entryOf(plainDownload(start.addDays(visit * 10), 1200)))
                        .succeeded());
        ServerAddress away = m_server->address();
        away.host = m_dir.filePath(QStringLiteral("no-such-socket-folder"));
        const SyncResult offline = syncArchive(laptop, away.shownText());
        QVERIFY(!offline.succeeded());
        QCOMPARE(offline.unsent, 3);
        QVERIFY2(offline.line().contains(QStringLiteral("quedan en el archivo local, sin enviar")),
                 qPrintable(offline.line()));

        const SyncResult back = syncArchive(laptop, m_server->url());
        QVERIFY2(back.succeeded(), qPrintable(back.failure));
        QCOMPARE(back.sent, 3);
        const SyncResult again = syncArchive(laptop, m_server->url());
        QCOMPARE(again.sent, 0);
        StationArchive local = StationArchive::openFile(laptop);
        StationArchive server = StationArchive::openServer(m_server->address());
        QCOMPARE(local.unsentCount(), 0);
        QVERIFY(server.samples(QStringLiteral("Parcela 3"))
                == local.samples(QStringLiteral("Parcela 3")));
        QCOMPARE(server.downloads().size(), std::size_t(3));
    }
};

QTEST_GUILESS_MAIN(TestStationArchive)
#include "tst_station_archive.moc"
