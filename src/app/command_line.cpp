#include "app/command_line.h"

#include "app/command_line_archive.h"
#include "app/command_line_output.h"
#include "app/output_check.h"
#include "archive/download_archiving.h"
#include "archive/server_cancel.h"
#include "data/csv_export.h"
#include "data/download_check.h"
#include "data/download_lines.h"
#include "data/table_cells.h"
#include "data/text_export.h"
#include "link/download_progress.h"
#include "link/download_session.h"
#include "runtime/in_out_error.h"
#include "runtime/quit_signals.h"
#include "serial/port_list.h"
#include "serial/serial_error.h"
#include "serial/serial_port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>

#include <cerrno>
#include <cstdio>

namespace CommandLine {
namespace {

constexpr int progressIntervalMs = 100;

/// Why a port did not open, in the user's words rather than the component's.
QString openFailure(const QString &port, const ESerialPort &error)
{
    switch (error.SystemErrorCode()) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("el puerto %1 no existe").arg(port);
    case EACCES:
    case EPERM:
        return QStringLiteral("sin permiso para abrir el puerto %1 (hace falta el grupo dialout)")
            .arg(port);
    case EBUSY:
        return QStringLiteral("el puerto %1 lo está usando otro programa").arg(port);
    default:
        return QStringLiteral("no se puede abrir el puerto %1: %2").arg(port, error.message());
    }
}

int listPorts()
{
    QStringList names;
    try {
        ListSerialPorts(names);
    } catch (const ESerialPort &error) {
        return fail(
            PortUnavailable,
            QStringLiteral("no se puede leer la lista de puertos: %1").arg(error.message()));
    }
    const comm::SerialDeviceRoots roots = comm::systemSerialDeviceRoots();
    QString text;
    for (const QString &name : names) {
        const QString description = portDescription(name, roots);
        text += description.isEmpty() ? name : name + QLatin1Char('\t') + description;
        text += QLatin1Char('\n');
    }
    say(stdout, text);
    return Ok;
}

/// The progress line on a terminal, at most ten times a second.
class ProgressLine
{
public:
    explicit ProgressLine(const DownloadSession &session)
        : m_session(session)
        , m_shown(onTerminal())
    { }

    void waiting(const QString &port)
    {
        if (m_shown)
            sayToTerminal(QStringLiteral("\rEsperando al logger en %1…").arg(port));
    }

    void update()
    {
        if (!m_shown || (m_clock.isValid() && m_clock.elapsed() < progressIntervalMs))
            return;
        m_clock.start();
        sayToTerminal(QStringLiteral("\r\033[K")
                      + DownloadProgress::text(m_session.samplesReceived(), m_session.expected()));
    }

    void clear()
    {
        if (m_shown)
            sayToTerminal(QStringLiteral("\r\033[K"));
    }

    [[nodiscard]] bool shown() const { return m_shown; }

private:
    const DownloadSession &m_session;
    const bool m_shown;
    QElapsedTimer m_clock;
};

int download(const Options &options)
{
    if (!options.station.isEmpty()) {
        if (const QString problem = stationNameProblem(options); !problem.isEmpty())
            return fail(BadArguments, problem + QStringLiteral("; nada se descargó"));
    }
    if (!options.output.isEmpty()) {
        if (const QString problem = outputProblem(options.output); !problem.isEmpty())
            return fail(SaveFailed,
                        QStringLiteral("no se pudo guardar %1: %2; nada se descargó")
                            .arg(options.output, problem));
    }
    if (!options.station.isEmpty()) {
        if (const QString problem = archiveProblem(options); !problem.isEmpty())
            return fail(ArchiveFailed,
                        QStringLiteral("no se puede archivar: %1; nada se descargó").arg(problem));
    }
    TSerialPort port;
    port.setPort(options.port);
    DownloadSession session(port, {options.forced, options.timeoutSeconds * 1000});
    ProgressLine progress(session);
    QuitSignals quit;
    try {
        session.start();
    } catch (const ESerialPort &error) {
        return fail(PortUnavailable, openFailure(options.port, error));
    }
    if (!options.forced)
        progress.waiting(options.port);
    QEventLoop loop;
    QObject::connect(&session, &DownloadSession::progressed, [&progress] { progress.update(); });
    QObject::connect(&session, &DownloadSession::finished, &loop, &QEventLoop::quit);
    QObject::connect(&quit, &QuitSignals::received, &loop, &QEventLoop::quit);
    loop.exec();
    progress.clear();
    if (quit.signalNumber() != 0)
        return interrupted(quit.signalNumber());

    switch (session.outcome()) {
    case DownloadSession::Outcome::Downloaded:
        break;
    case DownloadSession::Outcome::NoReport:
        return fail(NoAnswer,
                    QStringLiteral("el logger no respondió en %1: ninguna trama de "
                                   "estado en %2 s")
                        .arg(options.port)
                        .arg(options.timeoutSeconds));
    case DownloadSession::Outcome::Unfinished:
        return fail(NoAnswer,
                    QStringLiteral("la descarga no terminó en %1 s: %2 muestras "
                                   "recibidas, sin la marca de fin; nada se guardó")
                        .arg(options.timeoutSeconds)
                        .arg(session.samplesReceived()));
    case DownloadSession::Outcome::LineLost:
    case DownloadSession::Outcome::Running:
    case DownloadSession::Outcome::ClockSet:
        return fail(NoAnswer,
                    QStringLiteral("se perdió la línea con el logger en %1 (%2); "
                                   "nada se guardó")
                        .arg(options.port, session.failure()));
    }

    // The table as the data window builds it: rows before a line that does not decode keep
    // their values, so the file holds what the window would let the user save.
    const DownloadLines lines(session.text());
    const DownloadCheck check = checkDownload(lines, session.expected());
    const FilledTable table = fillTable(lines);
    const QString &decodingProblem = table.problem;
    const auto cell = [&table](int column, int row) {
        return table.cells.cell(column, row);
    };
    QString saveFailure;
    if (!options.output.isEmpty()) {
        const QByteArray bytes = options.csv ? CsvExport::samplesText(lines.samples(), cell)
                                             : TextExport::fileText(lines.samples(), cell);
        try {
            TextExport::writeFile(options.output, bytes);
        } catch (const EInOutError &error) {
            saveFailure =
                QStringLiteral("no se pudo guardar %1: %2").arg(options.output, error.message());
        }
    }
    // The archive takes the download whatever its check says, marked when it did not pass,
    // and whether or not the file could be saved.
    int archived = Ok;
    if (!options.station.isEmpty()) {
        std::optional<qint64> clockOffset;
        if (const std::optional<DownloadSession::Report> &report = session.report())
            clockOffset = clockOffsetSeconds(report->frame, report->arrivedUtcMs);
        archived = archiveDownloaded(
            options, finishedDownload(session.text(), session.expected(), clockOffset),
            saveFailure.isEmpty() ? options.output : QString());
    }
    if (!saveFailure.isEmpty())
        return fail(SaveFailed,
                    options.station.isEmpty() || archived != Ok ? saveFailure
                                                                : saveFailure
                            + QStringLiteral("; la descarga quedó archivada en «%1»")
                                  .arg(options.station.trimmed()));

    if (!check.passed() || !decodingProblem.isEmpty()) {
        const QString finding = check.passed()
            ? decodingProblem
            : downloadCheckMessage(check, CheckAdvice::SavedForReview);
        const QString kept = options.output.isEmpty()
            ? QStringLiteral("archivada en «%1»").arg(options.station.trimmed())
            : QStringLiteral("guardada en %1").arg(options.output);
        const int code = fail(
            Unverified,
            QStringLiteral("descarga sin verificar, %1 para revisarla: %2").arg(kept, finding));
        return archived != Ok ? archived : code;
    }
    if (archived != Ok)
        return archived;
    if (options.setClock) {
        session.setClockAtNextFrame();
        loop.exec();
        if (quit.signalNumber() != 0)
            return interrupted(quit.signalNumber());
        if (session.outcome() != DownloadSession::Outcome::ClockSet)
            return fail(NoAnswer,
                        QStringLiteral("descarga guardada en %1, pero el reloj no se "
                                       "ajustó: %2")
                            .arg(options.output,
                                 session.outcome() == DownloadSession::Outcome::LineLost
                                     ? session.failure()
                                     : QStringLiteral("el logger no lo confirmó")));
    }
    if (progress.shown() && !options.output.isEmpty())
        say(stderr,
            QStringLiteral("%1 muestras guardadas en %2\n")
                .arg(lines.samples())
                .arg(options.output));
    if (options.station.isEmpty())
        return Ok;
    // The line is not needed to send the archive, which may take a while.
    try {
        session.close();
    } catch (const ESerialPort &) {
        // A device that is gone has nothing left to close.
    }
    return syncAfterEntering(options);
}

} // namespace

int run(const QStringList &arguments)
{
    // A quit signal also cuts short what a server is doing for the run, a wait for its lock
    // included; the work then stops as for a refused statement, and the run says it stopped.
    QuitSignals::setHook(&ServerCancel::cancelAll);
    const Parse parsed = parse(arguments);
    if (!parsed.options)
        return fail(BadArguments,
                    parsed.error + QStringLiteral(" (brentavius4 --help muestra las opciones)"));
    const Options &options = *parsed.options;
    noteArchiveInUse(options);
    switch (options.action) {
    case Options::Action::Help:
        say(stdout, helpText());
        return Ok;
    case Options::Action::Version:
        say(stdout, QStringLiteral("brentavius4 %1\n").arg(QCoreApplication::applicationVersion()));
        return Ok;
    case Options::Action::ListPorts:
        return listPorts();
    case Options::Action::Download:
        return download(options);
    case Options::Action::ArchiveList:
        return archiveList(options);
    case Options::Action::ArchiveExport:
        return archiveExport(options);
    case Options::Action::ArchiveImport:
        return archiveImport(options);
    case Options::Action::ArchiveSync:
        return archiveSync(options);
    case Options::Action::ArchiveDownloads:
        return archiveDownloads(options);
    case Options::Action::ArchiveRemoveDownload:
        return archiveRemoveDownload(options);
    case Options::Action::ArchiveMoveDownload:
        return archiveMoveDownload(options);
    case Options::Action::ArchiveRebuild:
        return archiveRebuild(options);
    }
    return BadArguments;
}

} // namespace CommandLine
