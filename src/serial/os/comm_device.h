#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

/// The operating system's serial communications, as the serial port component needs them.
/// The operations, records and numbers follow the Windows communications model (device-control
/// record, five time-outs, event mask and event wait, purge flags, error flags, modem status);
/// one source file per operating system provides them. Failures return false with the
/// system's error number (errno on Linux).
namespace comm {

/// Line events of the event mask.
enum EventBit : std::uint32_t {
    EV_RXCHAR = 0x0001,
    EV_RXFLAG = 0x0002,
    EV_TXEMPTY = 0x0004,
    EV_CTS = 0x0008,
    EV_DSR = 0x0010,
    EV_RLSD = 0x0020,
    EV_BREAK = 0x0040,
    EV_ERR = 0x0080,
    EV_RING = 0x0100,
    EV_RX80FULL = 0x0400
};

/// Flags of purgeComm.
enum PurgeFlag : std::uint32_t {
    PURGE_TXABORT = 0x0001,
    PURGE_RXABORT = 0x0002,
    PURGE_TXCLEAR = 0x0004,
    PURGE_RXCLEAR = 0x0008
};

/// Error flags returned (and cleared) by clearCommError.
enum ErrorFlag : std::uint32_t {
    CE_RXOVER = 0x0001,
    CE_OVERRUN = 0x0002,
    CE_RXPARITY = 0x0004,
    CE_FRAME = 0x0008,
    CE_BREAK = 0x0010,
    CE_TXFULL = 0x0100,
    CE_IOE = 0x0400,
    CE_MODE = 0x8000
};

/// Modem input lines reported by getCommModemStatus.
enum ModemBit : std::uint32_t {
    MS_CTS_ON = 0x0010,
    MS_DSR_ON = 0x0020,
    MS_RING_ON = 0x0040,
    MS_RLSD_ON = 0x0080
};

inline constexpr std::uint32_t allOnes = 0xFFFFFFFFu;

/// The device-control record: every line setting in one group.
struct CommState
{
    std::uint32_t BaudRate = 9600;
    bool fBinary = true;
    bool fParity = false;
    bool fOutxCtsFlow = false;
    bool fOutxDsrFlow = false;
    int fDtrControl = 0; ///< 0 disable, 1 enable, 2 handshake
    bool fDsrSensitivity = false;
    bool fTXContinueOnXoff = false;
    bool fOutX = false;
    bool fInX = false;
    bool fErrorChar = false;
    bool fNull = false;
    int fRtsControl = 0; ///< 0 disable, 1 enable, 2 handshake, 3 toggle
    bool fAbortOnError = false;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = 0; ///< 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0; ///< 0 one, 1 one and a half, 2 two
    char XonChar = 17;
    char XoffChar = 19;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;

    friend bool operator==(const CommState &, const CommState &) = default;
};

/// The five time-outs, in ms; allOnes in ReadIntervalTimeout with both read totals 0 makes a
/// read return at once with what is waiting.
struct CommTimeouts
{
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;

    friend bool operator==(const CommTimeouts &, const CommTimeouts &) = default;
};

/// A manual-reset stop signal that ends a device's event wait at once, from any thread.
class CommStopSignal
{
public:
    /// Sets the signal and wakes the wait that uses it, if any.
    void raise();
    [[nodiscard]] bool isRaised() const { return m_raised.load(); }
    /// Blocks until the signal is raised.
    void wait();

private:
    friend class CommDevice;
    /// The waker of the wait in progress; replaced under the signal's lock, so that after
    /// setWaker(nullptr) returns no call of the old one is running.
    void setWaker(std::function<void()> waker);

    // The flag is read without the lock so that a wait may test it under its own lock while
    // raise() holds this one and calls the waker: the locks are only ever taken in the order
    // signal, then device.
    std::atomic<bool> m_raised {false};
    std::mutex m_mutex;
    std::condition_variable m_raisedSignal;
    std::function<void()> m_waker;
};

/// One open serial device. Every operation may be called from any thread; the event wait is
/// meant for one thread at a time.
class CommDevice
{
public:
    /// How an event wait ended.
    enum class WaitOutcome { Completed, Stopped, Failed };

    virtual ~CommDevice();
    CommDevice(const CommDevice &) = delete;
    CommDevice &operator=(const CommDevice &) = delete;

    /// Opens the named device for reading and writing, exclusively; a name without a slash is
    /// looked up under /dev. Where lockFolder is not empty, the device's lock file there is
    /// taken too, and a device that another live process has locked or holds in exclusive mode
    /// is refused with EBUSY. Null and the error number on failure.
    [[nodiscard]] static std::unique_ptr<CommDevice>
    open(const QString &name, const QString &lockFolder, int &errorNumber);

    /// Lets the device go: the descriptor, its exclusive mode and its lock. Later operations
    /// fail with EBADF without touching the descriptor, and an event wait ends as stopped;
    /// operations in progress on other threads end first (a write within its time-outs).
    /// Never fails; the destructor does it too.
    virtual void close() = 0;
    /// True once the device was found gone (hung up, unplugged) during this opening.
    [[nodiscard]] virtual bool deviceGone() const = 0;

    virtual bool setupComm(std::uint32_t inputSize, std::uint32_t outputSize, int &errorNumber) = 0;
    virtual bool setCommState(const CommState &state, int &errorNumber) = 0;
    virtual bool setCommTimeouts(const CommTimeouts &timeouts, int &errorNumber) = 0;
    /// Chooses the reported events; ends a wait in progress with an empty event set.
    virtual bool setCommMask(std::uint32_t mask, int &errorNumber) = 0;
    /// Waits for one of the chosen events, or the stop signal. Events that happen between two
    /// waits are reported by the next; bytes left unread do not end a wait by themselves.
    virtual WaitOutcome waitCommEvent(std::uint32_t &events, CommStopSignal &stop,
                                      int &errorNumber) = 0;
    /// Instead of a waiting thread: sink is called, on the thread that raised them, whenever
    /// line events of the mask become pending, and takeCommEvents collects them. Calls are
    /// made under the device's lock, so sink must not call the device; once a null sink is set
    /// no call of the old one runs.
    virtual void setEventSink(std::function<void()> sink) = 0;
    /// The pending events of the mask, which are cleared; never waits.
    [[nodiscard]] virtual std::uint32_t takeCommEvents() = 0;
    /// The descriptor that becomes readable when bytes wait on the line, for a caller that
    /// watches it (a socket notifier) and then calls readWaiting; -1 if there is none.
    [[nodiscard]] virtual int inputDescriptor() const = 0;
    /// Whether a caller watches inputDescriptor(). While one does, the device's own reader
    /// stays out of the way and reads only for a read that waits for bytes, or when bytes have
    /// waited unread for a while (the watcher is busy), so that nothing is lost then either.
    virtual void setInputWatched(bool watched) = 0;
    /// Moves the bytes that wait on the line into the input queue now, on the calling thread,
    /// and raises the events they bring. The count of bytes taken from the line, or −1 once
    /// nothing more can come (the device is gone or closed): the watcher stops watching then.
    virtual int readWaiting() = 0;
    /// Writes the bytes, bounded by the write time-outs; written is the count the device took.
    virtual bool writeFile(const char *data, int count, int &written, int &errorNumber) = 0;
    /// Reads up to count bytes as the read time-outs say; read is the count delivered.
    virtual bool readFile(char *data, int count, int &read, int &errorNumber) = 0;
    virtual bool purgeComm(std::uint32_t flags, int &errorNumber) = 0;
    /// Returns and clears the error flags; waiting is the count of bytes in the input queue.
    virtual bool clearCommError(std::uint32_t &errors, int &waiting, int &errorNumber) = 0;
    virtual bool getCommModemStatus(std::uint32_t &status, int &errorNumber) = 0;

protected:
    CommDevice() = default;
    /// Lets a device wait hook its own wake-up into a stop signal.
    static void setStopWaker(CommStopSignal &stop, std::function<void()> waker)
    {
        stop.setWaker(std::move(waker));
    }
};

/// Where the serial devices are looked for; tests point these at a made-up tree.
struct SerialDeviceRoots
{
    /// The kernel's tty class folder (/sys/class/tty).
    QString ttyClass;
    /// The device folder in which plain names live (/dev).
    QString devices;
    /// Folders in which a simulated logger leaves a link to its device beside a held lock.
    QStringList simulatorFolders;
};

/// The folders of this system for the current user.
[[nodiscard]] SerialDeviceRoots systemSerialDeviceRoots();

/// Names of the serial devices present, unsorted: plain names for devices under the device
/// folder, full link paths for simulated ones. False and the error number when the kernel's
/// list cannot be read.
bool listSerialDevices(const SerialDeviceRoots &roots, QStringList &names, int &errorNumber);

/// What the kernel says of the hardware behind a plain port name: for a USB adapter the
/// interface's own text, else its maker and product ("FTDI FT232R USB UART"); empty when it
/// says nothing (a built-in port, a simulated one).
[[nodiscard]] QString serialDeviceDescription(const SerialDeviceRoots &roots, const QString &name);

} // namespace comm
