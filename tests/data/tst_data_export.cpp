// Covers the pure code behind the data window's menu: reading a saved data file back, the CSV
// text, the writer every save goes through (which never goes over the station archive in use,
// and replaces a file only whole when its bytes come in parts), and the daily summary's figures.
#include "data/csv_export.h"
#include "data/daily_summary.h"
#include "data/saved_file.h"
#include "data/text_export.h"
#include "runtime/archive_files.h"
#include "runtime/in_out_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray heading = "FECHA          HORA     CH1   CH2   CH3   CH4\r\n\r\n";

QByteArray sampleLine(const char *date, const char *time,
                      const QByteArray &values = "23,5    -0,5    50,0    0")
{
    return QByteArray(date) + "  " + time + "   " + values + "  \r\n";
}

} // namespace

class TestDataExport : public QObject
{
    Q_OBJECT

private slots:
    void aSavedFileReadsBackWithItsStep()
    {
        QFile file(QFINDTESTDATA("expected/three_samples.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const SavedRecording recording = readSavedFile(file.readAll());
        QCOMPARE(recording.stepMinutes, 1);
        QCOMPARE(int(recording.rows.size()), 3);
        QCOMPARE(recording.rows[1].date, QStringLiteral("01/01/2009"));
        QCOMPARE(recording.rows[1].time, QStringLiteral("00:00:30"));
        QCOMPARE(recording.rows[1].values[1], QStringLiteral("-50,0"));
        QCOMPARE(recording.rows[2].values[3], QStringLiteral("1234"));

        // Line ends and trailing blanks that an editor changed do not matter.
        QByteArray edited = heading + sampleLine("28/02/2028", "23:45:07")
            + sampleLine("29/02/2028", "00:00:07");
        edited.replace("  \r\n", "\n");
        QCOMPARE(readSavedFile(edited).stepMinutes, 15);
        QCOMPARE(int(readSavedFile(heading).rows.size()), 0);
        // So does the one blank line that an editor may leave at the end.
        QCOMPARE(int(readSavedFile(edited + "\n").rows.size()), 2);
        QCOMPARE(int(readSavedFile(heading + "\r\n").rows.size()), 0);
    }

    void aFileThatIsNoSavedFileNamesTheLine_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        const QByteArray first = sampleLine("31/12/2008", "23:45:30");
        const QByteArray second = sampleLine("01/01/2009", "00:00:30");
        QTest::newRow("another heading") << QByteArray("fecha;hora;ch1\r\n\r\n" + first) << 1;
        QTest::newRow("no empty line") << QByteArray(heading.left(47) + first + second) << 2;
        QTest::newRow("a value missing")
            << QByteArray(heading + first + "01/01/2009  00:00:30   23,5  50,0  0\r\n") << 4;
        QTest::newRow("a date that does not exist")
            << QByteArray(heading + first + sampleLine("32/12/2008", "23:45:30")) << 4;
        QTest::newRow("a time that does not exist")
            << QByteArray(heading + sampleLine("31/12/2008", "24:00:30")) << 3;
        QTest::newRow("a bad number")
            << QByteArray(heading + first + sampleLine("01/01/2009", "00:00:30",
                                                       "23,5    -0,5    5O,0    0"))
            << 4;
        QTest::newRow("a NUL in a value")
            << QByteArray(heading + sampleLine("31/12/2008", "23:45:30",
                                               QByteArray("23,5    -0,5    50,0    1\0", 26)))
            << 3;
        // Values that the grid never writes.
        const auto withValues = [&first](const QByteArray &values) {
            return QByteArray(heading + first + sampleLine("01/01/2009", "00:00:30", values));
        };
        QTest::newRow("999,9 ºC") << withValues("999,9    -0,5    50,0    0") << 4;
        QTest::newRow("-0,0") << withValues("23,5    -0,0    50,0    0") << 4;
        QTest::newRow("below -50 ºC") << withValues("-50,1    -0,5    50,0    0") << 4;
        QTest::newRow("humidity above 100") << withValues("23,5    -0,5    100,1    0") << 4;
        QTest::newRow("a leading zero") << withValues("23,5    -0,5    05,0    0") << 4;
        QTest::newRow("PAR with a leading zero") << withValues("23,5    -0,5    50,0    0042") << 4;
        QTest::newRow("PAR past 12 bits") << withValues("23,5    -0,5    50,0    4096") << 4;
        QTest::newRow("two blank lines at the end")
            << QByteArray(heading + first + second + "\r\n\r\n") << 5;
        QTest::newRow("a step that is no rate")
            << QByteArray(heading + first + sampleLine("31/12/2008", "23:52:30")) << 4;
        QTest::newRow("a gap")
            << QByteArray(heading + first + second + sampleLine("01/01/2009", "00:30:30")) << 5;
        QTest::newRow("the seconds change")
            << QByteArray(heading + first + second + sampleLine("01/01/2009", "00:15:31")) << 5;
    }

    void aFileThatIsNoSavedFileNamesTheLine()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        try {
            (void)readSavedFile(text);
            QFAIL("the file was taken");
        } catch (const DataError &error) {
            QVERIFY2(error.message().contains(QStringLiteral("la línea %1 ").arg(line)),
                     qPrintable(error.message()));
            QVERIFY(!error.message().contains(QChar(0)));
        }
    }

    void aFileThatIsNoFileIsRefusedByName_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        QTest::newRow("a FIFO") << "fifo" << QStringLiteral("es una tubería (FIFO)");
        QTest::newRow("a link to a device") << "device" << QStringLiteral("es un dispositivo");
        QTest::newRow("a folder") << "folder" << QStringLiteral("es una carpeta");
        QTest::newRow("nothing") << "missing" << QStringLiteral("no existe");
    }

    void aFileThatIsNoFileIsRefusedByName()
    {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("datos.txt"));
        if (kind == QLatin1String("fifo"))
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == QLatin1String("device"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("datos.txt")));
        // No writer ever opens the FIFO: a reader that waited for one would never return.
        try {
            (void)readSavedFileBytes(path);
            QFAIL("the file was read");
        } catch (const DataError &error) {
            QVERIFY2(error.message().startsWith(
                         QStringLiteral("No se puede abrir «%1»: %2").arg(path, why)),
                     qPrintable(error.message()));
        }
    }

    void csvHasIsoTimestampsAndDecimalPoints()
    {
        const QStringList cells[] = {{"29/02/2028", "00:00:07", "-0,5", "17,0", "100,0", "4095"},
                                     {"", "", "1,0", "2,0", "3,0", "4"}};
        const QByteArray text = CsvExport::samplesText(2, [&cells](int column, int row) {
            return cells[row - 1][column - 1];
        });
        QCOMPARE(text,
                 QByteArray("timestamp,ch1_air_temp_C,ch2_soil_temp_C,ch3_rh_pct,ch4_par_umol_m2_s\r\n"
                            "2028-02-29T00:00:07,-0.5,17.0,100.0,4095\r\n"
                            ",1.0,2.0,3.0,4\r\n"));
        QCOMPARE(CsvExport::record({"a,b", "say \"hi\"", "x"}),
                 QByteArray("\"a,b\",\"say \"\"hi\"\"\",x\r\n"));
    }

    void theWriterLeavesWhatIsNoFileAsItWas_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("said");
        QTest::newRow("a FIFO") << "fifo" << "es una tubería (FIFO)";
        QTest::newRow("a link to a FIFO") << "enlace" << "es un enlace a una tubería (FIFO)";
        QTest::newRow("a device") << "dispositivo" << "es un dispositivo";
        QTest::newRow("a socket") << "socket" << "es un socket";
    }

    void theWriterLeavesWhatIsNoFileAsItWas()
    {
        QFETCH(QString, name);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
        if (name == QLatin1String("enlace")) {
            QCOMPARE(::symlink("fifo", path.constData()), 0);
        } else if (name == QLatin1String("dispositivo")) {
            // The memory device's numbers, in a node of the test's own.
            if (::mknod(path.constData(), S_IFCHR | 0600, makedev(1, 5)) != 0)
                QSKIP("no device node can be made here");
        } else if (name == QLatin1String("socket")) {
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            QVERIFY(std::size_t(path.size()) < sizeof address.sun_path);
            std::copy(path.begin(), path.end(), address.sun_path);
            const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QVERIFY(listener >= 0);
            const int bound =
                ::bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address);
            ::close(listener);
            QCOMPARE(bound, 0);
        }
        struct stat before
        {
        };
        QCOMPARE(::lstat(path.constData(), &before), 0);
        const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System
                                                               | QDir::NoDotAndDotDot);

        try {
            TextExport::writeFile(dir.filePath(name), "FECHA\r\n");
            QFAIL("written");
        } catch (const EInOutError &error) {
            QCOMPARE(error.message(), QStringLiteral("No se guarda en %1: %2, no un archivo.")
                                          .arg(dir.filePath(name), said));
        }
        struct stat after
        {
        };
        QCOMPARE(::lstat(path.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System
                                            | QDir::NoDotAndDotDot),
                 entries);
    }

    void aFileWrittenInPartsReplacesTheOldOneOnlyWhole_data()
    {
        QTest::addColumn<bool>("failing");
        QTest::newRow("every part made") << false;
        QTest::newRow("a failure after the first part") << true;
    }

    void aFileWrittenInPartsReplacesTheOldOneOnlyWhole()
    {
        QFETCH(bool, failing);
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("registro.csv"));
        {
            QFile old(name);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("viejo\r\n");
        }
        bool thrown = false;
        try {
            TextExport::writeFileInParts(name, [failing](const TextExport::PartSink &sink) {
                sink(QByteArray(300'000, 'a'));
                if (failing)
                    throw std::runtime_error("the archive is damaged");
                sink("b\r\n");
            });
        } catch (const std::runtime_error &) {
            thrown = true;
        }
        QCOMPARE(thrown, failing);
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 failing ? QByteArray("viejo\r\n") : QByteArray(300'000, 'a') + "b\r\n");
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList {QStringLiteral("registro.csv")});
    }

    void noSaveGoesOverTheArchiveInUse_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("the archive") << "estaciones.sqlite";
        QTest::newRow("a link to it") << "enlace.txt";
        QTest::newRow("its write-ahead log") << "estaciones.sqlite-wal";
        QTest::newRow("another spelling of it") << "./estaciones.sqlite";
    }

    void noSaveGoesOverTheArchiveInUse()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString archive = dir.filePath(QStringLiteral("estaciones.sqlite"));
        for (const QString &file : {archive, archive + QStringLiteral("-wal")}) {
            QFile made(file);
            QVERIFY(made.open(QIODevice::WriteOnly));
            made.write("SQLite format 3");
        }
        QVERIFY(QFile::link(archive, dir.filePath(QStringLiteral("enlace.txt"))));
        ArchiveFiles::noteInUse(archive);
        try {
            TextExport::writeFile(dir.filePath(name), "FECHA\r\n");
            QFAIL("written");
        } catch (const EInOutError &error) {
            QVERIFY2(error.message().contains(
                         QStringLiteral("es el archivo de estaciones %1").arg(archive)),
                     qPrintable(error.message()));
        }
        QFile kept(dir.filePath(name));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("SQLite format 3"));
        // A name that is not there yet is no archive.
        TextExport::writeFile(dir.filePath(QStringLiteral("estaciones.sqlite-shm")), "FECHA\r\n");
    }

    void dailyMeansRoundExactHalvesAwayFromZero()
    {
        // Air temperatures whose mean is exactly 144.825, soil ones -0.125, PAR 0.25.
        const QDate day(2028, 3, 1);
        std::vector<SummarySample> samples;
        for (const double air : {144.0, 144.0, 145.3, 146.0})
            samples.push_back({day, {air, 0.0, 50.0, 0.0}});
        samples[3].values[1] = -0.5;
        samples[3].values[3] = 1.0;
        const QList<QStringList> screen =
            summaryTable(dailySummary(samples, 60), SummaryTableStyle::Screen);
        QCOMPARE(screen[1].mid(2, 6),
                 (QStringList {"144,0", "144,83", "146,0", "-0,5", "-0,13", "0,0"}));
        QCOMPARE(screen[1][12], QStringLiteral("0,3"));
    }

    void theDailySummaryGivesEachDaysFigures()
    {
        // At 60 minutes: 24 samples make a whole day. Day one is whole, day two has two.
        std::vector<SummarySample> samples;
        const QDate first(2028, 2, 28);
        for (int hour = 0; hour < 24; ++hour)
            samples.push_back({first, {double(hour), -1.5, 50.0, hour < 12 ? 0.0 : 1000.0}});
        samples.push_back({first.addDays(1), {5.0, 2.0, 100.0, 200.0}});
        samples.push_back({first.addDays(1), {6.0, 3.0, 0.0, 300.0}});

        const std::vector<DaySummary> days = dailySummary(samples, 60);
        QCOMPARE(int(days.size()), 2);
        QCOMPARE(days[0].samples, 24);
        QVERIFY(days[0].complete && !days[1].complete);
        QCOMPARE(days[0].channels[0].minimum, 0.0);
        QCOMPARE(days[0].channels[0].mean, 11.5);
        QCOMPARE(days[0].channels[0].maximum, 23.0);
        // 12 hours of 1000 µmol m⁻² s⁻¹: 12 × 3600 × 1000 ÷ 10⁶ = 43.2 mol m⁻².
        QCOMPARE(days[0].parIntegral, 43.2);
        QCOMPARE(days[1].parIntegral, 1.8);

        const QList<QStringList> screen = summaryTable(days, SummaryTableStyle::Screen);
        QCOMPARE(screen[2].mid(0, 8), (QStringList {"29/02/2028", "2", "5,0", "5,50", "6,0",
                                                   "2,0", "2,50", "3,0"}));
        QCOMPARE(screen[1].mid(11, 5), (QStringList {"0", "500,0", "1000", "43,200", "sí"}));
        const QList<QStringList> csv = summaryTable(days, SummaryTableStyle::Csv);
        QCOMPARE(csv[0].first(), QStringLiteral("date"));
        QCOMPARE(csv[2].first(), QStringLiteral("2028-02-29"));
        QCOMPARE(csv[2].last(), QStringLiteral("false"));
    }

    void eachSampleCountsForItsOwnStep()
    {
        // A whole day at 60 minutes of PAR 1443: 1443 × 3600 × 24 ÷ 10⁶ = 124.6752 mol m⁻² d⁻¹.
        // The next day, 90 minutes at 1 minute of PAR 1000: 1000 × 60 × 90 ÷ 10⁶ = 5.4. The
        // third, 12 hours at 60 minutes and 12 at 1 minute: whole, 1443 × 86400 ÷ 10⁶ again.
        const QDate first(2028, 3, 1);
        std::vector<SummarySample> samples;
        for (int hour = 0; hour < 24; ++hour)
            samples.push_back({first, {20.0, 18.0, 50.0, 1443.0}, 60});
        for (int minute = 0; minute < 90; ++minute)
            samples.push_back({first.addDays(1), {20.0, 18.0, 50.0, 1000.0}, 1});
        for (int hour = 0; hour < 12; ++hour)
            samples.push_back({first.addDays(2), {20.0, 18.0, 50.0, 1443.0}, 60});
        for (int minute = 0; minute < 12 * 60; ++minute)
            samples.push_back({first.addDays(2), {20.0, 18.0, 50.0, 1443.0}, 1});
        // One sample short of a whole day at mixed rates.
        samples.pop_back();

        const std::vector<DaySummary> days = dailySummary(samples);
        QCOMPARE(int(days.size()), 3);
        QCOMPARE(days[0].parIntegral, 124.6752);
        QVERIFY(days[0].complete);
        QCOMPARE(days[1].parIntegral, 5.4);
        QVERIFY(!days[1].complete);
        QVERIFY(!days[2].complete);
        samples.push_back({first.addDays(2), {20.0, 18.0, 50.0, 1443.0}, 1});
        QVERIFY(dailySummary(samples)[2].complete);
        QCOMPARE(dailySummary(samples)[2].parIntegral, 124.6752);
        QCOMPARE(summaryTable(days, SummaryTableStyle::Screen)[1].mid(14),
                 (QStringList {"124,675", "sí"}));
    }

    void aSampleOfUnknownStepTakesItsNeighboursAndTheTitleSaysSo()
    {
        const SummarySteps steps = summarySteps(
            {{0, std::nullopt}, {60, 1}, {120, std::nullopt}, {3720, 60}, {7320, std::nullopt}});
        QCOMPARE(steps.minutes, (std::vector<int> {1, 1, 1, 60, 60}));
        QCOMPARE(assumedStepsText(steps),
                 QStringLiteral(" (3 muestras de tasa desconocida cuentan con la de su vecina)"));
        QCOMPARE(assumedStepsText(summarySteps({{0, 1}, {60, 1}})), QString());
        QVERIFY(summarySteps({{0, std::nullopt}}).minutes.empty());
        QCOMPARE(stepsText({1}), QStringLiteral("cada 1 minuto"));
    }
};

QTEST_GUILESS_MAIN(TestDataExport)
#include "tst_data_export.moc"
