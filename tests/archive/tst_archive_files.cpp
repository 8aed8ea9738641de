// Covers what is particular to the archive's SQLite file and to reaching a server: a new file
// readable by its user alone; files that are not an archive of ours (no database, another
// program's, a newer version, a damaged one) refused and left byte for byte as they were; a
// file locked by another program; re-exporting a download giving the bytes "GUARDAR" gave;
// old files brought in, both kinds under one rule of what the logger can give; values as the
// grid's texts, and the export's CSV records written from them; the logger's clock offset
// against the PC's local time, and said in words; and a server that cannot be reached, whose
// message never shows the password. A damaged file is neither written nor exported, nor an export
// that reads other than the count the archive keeps; a rebuild from the downloads gives the same
// archive and names a download that cannot be read. Merging on both backends is in
// tst_station_archive.
#include "archive/archive_error.h"
#include "archive/archive_import.h"
#include "archive/archive_rebuild.h"
#include "archive/archive_sync.h"
#include "archive/download_archiving.h"
#include "archive/sample_csv.h"
#include "archive/server_address.h"
#include "archive/station_archive.h"
#include "archive_test_support.h"
#include "damaged_archive.h"
#include "data/csv_export.h"
#include "data/text_export.h"
#include "saved_by_the_window.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <ctime>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

using namespace ArchiveTest;

namespace {

const QDateTime start(QDate(2026, 3, 1), QTime(10, 0, 7), Qt::UTC);

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

DownloadEntry entryOf(const QByteArray &text)
{
    return {text, RawKind::DownloadText, 1'700'000'000'000, std::nullopt, std::nullopt};
}

} // namespace

class TestArchiveFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    QString newPath() { return m_dir.filePath(QStringLiteral("f%1.sqlite").arg(++m_files)); }

    QByteArray savedByTheWindow(const QByteArray &downloadText)
    {
        return ::savedByTheWindow(downloadText, m_dir.filePath(QStringLiteral("guardar.txt")));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void aNewArchiveIsReadableByItsUserAlone()
    {
        const QString path = m_dir.filePath(QStringLiteral("archivo-nuevo.sqlite"));
        const mode_t before = umask(0);
        (void)StationArchive::openFile(path);
        umask(before);
        struct stat info
        {
        };
        QCOMPARE(stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
    }

    void filesThatAreNotOurArchiveAreRefusedAndLeftAsTheyWere_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text") << "text";
        QTest::newRow("another program's database") << "foreign";
        QTest::newRow("a newer archive") << "newer";
        QTest::newRow("a damaged archive") << "damaged";
    }

    void filesThatAreNotOurArchiveAreRefusedAndLeftAsTheyWere()
    {
        QFETCH(QString, kind);
        const QString path = newPath();
        if (kind == QLatin1String("text")) {
            writeFile(path, QByteArray("FECHA HORA\r\n").repeated(200));
        } else if (kind == QLatin1String("foreign")) {
            Connection other(path);
            QCOMPARE(other.run(QStringLiteral("CREATE TABLE samples (x)")), QString());
            QCOMPARE(other.run(QStringLiteral("INSERT INTO samples VALUES (1)")), QString());
        } else {
            {
                StationArchive archive = StationArchive::openFile(path);
                for (int i = 0; i < 6; ++i)
                    archive.enter(QStringLiteral("P"),
                                  entryOf(plainDownload(start.addDays(i * 50), 4000)));
            }
            if (kind == QLatin1String("newer")) {
                Connection later(path);
                QCOMPARE(later.run(QStringLiteral("UPDATE schema_version SET version = 99")),
                         QString());
            } else {
                // The first page of the samples overwritten.
                qint64 root = 0;
                qint64 pageSize = 0;
                {
                    Connection look(path);
                    root = look.number(QStringLiteral(
                        "SELECT rootpage FROM sqlite_master WHERE name = 'samples'"));
                    pageSize = look.number(QStringLiteral("PRAGMA page_size"));
                }
                QVERIFY(root > 1 && pageSize > 0);
                QByteArray bytes = readFile(path);
                bytes.replace((root - 1) * pageSize, pageSize, QByteArray(pageSize, '\x5a'));
                writeFile(path, bytes);
            }
        }
        const QByteArray before = readFile(path);

        QString message;
        try {
            StationArchive archive = StationArchive::openFile(path);
            archive.enter(QStringLiteral("P"), entryOf(plainDownload(start.addDays(100), 4000)));
            (void)archive.samples(QStringLiteral("P"));
        } catch (const ArchiveError &error) {
            message = error.message();
        }
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("no se tocó"))
                     || message.contains(QStringLiteral("nada se cambió")),
                 qPrintable(message));
        QVERIFY(readFile(path) == before);
    }

    void anArchiveLockedByAnotherProgramIsWaitedForThenRefused()
    {
        const QString path = newPath();
        (void)StationArchive::openFile(path);
        Connection other(path);
        QCOMPARE(other.run(QStringLiteral("BEGIN EXCLUSIVE")), QString());
        QElapsedTimer waited;
        waited.start();
        const ArchivingResult result =
            archiveDownload(path, QStringLiteral("P"), entryOf(plainDownload(start, 10)));
        QVERIFY(!result.succeeded());
        QVERIFY2(result.failure.contains(QLatin1String("bloqueado")), qPrintable(result.failure));
        QVERIFY(waited.elapsed() >= 1000);
        other.run(QStringLiteral("ROLLBACK"));
        QVERIFY(archiveDownload(path, QStringLiteral("P"), entryOf(plainDownload(start, 10)))
                    .succeeded());
    }

    void reExportGivesTheBytesGuardarGave_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("clean") << plainDownload(start, 300);
        // The grid stops at the line that does not decode; so does GUARDAR.
        QList<QByteArray> lines = plainDownload(start, 30).split('\n');
        lines[12] = "0021\r";
        QTest::newRow("a short line part-way") << lines.join('\n');
    }

    void reExportGivesTheBytesGuardarGave()
    {
        QFETCH(QByteArray, text);
        StationArchive archive = StationArchive::openFile(newPath());
        const EntryResult entered = archive.enter(QStringLiteral("P"), entryOf(text));
        const QByteArray saved = savedByTheWindow(text);
        QVERIFY(saved.size() > 100);
        QVERIFY(archive.savedFileText(entered.downloadId) == saved);
    }

    void oldFilesComeInAsDownloads()
    {
        StationArchive archive = StationArchive::openFile(newPath());
        const QByteArray text = plainDownload(start, 50);
        const QString saved = m_dir.filePath(QStringLiteral("old.txt"));
        writeFile(saved, savedByTheWindow(text));
        const QString csv = m_dir.filePath(QStringLiteral("old.csv"));
        {
            StationArchive other = StationArchive::openFile(newPath());
            other.enter(QStringLiteral("P"), entryOf(plainDownload(start.addSecs(900 * 40), 20)));
            writeFile(csv, other.csvText(QStringLiteral("P")));
        }
        const EntryResult fromSaved = importFile(archive, QStringLiteral("P"), saved);
        QCOMPARE(fromSaved.newSamples, 50);
        QVERIFY(archive.savedFileText(fromSaved.downloadId) == readFile(saved));
        const EntryResult fromCsv = importFile(archive, QStringLiteral("P"), csv);
        QCOMPARE(fromCsv.newSamples, 10);
        QCOMPARE(fromCsv.alreadyArchived, 10);
        QCOMPARE(fromCsv.conflicts, 0);

        writeFile(saved, "no es un archivo de datos\r\n");
        QVERIFY_THROWS_EXCEPTION(ArchiveError, importFile(archive, QStringLiteral("P"), saved));
    }

    void bothKindsOfOldFileTakeOnlyWhatTheLoggerCanGive_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QStringList>("values");
        /// What the refusal names: "fecha" or "canal N"; empty for a row that is taken.
        QTest::addColumn<QString>("field");
        const QStringList usual {"23,5", "-0,5", "50,0", "0"};
        const auto with = [&usual](int channel, const QString &value) {
            QStringList values = usual;
            values[channel] = value;
            return values;
        };
        const QString noon = QStringLiteral("12:00:00");
        QTest::newRow("the lowest of each channel, the first moment")
            << "01/01/2000" << "00:00:00" << QStringList {"-50,0", "-50,0", "0,0", "0"} << "";
        QTest::newRow("the highest of each channel, the last moment")
            << "31/12/2099" << "23:59:59" << QStringList {"359,5", "359,5", "100,0", "4095"}
            << "";
        QTest::newRow("a leap day") << "29/02/2096" << noon << usual << "";
        QTest::newRow("1999") << "31/12/1999" << "23:59:59" << usual << "fecha";
        QTest::newRow("2100") << "01/01/2100" << "00:00:00" << usual << "fecha";
        QTest::newRow("year 1") << "01/01/0001" << noon << usual << "fecha";
        QTest::newRow("year 9999") << "31/12/9999" << noon << usual << "fecha";
        QTest::newRow("below -50 ºC") << "01/03/2026" << noon << with(0, "-50,1") << "canal 1";
        QTest::newRow("above 359,5 ºC") << "01/03/2026" << noon << with(0, "359,6") << "canal 1";
        QTest::newRow("99999,9 ºC") << "01/03/2026" << noon << with(0, "99999,9") << "canal 1";
        QTest::newRow("-99999,9 ºC") << "01/03/2026" << noon << with(1, "-99999,9") << "canal 2";
        QTest::newRow("humidity above 100") << "01/03/2026" << noon << with(2, "100,1")
                                            << "canal 3";
        QTest::newRow("humidity below 0") << "01/03/2026" << noon << with(2, "-0,1") << "canal 3";
        QTest::newRow("humidity 1000,0") << "01/03/2026" << noon << with(2, "1000,0")
                                         << "canal 3";
        QTest::newRow("PAR past 12 bits") << "01/03/2026" << noon << with(3, "4096") << "canal 4";
        QTest::newRow("PAR below 0") << "01/03/2026" << noon << with(3, "-1") << "canal 4";
        QTest::newRow("PAR 9999999") << "01/03/2026" << noon << with(3, "9999999") << "canal 4";
    }

    void bothKindsOfOldFileTakeOnlyWhatTheLoggerCanGive()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QStringList, values);
        QFETCH(QString, field);
        const auto cell = [&](int column, int) {
            return column == 1 ? date : column == 2 ? time : values[column - 3];
        };
        // The one row as "GUARDAR" and as "Exportar CSV…" would write it, and the line it is on.
        const QString saved = m_dir.filePath(QStringLiteral("fila.txt"));
        writeFile(saved, TextExport::fileText(1, cell));
        const QString csv = m_dir.filePath(QStringLiteral("fila.csv"));
        writeFile(csv, CsvExport::samplesText(1, cell));
        for (const auto &[path, line] : {std::pair(saved, 3), std::pair(csv, 2)}) {
            StationArchive archive = StationArchive::openFile(newPath());
            try {
                const EntryResult entered = importFile(archive, QStringLiteral("P"), path);
                QVERIFY2(field.isEmpty(), qPrintable(path + QStringLiteral(" was taken")));
                QCOMPARE(entered.newSamples, 1);
            } catch (const ArchiveError &error) {
                const QString message = error.message();
                QVERIFY2(!field.isEmpty(), qPrintable(message));
                QVERIFY2(message.startsWith(path + QStringLiteral(": ")), qPrintable(message));
                QVERIFY2(message.contains(QStringLiteral("línea %1").arg(line)),
                         qPrintable(message));
                QVERIFY2(message.contains(field), qPrintable(message));
                QVERIFY(archive.downloads().empty());
            }
        }
    }

    void valuesAreTheGridsTextsAsIntegers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("channel");
        QTest::addColumn<std::optional<int>>("value");
        QTest::newRow("tenths") << "23,4" << 0 << std::optional(234);
        QTest::newRow("negative tenths") << "-0,5" << 1 << std::optional(-5);
        QTest::newRow("CSV point") << "100.0" << 2 << std::optional(1000);
        QTest::newRow("units") << "4095" << 3 << std::optional(4095);
        QTest::newRow("two decimals") << "23,45" << 0 << std::optional<int>();
        QTest::newRow("decimals on channel 4") << "2,3" << 3 << std::optional<int>();
        QTest::newRow("no digits") << "-," << 0 << std::optional<int>();
    }

    void valuesAreTheGridsTextsAsIntegers()
    {
        QFETCH(QString, text);
        QFETCH(int, channel);
        QFETCH(std::optional<int>, value);
        QCOMPARE(archivedValue(text, channel), value);
        if (value)
            QCOMPARE(archivedValueText(*value, channel), QString(text).replace('.', ','));
    }

    void aSamplesCsvRecordIsTheGridsRowInTheCsv()
    {
        // Every day from 1969 to 2101 at a second that moves through the day, then every 97th
        // day past the year 9999; values from -99999 to 99999 on each channel.
        const std::vector<std::array<qint64, 3>> sweeps = {
            {sampleTime(1969, 12, 30, 0, 0, 0), sampleTime(2101, 1, 1, 0, 0, 0), 86400 + 7},
            {sampleTime(2101, 1, 1, 0, 0, 0), sampleTime(10000, 1, 2, 0, 0, 0), 97 * 86400 + 7}};
        int i = 0;
        for (const auto &[first, last, step] : sweeps)
            for (qint64 t = first; t <= last; t += step, ++i) {
                const ArchivedSample sample {t,
                                             {i % 199'999 - 99'999, -(i % 10'007),
                                              (i * 37) % 20'001 - 10'000, i % 9999 - 42}};
                QByteArray fast;
                SampleCsv::appendRecord(fast, sample);
                const QByteArray grid = CsvExport::samplesText(1, [&sample](int column, int) {
                    if (column == 1)
                        return sampleDateText(sample.t);
                    if (column == 2)
                        return sampleTimeText(sample.t);
                    return archivedValueText(sample.values[std::size_t(column - 3)], column - 3);
                });
                if (fast != grid.mid(grid.indexOf('\n') + 1))
                    QFAIL(
                        qPrintable(QStringLiteral("t %1: %2 instead of %3")
                                       .arg(t)
                                       .arg(QString::fromUtf8(fast),
                                            QString::fromUtf8(grid.mid(grid.indexOf('\n') + 1)))));
            }
    }

    void theClockOffsetComparesWallClocks()
    {
        // The logger's clock is set from the PC's local time: 42 s ahead of it is +42 in any
        // time zone, not 42 s plus the zone's offset.
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "America/Santiago");
        tzset();
        const qint64 pcUtcMs =
            QDateTime(QDate(2026, 7, 1), QTime(12, 0, 0), Qt::UTC).toMSecsSinceEpoch();
        const QDateTime logger = QDateTime::fromMSecsSinceEpoch(pcUtcMs).toLocalTime().addSecs(42);
        StatusDetails frame;
        frame.year = logger.date().year() % 100;
        frame.month = logger.date().month();
        frame.day = logger.date().day();
        frame.hour = logger.time().hour();
        frame.minute = logger.time().minute();
        frame.second = logger.time().second();
        const bool zoneTaken = logger.offsetFromUtc() != 0;
        const std::optional<qint64> offset = clockOffsetSeconds(frame, pcUtcMs);
        frame.month = 13;
        const std::optional<qint64> impossible = clockOffsetSeconds(frame, pcUtcMs);
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
        tzset();
        QVERIFY(zoneTaken);
        QCOMPARE(offset, std::optional<qint64>(42));
        QCOMPARE(impossible, std::optional<qint64>());
    }

    void theClockOffsetIsSaidInWords_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        const QString head = QStringLiteral("el reloj del logger iba ");
        QTest::newRow("on time") << qint64(0) << QStringLiteral("el reloj del logger iba en hora");
        QTest::newRow("ahead") << qint64(133) << head + QStringLiteral("2 min 13 s adelantado");
        QTest::newRow("behind") << qint64(-133) << head + QStringLiteral("2 min 13 s atrasado");
        QTest::newRow("seconds") << qint64(-59) << head + QStringLiteral("59 s atrasado");
        QTest::newRow("whole minutes") << qint64(120) << head + QStringLiteral("2 min adelantado");
        QTest::newRow("hours") << qint64(3 * 3600 + 5 * 60 + 9)
                               << head + QStringLiteral("3 h 5 min adelantado");
        QTest::newRow("a day") << qint64(-(86400 + 7200 + 59))
                               << head + QStringLiteral("1 día 2 h atrasado");
        QTest::newRow("days") << qint64(400 * 86400)
                              << head + QStringLiteral("400 días adelantado");
        QTest::newRow("the most negative")
            << std::numeric_limits<qint64>::min()
            << head + QStringLiteral("106751991167300 días 15 h atrasado");
    }

    void theClockOffsetIsSaidInWords()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(clockOffsetText(seconds), text);
    }

    void aNamedArchiveInAMissingFolderIsNotMade()
    {
        const QString path = m_dir.filePath(QStringLiteral("sin-carpeta/archivo.sqlite"));
        QVERIFY_THROWS_EXCEPTION(ArchiveError, (void)StationArchive::openFile(path));
        QVERIFY(!QFileInfo::exists(QFileInfo(path).path()));
    }

    void aDamagedArchiveIsNeitherWrittenNorExported_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("export") << "export";
        QTest::newRow("enter a download") << "enter";
        QTest::newRow("rename a station") << "rename";
        QTest::newRow("keep a setting") << "setting";
    }

    void aDamagedArchiveIsNeitherWrittenNorExported()
    {
        QFETCH(QString, operation);
        const QString path = newPath();
        {
            StationArchive archive = StationArchive::openFile(path);
            for (int i = 0; i < 3; ++i)
                archive.enter(QStringLiteral("P"),
                              entryOf(plainDownload(start.addDays(i * 50), 4000)));
        }
        QVERIFY(damageSamplePages(path));
        const QByteArray before = readFile(path);
        QString message;
        try {
            StationArchive archive = StationArchive::openFile(path);
            if (operation == QLatin1String("export"))
                (void)archive.csvText(QStringLiteral("P"));
            else if (operation == QLatin1String("enter"))
                archive.enter(QStringLiteral("P"), entryOf(plainDownload(start.addDays(200), 10)));
            else if (operation == QLatin1String("rename"))
                archive.renameStation(QStringLiteral("P"), QStringLiteral("Q"));
            else
                archive.setServerUrl(QStringLiteral("postgresql://lab@servidor/estaciones"));
        } catch (const ArchiveError &error) {
            message = error.message();
        }
        QVERIFY2(message.contains(QStringLiteral("dañado"))
                     && message.contains(QStringLiteral("--archive-rebuild")),
                 qPrintable(message));
        QVERIFY(readFile(path) == before);
    }

    void anExportThatReadsOtherThanTheKeptCountIsRefused_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("range");
        QTest::newRow("whole record, count kept higher")
            << "UPDATE stations SET sample_count = sample_count + 1" << false;
        QTest::newRow("a range, a sample gone")
            << "DELETE FROM samples WHERE t = (SELECT t FROM samples ORDER BY t LIMIT 1 OFFSET 10)"
            << true;
    }

    void anExportThatReadsOtherThanTheKeptCountIsRefused()
    {
        QFETCH(QString, change);
        QFETCH(bool, range);
        const QString path = newPath();
        qint64 first = 0;
        {
            StationArchive archive = StationArchive::openFile(path);
            archive.enter(QStringLiteral("P"), entryOf(plainDownload(start, 40)));
            first = *archive.stations().front().firstSample;
        }
        {
            Connection behind(path);
            QCOMPARE(behind.run(change), QString());
        }
        StationArchive archive = StationArchive::openFile(path);
        const std::optional<qint64> from = range ? std::optional(first + 5 * 900) : std::nullopt;
        const std::optional<qint64> to = range ? std::optional(first + 20 * 900) : std::nullopt;
        QString message;
        try {
            (void)archive.csvText(QStringLiteral("P"), from, to);
        } catch (const ArchiveError &error) {
            message = error.message();
        }
        QVERIFY2(message.contains(QStringLiteral("dañado")), qPrintable(message));
    }

    void aRebuiltArchiveHoldsWhatTheOldOneHeld()
    {
        const QString path = newPath();
        {
            StationArchive archive = StationArchive::openFile(path);
            DownloadEntry first = entryOf(plainDownload(start, 300));
            // Overlaps the first with other values: conflicts.
            DownloadEntry other = entryOf(downloadText(start.addSecs(900 * 200), 300, [](int i) {
                return std::array<int, 4> {100, 200, 300, i};
            }));
            other.arrivedUtcMs += 1000;
            DownloadEntry elsewhere = entryOf(plainDownload(start.addDays(30), 50));
            elsewhere.arrivedUtcMs += 2000;
            elsewhere.clockOffsetSeconds = -42;
            elsewhere.samplesReported = 50;
            archive.enter(QStringLiteral("P"), first);
            QVERIFY(archive.enter(QStringLiteral("P"), other).conflicts > 0);
            archive.markSent(archive.enter(QStringLiteral("Q"), elsewhere).downloadId);
            archive.addStation(QStringLiteral("Sin descargas"));
            archive.setStationForPort(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("Q"));
            archive.setServerUrl(QStringLiteral("postgresql://lab@servidor/estaciones"));
        }
        const QByteArray before = readFile(path);
        const QString rebuiltPath = newPath();
        const RebuildResult result = rebuildArchive(path, rebuiltPath);
        QVERIFY2(result.complete(), qPrintable(result.line()));
        QCOMPARE(result.entered, 3);
        QVERIFY(readFile(path) == before);

        StationArchive old = StationArchive::openFile(path);
        StationArchive rebuilt = StationArchive::openFile(rebuiltPath);
        QCOMPARE(rebuilt.stationNames(), old.stationNames());
        const std::vector<StationSummary> oldStations = old.stations();
        const std::vector<StationSummary> newStations = rebuilt.stations();
        for (std::size_t i = 0; i < oldStations.size(); ++i) {
            const StationSummary &a = oldStations[i];
            const StationSummary &b = newStations[i];
            QCOMPARE(b.samples, a.samples);
            QCOMPARE(b.firstSample, a.firstSample);
            QCOMPARE(b.lastSample, a.lastSample);
            QCOMPARE(b.downloads, a.downloads);
            QCOMPARE(b.lastClockOffsetSeconds, a.lastClockOffsetSeconds);
            QCOMPARE(b.lastDownloadUtcMs, a.lastDownloadUtcMs);
            if (a.downloads > 0) {
                QVERIFY(rebuilt.samples(a.name) == old.samples(a.name));
                QVERIFY(rebuilt.conflicts(a.name) == old.conflicts(a.name));
            }
        }
        const std::vector<DownloadSummary> oldDownloads = old.downloads();
        const std::vector<DownloadSummary> newDownloads = rebuilt.downloads();
        QCOMPARE(newDownloads.size(), oldDownloads.size());
        for (std::size_t i = 0; i < oldDownloads.size(); ++i) {
            const DownloadSummary &a = oldDownloads[i];
            const DownloadSummary &b = newDownloads[i];
            QCOMPARE(b.station, a.station);
            QCOMPARE(b.sha256, a.sha256);
            QCOMPARE(b.arrivedUtcMs, a.arrivedUtcMs);
            QCOMPARE(b.newSamples, a.newSamples);
            QCOMPARE(b.alreadyArchived, a.alreadyArchived);
            QCOMPARE(b.conflicts, a.conflicts);
            QCOMPARE(b.sent, a.sent);
            QCOMPARE(b.samplesReported, a.samplesReported);
            QCOMPARE(b.clockOffsetSeconds, a.clockOffsetSeconds);
        }
        QCOMPARE(rebuilt.stationForPort(QStringLiteral("/dev/ttyUSB0")), QStringLiteral("Q"));
        QCOMPARE(rebuilt.serverUrl(), old.serverUrl());
    }

    void aDownloadThatCannotBeReadIsLeftOutOfTheRebuildAndNamed()
    {
        const QString path = newPath();
        {
            StationArchive archive = StationArchive::openFile(path);
            for (int i = 0; i < 3; ++i) {
                DownloadEntry entry = entryOf(plainDownload(start.addDays(i * 10), 20));
                entry.arrivedUtcMs += i;
                archive.enter(QStringLiteral("P"), entry);
            }
        }
        {
            Connection behind(path);
            QCOMPARE(behind.run(QStringLiteral("UPDATE downloads SET raw = X'0000001078DA0102' "
                                               "WHERE id = 2")),
                     QString());
            // The third becomes an old CSV with a PAR no logger gives, imported before such
            // files were refused: whole, but no longer readable.
            const QByteArray csv = QByteArray(CsvExport::samplesHeading)
                + "\r\n2026-03-01T10:00:00,23.4,18.5,61.0,9999\r\n";
            QSqlQuery update(QSqlDatabase::database(behind.name()));
            QVERIFY(update.prepare(QStringLiteral(
                "UPDATE downloads SET raw = ?, raw_kind = ?, sha256 = ? WHERE id = 3")));
            update.addBindValue(qCompress(csv));
            update.addBindValue(int(RawKind::Csv));
            update.addBindValue(downloadHash(csv));
            QVERIFY2(update.exec(), qPrintable(update.lastError().text()));
        }
        const QString rebuiltPath = newPath();
        const RebuildResult result = rebuildArchive(path, rebuiltPath);
        QVERIFY(!result.complete());
        QCOMPARE(result.entered, 1);
        QCOMPARE(result.unread.size(), std::size_t(2));
        QCOMPARE(result.unread.back().id, qint64(3));
        QCOMPARE(result.unread.front().id, qint64(2));
        QCOMPARE(result.unread.front().station, QStringLiteral("P"));
        QCOMPARE(result.unread.front().arrivedUtcMs, qint64(1'700'000'000'001));
        QVERIFY2(result.line().contains(QStringLiteral("descarga 2 de «P»")),
                 qPrintable(result.line()));
        QCOMPARE(StationArchive::openFile(rebuiltPath).downloads().size(), std::size_t(1));
        // A rebuild never goes over a file that is there.
        QVERIFY_THROWS_EXCEPTION(ArchiveError, (void)rebuildArchive(path, rebuiltPath));
    }

    void serverAddressesAreReadAndShownWithoutThePassword()
    {
        const ServerAddress address = parseServerAddress(
            QStringLiteral("postgresql://lab:s3cr%40t@%2Ftmp%2Fpg:55432/archivo"));
        QCOMPARE(address.user, QStringLiteral("lab"));
        QCOMPARE(address.password, QStringLiteral("s3cr@t"));
        QCOMPARE(address.host, QStringLiteral("/tmp/pg"));
        QCOMPARE(address.port, std::optional(55432));
        QCOMPARE(address.database, QStringLiteral("archivo"));
        QCOMPARE(address.shownText(), QStringLiteral("postgresql://lab@%2Ftmp%2Fpg:55432/archivo"));
        // A URL missing its '@' puts the password where the port goes.
        try {
            (void)parseServerAddress(QStringLiteral("postgresql://lab:s3cret/archivo"));
            QFAIL("taken");
        } catch (const ArchiveError &error) {
            QVERIFY2(!error.message().contains(QLatin1String("s3cret")),
                     qPrintable(error.message()));
        }
    }

    void aServerThatCannotBeReachedLeavesTheDownloadsLocal()
    {
        const QString path = newPath();
        QVERIFY(archiveDownload(path, QStringLiteral("P"), entryOf(plainDownload(start, 10)))
                    .succeeded());
        const QString url = QStringLiteral("postgresql://lab:s3cret@%1:5999/archivo")
                                .arg(QString::fromUtf8(QUrl::toPercentEncoding(
                                    m_dir.filePath(QStringLiteral("nowhere")))));
        const SyncResult result = syncArchive(path, url);
        QVERIFY(!result.succeeded());
        QCOMPARE(result.unsent, 1);
        QVERIFY2(result.line().contains(QLatin1String("no se pudo conectar")),
                 qPrintable(result.line()));
        QVERIFY(!result.line().contains(QLatin1String("s3cret")));
        QCOMPARE(StationArchive::openFile(path).unsentCount(), 1);
    }

    void aMissingServerDatabaseIsSaidSo()
    {
        QString why;
        const QString url = serverUrl(why);
        if (url.isEmpty())
            QSKIP(qPrintable(why));
        ServerAddress address = parseServerAddress(url);
        address.database = QStringLiteral("no_such_archive");
        QString message;
        try {
            (void)StationArchive::openServer(address);
        } catch (const ArchiveError &error) {
            message = error.message();
        }
        QVERIFY2(message.contains(QStringLiteral("la base de datos «no_such_archive» no existe")),
                 qPrintable(message));
    }
};

QTEST_MAIN(TestArchiveFiles)
#include "tst_archive_files.moc"
