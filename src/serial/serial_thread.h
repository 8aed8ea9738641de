#pragma once

#include "runtime/ui_thread_call.h"
#include "serial/os/comm_device.h"
#include "serial/serial_types.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>

class TCustomSerialPort;

/// The device's event mask for a set of line events, and the events of a mask (bits that no
/// event stands for are dropped).
[[nodiscard]] std::uint32_t EventsToMask(TSerialEvents events);
[[nodiscard]] TSerialEvents MaskToEvents(std::uint32_t mask);

/// The event monitor of an open port: waits for the chosen line events and hands each set of
/// them to the port's handlers, as the port's SyncMethod says. Lives for one opening.
/// In thread-sync mode the device wakes the user-interface thread itself and events that come
/// while a handler runs are gathered into the next set, so the line is read on however long
/// a handler takes.
class TSerialThread : public TThread
{
public:
    /// Puts the event mask for events in place; Start() then begins waiting.
    TSerialThread(TCustomSerialPort &port, std::shared_ptr<comm::CommDevice> device,
                  TSerialEvents events, TSyncMethod syncMethod);
    /// Stops the thread and waits for its end.
    ~TSerialThread() override;

    /// Raises the stop signal; the wait in progress ends at once.
    void Stop() { m_stop.raise(); }
    /// On the user-interface thread: runs the handlers of events handed over and not yet
    /// handled, as the event loop would have.
    void DeliverPending() { m_handOver.runIfQueued(); }

protected:
    void Execute() override;

private:
    void Dispatch();
    /// The handed-over run, on the user-interface thread.
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
    bool m_delivering = false; ///< a handed-over run is in progress (user-interface thread)
    bool m_deliverAgain = false; ///< it was asked for again meanwhile
};
