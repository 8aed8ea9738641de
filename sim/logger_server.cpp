#include "logger_server.h"

#include "event_log.h"
#include "line_writer.h"
#include "pty_device.h"
#include "status_frame_builder.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <unistd.h>

LoggerServer::LoggerServer(PtyDevice &device, const SimOptions &options, EventLog &log,
                           QObject *parent)
    : QObject(parent)
    , m_device(device)
    , m_options(options)
    , m_log(log)
    , m_logger(options.logger, pcNow())
    , m_writer(new LineWriter(device.fd(), options.pace, this))
    , m_readable(new QSocketNotifier(device.fd(), QSocketNotifier::Read, this))
{
    // The read notifier stays off while no one listens: a hung-up master reads as ready
    // for ever, and would spin the event loop.
    m_readable->setEnabled(false);
    connect(m_readable, &QSocketNotifier::activated, this, &LoggerServer::onReadable);
    connect(m_writer, &LineWriter::drained, this, &LoggerServer::onDrained);
    connect(m_writer, &LineWriter::failed, this, &LoggerServer::onWriteFailed);

    m_frameTimer.setTimerType(Qt::PreciseTimer);
    m_frameTimer.setInterval(options.frameIntervalMs);
    connect(&m_frameTimer, &QTimer::timeout, this, &LoggerServer::onFrameTick);
    m_stateTimer.setTimerType(Qt::PreciseTimer);
    m_stateTimer.setSingleShot(true);
    connect(&m_stateTimer, &QTimer::timeout, this, &LoggerServer::onStateTimeout);
    m_sinceLastByte.start();
}

void LoggerServer::start()
{
    m_frameTimer.start();
}

QDateTime LoggerServer::pcNow()
{
    const QDateTime local = QDateTime::currentDateTime();
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

void LoggerServer::enter(State state, int timeoutMs)
{
    m_state = state;
    if (timeoutMs >= 0)
        m_stateTimer.start(timeoutMs);
    else
        m_stateTimer.stop();
}

void LoggerServer::updateListener()
{
    const bool listening = m_device.hasListener();
    if (listening == m_listening)
        return;
    if (!listening) {
        listenerGone();
        return;
    }
    // Nothing stale waits for this listener: nothing is sent while no one listens, and what
    // the last one left unread was thrown away when it left.
    m_listening = true;
    m_readable->setEnabled(true);
    m_log.event(QStringLiteral("listener open"));
}

void LoggerServer::listenerGone()
{
    m_listening = false;
    m_readable->setEnabled(false);
    m_writer->discard();
    // What the listener left unread would otherwise greet the next one.
    if (!m_device.discardBoth()) {
        m_log.event(QStringLiteral("stale-bytes-kept device busy"));
        // A listener still there would have the device: it is held by one that is gone.
        if (!m_device.hasListener())
            emit deviceHeld();
    }
    if (const QByteArray partial = m_parser.reset(); !partial.isEmpty())
        m_log.always(QStringLiteral("malformed-clock-set ") + EventLog::visible(partial));
    m_log.event(QStringLiteral("listener closed"));
    if (m_state != State::Frames) {
        // A cable pulled mid-download: the logger gives up and goes back to idle.
        if (m_state != State::AfterEndMarker)
            m_log.event(QStringLiteral("download-abandoned"));
        enter(State::Frames);
    }
}

void LoggerServer::onFrameTick()
{
    updateListener();
    if (m_listening && m_state == State::Frames)
        sendFrame();
}

void LoggerServer::sendFrame()
{
    const QByteArray frame = applyFrameFaults(buildStatusFrame(m_logger.statusAt(pcNow())),
                                              m_framesSent + 1, m_options.faults);
    if (!m_writer->writeNow(frame)) {
        m_log.event(QStringLiteral("frame-skipped line busy"));
        return;
    }
    ++m_framesSent;
    m_log.event(QStringLiteral("frame ") + EventLog::visible(frame));
}

void LoggerServer::onReadable()
{
    char buffer[256];
    for (;;) {
        const ssize_t count = ::read(m_device.fd(), buffer, sizeof buffer);
        if (count > 0) {
            for (ssize_t i = 0; i < count; ++i) {
                if (m_parser.isInClockSet() && m_sinceLastByte.elapsed() > kCommandIdleMs)
                    m_log.always(QStringLiteral("malformed-clock-set ")
                                 + EventLog::visible(m_parser.reset()));
                m_sinceLastByte.restart();
                for (const LoggerCommand &command : m_parser.feed(buffer[i]))
                    handle(command);
            }
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // EIO (or end of file): the last listener closed the device.
        listenerGone();
        return;
    }
}

void LoggerServer::handle(const LoggerCommand &command)
{
    using Kind = LoggerCommand::Kind;
    const QString bytes = EventLog::visible(command.bytes);

    if (command.kind == Kind::MalformedClockSet) {
        m_log.always(QStringLiteral("malformed-clock-set ") + bytes);
        return;
    }
    // While it sends a download the logger is deaf to the line.
    const bool busy = m_state == State::DiscardWait || m_state == State::Sending
        || m_state == State::BeforeEndMarker || m_state == State::AfterEndMarker;
    if (command.kind == Kind::Unknown || busy
        || (command.kind == Kind::ConfirmDownload && m_state != State::AwaitingConfirm)) {
        m_log.event(QStringLiteral("ignored ") + bytes);
        return;
    }

    m_log.event(QStringLiteral("command ") + bytes);
    const QDateTime now = pcNow();
    switch (command.kind) {
    case Kind::SetClock:
        m_logger.setClock(command.clock, now);
        m_log.event(QStringLiteral("clock ")
                    + command.clock.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")));
        break;
    case Kind::SetRate:
        m_logger.setRate(command.rateMinutes, now);
        m_log.event(QStringLiteral("rate %1").arg(command.rateMinutes));
        break;
    case Kind::RequestDownload:
        m_wholeMemory = command.wholeMemory;
        enter(State::AwaitingConfirm, kConfirmTimeoutMs);
        break;
    case Kind::ConfirmDownload:
        enter(State::DiscardWait, m_options.discardWaitMs);
        break;
    case Kind::MalformedClockSet:
    case Kind::Unknown:
        break;
    }
}

void LoggerServer::onStateTimeout()
{
    switch (m_state) {
    case State::AwaitingConfirm:
        m_log.event(QStringLiteral("download-timeout"));
        enter(State::Frames);
        break;
    case State::DiscardWait:
        startDownload();
        break;
    case State::BeforeEndMarker:
        if (m_options.faults.has(Fault::NoEndMarker)) {
            m_log.event(QStringLiteral("end-marker-skipped"));
        } else {
            m_writer->writeNow(QByteArrayLiteral("A"));
            m_log.event(QStringLiteral("end-marker"));
        }
        enter(State::AfterEndMarker, kAfterEndMarkerMs);
        break;
    case State::AfterEndMarker:
        m_log.event(QStringLiteral("frames"));
        enter(State::Frames);
        break;
    case State::Frames:
    case State::Sending:
        break;
    }
}

void LoggerServer::startDownload()
{
    const QDateTime now = pcNow();
    QByteArray text = m_logger.downloadText(now, m_wholeMemory);
    m_log.event(
        QStringLiteral("download %1 samples").arg(m_logger.downloadCount(now, m_wholeMemory)));
    text = applyDownloadFaults(text, m_options.faults, buildStatusFrame(m_logger.statusAt(now)));
    if (m_options.faults.has(Fault::Hangup))
        text.truncate(text.size() / 2);
    enter(State::Sending);
    m_writer->writePaced(text);
}

void LoggerServer::onDrained()
{
    if (m_state != State::Sending)
        return;
    if (m_options.faults.has(Fault::Hangup)) {
        hangUp();
        return;
    }
    enter(State::BeforeEndMarker, kBeforeEndMarkerMs);
}

void LoggerServer::hangUp()
{
    m_frameTimer.stop();
    m_stateTimer.stop();
    m_readable->setEnabled(false);
    m_writer->discard();
    m_device.close();
    m_log.event(QStringLiteral("hangup"));
    m_log.error(QStringLiteral("hangup fault: closed the device halfway through the download"));
    emit finished(3);
}

void LoggerServer::onWriteFailed(int errorNumber)
{
    m_log.error(QStringLiteral("cannot write to the device: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errorNumber))));
    if (m_state != State::Frames)
        enter(State::Frames);
}
