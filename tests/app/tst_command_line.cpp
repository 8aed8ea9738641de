// Covers the command line run as a user runs it, the built program as a child process: a
// clean download saved byte for byte as "GUARDAR" saves it, the clock set only after it, and
// each failure with its exit code and message (bad arguments, no such port, a port another
// program holds, a logger that never answers, a download without its end marker, a damaged
// download, a file that cannot be written, an output that is no file, found before the port
// opens), a download stopped by a signal, after which the next run has the port, the
// option table: ours, Qt's, or refused before any window or display, and a download archived
// under its station and exported again (an archive that cannot take it refused before the port
// opens, one locked by another program until after the download leaving the file saved and
// the clock alone), and old files imported, then exported as one record; a station name that is
// blank, too long or like an archived station's refused as a bad argument before anything.
#include "app/command_line_options.h"
#include "archive/station_archive.h"
#include "download_text.h"
#include "look_alike_names.h"
#include "pty_pair.h"
#include "saved_by_the_window.h"
#include "simulated_logger.h"
#include "simulator_process.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr int boundMs = SimProcess::boundMs;
constexpr int samples = 40;
const QDateTime recordingStart(QDate(2026, 3, 1), QTime(10, 0, 7), Qt::UTC);

/// One run of the program: its exit code and what it wrote on standard error.
struct Run
{
    int exitCode = -1;
    QString errors;
};

/// An ordinary user's ids, for runs where the superuser would be allowed anything.
constexpr uid_t nobody = 65534;

/// Starts the program as a cron job would: no display, no terminal, a bare environment; or,
/// with `display`, where windows could open (offscreen); with `ordinaryUser`, never as the
/// superuser.
void startProgram(QProcess &program, const QStringList &arguments, bool display = false,
                  bool ordinaryUser = false)
{
    if (ordinaryUser && geteuid() == 0)
        program.setChildProcessModifier([] {
            if (setgid(nobody) != 0 || setuid(nobody) != 0)
                _exit(127);
        });
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    if (display)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.setStandardInputFile(QProcess::nullDevice());
    program.start(QStringLiteral(BRENTAVIUS_PROGRAM_PATH), arguments);
}

Run finishProgram(QProcess &program)
{
    if (!program.waitForFinished(4 * boundMs)) {
        program.kill();
        program.waitForFinished();
        return {};
    }
    return {program.exitCode(), QString::fromLocal8Bit(program.readAllStandardError())};
}

Run runProgram(const QStringList &arguments, bool display = false, bool ordinaryUser = false)
{
    QProcess program;
    startProgram(program, arguments, display, ordinaryUser);
    return finishProgram(program);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

/// A status frame reporting `stored` samples: the logger's clock, battery, rate 15 minutes,
/// four channels, then the memory pointer 15 + 8 per sample.
QByteArray statusFrame(int stored)
{
    const int pointer = 15 + 8 * stored;
    const auto threeDigits = [](int value) {
        return QByteArray::number(value).rightJustified(3, '0');
    };
    return "3014061226052090402223020000706804210" + threeDigits(pointer / 256)
        + threeDigits(pointer % 256) + "x";
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SimProcess> m_sim;
    int m_run = 0;

    /// A simulated logger holding `samples` samples from recordingStart, fast.
    void startSimulator(const QStringList &extra = {})
    {
        m_sim = std::make_unique<SimProcess>(
            QStringList {
                QStringLiteral("--name"),
                QStringLiteral("cli-%1-%2").arg(QCoreApplication::applicationPid()).arg(++m_run),
                QStringLiteral("--frame-interval"), QStringLiteral("250"),
                QStringLiteral("--samples"), QString::number(samples), QStringLiteral("--start"),
                recordingStart.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")),
                QStringLiteral("--pace"), QStringLiteral("fast")}
            + extra);
        QVERIFY(m_sim->waitUntilServing());
    }

    /// The commands the simulator has logged so far: all that it took before the program
    /// ended, since the program waits for its answers.
    QStringList commandsTaken()
    {
        while (m_sim->process().waitForReadyRead(0)) { }
        return m_sim->lines().filter(QRegularExpression("^command "));
    }

    /// The file "GUARDAR" writes once the data window has shown `downloadText`.
    QByteArray savedByTheWindow(const QByteArray &downloadText)
    {
        return ::savedByTheWindow(downloadText, m_dir->filePath(QStringLiteral("guardar.txt")));
    }

    /// What "GUARDAR" writes of the simulator's `count` samples from recordingStart.
    QByteArray savedFromTheSimulator(int count)
    {
        LoggerSetup setup;
        setup.samples = count;
        setup.recordingStart = recordingStart;
        const QDateTime now = QDateTime::currentDateTime();
        const QByteArray downloadText = SimulatedLogger(setup, now).downloadText(now, false) + "A";
        const QByteArray saved = savedByTheWindow(downloadText);
        if (saved.count("\r\n") != count + 2)
            qWarning("the data window saved %lld lines", saved.count("\r\n"));
        return saved;
    }

    /// Plays the logger on `logger` up to its download text: status frames reporting `stored`
    /// samples until the program asks for them, then "X" and the wait past the program's
    /// discard step.
    static void answerTheRequest(PtyPair &logger, int stored)
    {
        QByteArray request;
        for (int i = 0; i < boundMs / 100 && request.isEmpty(); ++i) {
            logger.send(statusFrame(stored));
            request = logger.receive(1, 100);
        }
        QCOMPARE(request, QByteArray("8"));
        QCOMPARE(logger.receive(1, boundMs), QByteArray("X"));
        QThread::msleep(600);
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("BRENTAVIUS4")); }

    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void cleanup()
    {
        if (QTest::currentTestFailed() && m_sim)
            qDebug().noquote()
                << m_sim->lines().filter(QRegularExpression("^(?!frame)")).join('\n');
        m_sim.reset();
    }

    void aDownloadIsSavedAsGuardarSavesItAndTheClockSetAfterIt()
    {
        startSimulator();
        const QString output = m_dir->filePath(QStringLiteral("noche.txt"));
        const Run run =
            runProgram({QStringLiteral("--download"), m_sim->linkPath(), QStringLiteral("--output"),
                        output, QStringLiteral("--set-clock")});
        QCOMPARE(run.errors, QString());
        QCOMPARE(run.exitCode, int(CommandLine::Ok));
        QCOMPARE(readFile(output), savedFromTheSimulator(samples));

        // The clock is set once the recording is safe, not before: setting it empties the memory.
        const int end = m_sim->waitForLine(QStringLiteral("end-marker"));
        QVERIFY(end >= 0);
        QVERIFY(
            m_sim->waitForLine([](const QString &line) { return line.startsWith("clock "); }, end)
            > end);
    }

    void eachFailureHasItsCodeAndMessage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString output = QStringLiteral("/tmp/never-written.txt");
        QTest::newRow("output without download")
            << QStringList {"--output", output} << int(CommandLine::BadArguments)
            << "brentavius4: --output solo vale con --download (brentavius4 --help muestra las "
               "opciones)\n";
        QTest::newRow("download without output")
            << QStringList {"--download", "ttyUSB0"} << int(CommandLine::BadArguments)
            << "brentavius4: --download necesita --output ARCHIVO (brentavius4 --help muestra "
               "las opciones)\n";
        QTest::newRow("timeout out of range")
            << QStringList {"--download", "ttyUSB0", "--output", output, "--timeout", "0"}
            << int(CommandLine::BadArguments)
            << "brentavius4: --timeout toma segundos de 1 a 3600, no \"0\" (brentavius4 --help "
               "muestra las opciones)\n";
        QTest::newRow("no such port")
            << QStringList {"--download", "/dev/ttyNoSuchPort7", "--output", output}
            << int(CommandLine::PortUnavailable)
            << "brentavius4: el puerto /dev/ttyNoSuchPort7 no existe\n";
    }

    void eachFailureHasItsCodeAndMessage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const Run run = runProgram(arguments);
        QCOMPARE(run.errors, message);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(!QFile::exists(QStringLiteral("/tmp/never-written.txt")));
    }

    void anOptionIsOursQtsOrRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString output = QStringLiteral("/tmp/never-written.txt");
        const QString help = QStringLiteral(" (brentavius4 --help muestra las opciones)\n");
        QTest::newRow("a mistyped option")
            << QStringList {"--list-port"} << int(CommandLine::BadArguments)
            << "brentavius4: opción desconocida: --list-port" + help;
        QTest::newRow("a mistyped option and its value")
            << QStringList {"--dowload", "ttyUSB0"} << int(CommandLine::BadArguments)
            << "brentavius4: opción desconocida: --dowload" + help;
        QTest::newRow("a mistyped version")
            << QStringList {"--verison"} << int(CommandLine::BadArguments)
            << "brentavius4: opción desconocida: --verison" + help;
        QTest::newRow("a mistyped Qt option")
            << QStringList {"-platfrom", "offscreen"} << int(CommandLine::BadArguments)
            << "brentavius4: opción desconocida: -platfrom" + help;
        QTest::newRow("an option taken for the file")
            << QStringList {"--download", "ttyUSB0", "--output", "--csv"}
            << int(CommandLine::BadArguments)
            << "brentavius4: --output necesita un valor, no la opción --csv" + help;
        QTest::newRow("an option taken for the port")
            << QStringList {"--download", "--csv", "--output", output}
            << int(CommandLine::BadArguments)
            << "brentavius4: --download necesita un valor, no la opción --csv" + help;
        QTest::newRow("an export without its station")
            << QStringList {"--archive-export", "--output", output}
            << int(CommandLine::BadArguments)
            << "brentavius4: --archive-export necesita --station NOMBRE y --output ARCHIVO" + help;
        QTest::newRow("a range backwards")
            << QStringList {"--archive-export", "--station",  "P",    "--output",        output,
                            "--from",           "2026-03-02", "--to", "2026-03-01T10:00"}
            << int(CommandLine::BadArguments) << "brentavius4: --from es posterior a --to" + help;
        QTest::newRow("a file for no import")
            << QStringList {"--archive-list", "viejo.txt"} << int(CommandLine::BadArguments)
            << "brentavius4: argumento inesperado: viejo.txt" + help;
        QTest::newRow("a station for no archive")
            << QStringList {"--list-ports", "--station", "P"} << int(CommandLine::BadArguments)
            << "brentavius4: --station no vale con --list-ports" + help;
        QTest::newRow("Qt's options with ours")
            << QStringList {"-platform", "offscreen", "-style=fusion", "--reverse", "--version"}
            << int(CommandLine::Ok) << QString();
    }

    void anOptionIsOursQtsOrRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        // Without a display and with one: a refused option never gets as far as the windows.
        for (const bool display : {false, true}) {
            const Run run = runProgram(arguments, display);
            QCOMPARE(run.errors, message);
            QCOMPARE(run.exitCode, exitCode);
        }
        QVERIFY(!QFile::exists(QStringLiteral("/tmp/never-written.txt")));
        QVERIFY(!QFile::exists(QStringLiteral("--csv")));
    }

    void aBadOutputIsRefusedBeforeThePortOpens_data()
    {
        QTest::addColumn<QString>("output"); // in the test's folder
        QTest::addColumn<QString>("said");   // {dir}: the test's folder
        QTest::newRow("a folder") << "carpeta" << "es una carpeta";
        QTest::newRow("a missing folder")
            << "falta/datos.txt" << "la carpeta {dir}/falta no existe";
        QTest::newRow("a file for a folder")
            << "plain/datos.txt" << "{dir}/plain no es una carpeta";
        QTest::newRow("a FIFO") << "fifo" << "es una tubería (FIFO), no un archivo";
        QTest::newRow("a link to a FIFO")
            << "enlace" << "es un enlace a una tubería (FIFO), no un archivo";
        QTest::newRow("a device") << "dispositivo" << "es un dispositivo, no un archivo";
    }

    void aBadOutputIsRefusedBeforeThePortOpens()
    {
        QFETCH(QString, output);
        QFETCH(QString, said);
        const QDir dir(m_dir->path());
        QVERIFY(dir.mkdir(QStringLiteral("carpeta")));
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
        QCOMPARE(::symlink("fifo", QFile::encodeName(dir.filePath("enlace")).constData()), 0);
        // The memory device's numbers, in a node of the test's own.
        if (output == QLatin1String("dispositivo")
            && ::mknod(QFile::encodeName(dir.filePath(output)).constData(), S_IFCHR | 0600,
                       makedev(1, 5))
                != 0)
            QSKIP("no device node can be made here");
        const QByteArray path = QFile::encodeName(dir.filePath(output));
        struct stat before
        {
        };
        const bool existed = ::lstat(path.constData(), &before) == 0;

        startSimulator();
        const Run run = runProgram(
            {"--download", m_sim->linkPath(), "--output", dir.filePath(output), "--set-clock"});
        QCOMPARE(run.errors,
                 QStringLiteral("brentavius4: no se pudo guardar %1: %2; nada se "
                                "descargó\n")
                     .arg(dir.filePath(output),
                          QString(said).replace(QStringLiteral("{dir}"), dir.path())));
        QCOMPARE(run.exitCode, int(CommandLine::SaveFailed));
        if (existed) {
            struct stat after
            {
            };
            QCOMPARE(::lstat(path.constData(), &after), 0);
            QCOMPARE(after.st_ino, before.st_ino);
            QCOMPARE(after.st_mode, before.st_mode);
        }
        QCOMPARE(commandsTaken(), QStringList());
    }

    void aFolderThatMayNotBeWrittenIsRefusedBeforeThePortOpens()
    {
        const QDir dir(m_dir->path());
        QVERIFY(dir.mkdir(QStringLiteral("ajena")));
        const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner
            | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
            | QFileDevice::ExeOther;
        QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("ajena")), readOnly));
        QVERIFY(QFile::setPermissions(dir.path(), readOnly | QFileDevice::WriteOwner));
        const QString output = dir.filePath(QStringLiteral("ajena/datos.txt"));
        const Run run = runProgram({"--download", "ttyUSB0", "--output", output}, false, true);
        QCOMPARE(run.errors, QStringLiteral("brentavius4: no se pudo guardar %1: sin permiso para "
                                            "escribir en la carpeta %2; nada se descargó\n")
                                 .arg(output, dir.filePath(QStringLiteral("ajena"))));
        QCOMPARE(run.exitCode, int(CommandLine::SaveFailed));
    }

    void aPortAnotherProgramHoldsIsRefused()
    {
        startSimulator();
        const int held = ::open(QFile::encodeName(m_sim->devicePath()).constData(),
                                O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(held >= 0);
        QCOMPARE(flock(held, LOCK_EX | LOCK_NB), 0);
        const Run run =
            runProgram({"--download", m_sim->linkPath(), "--output", m_dir->filePath("x.txt")});
        ::close(held);
        QCOMPARE(run.errors,
                 QStringLiteral("brentavius4: el puerto %1 lo está usando otro programa\n")
                     .arg(m_sim->linkPath()));
        QCOMPARE(run.exitCode, int(CommandLine::PortUnavailable));
    }

    void aLoggerThatNeverAnswersTimesOut()
    {
        PtyPair silent;
        QVERIFY(silent.isValid());
        const Run run = runProgram({"--download", silent.slavePath(), "--output",
                                    m_dir->filePath("x.txt"), "--timeout", "1"});
        QCOMPARE(run.errors,
                 QStringLiteral("brentavius4: el logger no respondió en %1: ninguna trama de "
                                "estado en 1 s\n")
                     .arg(silent.slavePath()));
        QCOMPARE(run.exitCode, int(CommandLine::NoAnswer));
        QVERIFY(!QFile::exists(m_dir->filePath("x.txt")));
    }

    void aDownloadWithoutItsEndMarkerSavesNothing()
    {
        // The status frames that follow the download keep the line busy: only the time-out
        // ends the wait.
        startSimulator({"--fault", "no-end-marker"});
        const Run run = runProgram({"--download", m_sim->linkPath(), "--output",
                                    m_dir->filePath("x.txt"), "--timeout", "3"});
        QCOMPARE(run.errors,
                 QStringLiteral("brentavius4: la descarga no terminó en 3 s: 40 "
                                "muestras recibidas, sin la marca de fin; nada se "
                                "guardó\n"));
        QCOMPARE(run.exitCode, int(CommandLine::NoAnswer));
        QVERIFY(!QFile::exists(m_dir->filePath("x.txt")));
    }

    void aDownloadStoppedMidwayLeavesThePortToTheNextRun_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("Ctrl-C") << SIGINT;
        QTest::newRow("kill") << SIGTERM;
        QTest::newRow("its terminal closed") << SIGHUP;
        QTest::newRow("kill -9") << SIGKILL;
    }

    void aDownloadStoppedMidwayLeavesThePortToTheNextRun()
    {
        QFETCH(int, signalNumber);
        // At the line's pace the download lasts a few seconds.
        constexpr int slowSamples = 600;
        startSimulator({"--samples", QString::number(slowSamples), "--pace", "line"});
        const QString output = m_dir->filePath(QStringLiteral("noche.txt"));
        const QByteArray older = "la descarga de ayer\r\n";
        QFile file(output);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(older);
        file.close();

        QProcess program;
        startProgram(program, {"--download", m_sim->linkPath(), "--output", output});
        QVERIFY(m_sim->waitForLine([](const QString &line) {
            return line.startsWith(QStringLiteral("download "));
        }) >= 0);
        QCOMPARE(::kill(pid_t(program.processId()), signalNumber), 0);
        const Run stopped = finishProgram(program);
        if (signalNumber == SIGKILL) {
            QCOMPARE(program.exitStatus(), QProcess::CrashExit);
        } else {
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(stopped.errors, QStringLiteral("brentavius4: interrumpido\n"));
            QCOMPARE(stopped.exitCode, 128 + signalNumber);
        }
        QCOMPARE(readFile(output), older);
        QVERIFY(m_sim->waitForLine(QStringLiteral("download-abandoned")) >= 0);

        // The port is free for the next run on the same simulator, however the last one ended.
        const Run next = runProgram({"--download", m_sim->linkPath(), "--output", output});
        QCOMPARE(next.errors, QString());
        QCOMPARE(next.exitCode, int(CommandLine::Ok));
        QCOMPARE(readFile(output), savedFromTheSimulator(slowSamples));
    }

    void aDamagedDownloadIsSavedForReviewAndSaysWhy()
    {
        PtyPair logger;
        QVERIFY(logger.isValid());
        const QString output = m_dir->filePath("revisar.txt");
        QProcess program;
        program.start(QStringLiteral(BRENTAVIUS_PROGRAM_PATH),
                      {"--download", logger.slavePath(), "--output", output, "--set-clock"});
        answerTheRequest(logger, 3);
        // Two samples arrive, the second with a high byte of 999.
        const QByteArray text = QByteArray(" 26/03/01 07:00:10  4\r\nSAMPLES 3\r\n")
            + DownloadText::sampleLine({735, 512, 1860, 1234}) + "000000999999000000000000\r\n";
        logger.send(text);
        QThread::msleep(300);
        logger.send("A");
        QVERIFY(program.waitForFinished(boundMs));

        QCOMPARE(program.exitCode(), int(CommandLine::Unverified));
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(errors.startsWith(QStringLiteral("brentavius4: descarga sin verificar, "
                                                  "guardada en %1 para revisarla: ")
                                       .arg(output)),
                 qPrintable(errors));
        QVERIFY2(errors.contains(QStringLiteral("informó 3 muestras y llegaron 2"))
                     && errors.contains(QStringLiteral("muestra 2 llegó dañada")),
                 qPrintable(errors));
        QCOMPARE(errors.count(QLatin1Char('\n')), 1);
        QCOMPARE(readFile(output), savedByTheWindow(text + "A"));
        // Nothing went out after the request: the clock stays, so the memory stays.
        QCOMPARE(logger.receive(1, 300), QByteArray());
    }

    void anEndMarkerSharingAReadEndsTheDownload_data()
    {
        QTest::addColumn<bool>("withTheLastLine");
        QTest::newRow("with the last line") << true;
        QTest::newRow("with the next frame") << false;
    }

    void anEndMarkerSharingAReadEndsTheDownload()
    {
        QFETCH(bool, withTheLastLine);
        PtyPair logger;
        QVERIFY(logger.isValid());
        const QString output = m_dir->filePath("datos.txt");
        QProcess program;
        program.start(QStringLiteral(BRENTAVIUS_PROGRAM_PATH),
                      {"--download", logger.slavePath(), "--output", output, "--timeout", "5"});
        answerTheRequest(logger, 2);
        const QByteArray text = QByteArray(" 26/03/01 07:00:10  4\r\nSAMPLES 2\r\n")
            + DownloadText::sampleLine({735, 512, 1860, 1234})
            + DownloadText::sampleLine({736, 512, 1860, 1234});
        // A program that fell behind finds the marker in one read with the bytes around it.
        const qsizetype split = withTheLastLine ? text.size() - 10 : text.size();
        logger.send(text.first(split));
        QThread::msleep(300);
        logger.send(text.sliced(split) + "A" + statusFrame(0));
        QVERIFY(program.waitForFinished(boundMs));

        QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()), QString());
        QCOMPARE(program.exitCode(), int(CommandLine::Ok));
        QCOMPARE(readFile(output), savedByTheWindow(text + "A"));
    }

    void aFaultyDownloadFromTheSimulatorIsNotTakenForGood_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("said");
        QTest::newRow("a line lost")
            << "lost-line" << QStringLiteral("informó %1 muestras y llegaron %2").arg(samples).arg(samples - 1);
        QTest::newRow("a digit lost") << "damaged-line" << QStringLiteral("muestra 3 llegó dañada");
        QTest::newRow("a status frame slipped in")
            << "slipped-frame" << QStringLiteral("muestra 8 llegó dañada");
    }

    void aFaultyDownloadFromTheSimulatorIsNotTakenForGood()
    {
        QFETCH(QString, fault);
        QFETCH(QString, said);
        startSimulator({QStringLiteral("--fault"), fault});
        const QString output = m_dir->filePath(QStringLiteral("revisar.txt"));
        const Run run = runProgram({"--download", m_sim->linkPath(), "--output", output});
        QCOMPARE(run.exitCode, int(CommandLine::Unverified));
        QVERIFY2(run.errors.contains(said), qPrintable(run.errors));
        QVERIFY(QFileInfo::exists(output)); // kept for the user to judge
        // Saved already: the message sends the user to the file, not to a save to come.
        QVERIFY2(run.errors.contains(QStringLiteral("Revise el archivo guardado"))
                     && !run.errors.contains(QStringLiteral("antes de guardarlos")),
                 qPrintable(run.errors));
    }

    void aFileThatCannotBeWrittenFailsAndLeavesTheClock()
    {
        startSimulator();
        QFile plain(m_dir->filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        // Root writes anywhere, but not below a plain file.
        const QString output = m_dir->filePath("plain/datos.txt");
        const Run run =
            runProgram({"--download", m_sim->linkPath(), "--output", output, "--set-clock"});
        QVERIFY2(run.errors.startsWith(
                     QStringLiteral("brentavius4: no se pudo guardar %1: ").arg(output)),
                 qPrintable(run.errors));
        QCOMPARE(run.exitCode, int(CommandLine::SaveFailed));
        // Found before the port opens: the logger is not asked for anything.
        QCOMPARE(commandsTaken(), QStringList());
        QVERIFY(!m_sim->lines().join('\n').contains(QStringLiteral("\nclock ")));
    }

    void anArchiveThatCannotTakeTheDownloadIsRefusedBeforeThePortOpens()
    {
        const QString archive = m_dir->filePath(QStringLiteral("ajeno.sqlite"));
        QFile file(archive);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("no es una base de datos\n");
        file.close();
        const Run run = runProgram(
            {"--download", "/dev/ttyNoSuchPort7", "--station", "Parcela 3", "--archive", archive});
        QCOMPARE(run.errors,
                 QStringLiteral("brentavius4: no se puede archivar: el archivo %1 no es un archivo "
                                "de estaciones (no es de SQLite); no se tocó; nada se descargó\n")
                     .arg(archive));
        QCOMPARE(run.exitCode, int(CommandLine::ArchiveFailed));
        QCOMPARE(readFile(archive), QByteArray("no es una base de datos\n"));
    }

    void aNewStationNameLikeAnArchivedOneIsRefusedBeforeAnythingIsDone_data()
    {
        LookAlikeNames::addRows();
    }

    void aNewStationNameLikeAnArchivedOneIsRefusedBeforeAnythingIsDone()
    {
        QFETCH(QString, existing);
        QFETCH(QString, lookAlike);
        const QByteArray text = DownloadText::header(recordingStart, 4) + "SAMPLES 1\r\n"
            + DownloadText::sampleLine({500, 600, 700, 1}) + "A";
        const QString archive = m_dir->filePath(QStringLiteral("estaciones.sqlite"));
        StationArchive::openFile(archive).enter(existing, {text, RawKind::DownloadText, 0, {}, {}});
        const QString file = m_dir->filePath(QStringLiteral("viejo.txt"));
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::WriteOnly));
        saved.write(savedByTheWindow(text));
        saved.close();
        const QString refusal =
            QStringLiteral("brentavius4: ya hay una estación «%1»; use ese nombre").arg(existing);

        // A port that does not exist is not reached: the name is refused first.
        Run run = runProgram(
            {"--download", "/dev/ttyNoSuchPort7", "--station", lookAlike, "--archive", archive});
        QCOMPARE(run.exitCode, int(CommandLine::BadArguments));
        QCOMPARE(run.errors, refusal + QStringLiteral("; nada se descargó\n"));
        run = runProgram({"--archive-import", "--station", lookAlike, "--archive", archive, file});
        QCOMPARE(run.exitCode, int(CommandLine::BadArguments));
        QCOMPARE(run.errors, refusal + QLatin1Char('\n'));
        QCOMPARE(StationArchive::openFile(archive).stationNames(), QStringList {existing});

        // The archived name itself goes on as before.
        run = runProgram({"--archive-import", "--station", existing, "--archive", archive, file});
        QCOMPARE(run.errors, QString());
        QCOMPARE(run.exitCode, int(CommandLine::Ok));
    }

    void aStationNameBlankOrTooLongIsABadArgument_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("taken");
        QTest::newRow("blanks") << QStringLiteral("   ") << false;
        QTest::newRow("invisible characters alone") << QStringLiteral("\u200B\u200F") << false;
        QTest::newRow("100 emoji") << LookAlikeNames::emojiName(100) << true;
        QTest::newRow("101 emoji") << LookAlikeNames::emojiName(101) << false;
    }

    void aStationNameBlankOrTooLongIsABadArgument()
    {
        QFETCH(QString, name);
        QFETCH(bool, taken);
        const QString archive = m_dir->filePath(QStringLiteral("estaciones.sqlite"));
        const Run run = runProgram(
            {"--download", "/dev/ttyNoSuchPort7", "--station", name, "--archive", archive});
        // A name that will do reaches the port, which does not exist.
        QCOMPARE(run.exitCode,
                 int(taken ? CommandLine::PortUnavailable : CommandLine::BadArguments));
    }

    void oldFilesImportedThenExportedGiveEachSampleOnceInOrder()
    {
        // Two files saved with "GUARDAR" from one station, the second overlapping the first.
        const auto savedFile = [this](int first, const QString &name) {
            QByteArray text =
                DownloadText::header(recordingStart.addSecs(900 * first), 4) + "SAMPLES 20\r\n";
            for (int i = first; i < first + 20; ++i)
                text += DownloadText::sampleLine({500 + i, 600, 700, i});
            const QString path = m_dir->filePath(name);
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.write(savedByTheWindow(text + "A"));
            return path;
        };
        const QString later = savedFile(10, QStringLiteral("b.txt"));
        const QString earlier = savedFile(0, QStringLiteral("a.txt"));
        const QString archive = m_dir->filePath(QStringLiteral("estaciones.sqlite"));
        Run run = runProgram(
            {"--archive-import", "--station", "P", "--archive", archive, later, earlier});
        QCOMPARE(run.errors, QString());
        QCOMPARE(run.exitCode, int(CommandLine::Ok));
        const QString exported = m_dir->filePath(QStringLiteral("p.csv"));
        run = runProgram(
            {"--archive-export", "--station", "P", "--archive", archive, "--output", exported});
        QCOMPARE(run.exitCode, int(CommandLine::Ok));
        const QList<QByteArray> records = readFile(exported).split('\n');
        QCOMPARE(records.size(), 1 + 30 + 1);
        for (int i = 0; i < 30; ++i)
            QVERIFY2(records[i + 1].startsWith(
                         recordingStart.addSecs(900 * i).toString(Qt::ISODate).chopped(1).toLatin1()
                         + ','),
                     records[i + 1].constData());
    }

    void anArchiveThatMayNotBeWrittenIsRefusedBeforeThePortOpens()
    {
        const QDir dir(m_dir->path());
        QVERIFY(dir.mkdir(QStringLiteral("ajena")));
        const QString archive = dir.filePath(QStringLiteral("ajena/estaciones.sqlite"));
        const QStringList arguments {"--download", "/dev/ttyNoSuchPort7", "--station",
                                     "P",          "--archive",           archive};
        // Made as the archive is made on first use, then left to be read only.
        QCOMPARE(runProgram(arguments).exitCode, int(CommandLine::PortUnavailable));
        const QFileDevice::Permissions readOnly =
            QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        const QFileDevice::Permissions exe =
            QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        QVERIFY(QFile::setPermissions(archive, readOnly));
        QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("ajena")), readOnly | exe));
        QVERIFY(QFile::setPermissions(dir.path(), readOnly | exe | QFileDevice::WriteOwner));
        const QByteArray before = readFile(archive);
        const Run run = runProgram(arguments, false, true);
        QCOMPARE(run.errors,
                 QStringLiteral("brentavius4: no se puede archivar: el archivo %1 es "
                                "de solo lectura; nada se descargó\n")
                     .arg(archive));
        QCOMPARE(run.exitCode, int(CommandLine::ArchiveFailed));
        QVERIFY(readFile(archive) == before);
    }

    void anArchiveLockedDuringTheDownloadLeavesTheFileSavedAndTheClockAlone()
    {
        startSimulator();
        const QString archive = m_dir->filePath(QStringLiteral("estaciones.sqlite"));
        const QStringList station {"--station", "Parcela 3", "--archive", archive};
        QCOMPARE(runProgram(QStringList {"--download", m_sim->linkPath()} + station).exitCode,
                 int(CommandLine::Ok));
        // Another program holds the archive for writing from before the download to its end.
        const QString holder = QStringLiteral("holder");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), holder);
            db.setDatabaseName(archive);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        }
        const QString output = m_dir->filePath(QStringLiteral("noche.txt"));
        const Run run = runProgram(
            QStringList {"--download", m_sim->linkPath(), "--output", output, "--set-clock"}
            + station);
        {
            QSqlDatabase db = QSqlDatabase::database(holder);
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
        QSqlDatabase::removeDatabase(holder);
        QVERIFY2(run.errors.startsWith(QStringLiteral("brentavius4: no se pudo archivar la "
                                                      "descarga: el archivo %1 está bloqueado")
                                           .arg(archive)),
                 qPrintable(run.errors));
        QVERIFY2(run.errors.endsWith(
                     QStringLiteral("quedó guardada en %1, el reloj no se ajustó\n").arg(output)),
                 qPrintable(run.errors));
        QCOMPARE(run.exitCode, int(CommandLine::ArchiveFailed));
        QCOMPARE(readFile(output), savedFromTheSimulator(samples));
        QVERIFY(!m_sim->lines().join('\n').contains(QStringLiteral("\nclock ")));
    }

    void aDownloadArchivedUnderItsStationExportsAsItsOwnCsv()
    {
        startSimulator();
        const QString archive = m_dir->filePath(QStringLiteral("estaciones.sqlite"));
        const QString saved = m_dir->filePath(QStringLiteral("descarga.csv"));
        const QStringList station {QStringLiteral("--station"), QStringLiteral("Parcela 3"),
                                   QStringLiteral("--archive"), archive};
        Run run = runProgram(
            QStringList {"--download", m_sim->linkPath(), "--output", saved, "--csv"} + station);
        QCOMPARE(run.errors, QString());
        QCOMPARE(run.exitCode, int(CommandLine::Ok));
        // Again, archived only: the logger sends the same bytes, recognised as the download
        // archived before.
        run = runProgram(QStringList {"--download", m_sim->linkPath()} + station);
        QCOMPARE(run.errors, QString());
        QCOMPARE(run.exitCode, int(CommandLine::Ok));

        const QString exported = m_dir->filePath(QStringLiteral("registro.csv"));
        run = runProgram(QStringList {"--archive-export", "--output", exported} + station);
        QCOMPARE(run.errors, QString());
        QCOMPARE(run.exitCode, int(CommandLine::Ok));
        QCOMPARE(readFile(exported), readFile(saved));

        QProcess list;
        startProgram(list, {"--archive-list", "--archive", archive});
        QVERIFY(list.waitForFinished(boundMs));
        const QStringList lines =
            QString::fromUtf8(list.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        const QStringList fields = lines[1].split('\t');
        QCOMPARE(fields.mid(0, 5),
                 (QStringList {"Parcela 3", "2026-03-01T10:00:07",
                               recordingStart.addSecs(900 * (samples - 1))
                                   .toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")),
                               QString::number(samples), "1"}));
        // The logger's clock against the PC's, measured from the frame before the download.
        bool measured = false;
        (void)fields.value(5).toLongLong(&measured);
        QVERIFY2(measured, qPrintable(lines[1]));
        // When the download arrived, in UTC.
        const QDateTime arrived = QDateTime::fromString(fields.value(6), Qt::ISODate);
        QVERIFY2(arrived.isValid() && fields.value(6).endsWith('Z'), qPrintable(lines[1]));
        QVERIFY(qAbs(arrived.secsTo(QDateTime::currentDateTimeUtc())) < 3600);
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_command_line.moc"
