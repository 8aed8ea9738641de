#pragma once

#include <QObject>

class QSocketNotifier;

/// Turns SIGINT, SIGTERM and SIGHUP into an orderly quit: the signal handler only writes the
/// signal's number to a pipe, and the event loop reads it and says `received`, so that the
/// program closes its port and ends as ordinary code. Only one may exist at a time; while it
/// exists a second signal is read the same way, and once it is gone the signals do what they
/// did before. A signal that the program was started to ignore (nohup) stays ignored.
class QuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals &) = delete;
    QuitSignals &operator=(const QuitSignals &) = delete;

    /// The first signal that came, or 0.
    [[nodiscard]] int signalNumber() const { return m_signal; }
    /// The first signal that came since the watcher was made, or 0, known at once: for work
    /// that runs without the event loop and looks between its steps.
    [[nodiscard]] static int caught();

    /// A function the handler calls after it noted the signal, to cut short a wait the program
    /// is blocked in; it must be async-signal-safe. None by default.
    using Hook = void (*)();
    static void setHook(Hook hook);
    /// The exit status of a program ended by a signal: 128 and its number (130 for SIGINT,
    /// 143 for SIGTERM, 129 for SIGHUP).
    [[nodiscard]] static int exitCode(int signalNumber) { return 128 + signalNumber; }

signals:
    /// One of the signals came; said once per signal, on the event loop.
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    int m_signal = 0;
};
