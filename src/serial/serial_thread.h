#pragma once

#include "runtime/ui_thread_call.h"
#include "serial/os/comm_device.h"
#include "serial/serial_types.h"

#include <QElapsedTimer>

#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

class QSocketNotifier;
class QTimer;
class TCustomSerialPort;

/// The device's event mask for a set of line events, and the events of a mask (bits that no
/// event stands for are dropped).
[[nodiscard]] std::uint32_t EventsToMask(TSerialEvents events);
[[nodiscard]] TSerialEvents MaskToEvents(std::uint32_t mask);

/// The event monitor of an open port: waits for the chosen line events and hands each set of
/// them to the port's handlers, as the port's SyncMethod says. Lives for one opening.
/// In thread-sync mode the user-interface thread reads the line itself when it becomes readable
/// and runs the handlers at once, as a plain event-driven reader would; events raised on other
/// threads wake it through the device. Events that come while a handler runs are gathered into
/// the next set, and the device's own reader takes over while the thread is busy, so the line
/// is read on however long a handler takes.
class TSerialThread : public TThread
{
public:
    /// Puts the event mask for events in place; Start() then begins waiting.
    TSerialThread(TCustomSerialPort &port, std::shared_ptr<comm::CommDevice> device,
                  TSerialEvents events, TSyncMethod syncMethod);
    /// Stops the thread and waits for its end.
    ~TSerialThread() override;

    /// Raises the stop signal; the wait in progress ends at once, and the line is no longer
    /// read on the user-interface thread.
    void Stop();
    /// On the user-interface thread: runs the handlers of events handed over and not yet
    /// handled, as the event loop would have.
    void DeliverPending() { m_handOver.runIfQueued(); }

protected:
    void Execute() override;

private:
    void Dispatch();
    /// On the user-interface thread: the line has bytes (or hung up), or a rest between reads
    /// of a trickling line is over.
    void InputReady();
    /// The handed-over run, on the user-interface thread.
    void HandOver();
    /// Reads what waits on the line into the input queue; returns the count read, and stops
    /// watching the line (−1) once nothing more can come.
    int PullInput();
    /// After a read that brought a few bytes: the line trickles, and the next bytes are taken
    /// after a short rest rather than as each arrives.
    void RestIfTrickling(int brought);
    /// The line is no longer read on this thread.
    void StopWatching();
    /// Runs the handlers of the pending events, on the user-interface thread.
    void DeliverEvents();

    TCustomSerialPort &m_port;
    std::shared_ptr<comm::CommDevice> m_device;
    const TSyncMethod m_syncMethod;
    comm::CommStopSignal m_stop;
    TSerialEvents m_events; ///< the events of the last completed wait
    /// A handler's exception, which ends monitoring.
    std::exception_ptr m_handlerFailure;
    std::mutex m_failureMutex;
    PostedStep m_handOver;
    /// The thread the port was opened on, where the handlers run in thread-sync mode.
    const std::thread::id m_uiThread;
    /// Watches the line in thread-sync mode (user-interface thread).
    std::unique_ptr<QSocketNotifier> m_inputNotifier;
    std::unique_ptr<QTimer> m_rest;
    bool m_watching = false; ///< the line is read on this thread (user-interface thread)
    QElapsedTimer m_lastRead; ///< since the last read that brought bytes
    bool m_smallRead = false; ///< it brought a few bytes at a serial line's pace
    bool m_rested = false; ///< the read now due ends a rest
    bool m_pulling = false; ///< a read of the line is in progress (user-interface thread)
    bool m_delivering = false; ///< a handed-over run is in progress (user-interface thread)
    bool m_deliverAgain = false; ///< it was asked for again meanwhile
};
