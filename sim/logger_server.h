#pragma once

#include "command_parser.h"
#include "sim_options.h"
#include "simulated_logger.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class EventLog;
class LineWriter;
class PtyDevice;
class QSocketNotifier;

/// Serves the logger's side of the line on the device: status frames while someone listens,
/// the PC's commands, and downloads with the pauses the PC relies on.
class LoggerServer : public QObject
{
    Q_OBJECT

public:
    /// A download request waits this long for its "X".
    static constexpr int kConfirmTimeoutMs = 3000;
    /// A clock-set whose next byte comes later than this is dropped.
    static constexpr int kCommandIdleMs = 3000;
    /// The pause between the download text and the lone "A", so that it comes on its own.
    static constexpr int kBeforeEndMarkerMs = 300;
    /// The pause after the "A" before status frames start again.
    static constexpr int kAfterEndMarkerMs = 1000;

    LoggerServer(PtyDevice &device, const SimOptions &options, EventLog &log,
                 QObject *parent = nullptr);

    /// Starts the frame clock.
    void start();

signals:
    /// The simulator has to end with this exit status (the hangup fault).
    void finished(int exitCode);
    /// The last listener went without clearing exclusive mode (it was killed), and the device
    /// now admits root alone: only a new device lets the next program in.
    void deviceHeld();

private:
    enum class State {
        Frames, ///< idle: status frames go out
        AwaitingConfirm, ///< "8" or "E" came; frames stopped until "X" or a time-out
        DiscardWait, ///< "X" came; waiting until the PC has thrown away what it had
        Sending, ///< the download text is going out
        BeforeEndMarker, ///< the text is out; the lone "A" follows
        AfterEndMarker, ///< the "A" is out; frames follow
    };

    void onFrameTick();
    void onReadable();
    void onStateTimeout();
    void onDrained();
    void onWriteFailed(int errorNumber);

    void handle(const LoggerCommand &command);
    void sendFrame();
    void startDownload();
    void hangUp();

    /// Notices a listener coming or going, from the device's hang-up state.
    void updateListener();
    void listenerGone();

    void enter(State state, int timeoutMs = -1);
    [[nodiscard]] static QDateTime pcNow();

    PtyDevice &m_device;
    SimOptions m_options;
    EventLog &m_log;
    SimulatedLogger m_logger;
    CommandParser m_parser;
    LineWriter *m_writer = nullptr;
    QSocketNotifier *m_readable = nullptr;
    QTimer m_frameTimer;
    QTimer m_stateTimer;
    QElapsedTimer m_sinceLastByte;
    State m_state = State::Frames;
    bool m_listening = false;
    bool m_wholeMemory = false;
    qint64 m_framesSent = 0;
};
