#include "link/download_session.h"

#include "link/logger_commands.h"
#include "serial/serial_error.h"

#include <QThread>

#include <cerrno>

namespace {

/// From the request to the discard step, as the main window's discard timer waits.
constexpr int discardDelayMs = 450;

} // namespace

template<typename Step>
void DownloadSession::onLine(Step step)
{
    try {
        step();
    } catch (const ESerialPort &error) {
        finish(Outcome::LineLost, error.message());
    }
}

DownloadSession::DownloadSession(SerialPortSurface &port, const Options &options, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_options(options)
{
    m_timeout.setSingleShot(true);
    m_discard.setSingleShot(true);
    m_discard.setInterval(discardDelayMs);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        finish(m_stage == Stage::Collecting || m_stage == Stage::Requesting ? Outcome::Unfinished
                                                                            : Outcome::NoReport);
    });
    connect(&m_discard, &QTimer::timeout, this, [this] { onLine([this] { discard(); }); });
}

DownloadSession::~DownloadSession()
{
    try {
        close();
    } catch (const ESerialPort &) {
        // A device that is gone has nothing left to close.
    }
    m_port.OnRxChar = nullptr;
    m_port.OnError = nullptr;
}

void DownloadSession::start()
{
    m_port.setLineSettings(LoggerCommands::loggerLineSettings());
    m_port.OnRxChar = [this](SerialPortSurface &, int count) {
        onLine([this, count] { RxChar(count); });
    };
    m_port.OnError = [this](SerialPortSurface &, TSerialErrors errors) {
        lineError(errors);
    };
    m_port.setControlRTS(rtsEnable);
    try {
        m_port.OpenPort();
    } catch (...) {
        m_port.setControlRTS(rtsDisable);
        throw;
    }
    m_timeout.start(m_options.timeoutMs);
    if (m_options.forced) {
        m_expected = LoggerCommands::memoryCapacity;
        m_stage = Stage::Requesting;
        QTimer::singleShot(0, this, [this] { onLine([this] { request(); }); });
    }
}

void DownloadSession::setClockAtNextFrame()
{
    m_frames.clear();
    m_outcome = Outcome::Running;
    m_stage = Stage::ClockPending;
    m_timeout.start(m_options.timeoutMs);
}

void DownloadSession::close()
{
    m_timeout.stop();
    m_discard.stop();
    if (!m_port.Connected())
        return;
    // The port must close even when the device refuses the RTS change.
    try {
        m_port.setControlRTS(rtsDisable);
    } catch (const ESerialPort &) {
        m_port.ClosePort();
        throw;
    }
    m_port.ClosePort();
}

void DownloadSession::RxChar(int count)
{
    take(LoggerCommands::receiveChunk(m_port, count));
}

void DownloadSession::take(const QByteArray &chunk)
{
    switch (m_stage) {
    case Stage::WaitingForReport:
        if (const std::optional<StatusDetails> details = statusFrame(chunk)) {
            m_report = Report {*details, QDateTime::currentMSecsSinceEpoch()};
            m_expected = storedSamples(*details);
            m_stage = Stage::Requesting;
            // The request pauses the thread for a second: not inside a receive event.
            QTimer::singleShot(0, this, [this] { onLine([this] { request(); }); });
        }
        return;
    case Stage::Requesting:
        return; // thrown away by the discard step in any case
    case Stage::Collecting:
        if (m_collector.append(chunk)) {
            finish(Outcome::Downloaded);
            // What shared the marker's read is status frames again, taken as a read of its own.
            if (!m_collector.afterEnd().isEmpty())
                take(QByteArray(m_collector.afterEnd()));
            return;
        }
        m_lineBreaks += int(chunk.count('\n'));
        emit progressed();
        return;
    case Stage::ClockPending:
        if (statusFrame(chunk)) {
            LoggerCommands::sendEach(m_port,
                                     LoggerCommands::clockSetCommand(QDateTime::currentDateTime()));
            m_stage = Stage::ClockSent;
        }
        return;
    case Stage::ClockSent:
        if (const std::optional<StatusDetails> details = statusFrame(chunk);
            details && storedSamples(*details) == 0)
            finish(Outcome::ClockSet);
        return;
    case Stage::Done:
        return;
    }
}

std::optional<StatusDetails> DownloadSession::statusFrame(const QByteArray &chunk)
{
    const std::optional<QByteArray> frame = m_frames.append(chunk);
    if (!frame)
        return std::nullopt;
    // A damaged frame is skipped: the next one will do.
    return decodeStatusFrame(*frame).details;
}

void DownloadSession::lineError(TSerialErrors errors)
{
    // A damaged byte is the download check's to find; only a device that is gone ends this.
    if (errors.testFlag(errDevice) && m_stage != Stage::Done)
        finish(Outcome::LineLost, ESerialPort(ESerialPort::ReadFailed, EIO).message());
}

void DownloadSession::request()
{
    if (m_stage != Stage::Requesting)
        return;
    m_timeout.start(m_options.timeoutMs);
    m_discard.start();
    m_port.DiscardQueues(true, false);
    m_port.SendText(LoggerCommands::downloadRequest(m_options.forced));
    // The logger needs the pause before "X"; nothing is handled meanwhile.
    QThread::msleep(LoggerCommands::downloadConfirmDelayMs);
    m_port.SendText(LoggerCommands::downloadConfirm);
}

void DownloadSession::discard()
{
    if (m_stage != Stage::Requesting)
        return;
    m_port.DiscardQueues(true, false);
    m_collector.clear();
    m_port.DiscardQueues(true, false);
    m_collector.clear();
    m_lineBreaks = 0;
    m_stage = Stage::Collecting;
    m_timeout.start(m_options.timeoutMs);
}

void DownloadSession::finish(Outcome outcome, const QString &failure)
{
    if (m_stage == Stage::Done)
        return;
    m_stage = Stage::Done;
    m_outcome = outcome;
    m_failure = failure;
    m_timeout.stop();
    m_discard.stop();
    emit finished();
}
