#include "serial/serial_port.h"

#include "serial/os/device_lock_file.h"
#include "serial/serial_names.h"
#include "serial/serial_thread.h"

#include <QMetaObject>

#include <algorithm>
#include <array>
#include <cerrno>
#include <thread>

namespace {

/// The error number of an operation on a port whose device is not open.
constexpr int notOpenError = EBADF;

/// The order in which the handlers of one set of events run.
constexpr std::array<TSerialEvent, 10> handlerOrder = {
    evError, evRxChar, evTxEmpty, evBreak, evRing, evCTS, evDSR, evRxFlag, evRLSD, evRx80Full};

} // namespace

TCustomSerialPort::TCustomSerialPort(QObject *owner)
    : QObject(owner)
    , m_timeouts(std::make_unique<TSerialTimeouts>(this))
    , m_flowControl(std::make_unique<TSerialFlowControl>(this))
    , m_parity(std::make_unique<TSerialParity>(this))
    , m_buffer(std::make_unique<TSerialBuffer>(this))
    , m_lockFolder(comm::systemLockFolder())
{ }

TCustomSerialPort::~TCustomSerialPort()
{
    try {
        ClosePort();
    } catch (...) {
        // A destructor cannot report: what is left open is taken down below regardless.
    }
    if (m_thread) {
        m_thread->Stop();
        m_thread.reset();
    }
    m_retiredThreads.clear();
    m_device.reset();
}

// ---- Properties

void TCustomSerialPort::setConnected(bool value)
{
    if (m_loading) {
        m_connected = value;
        return;
    }
    if (value)
        OpenPort();
    else
        ClosePort();
}

void TCustomSerialPort::setBaudRate(TBaudRate value)
{
    if (m_baudRate == value)
        return;
    m_baudRate = value;
    ApplyLineSettings();
}

void TCustomSerialPort::setCustomBaudRate(int value)
{
    if (m_customBaudRate == value)
        return;
    m_customBaudRate = value;
    ApplyLineSettings();
}

void TCustomSerialPort::setPort(const QString &value)
{
    if (m_port == value)
        return;
    if (m_connected && m_device) {
        ClosePort();
        m_port = value;
        OpenPort();
    } else {
        m_port = value;
    }
}

void TCustomSerialPort::setStopBits(TStopBits value)
{
    if (m_stopBits == value)
        return;
    m_stopBits = value;
    ApplyLineSettings();
}

void TCustomSerialPort::setDataBits(TDataBits value)
{
    if (m_dataBits == value)
        return;
    m_dataBits = value;
    ApplyLineSettings();
}

void TCustomSerialPort::setDiscardNull(bool value)
{
    if (m_discardNull == value)
        return;
    m_discardNull = value;
    ApplyLineSettings();
}

void TCustomSerialPort::setEventChar(char value)
{
    if (m_eventChar == value)
        return;
    m_eventChar = value;
    ApplyLineSettings();
}

void TCustomSerialPort::setSyncMethod(TSyncMethod value)
{
    if (m_syncMethod == value)
        return;
    if (m_connected)
        throw ESerialPort(ESerialPort::SetWhileConnected);
    m_syncMethod = value;
}

LineSettings TCustomSerialPort::lineSettings() const
{
    LineSettings settings;
    settings.BaudRate = m_baudRate;
    settings.DataBits = m_dataBits;
    settings.ParityBits = m_parity->Bits();
    settings.StopBits = m_stopBits;
    settings.OutCTSFlow = m_flowControl->OutCTSFlow();
    settings.OutDSRFlow = m_flowControl->OutDSRFlow();
    settings.ControlDTR = m_flowControl->ControlDTR();
    settings.XonXoffOut = m_flowControl->XonXoffOut();
    settings.XonXoffIn = m_flowControl->XonXoffIn();
    settings.ReadInterval = m_timeouts->ReadInterval();
    settings.ReadTotalMultiplier = m_timeouts->ReadTotalMultiplier();
    settings.ReadTotalConstant = m_timeouts->ReadTotalConstant();
    settings.WriteTotalMultiplier = m_timeouts->WriteTotalMultiplier();
    settings.WriteTotalConstant = m_timeouts->WriteTotalConstant();
    settings.Events = m_events;
    settings.InputQueueSize = m_buffer->InputSize();
    return settings;
}

void TCustomSerialPort::setLineSettings(const LineSettings &settings)
{
    HoldSettings();
    // The setters below only store while held, so nothing can throw before the release.
    setBaudRate(settings.BaudRate);
    setDataBits(settings.DataBits);
    m_parity->setBits(settings.ParityBits);
    setStopBits(settings.StopBits);
    m_flowControl->setOutCTSFlow(settings.OutCTSFlow);
    m_flowControl->setOutDSRFlow(settings.OutDSRFlow);
    m_flowControl->setControlDTR(settings.ControlDTR);
    m_flowControl->setXonXoffOut(settings.XonXoffOut);
    m_flowControl->setXonXoffIn(settings.XonXoffIn);
    m_timeouts->setReadInterval(settings.ReadInterval);
    m_timeouts->setReadTotalMultiplier(settings.ReadTotalMultiplier);
    m_timeouts->setReadTotalConstant(settings.ReadTotalConstant);
    m_timeouts->setWriteTotalMultiplier(settings.WriteTotalMultiplier);
    m_timeouts->setWriteTotalConstant(settings.WriteTotalConstant);
    setEvents(settings.Events);
    m_buffer->setInputSize(settings.InputQueueSize);
    ReleaseSettings();
}

// ---- Opening and closing

void TCustomSerialPort::OpenPort()
{
    if (m_connected)
        return;
    reapRetiredMonitor();
    DoBeforeOpen();
    AcquireDevice();
    m_connected = true;
    ++m_opening;
    try {
        ApplyAllSettings();
    } catch (...) {
        ReleaseDevice();
        m_connected = false;
        throw;
    }
    if (m_events) {
        m_thread = std::make_unique<TSerialThread>(*this, m_device, m_events, m_syncMethod);
        m_thread->Start();
    }
    DoAfterOpen();
    DoCTSChange(LineSignals().testFlag(sigCTS));
    DoDSRChange(LineSignals().testFlag(sigDSR));
    DoRLSDChange(LineSignals().testFlag(sigRLSD));
}

void TCustomSerialPort::ClosePort()
{
    if (!m_connected)
        return;
    if (!m_device) {
        // Only the stored flag of a component still loading.
        m_connected = false;
        return;
    }
    DoCTSChange(false);
    DoDSRChange(false);
    DoRLSDChange(false);
    DoBeforeClose();
    CancelTransfers();
    if (m_thread) {
        StopMonitor();
        if (!m_connected)
            return; // closed by a handler that ran while monitoring stopped
    }
    ReleaseDevice();
    m_connected = false;
    DoAfterClose();
    reapRetiredMonitor();
}

void TCustomSerialPort::CancelTransfers()
{
    int error = 0;
    if (!openDevice(ESerialPort::PurgeFailed)
             .purgeComm(comm::PURGE_TXABORT | comm::PURGE_RXABORT, error))
        throw ESerialPort(ESerialPort::PurgeFailed, error);
}

void TCustomSerialPort::StopMonitor()
{
    if (m_handlerDepth > 0) {
        // Closed from inside a handler: the thread may wait for that very handler, so it is
        // not waited for here. It ends on its own, holding its own reference to the device,
        // and is waited for once no handler runs.
        m_thread->Stop();
        std::this_thread::yield();
        m_retiredThreads.push_back(std::move(m_thread));
        return;
    }
    // Events already handed over reach their handlers first, with the port still open.
    m_thread->DeliverPending();
    if (!m_thread)
        return; // one of those handlers closed the port
    m_thread->Stop();
    std::this_thread::yield();
    m_thread->WaitFor();
    m_thread.reset();
}

void TCustomSerialPort::reapRetiredMonitor()
{
    if (m_handlerDepth == 0)
        m_retiredThreads.clear();
}

void TCustomSerialPort::AcquireDevice()
{
    int error = 0;
    std::unique_ptr<comm::CommDevice> device = comm::CommDevice::open(m_port, m_lockFolder, error);
    if (!device)
        throw ESerialPort(ESerialPort::OpenFailed, error);
    m_device = std::move(device);
}

void TCustomSerialPort::ReleaseDevice()
{
    if (!m_device)
        return;
    // A monitor stopped from inside its own handler still holds the device object; the device
    // itself is let go here all the same, so that it is free as soon as ClosePort returns.
    m_device->close();
    m_device.reset();
}

void TCustomSerialPort::Loaded()
{
    m_loading = false;
    if (m_connected) {
        m_connected = false;
        OpenPort();
    }
}

std::exception_ptr TCustomSerialPort::EventMonitorFailure() const
{
    return m_thread ? m_thread->FatalException() : nullptr;
}

bool TCustomSerialPort::DeviceGone() const
{
    return m_device && m_device->deviceGone();
}

// ---- Settings

bool TCustomSerialPort::settingsGateOpen() const
{
    return m_device && m_connected && m_holdCount == 0 && !m_loading;
}

void TCustomSerialPort::ReleaseSettings()
{
    if (m_holdCount <= 0)
        return;
    if (--m_holdCount == 0)
        ApplyAllSettings();
}

void TCustomSerialPort::ApplyAllSettings()
{
    ApplyQueueSizes();
    ApplyLineSettings();
    ApplyTimeoutSettings();
}

comm::CommState TCustomSerialPort::lineSettingsRecord() const
{
    comm::CommState state;
    state.BaudRate = m_baudRate == brCustom ? std::uint32_t(m_customBaudRate)
                                            : std::uint32_t(baudRateValue(m_baudRate));
    state.fBinary = true;
    state.fParity = m_parity->Check();
    state.fOutxCtsFlow = m_flowControl->OutCTSFlow();
    state.fOutxDsrFlow = m_flowControl->OutDSRFlow();
    state.fDtrControl = int(m_flowControl->ControlDTR());
    state.fDsrSensitivity = m_flowControl->DSRSensitivity();
    state.fTXContinueOnXoff = m_flowControl->TxContinueOnXoff();
    state.fOutX = m_flowControl->XonXoffOut();
    state.fInX = m_flowControl->XonXoffIn();
    state.fErrorChar = m_parity->Check() && m_parity->Replace();
    state.fNull = m_discardNull;
    state.fRtsControl = int(m_flowControl->ControlRTS());
    state.fAbortOnError = false;
    // The limits are 16-bit fields: a quarter of a queue too large for one is held at the
    // largest value rather than wrapped round to a small one.
    const int limit = std::clamp(m_buffer->InputSize() / 4, 0, 0xFFFF);
    state.XonLim = std::uint16_t(limit);
    state.XoffLim = std::uint16_t(limit);
    state.ByteSize = std::uint8_t(5 + int(m_dataBits));
    state.Parity = std::uint8_t(m_parity->Bits());
    state.StopBits = std::uint8_t(m_stopBits);
    state.XonChar = m_flowControl->XonChar();
    state.XoffChar = m_flowControl->XoffChar();
    state.ErrorChar = state.fErrorChar ? m_parity->ReplaceChar() : char(0);
    state.EofChar = 0;
    state.EvtChar = m_eventChar;
    return state;
}

comm::CommTimeouts TCustomSerialPort::timeoutsRecord() const
{
    comm::CommTimeouts timeouts;
    timeouts.ReadIntervalTimeout = std::uint32_t(m_timeouts->ReadInterval());
    timeouts.ReadTotalTimeoutMultiplier = std::uint32_t(m_timeouts->ReadTotalMultiplier());
    timeouts.ReadTotalTimeoutConstant = std::uint32_t(m_timeouts->ReadTotalConstant());
    timeouts.WriteTotalTimeoutMultiplier = std::uint32_t(m_timeouts->WriteTotalMultiplier());
    timeouts.WriteTotalTimeoutConstant = std::uint32_t(m_timeouts->WriteTotalConstant());
    return timeouts;
}

void TCustomSerialPort::ApplyLineSettings()
{
    if (!settingsGateOpen())
        return;
    int error = 0;
    if (!m_device->setCommState(lineSettingsRecord(), error))
        throw ESerialPort(ESerialPort::SetStateFailed, error);
}

void TCustomSerialPort::ApplyTimeoutSettings()
{
    if (!settingsGateOpen())
        return;
    int error = 0;
    if (!m_device->setCommTimeouts(timeoutsRecord(), error))
        throw ESerialPort(ESerialPort::SetTimeoutsFailed, error);
}

void TCustomSerialPort::ApplyQueueSizes()
{
    if (!settingsGateOpen())
        return;
    int error = 0;
    if (!m_device->setupComm(std::uint32_t(m_buffer->InputSize()),
                             std::uint32_t(m_buffer->OutputSize()), error))
        throw ESerialPort(ESerialPort::SetupFailed, error);
}

// ---- Transfers and queries

comm::CommDevice &TCustomSerialPort::openDevice(int errorCode) const
{
    if (!m_device)
        throw ESerialPort(errorCode, notOpenError);
    return *m_device;
}

int TCustomSerialPort::SendText(const QByteArray &Str)
{
    comm::CommDevice &device = openDevice(ESerialPort::WriteFailed);
    if (Str.isEmpty())
        return 0;
    int written = 0;
    int error = 0;
    if (!device.writeFile(Str.constData(), int(Str.size()), written, error))
        throw ESerialPort(ESerialPort::WriteFailed, error);
    return written;
}

int TCustomSerialPort::ReceiveText(QByteArray &Str, int Count)
{
    comm::CommDevice &device = openDevice(ESerialPort::ReadFailed);
    if (Count <= 0) {
        Str.clear();
        return 0;
    }
    Str.resize(Count);
    int read = 0;
    int error = 0;
    if (!device.readFile(Str.data(), Count, read, error)) {
        Str.clear();
        throw ESerialPort(ESerialPort::ReadFailed, error);
    }
    Str.resize(read);
    return read;
}

void TCustomSerialPort::DiscardQueues(bool Input, bool Output)
{
    comm::CommDevice &device = openDevice(ESerialPort::PurgeFailed);
    std::uint32_t flags = 0;
    if (Input)
        flags |= comm::PURGE_RXCLEAR;
    if (Output)
        flags |= comm::PURGE_TXCLEAR;
    int error = 0;
    if (!device.purgeComm(flags, error))
        throw ESerialPort(ESerialPort::PurgeFailed, error);
}

int TCustomSerialPort::WaitingCount()
{
    comm::CommDevice &device = openDevice(ESerialPort::ClearErrorFailed);
    std::uint32_t errors = 0;
    int waiting = 0;
    int error = 0;
    if (!device.clearCommError(errors, waiting, error))
        throw ESerialPort(ESerialPort::ClearErrorFailed, error);
    return waiting;
}

TSerialErrors TCustomSerialPort::TakeLineErrors()
{
    comm::CommDevice &device = openDevice(ESerialPort::ClearErrorFailed);
    std::uint32_t flags = 0;
    int waiting = 0;
    int error = 0;
    if (!device.clearCommError(flags, waiting, error))
        throw ESerialPort(ESerialPort::ClearErrorFailed, error);
    TSerialErrors errors;
    if (flags & comm::CE_FRAME)
        errors |= errFraming;
    if ((flags & comm::CE_RXPARITY) && m_parity->Check())
        errors |= errParity;
    if (flags & comm::CE_OVERRUN)
        errors |= errOverrun;
    if (flags & comm::CE_RXOVER)
        errors |= errRxOverflow;
    if (flags & comm::CE_TXFULL)
        errors |= errTxFull;
    if (flags & comm::CE_BREAK)
        errors |= errBreak;
    if (flags & comm::CE_IOE)
        errors |= errDevice;
    if (flags & comm::CE_MODE)
        errors |= errMode;
    return errors;
}

TLineSignals TCustomSerialPort::LineSignals()
{
    comm::CommDevice &device = openDevice(ESerialPort::ModemStatusFailed);
    std::uint32_t status = 0;
    int error = 0;
    if (!device.getCommModemStatus(status, error))
        throw ESerialPort(ESerialPort::ModemStatusFailed, error);
    TLineSignals lines;
    if (status & comm::MS_CTS_ON)
        lines |= sigCTS;
    if (status & comm::MS_DSR_ON)
        lines |= sigDSR;
    if (status & comm::MS_RING_ON)
        lines |= sigRing;
    if (status & comm::MS_RLSD_ON)
        lines |= sigRLSD;
    return lines;
}

// ---- Events

void TCustomSerialPort::RunEventHandlers(TSerialEvents events)
{
    const std::uint64_t opening = m_opening;
    ++m_handlerDepth;
    struct DepthGuard
    {
        int &depth;
        ~DepthGuard() { --depth; }
    } guard {m_handlerDepth};
    for (const TSerialEvent event : handlerOrder) {
        // A handler that closed the port ends the round: the rest would act on a closed port.
        if (!m_connected || m_opening != opening)
            return;
        if (events.testFlag(event))
            RunEventStep(event);
    }
}

void TCustomSerialPort::RunEventStep(TSerialEvent event)
{
    switch (event) {
    case evError:
        if (const TSerialErrors errors = TakeLineErrors())
            DoError(errors);
        break;
    case evRxChar:
        if (const int count = WaitingCount(); count > 0)
            DoRxChar(count);
        break;
    case evTxEmpty:
        DoTxEmpty();
        break;
    case evBreak:
        DoBreak();
        break;
    case evRing:
        DoRing();
        break;
    case evCTS:
        DoCTSChange(LineSignals().testFlag(sigCTS));
        break;
    case evDSR:
        DoDSRChange(LineSignals().testFlag(sigDSR));
        break;
    case evRxFlag:
        DoRxFlag();
        break;
    case evRLSD:
        DoRLSDChange(LineSignals().testFlag(sigRLSD));
        break;
    case evRx80Full:
        DoRx80Full();
        break;
    }
}

void TCustomSerialPort::PostEventMessages(TSerialEvents events)
{
    const std::uint64_t opening = m_opening;
    for (const TSerialEvent event : handlerOrder) {
        if (!events.testFlag(event))
            continue;
        // The event thread goes on at once; the step runs later on the user-interface thread,
        // only if the port is still in the same opening. Its exception goes to the
        // application's handler of exceptions that leave an event.
        QMetaObject::invokeMethod(
            this,
            [this, event, opening] {
                if (m_connected && m_opening == opening)
                    RunEventStep(event);
            },
            Qt::QueuedConnection);
    }
}

void TCustomSerialPort::DoAfterClose()
{
    if (OnAfterClose)
        OnAfterClose(*this);
}

void TCustomSerialPort::DoAfterOpen()
{
    if (OnAfterOpen)
        OnAfterOpen(*this);
}

void TCustomSerialPort::DoBeforeClose()
{
    if (OnBeforeClose)
        OnBeforeClose(*this);
}

void TCustomSerialPort::DoBeforeOpen()
{
    if (OnBeforeOpen)
        OnBeforeOpen(*this);
}

void TCustomSerialPort::DoRxChar(int Count)
{
    if (OnRxChar)
        OnRxChar(*this, Count);
}

void TCustomSerialPort::DoRxBuf(const char *Buffer, int Count)
{
    if (OnRxBuf)
        OnRxBuf(*this, Buffer, Count);
}

void TCustomSerialPort::DoTxEmpty()
{
    if (OnTxEmpty)
        OnTxEmpty(*this);
}

void TCustomSerialPort::DoBreak()
{
    if (OnBreak)
        OnBreak(*this);
}

void TCustomSerialPort::DoRing()
{
    if (OnRing)
        OnRing(*this);
}

void TCustomSerialPort::DoRxFlag()
{
    if (OnRxFlag)
        OnRxFlag(*this);
}

void TCustomSerialPort::DoCTSChange(bool OnOff)
{
    if (OnCTSChange)
        OnCTSChange(*this, OnOff);
}

void TCustomSerialPort::DoDSRChange(bool OnOff)
{
    if (OnDSRChange)
        OnDSRChange(*this, OnOff);
}

void TCustomSerialPort::DoError(TSerialErrors Errors)
{
    if (OnError)
        OnError(*this, Errors);
}

void TCustomSerialPort::DoRLSDChange(bool OnOff)
{
    if (OnRLSDChange)
        OnRLSDChange(*this, OnOff);
}

void TCustomSerialPort::DoRx80Full()
{
    if (OnRx80Full)
        OnRx80Full(*this);
}
