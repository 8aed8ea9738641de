// Covers several PCs sending to one shared server at once, as the built program runs
// --archive-sync: four programs, each with its own local archive whose downloads overlap the
// others' (the same bytes on two PCs, the same samples in different downloads), leave the
// server with the exact union, every download and every sample once; a sync that cannot
// reach its server exits with its code and keeps everything local; a damaged local download
// skipped while the others go, and so one whose kept file no longer reads; one station spelled
// otherwise by two PCs kept as one on the server; a lock held on the server waited for only so
// long; a quit signal during a wait on the server, and a server gone mid-sync, each said in one
// line.
#include "app/command_line_options.h"
#include "archive/archive_error.h"
#include "archive/archive_sync.h"
#include "archive/download_archiving.h"
#include "archive/station_archive.h"
#include "archive_test_support.h"
#include "data/csv_export.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>

using namespace ArchiveTest;

namespace {

constexpr int boundMs = 60000;
const QDateTime start(QDate(2026, 3, 1), QTime(10, 0, 7), Qt::UTC);
constexpr int downloadSamples = 600;
constexpr int overlap = 300;
constexpr int pcs = 4;
constexpr int downloadsInAll = 8;

/// Download k: 600 samples from step 300 k, so that each overlaps the next by half.
QByteArray download(int k)
{
    return plainDownload(start.addSecs(qint64(900) * overlap * k), downloadSamples);
}

QProcess *startSync(QObject *parent, const QString &archive, const QString &server,
                    const QStringList &environment = {})
{
    auto *program = new QProcess(parent);
    QProcessEnvironment settings = QProcessEnvironment::systemEnvironment();
    for (const QString &variable : environment)
        settings.insert(variable.section(QLatin1Char('='), 0, 0),
                        variable.section(QLatin1Char('='), 1));
    program->setProcessEnvironment(settings);
    QStringList arguments {QStringLiteral("--archive"), archive};
    if (!server.isEmpty())
        arguments << QStringLiteral("--archive-server") << server;
    program->start(QStringLiteral(BRENTAVIUS_PROGRAM_PATH),
                   arguments << QStringLiteral("--archive-sync"));
    return program;
}

/// Whether a client of `database` waits for a lock there.
bool waitsForALock(Connection &check, const QString &database)
{
    return check.number(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = "
                                       "'%1' AND wait_event_type = 'Lock'")
                            .arg(database))
        > 0;
}

/// A server table that another client holds locked for as long as it lives.
class HeldLock
{
public:
    HeldLock(const ServerAddress &address, const QString &table)
        : m_connection(address, address.database)
    {
        m_error = m_connection.run(QStringLiteral("BEGIN"));
        if (m_error.isEmpty())
            m_error = m_connection.run(
                QStringLiteral("LOCK TABLE %1 IN ACCESS EXCLUSIVE MODE").arg(table));
    }
    ~HeldLock() { m_connection.run(QStringLiteral("ROLLBACK")); }
    [[nodiscard]] const QString &error() const { return m_error; }

private:
    Connection m_connection;
    QString m_error;
};

} // namespace

class TestArchiveSync : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    /// A local archive `name` in the test's folder holding download 0, not sent.
    QString archiveOfOne(const QString &name)
    {
        const QString archive = m_dir.filePath(name);
        if (!archiveDownload(archive, QStringLiteral("Parcela 3"),
                             {download(0), RawKind::DownloadText, 0, std::nullopt, std::nullopt})
                 .succeeded())
            return {};
        return archive;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        keepServerPasswordsIn(m_dir.path());
    }

    void fourPcsSyncingAtOnceLeaveTheExactUnion()
    {
        QString why;
        const QString url = serverUrl(why);
        if (url.isEmpty())
            QSKIP(qPrintable(why));
        ServerDatabase server(url, QStringLiteral("archive_sync"));
        QVERIFY2(server.error().isEmpty(), qPrintable(server.error()));

        // PC i holds downloads i, i+1, i+2 and i+4: each download is on two PCs or more.
        QStringList archives;
        for (int pc = 0; pc < pcs; ++pc) {
            archives << m_dir.filePath(QStringLiteral("pc%1.sqlite").arg(pc));
            for (const int k : {pc, pc + 1, pc + 2, pc + 4})
                QVERIFY(archiveDownload(archives.last(), QStringLiteral("Parcela 3"),
                                        {download(k % downloadsInAll), RawKind::DownloadText,
                                         1'700'000'000'000 + k, std::nullopt, std::nullopt})
                            .succeeded());
        }
        QList<QProcess *> programs;
        for (const QString &archive : archives)
            programs << startSync(this, archive, server.url());
        for (QProcess *program : programs) {
            QVERIFY(program->waitForFinished(boundMs));
            QVERIFY2(program->exitCode() == CommandLine::Ok,
                     program->readAllStandardError().constData());
        }

        Connection check(server.address(), server.address().database);
        QCOMPARE(check.number(QStringLiteral("SELECT COUNT(*) FROM downloads")), downloadsInAll);
        const qint64 distinct = overlap * (downloadsInAll - 1) + downloadSamples;
        QCOMPARE(check.number(QStringLiteral("SELECT COUNT(*) FROM samples")), distinct);
        QCOMPARE(check.number(QStringLiteral("SELECT COUNT(*) FROM conflicts")), 0);
        QCOMPARE(check.number(QStringLiteral("SELECT COUNT(*) FROM stations")), 1);
        StationArchive shared = StationArchive::openServer(server.address());
        const std::vector<ArchivedSample> record = shared.samples(QStringLiteral("Parcela 3"));
        QCOMPARE(qint64(record.size()), distinct);
        for (std::size_t i = 0; i < record.size(); ++i) {
            QCOMPARE(record[i].t, start.toSecsSinceEpoch() + qint64(i) * 900);
            const std::array<int, 4> readings = plainReadings(start, int(i));
            QCOMPARE(record[i].values[3], readings[3]);
        }
        // Everything sent is marked so; a second round sends nothing.
        for (const QString &archive : archives)
            QCOMPARE(StationArchive::openFile(archive).unsentCount(), 0);
        QProcess *again = startSync(this, archives.first(), server.url());
        QVERIFY(again->waitForFinished(boundMs));
        QCOMPARE(again->exitCode(), int(CommandLine::Ok));
        QCOMPARE(check.number(QStringLiteral("SELECT COUNT(*) FROM downloads")), downloadsInAll);
    }

    void aDamagedDownloadIsNamedAndTheOthersAreSent_data()
    {
        QTest::addColumn<bool>("unreadable");
        QTest::addColumn<QString>("why");
        QTest::addColumn<QString>("advice");
        QTest::newRow("its text cut short")
            << false << QStringLiteral("está dañada") << QStringLiteral("reconstruya el archivo");
        QTest::newRow("a file no logger gives")
            << true << QStringLiteral("no se lee: ") << QStringLiteral("quítela del archivo local");
    }

    void aDamagedDownloadIsNamedAndTheOthersAreSent()
    {
        QFETCH(bool, unreadable);
        QFETCH(QString, why);
        QFETCH(QString, advice);
        QString noServer;
        const QString url = serverUrl(noServer);
        if (url.isEmpty())
            QSKIP(qPrintable(noServer));
        const QString name = unreadable ? QStringLiteral("unreadable") : QStringLiteral("damaged");
        ServerDatabase server(url, QStringLiteral("archive_") + name);
        QVERIFY2(server.error().isEmpty(), qPrintable(server.error()));
        const QString archive = m_dir.filePath(name + QStringLiteral(".sqlite"));
        const auto enter = [&archive](const QByteArray &raw, RawKind kind) {
            return archiveDownload(archive, QStringLiteral("Parcela 3"),
                                   {raw, kind, 0, std::nullopt, std::nullopt})
                .succeeded();
        };
        QVERIFY(enter(download(0), RawKind::DownloadText));
        // The second download: one more, or a CSV of the first imported before old files were
        // held to what a logger gives.
        QByteArray csv = StationArchive::openFile(archive).csvText(QStringLiteral("Parcela 3"));
        QVERIFY(unreadable ? enter(csv, RawKind::Csv) : enter(download(2), RawKind::DownloadText));
        QVERIFY(enter(download(1), RawKind::DownloadText));
        {
            Connection local(archive);
            QSqlQuery update(QSqlDatabase::database(local.name()));
            if (unreadable) {
                // Its first row with a PAR of 9999, and its SHA-256 to match.
                const qsizetype rowEnd = csv.indexOf("\r\n", csv.indexOf("\r\n") + 2);
                const qsizetype par = csv.lastIndexOf(',', rowEnd) + 1;
                csv.replace(par, rowEnd - par, "9999");
                QVERIFY(update.prepare(
                    QStringLiteral("UPDATE downloads SET raw = ?, sha256 = ? WHERE id = 2")));
                update.addBindValue(qCompress(csv));
                update.addBindValue(downloadHash(csv));
            } else {
                // Its kept text cut short, as a bad sector would.
                QVERIFY(update.prepare(QStringLiteral(
                    "UPDATE downloads SET raw = substr(raw, 1, length(raw) / 2) WHERE id = 2")));
            }
            QVERIFY2(update.exec() && update.numRowsAffected() == 1,
                     qPrintable(update.lastError().text()));
        }
        QProcess *program = startSync(this, archive, server.url());
        QVERIFY(program->waitForFinished(boundMs));
        const QString errors = QString::fromLocal8Bit(program->readAllStandardError());
        QCOMPARE(program->exitCode(), int(CommandLine::DamagedNotSent));
        const QStringList lines = errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].startsWith(QStringLiteral("brentavius4: la descarga 2 de «Parcela 3» no "
                                                    "se envió: ")),
                 qPrintable(errors));
        QVERIFY2(lines[0].contains(why), qPrintable(errors));
        QVERIFY2(lines[1].contains(QStringLiteral("2 descargas enviadas")), qPrintable(errors));
        QVERIFY2(lines[1].endsWith(advice), qPrintable(errors));
        Connection check(server.address(), server.address().database);
        QCOMPARE(check.number(QStringLiteral("SELECT COUNT(*) FROM downloads")), 2);
        QCOMPARE(StationArchive::openFile(archive).unsentCount(), 1);
    }

    void oneStationSpelledOtherwiseByTwoPcsStaysOne()
    {
        QString why;
        const QString url = serverUrl(why);
        if (url.isEmpty())
            QSKIP(qPrintable(why));
        ServerDatabase server(url, QStringLiteral("archive_spelling"));
        QVERIFY2(server.error().isEmpty(), qPrintable(server.error()));
        const QString first = archiveOfOne(QStringLiteral("spelled.sqlite"));
        QVERIFY(!first.isEmpty());
        const QString second = m_dir.filePath(QStringLiteral("spelled-otherwise.sqlite"));
        for (const int k : {1, 2})
            QVERIFY(
                archiveDownload(second, QStringLiteral("parcela 3"),
                                {download(k), RawKind::DownloadText, 0, std::nullopt, std::nullopt})
                    .succeeded());
        QVERIFY(syncArchive(first, server.url()).succeeded());
        const SyncResult result = syncArchive(second, server.url());
        QVERIFY2(result.succeeded(), qPrintable(result.line()));
        QCOMPARE(result.sent, 2);
        QCOMPARE(result.line().count(QStringLiteral("«parcela 3» se envió como «Parcela 3», como "
                                                    "la llama el archivo compartido")),
                 1);
        StationArchive shared = StationArchive::openServer(server.address());
        QCOMPARE(shared.stationNames(), QStringList {QStringLiteral("Parcela 3")});
        QCOMPARE(int(shared.downloads(QStringLiteral("Parcela 3")).size()), 3);
        QCOMPARE(StationArchive::openFile(second).unsentCount(), 0);
    }

    void aLockHeldOnTheServerIsWaitedForOnlySoLong()
    {
        QString why;
        const QString url = serverUrl(why);
        if (url.isEmpty())
            QSKIP(qPrintable(why));
        ServerDatabase server(url, QStringLiteral("archive_locked"));
        QVERIFY2(server.error().isEmpty(), qPrintable(server.error()));
        (void)StationArchive::openServer(server.address());
        const QString archive = archiveOfOne(QStringLiteral("locked.sqlite"));
        QVERIFY(!archive.isEmpty());
        const HeldLock lock(server.address(), QStringLiteral("downloads"));
        QVERIFY2(lock.error().isEmpty(), qPrintable(lock.error()));
        QProcess *program = startSync(this, archive, server.url(),
                                      {QStringLiteral("BRENTAVIUS_SERVER_LOCK_TIMEOUT=1")});
        QVERIFY(program->waitForFinished(boundMs));
        const QString errors = QString::fromLocal8Bit(program->readAllStandardError());
        QCOMPARE(program->exitCode(), int(CommandLine::SyncFailed));
        QCOMPARE(errors,
                 QStringLiteral("brentavius4: No se pudo sincronizar: el servidor %1 tuvo "
                                "bloqueado el archivo más de 1 s; nada se cambió, pruebe más "
                                "tarde. 1 descarga queda en el archivo local, sin enviar\n")
                     .arg(server.url()));
        QCOMPARE(StationArchive::openFile(archive).unsentCount(), 1);
    }

    void aQuitSignalEndsASyncWaitingOnTheServer_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("Ctrl-C") << SIGINT;
        QTest::newRow("kill") << SIGTERM;
        QTest::newRow("its terminal closed") << SIGHUP;
    }

    void aQuitSignalEndsASyncWaitingOnTheServer()
    {
        QFETCH(int, signalNumber);
        QString why;
        const QString url = serverUrl(why);
        if (url.isEmpty())
            QSKIP(qPrintable(why));
        ServerDatabase server(url, QStringLiteral("archive_quit"));
        QVERIFY2(server.error().isEmpty(), qPrintable(server.error()));
        (void)StationArchive::openServer(server.address());
        const QString archive = archiveOfOne(QStringLiteral("quit%1.sqlite").arg(signalNumber));
        QVERIFY(!archive.isEmpty());
        Connection check(server.address(), server.address().database);
        QProcess *program = nullptr;
        {
            const HeldLock lock(server.address(), QStringLiteral("downloads"));
            QVERIFY2(lock.error().isEmpty(), qPrintable(lock.error()));
            // The program's own bound (30 s) is longer than this test waits for it.
            program = startSync(this, archive, server.url());
            QTRY_VERIFY_WITH_TIMEOUT(waitsForALock(check, server.address().database), boundMs);
            QCOMPARE(::kill(pid_t(program->processId()), signalNumber), 0);
            QVERIFY(program->waitForFinished(boundMs / 4));
        }
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(QString::fromLocal8Bit(program->readAllStandardError()),
                 QStringLiteral("brentavius4: interrumpido\n"));
        QCOMPARE(program->exitCode(), 128 + signalNumber);
        QCOMPARE(check.number(QStringLiteral("SELECT COUNT(*) FROM downloads")), 0);
        QCOMPARE(StationArchive::openFile(archive).unsentCount(), 1);
    }

    void aServerGoneMidSyncIsSaidInOneLine()
    {
        QString why;
        const QString url = serverUrl(why);
        if (url.isEmpty())
            QSKIP(qPrintable(why));
        ServerDatabase server(url, QStringLiteral("archive_gone"));
        QVERIFY2(server.error().isEmpty(), qPrintable(server.error()));
        (void)StationArchive::openServer(server.address());
        const QString archive = archiveOfOne(QStringLiteral("gone.sqlite"));
        QVERIFY(!archive.isEmpty());
        Connection check(server.address(), server.address().database);
        const HeldLock lock(server.address(), QStringLiteral("downloads"));
        QVERIFY2(lock.error().isEmpty(), qPrintable(lock.error()));
        QProcess *program = startSync(this, archive, server.url());
        QTRY_VERIFY_WITH_TIMEOUT(waitsForALock(check, server.address().database), boundMs);
        // The server ends the program's session, as it does when it shuts down.
        QCOMPARE(check.number(QStringLiteral("SELECT COUNT(pg_terminate_backend(pid)) FROM "
                                             "pg_stat_activity WHERE datname = '%1' AND "
                                             "wait_event_type = 'Lock'")
                                  .arg(server.address().database)),
                 1);
        QVERIFY(program->waitForFinished(boundMs));
        const QString errors = QString::fromLocal8Bit(program->readAllStandardError());
        QCOMPARE(program->exitCode(), int(CommandLine::SyncFailed));
        QCOMPARE(errors.count(QLatin1Char('\n')), 1);
        QVERIFY2(errors.startsWith(QStringLiteral("brentavius4: No se pudo sincronizar: ")),
                 qPrintable(errors));
        QVERIFY2(errors.endsWith(QStringLiteral("1 descarga queda en el archivo local, sin "
                                                "enviar\n")),
                 qPrintable(errors));
    }

    void aLabRoleOwningItsDatabaseSyncsWithThePasswordKeptApart()
    {
        QString why;
        const QString url = serverUrl(why);
        if (url.isEmpty())
            QSKIP(qPrintable(why));
        ServerDatabase server(url, QStringLiteral("archive_roles"));
        QVERIFY2(server.error().isEmpty(), qPrintable(server.error()));
        const qint64 pid = QCoreApplication::applicationPid();
        const QString lab = QStringLiteral("lab_%1").arg(pid);
        const QString reader = QStringLiteral("reader_%1").arg(pid);
        ServerAddress labAddress = server.address();
        labAddress.user = lab;
        {
            // What the README has the lab's administrator run; the lab's role logs in with its
            // password (scripts/with-postgres asks one of password_users).
            Connection admin(server.address(), server.address().database);
            for (const QString &sql :
                 {QStringLiteral("DROP ROLE IF EXISTS %1").arg(lab),
                  QStringLiteral("DROP ROLE IF EXISTS %1").arg(reader),
                  QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'clave de lab' IN ROLE "
                                 "password_users")
                      .arg(lab),
                  QStringLiteral("ALTER DATABASE %1 OWNER TO %2")
                      .arg(server.address().database, lab),
                  QStringLiteral("CREATE ROLE %1 LOGIN").arg(reader),
                  QStringLiteral("GRANT CONNECT ON DATABASE %1 TO %2")
                      .arg(server.address().database, reader),
                  QStringLiteral("GRANT USAGE ON SCHEMA public TO %1").arg(reader)})
                QCOMPARE(admin.run(sql), QString());
        }
        const auto dropRoles = qScopeGuard([&] {
            Connection admin(server.address(), server.address().database);
            admin.run(QStringLiteral("ALTER DATABASE %1 OWNER TO CURRENT_USER")
                          .arg(server.address().database));
            admin.run(QStringLiteral("DROP OWNED BY %1, %2 CASCADE").arg(lab, reader));
            admin.run(QStringLiteral("DROP ROLE IF EXISTS %1, %2").arg(lab, reader));
        });

        // An archive of an earlier version, whose kept URL holds the password.
        const QString archive = archiveOfOne(QStringLiteral("roles.sqlite"));
        QVERIFY(!archive.isEmpty());
        labAddress.password = QStringLiteral("clave de lab");
        QCOMPARE(keepUrlAsBefore(archive, labAddress.textWithPassword()), QString());
        const QString config = m_dir.filePath(QStringLiteral("config-lab"));
        QProcess *program =
            startSync(this, archive, QString(), {QStringLiteral("XDG_CONFIG_HOME=") + config});
        QVERIFY(program->waitForFinished(boundMs));
        QVERIFY2(program->exitCode() == CommandLine::Ok,
                 program->readAllStandardError().constData());
        // The password left the archive for a file of the user's alone.
        QCOMPARE(StationArchive::openFile(archive).serverUrl(), labAddress.shownText());
        QFile file(archive);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("clave de lab"));
        const QString kept = config + QStringLiteral("/BRENTAVIUS4/claves-servidores");
        QCOMPARE(QFile(kept).permissions(),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        // The lab's role made the tables and holds the download.
        Connection check(server.address(), server.address().database);
        QCOMPARE(check.number(QStringLiteral("SELECT COUNT(*) FROM downloads")), 1);
        QCOMPARE(check.number(QStringLiteral("SELECT COUNT(*) FROM pg_tables WHERE tablename = "
                                             "'downloads' AND tableowner = '%1'")
                                  .arg(lab)),
                 1);
        // Without that file the server refuses the same sync: the password came from it.
        QVERIFY(archiveDownload(archive, QStringLiteral("Parcela 3"),
                                {download(1), RawKind::DownloadText, 0, std::nullopt, std::nullopt})
                    .succeeded());
        program = startSync(this, archive, QString(),
                            {QStringLiteral("XDG_CONFIG_HOME=") + m_dir.filePath("config-none")});
        QVERIFY(program->waitForFinished(boundMs));
        QCOMPARE(program->exitCode(), int(CommandLine::SyncFailed));
        QVERIFY(QString::fromLocal8Bit(program->readAllStandardError())
                    .contains(QStringLiteral("no aceptó el usuario o la contraseña")));

        // A role that may only read lists and exports, and may not write.
        QCOMPARE(
            check.run(
                QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA public TO %1").arg(reader)),
            QString());
        ServerAddress readerAddress = server.address();
        readerAddress.user = reader;
        StationArchive shared = StationArchive::openServer(readerAddress);
        QCOMPARE(shared.stationNames(), QStringList {QStringLiteral("Parcela 3")});
        QCOMPARE(qint64(shared.samples(QStringLiteral("Parcela 3")).size()),
                 qint64(downloadSamples));
        QVERIFY_THROWS_EXCEPTION(
            ArchiveError,
            shared.enter(QStringLiteral("Parcela 3"),
                         {download(1), RawKind::DownloadText, 0, std::nullopt, std::nullopt}));
    }

    void aSyncThatCannotReachItsServerExitsWithItsCodeAndKeepsAll()
    {
        const QString archive = archiveOfOne(QStringLiteral("offline.sqlite"));
        QVERIFY(!archive.isEmpty());
        const QString nowhere =
            QString::fromUtf8(QUrl::toPercentEncoding(m_dir.filePath(QStringLiteral("no-server"))));
        // Kept in the archive with its password, as the window program once kept it: a URL
        // with one on the command line is refused.
        StationArchive::openFile(archive).setServerUrl(
            QStringLiteral("postgresql://lab:s3cret@%1/archivo").arg(nowhere));
        QProcess *program = startSync(this, archive, QString());
        QVERIFY(program->waitForFinished(boundMs));
        QCOMPARE(program->exitCode(), int(CommandLine::SyncFailed));
        const QString errors = QString::fromLocal8Bit(program->readAllStandardError());
        QVERIFY2(errors.contains(QLatin1String("1 descarga queda en el archivo local, sin enviar")),
                 qPrintable(errors));
        QVERIFY(!errors.contains(QLatin1String("s3cret")));
        QCOMPARE(StationArchive::openFile(archive).unsentCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestArchiveSync)
#include "tst_archive_sync.moc"
