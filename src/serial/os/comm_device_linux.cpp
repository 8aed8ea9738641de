// The serial device on Linux: termios and tty ioctls under the Windows communications model.
//
// The tty is drained into a queue of our own, so that line events are edge-like (bytes left
// unread never make the next event wait return at once) and the read time-outs can be measured
// against byte arrivals. An internal reader thread does the draining, unless a caller watches
// the tty itself and reads when it becomes readable (a user-interface thread with a socket
// notifier): then the reader only guards against a watcher that stops reading. It wakes when
// bytes arrive and looks again a while later whether they still wait unread; once the watcher is
// seen to read as bytes come, it sleeps on a deadline that each of the watcher's reads pushes
// forward, and wakes only when the watcher falls quiet. It takes over while bytes wait unread,
// or while a read waits for bytes. Reading never stops: what does not fit in the
// queue waits in a holding buffer behind it, so that a program that stalls for a while loses
// nothing even where the adapter itself has little room. A second thread waits for modem line
// changes on devices that have modem lines.
#include "serial/os/comm_device.h"
#include "serial/os/custom_baud_rate.h"
#include "serial/os/device_lock_file.h"
#include "serial/os/tty_marks.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <initializer_list>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

namespace comm {
namespace {

using Clock = std::chrono::steady_clock;

/// Capacity of the input queue until setupComm gives one.
constexpr std::uint32_t defaultQueueSize = 4096;
/// Upper bound for a queue size; larger requests are refused rather than allocated.
constexpr std::uint32_t largestQueueSize = 16u << 20;
/// What the holding buffer keeps beyond a full queue: far more than a stalled window needs at
/// 115200 baud (about 90 s of the line). Past it bytes are dropped as an input overflow.
constexpr std::size_t holdingLimit = 1u << 20;
/// The tty's bytes are taken in blocks of this size.
constexpr std::size_t readBlock = 64u << 10;
/// While a caller watches the tty, how long after bytes arrive the reader looks whether they
/// still wait unread. Bytes waiting at the arrival and at the look, or at two looks in a row,
/// with no read by the watcher between them make it take over: at 115200 baud at most about
/// 2.3 KB gather before it does, well within the kernel's own buffer. A quiet line wakes the
/// reader not at all.
constexpr auto watcherLookPeriod = std::chrono::milliseconds(100);
/// Once bytes arrive while the watcher has read everything that came before them, the watcher
/// reads as bytes come: the reader then stops waking at arrivals and sleeps until this long
/// after the watcher's last read. Longer than the logger's one-second status frame interval
/// with margin, so that an idle connected line never wakes the reader; far shorter than the
/// time the kernel's tty buffers take to fill at 115200 baud (about 17 KB gather at most).
constexpr auto watcherQuietLimit = std::chrono::milliseconds(1500);
/// Pseudo-terminal slaves have these device majors.
constexpr unsigned firstPtyMajor = 136;
constexpr unsigned lastPtyMajor = 143;
/// How often modem lines are read on devices that have them but cannot wait for a change.
constexpr auto modemCheckPeriod = std::chrono::milliseconds(50);

speed_t standardSpeed(std::uint32_t rate)
{
    switch (rate) {
    case 50:
        return B50;
    case 75:
        return B75;
    case 110:
        return B110;
    case 134:
        return B134;
    case 150:
        return B150;
    case 200:
        return B200;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 1800:
        return B1800;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 500000:
        return B500000;
    case 576000:
        return B576000;
    case 921600:
        return B921600;
    case 1000000:
        return B1000000;
    default:
        return B0;
    }
}

/// memcpy that takes an empty range with null pointers, as an empty vector gives.
void copyBytes(void *to, const void *from, std::size_t count)
{
    if (count > 0)
        std::memcpy(to, from, count);
}

bool unsupported(int error)
{
    return error == ENOTTY || error == EINVAL;
}

/// Builds the termios of a device-control record on top of the tty's current one; marks says
/// whether errors and breaks are marked in the data.
bool buildTermios(const CommState &state, bool marks, termios &t, int &errorNumber)
{
    const bool validSize = state.ByteSize >= 5 && state.ByteSize <= 8;
    // One and a half stop bits exist only with 5 data bits, two only with 6 to 8.
    const bool validStops = state.StopBits == 0 || (state.StopBits == 1 && state.ByteSize == 5)
        || (state.StopBits == 2 && state.ByteSize > 5);
    if (!validSize || !validStops || state.Parity > 4 || state.fDtrControl < 0
        || state.fDtrControl > 2 || state.fRtsControl < 0 || state.fRtsControl > 3
        || state.BaudRate == 0) {
        errorNumber = EINVAL;
        return false;
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= sizes[state.ByteSize - 5];
    switch (state.Parity) {
    case 1:
        t.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        t.c_cflag |= PARENB;
        break;
    case 3:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 4:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (state.StopBits != 0)
        t.c_cflag |= CSTOPB;
    if (state.fOutxCtsFlow || state.fRtsControl == 2)
        t.c_cflag |= CRTSCTS;
    // Errors and breaks are marked in the data so that the reader can report them; a break
    // must never flush the queues, and no byte is translated.
    t.c_iflag &= ~(IGNPAR | IGNBRK | BRKINT | ISTRIP | ICRNL | INLCR | IGNCR | IXON | IXOFF
                   | IXANY | INPCK | PARMRK);
    if (marks)
        t.c_iflag |= INPCK | PARMRK;
    if (state.fOutX)
        t.c_iflag |= IXON;
    if (state.fInX)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = cc_t(state.XonChar);
    t.c_cc[VSTOP] = cc_t(state.XoffChar);
    // One byte satisfies a read, so that poll() reports any waiting byte.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    const speed_t speed = standardSpeed(state.BaudRate);
    // A rate without a B* constant is set afterwards through termios2.
    cfsetispeed(&t, speed != B0 ? speed : B38400);
    cfsetospeed(&t, speed != B0 ? speed : B38400);
    return true;
}

void noSignalHandler(int) { }

/// The signal that interrupts a modem-line wait so that its thread can end.
int wakeSignal()
{
    static const int signal = [] {
        const int chosen = SIGRTMIN + 3;
        struct sigaction action
        {
        };
        action.sa_handler = noSignalHandler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: the interrupted ioctl must return EINTR
        sigaction(chosen, &action, nullptr);
        return chosen;
    }();
    return signal;
}

/// A tty opened exclusively, with its reader and modem threads.
class LinuxCommDevice final : public CommDevice
{
public:
    LinuxCommDevice(int fd, int wakeFd, bool isPty, const termios &original,
                    std::unique_ptr<DeviceLockFile> lock)
        : m_fd(fd)
        , m_wakeFd(wakeFd)
        , m_deadlineFd(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
        , m_isPty(isPty)
        , m_original(original)
        , m_lock(std::move(lock))
        , m_readBuffer(readBlock)
        , m_ring(defaultQueueSize)
    {
        unsigned int lines = 0;
        m_hasModemLines = ioctl(m_fd, TIOCMGET, &lines) == 0;
        m_hasCounters = ioctl(m_fd, TIOCGICOUNT, &m_counters) == 0;
        m_lastModemLines = lines;
        // Named, so that a look at the process's threads tells which one is awake.
        m_reader = std::thread([this] { readerLoop(); });
        pthread_setname_np(m_reader.native_handle(), "serial-reader");
        if (m_hasModemLines) {
            if (m_hasCounters)
                wakeSignal();
            m_modem = std::thread([this] { modemLoop(); });
            pthread_setname_np(m_modem.native_handle(), "serial-modem");
        }
    }

    ~LinuxCommDevice() override { close(); }

    void close() override
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            // From here on no operation touches the descriptors, so they can be closed once
            // the threads that use them have ended.
            m_stopping = true;
        }
        m_eventCv.notify_all();
        m_dataCv.notify_all();
        m_modemCv.notify_all();
        wakeReader();
        m_reader.join();
        if (m_modem.joinable()) {
            // A modem-line wait only ends on a change or a signal: signal it until it is gone.
            std::unique_lock lock(m_mutex);
            while (!m_modemEnded) {
                if (m_hasCounters)
                    pthread_kill(m_modem.native_handle(), wakeSignal());
                m_modemCv.wait_for(lock, std::chrono::milliseconds(10));
            }
            lock.unlock();
            m_modem.join();
        }
        {
            // Operations that were already using the descriptor end first (each is bounded by
            // its time-outs); none starts from now on.
            std::unique_lock lock(m_mutex);
            m_descriptorFree.wait(lock, [this] { return m_descriptorUsers == 0; });
        }
        // A device that is gone fails these; there is nothing left to restore then.
        std::lock_guard readLock(m_readMutex);
        ioctl(m_fd, TIOCNXCL);
        tcsetattr(m_fd, TCSANOW, &m_original);
        ::close(m_fd);
        ::close(m_wakeFd);
        if (m_deadlineFd >= 0)
            ::close(m_deadlineFd);
        m_lock.reset();
    }

    bool deviceGone() const override
    {
        std::lock_guard lock(m_mutex);
        return m_gone;
    }

    bool setupComm(std::uint32_t inputSize, std::uint32_t outputSize, int &errorNumber) override
    {
        if (inputSize == 0 || inputSize > largestQueueSize || outputSize > largestQueueSize) {
            errorNumber = EINVAL;
            return false;
        }
        std::lock_guard lock(m_mutex);
        if (closedLocked(errorNumber))
            return false;
        if (inputSize != m_ring.size()) {
            // The waiting bytes keep their order, the queue's before the held ones, and what
            // a smaller queue cannot take is held.
            std::vector<char> waiting(m_count + heldLocked());
            const std::size_t first = std::min(m_count, m_ring.size() - m_head);
            copyBytes(waiting.data(), m_ring.data() + m_head, first);
            copyBytes(waiting.data() + first, m_ring.data(), m_count - first);
            copyBytes(waiting.data() + m_count, m_held.data() + m_heldHead, heldLocked());
            m_held.clear();
            m_heldHead = 0;
            m_ring.assign(inputSize, 0);
            m_head = 0;
            m_count = 0;
            std::uint32_t events = 0;
            appendPlainLocked(waiting.data(), waiting.size(), events);
            resumeReaderLocked();
        }
        m_outputSize = outputSize;
        return true;
    }

    bool setCommState(const CommState &state, int &errorNumber) override
    {
        const DescriptorUse use(*this, errorNumber);
        if (!use)
            return false;
        termios t {};
        if (tcgetattr(m_fd, &t) != 0) {
            errorNumber = errno;
            return false;
        }
        if (!buildTermios(state, marksErrors(), t, errorNumber))
            return false;
        if (tcsetattr(m_fd, TCSANOW, &t) != 0) {
            errorNumber = errno;
            return false;
        }
        const bool customRate = standardSpeed(state.BaudRate) == B0;
        if (customRate && !custom_rate::setBaudRate(m_fd, state.BaudRate, errorNumber))
            return false;
        if (!verifySettings(state, t, errorNumber))
            return false;
        if (m_hasModemLines) {
            int dtr = TIOCM_DTR;
            if (ioctl(m_fd, state.fDtrControl == 0 ? TIOCMBIC : TIOCMBIS, &dtr) != 0) {
                errorNumber = errno;
                return false;
            }
            // Under handshake the kernel drives RTS; with toggle it rests low.
            int rts = TIOCM_RTS;
            const bool raise = state.fRtsControl == 1 || state.fRtsControl == 2;
            if (ioctl(m_fd, raise ? TIOCMBIS : TIOCMBIC, &rts) != 0) {
                errorNumber = errno;
                return false;
            }
        }
        std::lock_guard lock(m_mutex);
        m_state = state;
        return true;
    }

    bool setCommTimeouts(const CommTimeouts &timeouts, int &) override
    {
        std::lock_guard lock(m_mutex);
        m_timeouts = timeouts;
        return true;
    }

    bool setCommMask(std::uint32_t mask, int &) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_mask = mask;
            m_pending &= mask;
            ++m_maskGeneration;
        }
        m_eventCv.notify_all();
        return true;
    }

    void setEventSink(std::function<void()> sink) override
    {
        std::lock_guard lock(m_mutex);
        m_eventSink = std::move(sink);
        if (m_eventSink && m_pending)
            m_eventSink();
    }

    std::uint32_t takeCommEvents() override
    {
        std::lock_guard lock(m_mutex);
        const std::uint32_t events = m_pending & m_mask;
        m_pending &= ~events;
        return events;
    }

    int inputDescriptor() const override { return m_fd; }

    void setInputWatched(bool watched) override
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            m_watched = watched;
        }
        wakeReader();
    }

    int readWaiting() override { return readAvailable(true); }

    WaitOutcome waitCommEvent(std::uint32_t &events, CommStopSignal &stop,
                              int &errorNumber) override
    {
        setStopWaker(stop, [this] {
            std::lock_guard lock(m_mutex);
            m_eventCv.notify_all();
        });
        struct Unhook
        {
            CommStopSignal &stop;
            ~Unhook() { setStopWaker(stop, nullptr); }
        } unhook {stop};

        std::unique_lock lock(m_mutex);
        const std::uint64_t generation = m_maskGeneration;
        if (m_mask == 0) {
            errorNumber = EINVAL;
            return WaitOutcome::Failed;
        }
        for (;;) {
            if (stop.isRaised() || m_stopping)
                return WaitOutcome::Stopped;
            if (m_pending & m_mask) {
                events = m_pending & m_mask;
                m_pending &= ~events;
                return WaitOutcome::Completed;
            }
            if (generation != m_maskGeneration) {
                events = 0;
                return WaitOutcome::Completed;
            }
            if (m_gone) {
                errorNumber = m_goneError;
                return WaitOutcome::Failed;
            }
            m_eventCv.wait(lock);
        }
    }

    bool writeFile(const char *data, int count, int &written, int &errorNumber) override
    {
        written = 0;
        if (count <= 0)
            return true;
        const DescriptorUse use(*this, errorNumber);
        if (!use)
            return false;
        CommTimeouts timeouts;
        bool toggleRts = false;
        {
            std::lock_guard lock(m_mutex);
            if (m_gone) {
                errorNumber = m_goneError;
                return false;
            }
            timeouts = m_timeouts;
            toggleRts = m_state.fRtsControl == 3 && m_hasModemLines;
        }
        const std::uint64_t limitMs =
            std::uint64_t(timeouts.WriteTotalTimeoutMultiplier) * std::uint64_t(count)
            + timeouts.WriteTotalTimeoutConstant;
        const bool bounded = limitMs != 0;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
        int rts = TIOCM_RTS;
        if (toggleRts)
            ioctl(m_fd, TIOCMBIS, &rts);
        bool ok = true;
        while (written < count) {
            const ssize_t n = ::write(m_fd, data + written, std::size_t(count - written));
            if (n > 0) {
                written += int(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN) {
                errorNumber = errno;
                ok = false;
                break;
            }
            int waitMs = -1;
            if (bounded) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
                if (left.count() <= 0)
                    break; // the write time-out ran out: the result is what was taken
                waitMs = int(std::min<std::int64_t>(left.count() + 1, 1 << 30));
            }
            pollfd fd {m_fd, POLLOUT, 0};
            const int ready = ::poll(&fd, 1, waitMs);
            if (ready < 0 && errno != EINTR) {
                errorNumber = errno;
                ok = false;
                break;
            }
            if (ready > 0 && (fd.revents & (POLLERR | POLLHUP | POLLNVAL))
                && !(fd.revents & POLLOUT)) {
                errorNumber = EIO;
                ok = false;
                break;
            }
        }
        if (toggleRts) {
            tcdrain(m_fd);
            ioctl(m_fd, TIOCMBIC, &rts);
        }
        if (written > 0) {
            std::lock_guard lock(m_mutex);
            if (m_mask & EV_TXEMPTY) {
                m_txPending = true;
                wakeReader();
            }
        }
        return ok;
    }

    bool readFile(char *data, int count, int &read, int &errorNumber) override
    {
        read = 0;
        if (count <= 0)
            return true;
        // What waits on the line counts as waiting here too, whoever else reads the tty.
        if (m_watched.load() && std::size_t(count) > waitingBytes())
            readAvailable(false);
        std::unique_lock lock(m_mutex);
        if (closedLocked(errorNumber))
            return false;
        // While this read waits for bytes, the reader drains the tty even if a watcher does
        // too: the watcher may be the very thread that waits here.
        struct BlockedRead
        {
            LinuxCommDevice &device;
            bool counted = false;
            ~BlockedRead()
            {
                if (counted)
                    --device.m_blockedReads; // under the read's lock, still held
            }
        } blocked {*this};
        const std::uint32_t interval = m_timeouts.ReadIntervalTimeout;
        const std::uint32_t multiplier = m_timeouts.ReadTotalTimeoutMultiplier;
        const std::uint32_t constant = m_timeouts.ReadTotalTimeoutConstant;
        const bool atOnce = interval == allOnes && multiplier == 0 && constant == 0;
        // All-ones interval and multiplier with a constant: whatever is there, else the first
        // bytes to come within the constant.
        const bool firstBytes =
            interval == allOnes && multiplier == allOnes && constant != 0 && constant != allOnes;
        const bool useInterval = interval != 0 && interval != allOnes;
        bool useTotal = false;
        Clock::time_point totalDeadline;
        if (firstBytes) {
            useTotal = true;
            totalDeadline = Clock::now() + std::chrono::milliseconds(constant);
        } else if (multiplier != 0 || constant != 0) {
            useTotal = true;
            totalDeadline = Clock::now()
                + std::chrono::milliseconds(std::uint64_t(multiplier) * std::uint64_t(count)
                                            + constant);
        }
        const std::uint64_t abortGeneration = m_rxAbortGeneration;
        Clock::time_point lastByte;
        for (;;) {
            const int taken = takeLocked(data + read, count - read);
            if (taken > 0) {
                read += taken;
                lastByte = std::max(Clock::now(), m_lastArrival);
            }
            if (read == count || atOnce || (firstBytes && read > 0))
                return true;
            if (m_gone || m_stopping) {
                if (read > 0)
                    return true;
                errorNumber = m_gone ? m_goneError : EBADF;
                return false;
            }
            if (abortGeneration != m_rxAbortGeneration) {
                errorNumber = ECANCELED;
                return false;
            }
            const Clock::time_point now = Clock::now();
            Clock::time_point deadline = Clock::time_point::max();
            if (useTotal)
                deadline = totalDeadline;
            if (useInterval && read > 0) {
                // The gap is measured from the latest arrival, or from when the read took bytes
                // that had been waiting.
                const Clock::time_point gapEnd =
                    std::max(lastByte, m_lastArrival) + std::chrono::milliseconds(interval);
                deadline = std::min(deadline, gapEnd);
            }
            if (now >= deadline)
                return true;
            if (!blocked.counted && m_watched.load()) {
                blocked.counted = true;
                ++m_blockedReads;
                wakeReader();
            }
            if (deadline == Clock::time_point::max())
                m_dataCv.wait(lock);
            else
                m_dataCv.wait_until(lock, deadline);
        }
    }

    bool purgeComm(std::uint32_t flags, int &errorNumber) override
    {
        const DescriptorUse use(*this, errorNumber);
        if (!use)
            return false;
        if (flags & PURGE_RXABORT) {
            {
                std::lock_guard lock(m_mutex);
                ++m_rxAbortGeneration;
            }
            m_dataCv.notify_all();
        }
        if (flags & PURGE_TXCLEAR) {
            if (tcflush(m_fd, TCOFLUSH) != 0) {
                errorNumber = errno;
                return false;
            }
        }
        if (flags & PURGE_RXCLEAR) {
            // Bytes that a drain has taken from the tty but not yet queued are purged too:
            // the purge waits for that drain to end.
            std::lock_guard readLock(m_readMutex);
            std::lock_guard lock(m_mutex);
            m_head = 0;
            m_count = 0;
            m_held.clear();
            m_heldHead = 0;
            m_marks.reset();
            resumeReaderLocked();
            if (tcflush(m_fd, TCIFLUSH) != 0) {
                errorNumber = errno;
                return false;
            }
        }
        return true;
    }

    bool clearCommError(std::uint32_t &errors, int &waiting, int &errorNumber) override
    {
        // An empty queue looks at the line too, so that a caller that asks again and again
        // sees bytes come whoever else reads the tty.
        if (m_watched.load() && waitingBytes() == 0)
            readAvailable(false);
        std::lock_guard lock(m_mutex);
        if (closedLocked(errorNumber))
            return false;
        if (m_hasCounters)
            raiseLocked(takeCountersLocked());
        // A device that is gone stays gone: keep saying so, or a waiting-count query that
        // happens to run first would clear the only report of it.
        errors = m_errors | (m_gone ? CE_IOE : 0u);
        m_errors = 0;
        waiting = int(m_count);
        return true;
    }

    bool getCommModemStatus(std::uint32_t &status, int &errorNumber) override
    {
        status = 0;
        const DescriptorUse use(*this, errorNumber);
        if (!use)
            return false;
        if (!m_hasModemLines)
            return true; // a device without modem lines reports every line low
        unsigned int lines = 0;
        if (ioctl(m_fd, TIOCMGET, &lines) != 0) {
            errorNumber = errno;
            return false;
        }
        status = modemStatusOf(lines);
        return true;
    }

private:
    /// A pseudo-terminal has no line on which a byte could arrive damaged or a break could
    /// happen: it is read in plain raw mode, which the kernel passes on far faster than marked
    /// data.
    [[nodiscard]] bool marksErrors() const { return !m_isPty; }

    /// True with EBADF once close() has begun.
    bool closedLocked(int &errorNumber) const
    {
        if (m_stopping)
            errorNumber = EBADF;
        return m_stopping;
    }

    /// Keeps close() from closing the descriptor while an operation uses it: no operation
    /// starts on it once close() has begun (false with EBADF), and close() waits for those in
    /// progress, so that an object that outlives its opening (held by an event monitor that
    /// ends late) never touches a descriptor number that a later opening may have.
    class DescriptorUse
    {
    public:
        DescriptorUse(LinuxCommDevice &device, int &errorNumber)
            : m_device(device)
        {
            std::lock_guard lock(device.m_mutex);
            m_entered = !device.closedLocked(errorNumber);
            if (m_entered)
                ++device.m_descriptorUsers;
        }
        ~DescriptorUse()
        {
            if (!m_entered)
                return;
            std::lock_guard lock(m_device.m_mutex);
            if (--m_device.m_descriptorUsers == 0)
                m_device.m_descriptorFree.notify_all();
        }
        DescriptorUse(const DescriptorUse &) = delete;
        DescriptorUse &operator=(const DescriptorUse &) = delete;
        explicit operator bool() const { return m_entered; }

    private:
        LinuxCommDevice &m_device;
        bool m_entered = false;
    };

    static std::uint32_t modemStatusOf(unsigned int lines)
    {
        std::uint32_t status = 0;
        if (lines & TIOCM_CTS)
            status |= MS_CTS_ON;
        if (lines & TIOCM_DSR)
            status |= MS_DSR_ON;
        if (lines & TIOCM_RNG)
            status |= MS_RING_ON;
        if (lines & TIOCM_CD)
            status |= MS_RLSD_ON;
        return status;
    }

    /// On a pty the kernel keeps data bits and parity but reads them back as 8N1, so only the
    /// rate is compared there.
    bool verifySettings(const CommState &state, const termios &wanted, int &errorNumber)
    {
        termios actual {};
        if (tcgetattr(m_fd, &actual) != 0) {
            errorNumber = errno;
            return false;
        }
        std::uint32_t rate = 0;
        if (!custom_rate::readBaudRate(m_fd, rate, errorNumber))
            return false;
        bool same = rate == state.BaudRate;
        if (!m_isPty) {
            const tcflag_t compared = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
            same = same && (actual.c_cflag & compared) == (wanted.c_cflag & compared);
        }
        if (!same)
            errorNumber = EINVAL;
        return same;
    }

    void wakeReader()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }

    [[nodiscard]] std::size_t heldLocked() const { return m_held.size() - m_heldHead; }

    /// The bytes read from the tty and not yet taken: the queue's and the held ones.
    [[nodiscard]] std::size_t waitingBytes() const
    {
        std::lock_guard lock(m_mutex);
        return m_count + heldLocked();
    }

    /// Lets the other end send again once the queue has emptied below the XON limit.
    void resumeReaderLocked()
    {
        if (m_stopping)
            return;
        if (m_xoffSent && m_count + heldLocked() < m_state.XonLim) {
            m_xoffSent = false;
            tcflow(m_fd, TCION);
        }
    }

    /// Copies up to n bytes into the queue behind its waiting ones; returns the count copied.
    std::size_t pushRingLocked(const char *data, std::size_t n)
    {
        const std::size_t size = m_ring.size();
        n = std::min(n, size - m_count);
        const std::size_t tail = (m_head + m_count) % size;
        const std::size_t first = std::min(n, size - tail);
        copyBytes(m_ring.data() + tail, data, first);
        copyBytes(m_ring.data(), data + first, n - first);
        m_count += n;
        return n;
    }

    /// Moves held bytes into the room the queue has; true if any moved.
    bool refillLocked()
    {
        const std::size_t moved = pushRingLocked(m_held.data() + m_heldHead, heldLocked());
        m_heldHead += moved;
        if (m_heldHead == m_held.size()) {
            m_held.clear();
            m_heldHead = 0;
        } else if (m_heldHead >= holdingLimit / 2) {
            m_held.erase(m_held.begin(), m_held.begin() + std::ptrdiff_t(m_heldHead));
            m_heldHead = 0;
        }
        return moved > 0;
    }

    int takeLocked(char *data, int wanted)
    {
        std::size_t done = 0;
        bool refilled = false;
        const std::size_t size = m_ring.size();
        while (done < std::size_t(wanted)) {
            if (m_count == 0) {
                refilled = refillLocked() || refilled;
                if (m_count == 0)
                    break;
            }
            const std::size_t n = std::min(std::size_t(wanted) - done, m_count);
            const std::size_t first = std::min(n, size - m_head);
            copyBytes(data + done, m_ring.data() + m_head, first);
            copyBytes(data + done + first, m_ring.data(), n - first);
            m_head = (m_head + n) % size;
            m_count -= n;
            done += n;
        }
        if (m_count == 0)
            m_head = 0;
        refilled = refillLocked() || refilled;
        // Held bytes that have just come into the queue were never reported in it: without a
        // new receive event, a stream that stops while bytes are held would leave them there.
        if (refilled && m_count > 0)
            raiseLocked(EV_RXCHAR);
        if (done > 0)
            resumeReaderLocked();
        return int(done);
    }

    void raiseLocked(std::uint32_t events)
    {
        m_pending |= events & m_mask;
        if (!m_pending)
            return;
        if (m_eventSink)
            m_eventSink();
        else
            m_eventCv.notify_all();
    }

    /// Turns kernel counter deltas into error flags and line events.
    std::uint32_t takeCountersLocked()
    {
        serial_icounter_struct now {};
        if (ioctl(m_fd, TIOCGICOUNT, &now) != 0)
            return 0;
        std::uint32_t events = 0;
        std::uint32_t errors = 0;
        if (now.cts != m_counters.cts)
            events |= EV_CTS;
        if (now.dsr != m_counters.dsr)
            events |= EV_DSR;
        if (now.rng != m_counters.rng)
            events |= EV_RING;
        if (now.dcd != m_counters.dcd)
            events |= EV_RLSD;
        if (now.frame != m_counters.frame)
            errors |= CE_FRAME;
        if (now.parity != m_counters.parity && m_state.fParity)
            errors |= CE_RXPARITY;
        if (now.overrun != m_counters.overrun)
            errors |= CE_OVERRUN;
        if (now.buf_overrun != m_counters.buf_overrun)
            errors |= CE_RXOVER;
        if (now.brk != m_counters.brk) {
            errors |= CE_BREAK;
            events |= EV_BREAK;
        }
        m_counters = now;
        m_errors |= errors;
        if (errors & (CE_FRAME | CE_RXPARITY | CE_OVERRUN | CE_RXOVER))
            events |= EV_ERR;
        return events;
    }

    /// Appends bytes that need no more decoding: into the queue while it has room and nothing
    /// is held, the rest into the holding buffer up to its limit; past it they are dropped as
    /// an input overflow. Returns the count stored.
    std::size_t appendPlainLocked(const char *data, std::size_t n, std::uint32_t &events)
    {
        if (n == 0)
            return 0;
        if ((m_mask & EV_RXFLAG) && std::memchr(data, m_state.EvtChar, n))
            events |= EV_RXFLAG;
        std::size_t done = heldLocked() == 0 ? pushRingLocked(data, n) : 0;
        const std::size_t room = holdingLimit - std::min(holdingLimit, heldLocked());
        const std::size_t held = std::min(n - done, room);
        m_held.insert(m_held.end(), data + done, data + done + held);
        done += held;
        if (done < n) {
            m_errors |= CE_RXOVER;
            events |= EV_ERR;
        }
        return done;
    }

    /// Appends decoded bytes, leaving out NULs when they are discarded.
    std::size_t appendLocked(const char *data, std::size_t n, std::uint32_t &events)
    {
        if (!m_state.fNull)
            return appendPlainLocked(data, n, events);
        std::size_t stored = 0;
        const char *end = data + n;
        while (data < end) {
            const auto *nul =
                static_cast<const char *>(std::memchr(data, 0, std::size_t(end - data)));
            const char *runEnd = nul ? nul : end;
            stored += appendPlainLocked(data, std::size_t(runEnd - data), events);
            data = nul ? nul + 1 : end;
        }
        return stored;
    }

    /// Decodes the error marks in what the tty gave, where it marks them, and appends the
    /// result.
    void ingestLocked(const unsigned char *raw, std::size_t size)
    {
        std::uint32_t events = 0;
        std::uint32_t errors = 0;
        std::size_t stored = 0;
        const std::size_t before = m_count;
        if (!marksErrors()) {
            stored = appendLocked(reinterpret_cast<const char *>(raw), size, events);
        } else {
            using Piece = TtyMarkDecoder::Piece;
            m_marks.decode(raw, size, [&](Piece piece, const char *data, std::size_t n) {
                switch (piece) {
                case Piece::Plain:
                    stored += appendLocked(data, n, events);
                    break;
                case Piece::Break:
                    errors |= CE_BREAK;
                    events |= EV_BREAK;
                    break;
                case Piece::BadByte: {
                    // Which error it was is told by the kernel's counters where it has them.
                    if (!m_hasCounters)
                        errors |= m_state.Parity == 0 ? std::uint32_t(CE_FRAME)
                            : m_state.fParity         ? std::uint32_t(CE_RXPARITY)
                                                      : 0u;
                    const char c = m_state.fErrorChar ? m_state.ErrorChar : *data;
                    stored += appendLocked(&c, 1, events);
                    break;
                }
                }
            });
        }
        if (m_hasCounters) {
            events |= takeCountersLocked();
            errors &= ~CE_BREAK; // counted by the kernel already
        }
        if (stored > 0) {
            events |= EV_RXCHAR;
            m_lastArrival = Clock::now();
            const std::size_t size = m_ring.size();
            if (before * 5 < size * 4 && m_count * 5 >= size * 4)
                events |= EV_RX80FULL;
            if (m_state.fInX && !m_xoffSent && size - m_count < m_state.XoffLim) {
                m_xoffSent = true;
                tcflow(m_fd, TCIOFF);
            }
        }
        m_errors |= errors;
        if (errors & (CE_FRAME | CE_RXPARITY | CE_OVERRUN | CE_RXOVER))
            events |= EV_ERR;
        raiseLocked(events);
        if (stored > 0)
            m_dataCv.notify_all();
    }

    void markGoneLocked(int error)
    {
        if (m_gone)
            return;
        m_gone = true;
        m_goneError = error;
        m_errors |= CE_IOE;
        raiseLocked(EV_ERR);
        m_eventCv.notify_all();
        m_dataCv.notify_all();
    }

    /// Drains the tty into the queue and the holding buffer behind it, on the calling thread;
    /// byWatcher tells the reader that the watcher is reading. The count of bytes read, or −1
    /// once the device is gone or closing.
    int readAvailable(bool byWatcher)
    {
        // Reads and their decoding are done one at a time, so the bytes keep their order
        // whichever thread reads them.
        std::lock_guard readLock(m_readMutex);
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping || m_gone)
                return -1;
            if (byWatcher) {
                ++m_watcherReads;
                // Pushed here rather than by the reader, which sleeps on through the read.
                if (m_onWatcherDeadline)
                    armWatcherDeadline();
            }
        }
        int total = 0;
        for (;;) {
            const ssize_t n = ::read(m_fd, m_readBuffer.data(), m_readBuffer.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            std::lock_guard lock(m_mutex);
            if (n <= 0) {
                // End of file on a tty means that it hung up (the other end of a pty closed).
                markGoneLocked(n == 0 ? EIO : errno);
                return -1;
            }
            ingestLocked(m_readBuffer.data(), std::size_t(n));
            total = int(std::min<std::int64_t>(std::int64_t(total) + n, INT_MAX));
            if (std::size_t(n) < m_readBuffer.size())
                break; // drained: the next bytes come with the next poll
        }
        if (byWatcher && total > 0)
            tellReaderTheWatcherReads();
        return total;
    }

    /// The watcher has read bytes: it reads as bytes come. A reader that waits for arrivals does
    /// not see those that the watcher takes before its wait ends, so it is told, once.
    void tellReaderTheWatcherReads()
    {
        bool wake = false;
        {
            std::lock_guard lock(m_mutex);
            wake = m_readerAsksForWatcherReads && !m_watcherReadBytes;
            m_watcherReadBytes = m_watcherReadBytes || wake;
        }
        if (wake)
            wakeReader();
    }

    /// True if bytes (or a hang-up) wait on the tty.
    bool ttyReadable() const
    {
        pollfd fd {m_fd, POLLIN, 0};
        return ::poll(&fd, 1, 0) > 0 && fd.revents != 0;
    }

    void drainWakeSignal() const
    {
        std::uint64_t value = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &value, sizeof value);
    }

    /// Waits, edge-triggered, for bytes that arrive on the tty (or a hang-up) or for the wake
    /// signal, for at most timeoutMs (−1: no bound): bytes left unread do not end the next wait.
    /// The tty's events, or −1 when the wait failed.
    int waitForArrival(int epollFd, int timeoutMs)
    {
        epoll_event events[2] {};
        const int ready = epoll_wait(epollFd, events, 2, timeoutMs);
        if (ready < 0)
            return -1;
        int tty = 0;
        for (int i = 0; i < ready; ++i) {
            if (events[i].data.fd == m_wakeFd)
                drainWakeSignal();
            else
                tty = int(events[i].events);
        }
        return tty;
    }

    /// An epoll set of the descriptors, each with the events it is watched for; −1 where none
    /// can be made.
    static int makeEpollSet(std::initializer_list<std::pair<int, std::uint32_t>> members)
    {
        const int epollFd = epoll_create1(EPOLL_CLOEXEC);
        if (epollFd < 0)
            return -1;
        for (const auto &[fd, watched] : members) {
            epoll_event event {};
            event.events = watched;
            event.data.fd = fd;
            if (epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &event) != 0) {
                ::close(epollFd);
                return -1;
            }
        }
        return epollFd;
    }

    /// An epoll set of the wake signal and the tty, the tty edge-triggered; −1 where none can be
    /// made, and the reader then looks after every arrival.
    int makeArrivalWait() const
    {
        return makeEpollSet({{m_wakeFd, EPOLLIN}, {m_fd, EPOLLIN | EPOLLET}});
    }

    /// An epoll set of the wake signal, the watcher's deadline and the tty, the tty for its
    /// hang-up and errors alone (epoll reports those whatever it is asked for), so that bytes
    /// that arrive do not end the wait; −1 where none can be made, and the reader then keeps
    /// waiting for arrivals while the watcher reads.
    int makeDeadlineWait() const
    {
        if (m_deadlineFd < 0)
            return -1;
        return makeEpollSet({{m_wakeFd, EPOLLIN}, {m_deadlineFd, EPOLLIN}, {m_fd, 0}});
    }

    /// Sets the watcher's deadline watcherQuietLimit from now. Setting the timer again also
    /// forgets an expiry that nobody has read yet.
    void armWatcherDeadline() const
    {
        constexpr auto limitMs = std::chrono::milliseconds(watcherQuietLimit).count();
        itimerspec deadline {};
        deadline.it_value.tv_sec = limitMs / 1000;
        deadline.it_value.tv_nsec = (limitMs % 1000) * 1000000;
        timerfd_settime(m_deadlineFd, 0, &deadline, nullptr);
    }

    /// What the reader knows of the watcher; kept by the reader's thread alone.
    struct WatcherView
    {
        /// The reader drains the tty until the watcher reads again (its reads then: readsAtLook).
        bool takenOver = false;
        /// Bytes waited at the last look, or arrived for the watcher, with its reads then.
        bool waitingAtLook = false;
        std::uint64_t readsAtLook = 0;
        Clock::time_point nextLook;
        /// The watcher's reads when bytes last arrived while it was watched (arrivalSeen): more
        /// of them at the next arrival show that it reads as bytes come.
        bool arrivalSeen = false;
        std::uint64_t readsAtArrival = 0;
    };

    /// Starts the sleep on the deadline, watcherQuietLimit from now, and lets the watcher's
    /// reads push it.
    void enterDeadlineLocked(WatcherView &view)
    {
        view.waitingAtLook = false;
        m_onWatcherDeadline = true;
        armWatcherDeadline();
    }

    /// Ends the sleep on the deadline: the watcher's reads no longer push it. The timer may
    /// still run out; nothing waits for it until it is set again, which forgets that.
    void leaveDeadlineLocked()
    {
        m_onWatcherDeadline = false;
    }

    /// Bytes (or a hang-up, with the tty's events) arrived for the watcher. A watcher that has
    /// read since the bytes before these came reads as bytes come: the reader sleeps on its
    /// deadline from now on. Otherwise, or at a hang-up, the reader looks a while later whether
    /// the bytes still wait unread.
    void onArrivalLocked(WatcherView &view, int ttyEvents, bool deadlineWait)
    {
        const bool reading = view.arrivalSeen && m_watcherReads != view.readsAtArrival
            && (ttyEvents & (EPOLLHUP | EPOLLERR)) == 0;
        view.arrivalSeen = true;
        view.readsAtArrival = m_watcherReads;
        if (reading) {
            if (deadlineWait)
                enterDeadlineLocked(view);
            return;
        }
        view.readsAtLook = m_watcherReads;
        view.waitingAtLook = true;
        view.nextLook = Clock::now() + watcherLookPeriod;
    }

    /// Looks whether bytes still wait unread. Bytes that waited through a whole period while
    /// the watcher read nothing show it busy: the reader drains the tty until it reads again.
    void lookForBusyWatcher(WatcherView &view)
    {
        const bool waiting = ttyReadable();
        {
            std::lock_guard lock(m_mutex);
            view.takenOver = waiting && view.waitingAtLook && m_watcherReads == view.readsAtLook;
            view.readsAtLook = m_watcherReads;
        }
        view.waitingAtLook = waiting;
        view.nextLook = Clock::now() + watcherLookPeriod;
    }

    /// Sleeps on the watcher's deadline, which its reads push forward without waking this
    /// thread, for at most timeoutMs (−1: no bound). A hang-up ends the sleep at once, and is
    /// looked at as an arrival is. When the deadline passes, the watcher has read nothing for
    /// watcherQuietLimit: bytes that wait now show it stuck, and the reader takes over from it;
    /// none show a quiet line, and the reader waits for arrivals again.
    void sleepOnDeadline(int epollFd, int timeoutMs, WatcherView &view)
    {
        epoll_event events[3] {};
        const int ready = epoll_wait(epollFd, events, 3, timeoutMs);
        if (ready < 0) {
            const int error = errno;
            if (error != EINTR) {
                std::lock_guard lock(m_mutex);
                markGoneLocked(error);
            }
            return;
        }
        bool deadlinePassed = false;
        int tty = 0;
        for (int i = 0; i < ready; ++i) {
            if (events[i].data.fd == m_wakeFd)
                drainWakeSignal();
            else if (events[i].data.fd == m_deadlineFd)
                deadlinePassed = true;
            else
                tty = int(events[i].events);
        }
        std::uint64_t reads = 0;
        {
            std::lock_guard lock(m_mutex);
            if (tty & (EPOLLHUP | EPOLLERR)) {
                leaveDeadlineLocked();
                onArrivalLocked(view, tty, true);
                return;
            }
            // The watcher sets the timer again under this lock at each of its reads, which
            // forgets an expiry: one that can still be read here is not out of date.
            std::uint64_t expiries = 0;
            if (!deadlinePassed
                || ::read(m_deadlineFd, &expiries, sizeof expiries) != sizeof expiries)
                return;
            leaveDeadlineLocked();
            reads = m_watcherReads;
        }
        const bool waiting = ttyReadable();
        std::lock_guard lock(m_mutex);
        if (waiting && m_watcherReads == reads) {
            view.takenOver = true;
            view.readsAtLook = reads;
        }
    }

    /// Raises the transmit-empty event once the kernel's output queue has drained. While bytes
    /// wait to go, the next check comes no sooner than the time they take to send: the
    /// reader's wait is bounded by that, or by timeoutMs if shorter (−1: no bound).
    int checkTransmitEmptyLocked(int timeoutMs)
    {
        if (!m_txPending)
            return timeoutMs;
        int outq = 0;
        if (m_gone || ioctl(m_fd, TIOCOUTQ, &outq) != 0 || outq <= 0) {
            m_txPending = false;
            raiseLocked(EV_TXEMPTY);
            return timeoutMs;
        }
        const std::uint64_t bitsPerSecond = std::max<std::uint32_t>(m_state.BaudRate, 1);
        const int drainMs = int(
            std::clamp<std::uint64_t>(std::uint64_t(outq) * 10000 / bitsPerSecond + 1, 1, 1000));
        return timeoutMs < 0 ? drainMs : std::min(timeoutMs, drainMs);
    }

    void readerLoop()
    {
        const int arrivalWait = makeArrivalWait();
        const int deadlineWait = makeDeadlineWait();
        struct CloseOnReturn
        {
            int fd;
            ~CloseOnReturn()
            {
                if (fd >= 0)
                    ::close(fd);
            }
        } closeArrival {arrivalWait}, closeDeadline {deadlineWait};
        WatcherView view;
        view.nextLook = Clock::now() + watcherLookPeriod;
        for (;;) {
            bool watchTty = false;
            bool awaitArrival = false;
            bool onDeadline = false;
            bool look = false;
            int timeoutMs = -1;
            {
                std::lock_guard lock(m_mutex);
                if (m_stopping)
                    return;
                if (view.takenOver && m_watcherReads != view.readsAtLook)
                    view.takenOver = false; // the watcher reads again
                const bool draining = !m_watched || view.takenOver || m_blockedReads > 0;
                watchTty = !m_gone && draining;
                // The watcher reads the tty, and the reader only guards against its stalling.
                const bool guarding = !m_gone && !draining;
                if (m_onWatcherDeadline && !guarding)
                    leaveDeadlineLocked();
                if (guarding && !m_onWatcherDeadline && m_watcherReadBytes)
                    enterDeadlineLocked(view); // told by the watcher that it reads as bytes come
                m_watcherReadBytes = false;
                m_readerAsksForWatcherReads = guarding && !m_onWatcherDeadline && deadlineWait >= 0;
                if (!guarding) {
                    view.nextLook = Clock::now() + watcherLookPeriod;
                    view.waitingAtLook = false;
                    view.arrivalSeen = false; // the watcher is not reading now
                } else if (m_onWatcherDeadline) {
                    // The watcher reads as bytes come: sleep until it falls quiet.
                    onDeadline = true;
                } else if (!view.waitingAtLook) {
                    // Nothing waits: sleep until bytes arrive, however long that takes.
                    awaitArrival = true;
                } else {
                    const auto untilLook =
                        std::chrono::ceil<std::chrono::milliseconds>(view.nextLook - Clock::now());
                    look = untilLook.count() <= 0;
                    timeoutMs = int(std::max<std::int64_t>(untilLook.count(), 0));
                }
                timeoutMs = checkTransmitEmptyLocked(timeoutMs);
            }
            if (look) {
                lookForBusyWatcher(view);
                continue; // taken over, the next turn drains the tty
            }
            if (onDeadline) {
                sleepOnDeadline(deadlineWait, timeoutMs, view);
                continue;
            }
            if (awaitArrival && arrivalWait >= 0) {
                const int tty = waitForArrival(arrivalWait, timeoutMs);
                const int error = errno;
                if (tty < 0 && error != EINTR) {
                    std::lock_guard lock(m_mutex);
                    markGoneLocked(error);
                }
                if (tty <= 0)
                    continue;
                std::lock_guard lock(m_mutex);
                onArrivalLocked(view, tty, deadlineWait >= 0);
                continue;
            }
            pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_fd, POLLIN, 0}};
            const int ready = ::poll(fds, watchTty || awaitArrival ? 2 : 1, timeoutMs);
            if (ready < 0) {
                if (errno == EINTR)
                    continue;
                std::lock_guard lock(m_mutex);
                markGoneLocked(errno);
                continue;
            }
            if (fds[0].revents & POLLIN)
                drainWakeSignal();
            if (awaitArrival && fds[1].revents) {
                // Bytes (or a hang-up) arrived for the watcher, which reads them now; the tty
                // stays readable until it does, so the reader leaves it alone until the look.
                std::lock_guard lock(m_mutex);
                view.readsAtLook = m_watcherReads;
                view.waitingAtLook = true;
                view.nextLook = Clock::now() + watcherLookPeriod;
            }
            if (watchTty && fds[1].revents) {
                if (fds[1].revents & POLLIN) {
                    readAvailable(false);
                } else {
                    std::lock_guard lock(m_mutex);
                    markGoneLocked(EIO);
                }
            }
        }
    }

    /// Waits for modem line changes: with the kernel's change wait where the driver has it,
    /// else by reading the lines at a short period.
    void modemLoop()
    {
        bool canWait = m_hasCounters;
        for (;;) {
            if (canWait) {
                const int result =
                    ioctl(m_fd, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CD);
                const int error = errno;
                std::lock_guard lock(m_mutex);
                if (m_stopping)
                    break;
                if (result == 0) {
                    raiseLocked(takeCountersLocked());
                } else if (unsupported(error)) {
                    canWait = false;
                } else if (error != EINTR) {
                    break;
                }
                continue;
            }
            std::unique_lock lock(m_mutex);
            m_modemCv.wait_for(lock, modemCheckPeriod, [this] { return m_stopping; });
            if (m_stopping)
                break;
            unsigned int lines = 0;
            if (ioctl(m_fd, TIOCMGET, &lines) != 0)
                break;
            const unsigned int changed = lines ^ m_lastModemLines;
            m_lastModemLines = lines;
            std::uint32_t events = 0;
            if (changed & TIOCM_CTS)
                events |= EV_CTS;
            if (changed & TIOCM_DSR)
                events |= EV_DSR;
            if (changed & TIOCM_CD)
                events |= EV_RLSD;
            if ((changed & TIOCM_RNG) && !(lines & TIOCM_RNG))
                events |= EV_RING;
            raiseLocked(events);
        }
        std::lock_guard lock(m_mutex);
        m_modemEnded = true;
        m_modemCv.notify_all();
    }

    const int m_fd;
    const int m_wakeFd;
    /// The watcher's deadline, a timer; −1 where none could be made, and the reader then wakes
    /// at every arrival while the watcher reads.
    const int m_deadlineFd;
    const bool m_isPty;
    const termios m_original;
    /// The device's lock file, removed when the device is let go.
    std::unique_ptr<DeviceLockFile> m_lock;
    bool m_hasModemLines = false;
    bool m_hasCounters = false;

    /// Held by a read of the tty and the decoding of what it brought; taken before m_mutex.
    std::mutex m_readMutex;
    std::vector<unsigned char> m_readBuffer; ///< guarded by m_readMutex

    mutable std::mutex m_mutex;
    std::condition_variable m_eventCv;
    std::condition_variable m_dataCv;
    std::condition_variable m_modemCv;
    std::condition_variable m_descriptorFree;

    // Everything below is guarded by m_mutex.
    /// The input queue of InputSize bytes, the count that WaitingCount reports.
    std::vector<char> m_ring;
    std::size_t m_head = 0;
    std::size_t m_count = 0;
    /// Bytes read while the queue was full, in order from m_heldHead on.
    std::vector<char> m_held;
    std::size_t m_heldHead = 0;
    std::uint32_t m_outputSize = 0;
    CommState m_state;
    CommTimeouts m_timeouts;
    std::uint32_t m_mask = 0;
    std::uint32_t m_pending = 0;
    std::function<void()> m_eventSink;
    /// A caller watches the tty; written under m_mutex, read without it too.
    std::atomic<bool> m_watched {false};
    /// Reads of the tty made by the watcher so far.
    std::uint64_t m_watcherReads = 0;
    /// The reader sleeps on the watcher's deadline instead of waiting for arrivals, and each
    /// read by the watcher pushes the deadline; written by the reader alone.
    bool m_onWatcherDeadline = false;
    /// The reader waits for arrivals or looks whether bytes wait, and wants to be told when the
    /// watcher reads bytes (m_watcherReadBytes).
    bool m_readerAsksForWatcherReads = false;
    bool m_watcherReadBytes = false;
    /// Reads that wait for bytes now.
    int m_blockedReads = 0;
    std::uint64_t m_maskGeneration = 0;
    std::uint64_t m_rxAbortGeneration = 0;
    std::uint32_t m_errors = 0;
    TtyMarkDecoder m_marks;
    Clock::time_point m_lastArrival;
    bool m_xoffSent = false;
    bool m_txPending = false;
    bool m_gone = false;
    int m_goneError = EIO;
    bool m_stopping = false;
    bool m_modemEnded = false;
    /// Operations that use the descriptor now, outside the reads (DescriptorUse).
    int m_descriptorUsers = 0;
    serial_icounter_struct m_counters {};
    unsigned int m_lastModemLines = 0;

    std::thread m_reader;
    std::thread m_modem;
};

} // namespace

std::unique_ptr<CommDevice> CommDevice::open(const QString &name, const QString &lockFolder,
                                             int &errorNumber)
{
    const QString path = name.contains(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
    // The lock file is looked at before the device is opened, because opening raises DTR and
    // RTS on the line of whoever holds it.
    auto lock = std::make_unique<DeviceLockFile>();
    if (!lock->acquire(lockFolder, path, errorNumber))
        return nullptr;
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = ::open(encoded.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        errorNumber = errno;
        return nullptr;
    }
    const auto fail = [&](int error) -> std::unique_ptr<CommDevice> {
        ::close(fd);
        errorNumber = error;
        return nullptr;
    };
    // The advisory lock comes first: it closes the window in which two openers could both
    // pass the exclusive-mode check, and it also holds against root, whom TIOCEXCL lets by.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    // Root may open a tty that another program holds in exclusive mode; it is honoured here.
    int exclusive = 0;
    if (ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0)
        return fail(EBUSY);
    termios original {};
    if (tcgetattr(fd, &original) != 0)
        return fail(errno);
    if (ioctl(fd, TIOCEXCL) != 0)
        return fail(errno);
    // From here a failure must clear exclusive mode again: on a pseudo-terminal it outlives
    // the close while the other end stays open, and would refuse every later opener.
    const auto failExclusive = [&](int error) {
        tcsetattr(fd, TCSANOW, &original);
        ioctl(fd, TIOCNXCL);
        return fail(error);
    };
    struct stat info
    {
    };
    const bool isPty = fstat(fd, &info) == 0 && S_ISCHR(info.st_mode)
        && major(info.st_rdev) >= firstPtyMajor && major(info.st_rdev) <= lastPtyMajor;
    termios raw = original;
    cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    if (!isPty)
        raw.c_iflag |= INPCK | PARMRK;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &raw) != 0)
        return failExclusive(errno);
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0)
        return failExclusive(errno);
    lock->claim();
    return std::make_unique<LinuxCommDevice>(fd, wakeFd, isPty, original, std::move(lock));
}

} // namespace comm
