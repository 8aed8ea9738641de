// Covers several PCs sending to one shared server at once, as the built program runs
// --archive-sync: four programs, each with its own local archive whose downloads overlap the
// others' (the same bytes on two PCs, the same samples in different downloads), leave the
// server with the exact union, every download and every sample once; and a sync that cannot
// reach its server exits with its code and keeps everything local.
#include "app/command_line_options.h"
#include "archive/download_archiving.h"
#include "archive/station_archive.h"
#include "archive_test_support.h"

#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

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

QProcess *startSync(QObject *parent, const QString &archive, const QString &server)
{
    auto *program = new QProcess(parent);
    program->start(QStringLiteral(BRENTAVIUS_PROGRAM_PATH),
                   {QStringLiteral("--archive"), archive, QStringLiteral("--archive-server"),
                    server, QStringLiteral("--archive-sync")});
    return program;
}

} // namespace

class TestArchiveSync : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

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

    void aSyncThatCannotReachItsServerExitsWithItsCodeAndKeepsAll()
    {
        const QString archive = m_dir.filePath(QStringLiteral("offline.sqlite"));
        QVERIFY(archiveDownload(archive, QStringLiteral("Parcela 3"),
                                {download(0), RawKind::DownloadText, 0, std::nullopt, std::nullopt})
                    .succeeded());
        const QString nowhere =
            QString::fromUtf8(QUrl::toPercentEncoding(m_dir.filePath(QStringLiteral("no-server"))));
        QProcess *program = startSync(
            this, archive, QStringLiteral("postgresql://lab:s3cret@%1/archivo").arg(nowhere));
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
