#include "serial/serial_thread.h"

#include "serial/serial_port.h"

#include <QElapsedTimer>

#include <array>
#include <utility>

namespace {

struct EventBit
{
    TSerialEvent event;
    std::uint32_t bit;
};

constexpr std::array<EventBit, 10> eventBits = {{
    {evRxChar, comm::EV_RXCHAR},
    {evTxEmpty, comm::EV_TXEMPTY},
    {evRxFlag, comm::EV_RXFLAG},
    {evRing, comm::EV_RING},
    {evBreak, comm::EV_BREAK},
    {evCTS, comm::EV_CTS},
    {evDSR, comm::EV_DSR},
    {evError, comm::EV_ERR},
    {evRLSD, comm::EV_RLSD},
    {evRx80Full, comm::EV_RX80FULL},
}};

/// How long the user-interface thread goes on handling event sets that keep coming before it
/// returns to its event loop.
constexpr qint64 backlogSliceMs = 5;

} // namespace

std::uint32_t EventsToMask(TSerialEvents events)
{
    std::uint32_t mask = 0;
    for (const EventBit &pair : eventBits)
        if (events.testFlag(pair.event))
            mask |= pair.bit;
    return mask;
}

TSerialEvents MaskToEvents(std::uint32_t mask)
{
    TSerialEvents events;
    for (const EventBit &pair : eventBits)
        if (mask & pair.bit)
            events |= pair.event;
    return events;
}

TSerialThread::TSerialThread(TCustomSerialPort &port, std::shared_ptr<comm::CommDevice> device,
                             TSerialEvents events, TSyncMethod syncMethod)
    : m_port(port)
    , m_device(std::move(device))
    , m_syncMethod(syncMethod)
    , m_handOver([this] { DeliverEvents(); })
{
    int error = 0;
    m_device->setCommMask(EventsToMask(events), error);
}

TSerialThread::~TSerialThread()
{
    Stop();
    WaitFor();
}

void TSerialThread::Execute()
{
    // Whether monitoring ends on the stop signal, on a failed wait or by a handler's exception,
    // the device stops reporting events and both queues are cleared.
    struct Cleanup
    {
        comm::CommDevice &device;
        ~Cleanup()
        {
            int error = 0;
            device.setEventSink(nullptr);
            device.setCommMask(0, error);
            device.purgeComm(comm::PURGE_TXCLEAR | comm::PURGE_RXCLEAR, error);
        }
    } cleanup {*m_device};

    if (m_syncMethod == smThreadSync) {
        // The device itself wakes the user-interface thread whenever events are pending, and
        // that thread takes them when it runs the handlers: one waiter for the line, no thread
        // of ours between it and the handlers. This one only keeps the opening's lifetime.
        m_device->setEventSink([this] { m_handOver.post(); });
        m_stop.wait();
        // A handler's exception ends the thread as if it had been thrown here.
        std::lock_guard lock(m_failureMutex);
        if (m_handlerFailure)
            std::rethrow_exception(m_handlerFailure);
        return;
    }
    for (;;) {
        std::uint32_t mask = 0;
        int error = 0;
        // A failed wait ends the loop: a device that is gone would otherwise fail every
        // following wait at once and the thread would spin.
        if (m_device->waitCommEvent(mask, m_stop, error)
            != comm::CommDevice::WaitOutcome::Completed)
            return;
        m_events = MaskToEvents(mask);
        if (m_events)
            Dispatch();
    }
}

void TSerialThread::Dispatch()
{
    switch (m_syncMethod) {
    case smThreadSync:
        break; // handed over by the device itself
    case smWindowSync:
        m_port.PostEventMessages(m_events);
        break;
    case smNone:
        m_port.RunEventHandlers(m_events);
        break;
    }
}

void TSerialThread::DeliverEvents()
{
    // Taken after the step left the queue: events raised from now on post it again. Events
    // that come while the handlers run wait in the device and make the next set; while sets
    // keep coming (a backlog held behind a full queue) they are handled here one after another
    // for a few milliseconds before the event loop gets its turn again.
    if (m_delivering) {
        // Reached from an event loop that a handler runs (a modal window): the next set waits
        // until that handler has returned.
        m_deliverAgain = true;
        return;
    }
    m_delivering = true;
    struct Delivering
    {
        TSerialThread &thread;
        ~Delivering()
        {
            thread.m_delivering = false;
            if (std::exchange(thread.m_deliverAgain, false))
                thread.m_handOver.post();
        }
    } delivering {*this};
    QElapsedTimer busy;
    busy.start();
    do {
        if (m_stop.isRaised())
            return;
        const TSerialEvents events = MaskToEvents(m_device->takeCommEvents());
        if (!events)
            return;
        try {
            m_port.RunEventHandlers(events);
        } catch (...) {
            {
                std::lock_guard lock(m_failureMutex);
                m_handlerFailure = std::current_exception();
            }
            Stop();
            return;
        }
    } while (busy.elapsed() < backlogSliceMs);
}
