#include "serial/serial_thread.h"

#include "serial/serial_port.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

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
/// While the line trickles, its bytes are taken at this period rather than at every arrival:
/// a download at line rate then costs about a dozen turns of the event loop a second instead
/// of hundreds, each with what came during the rest, and no byte waits longer than this. The
/// first byte after a quiet line and a backlog are taken at once.
constexpr int trickleRestMs = 80;
/// The line trickles when two reads in a row each bring fewer bytes than this, each a few ms
/// after the one before: a serial line's steady pace (a few ms of it at 115200 baud, as a USB
/// adapter or the simulator hands it over, or what a rest gathered: 920 bytes), not a backlog,
/// nor lone status frames.
constexpr int trickleBytes = 2048;
constexpr qint64 trickleShortestGapMs = 1;
/// Longer than a rest, with room for a timer that fires late on a busy machine.
constexpr qint64 trickleLongestGapMs = 150;
/// A read after a rest that brings fewer bytes than half of what the rest gathers at 115200
/// baud shows a burst that came and stopped (a reply to what was sent, say), not a line that
/// streams: the rests end there, and the next bytes are taken as they come.
constexpr int restedStreamBytes = 11520 * trickleRestMs / 1000 / 2;

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
    , m_handOver([this] { HandOver(); })
    , m_uiThread(std::this_thread::get_id())
{
    int error = 0;
    m_device->setCommMask(EventsToMask(events), error);
    const int descriptor = m_device->inputDescriptor();
    if (m_syncMethod == smThreadSync && descriptor >= 0) {
        m_inputNotifier = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
        QObject::connect(m_inputNotifier.get(), &QSocketNotifier::activated,
                         m_inputNotifier.get(), [this] { InputReady(); });
        m_rest = std::make_unique<QTimer>();
        m_rest->setSingleShot(true);
        m_rest->setInterval(trickleRestMs);
        QObject::connect(m_rest.get(), &QTimer::timeout, m_rest.get(), [this] { InputReady(); });
        m_watching = true;
        m_device->setInputWatched(true);
    }
}

TSerialThread::~TSerialThread()
{
    Stop();
    WaitFor();
}

void TSerialThread::Stop()
{
    m_stop.raise();
    // The device may be closed right after this, and its descriptor number used again.
    if (m_inputNotifier && std::this_thread::get_id() == m_uiThread)
        StopWatching();
}

void TSerialThread::StopWatching()
{
    m_watching = false;
    m_inputNotifier->setEnabled(false);
    m_rest->stop();
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
            device.setInputWatched(false);
            device.setCommMask(0, error);
            device.purgeComm(comm::PURGE_TXCLEAR | comm::PURGE_RXCLEAR, error);
        }
    } cleanup {*m_device};

    if (m_syncMethod == smThreadSync) {
        // The user-interface thread reads the line when it is readable and runs the handlers
        // straight away; events raised elsewhere (by the device's reader while that thread is
        // busy, a modem line, the end of a transmission) wake it through the device. No
        // thread of ours stands between the line and the handlers; this one only keeps the
        // opening's lifetime.
        m_device->setEventSink([this] {
            // Raised by a read or a handler on the user-interface thread while a read or a
            // delivery runs there: that delivery takes them before it ends.
            if (std::this_thread::get_id() == m_uiThread && (m_pulling || m_delivering))
                return;
            m_handOver.post();
        });
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

void TSerialThread::InputReady()
{
    if (m_stop.isRaised())
        return;
    const int brought = PullInput();
    DeliverEvents();
    RestIfTrickling(brought);
}

void TSerialThread::RestIfTrickling(int brought)
{
    if (!m_watching || m_stop.isRaised())
        return;
    bool trickling = false;
    if (brought > 0) {
        const qint64 gap = m_lastRead.isValid() ? m_lastRead.elapsed() : trickleLongestGapMs + 1;
        const bool small = brought < trickleBytes && gap >= trickleShortestGapMs
            && gap <= trickleLongestGapMs;
        const bool streaming = !m_rested || brought >= restedStreamBytes;
        trickling = small && m_smallRead && streaming;
        m_smallRead = small && streaming;
        m_lastRead.start();
    }
    m_rested = trickling;
    // Quiet or a backlog: the next byte is taken as it comes.
    m_inputNotifier->setEnabled(!trickling);
    if (trickling)
        m_rest->start();
}

void TSerialThread::HandOver()
{
    // Bytes may wait on the line that the device's reader left there, and a read here tells
    // that reader this thread reads again.
    PullInput();
    DeliverEvents();
}

int TSerialThread::PullInput()
{
    if (!m_watching || m_stop.isRaised())
        return -1;
    m_pulling = true;
    const int brought = m_device->readWaiting();
    m_pulling = false;
    // A device that is gone stays readable (hung up): watching it would spin.
    if (brought < 0)
        StopWatching();
    return brought;
}

void TSerialThread::DeliverEvents()
{
    // Events raised on other threads from now on post the hand-over again. Events that come
    // while the handlers run wait in the device and make the next set; while sets keep coming
    // (a backlog held behind a full queue) they are handled here one after another for a few
    // milliseconds, and then the event loop gets its turn before the rest.
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
    for (;;) {
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
        if (busy.elapsed() >= backlogSliceMs) {
            m_handOver.post(); // the rest after the event loop's turn
            return;
        }
    }
}
