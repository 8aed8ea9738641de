#pragma once

#include "serial/os/comm_device.h"
#include "serial/serial_error.h"
#include "serial/serial_port_surface.h"
#include "serial/serial_settings.h"
#include "serial/serial_types.h"

#include <QObject>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class TSerialThread;

/// The serial port component: owns one serial device, holds the line settings as properties,
/// opens and closes the device, writes and reads text, and runs an event monitor thread whose
/// line events reach the handlers below on the user-interface thread. Every failure is raised
/// as ESerialPort. All operations are meant for the user-interface thread.
class TCustomSerialPort : public QObject, public SerialPortSurface
{
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(TCustomSerialPort &Sender)>;
    using TSerialSignalEvent = std::function<void(TCustomSerialPort &Sender, bool OnOff)>;
    using TRxBufEvent =
        std::function<void(TCustomSerialPort &Sender, const char *Buffer, int Count)>;

    /// Sets the defaults and creates the four settings objects, linked back to this port.
    explicit TCustomSerialPort(QObject *owner = nullptr);
    /// Closes the port (with all its events) if it is open.
    ~TCustomSerialPort() override;

    // ---- Properties

    /// True opens the port, False closes it.
    [[nodiscard]] bool Connected() const override { return m_connected; }
    void setConnected(bool value);

    [[nodiscard]] TBaudRate BaudRate() const { return m_baudRate; }
    void setBaudRate(TBaudRate value);
    /// The rate used when BaudRate is brCustom.
    [[nodiscard]] int CustomBaudRate() const { return m_customBaudRate; }
    void setCustomBaudRate(int value);

    /// The device name: a name without a slash is looked up under /dev, else it is a path.
    [[nodiscard]] QString Port() const override { return m_port; }
    /// Another name closes an open port and opens it again under the new name.
    void setPort(const QString &value);

    [[nodiscard]] TSerialParity &Parity() { return *m_parity; }
    [[nodiscard]] const TSerialParity &Parity() const { return *m_parity; }
    void setParity(const TSerialParity &value) { m_parity->Assign(value); }

    [[nodiscard]] TStopBits StopBits() const { return m_stopBits; }
    void setStopBits(TStopBits value);
    [[nodiscard]] TDataBits DataBits() const { return m_dataBits; }
    void setDataBits(TDataBits value);
    [[nodiscard]] bool DiscardNull() const { return m_discardNull; }
    void setDiscardNull(bool value);
    [[nodiscard]] char EventChar() const { return m_eventChar; }
    void setEventChar(char value);

    /// The line events monitored; a change takes effect at the next OpenPort.
    [[nodiscard]] TSerialEvents Events() const { return m_events; }
    void setEvents(TSerialEvents value) { m_events = value; }

    [[nodiscard]] TSerialBuffer &Buffer() { return *m_buffer; }
    [[nodiscard]] const TSerialBuffer &Buffer() const { return *m_buffer; }
    void setBuffer(const TSerialBuffer &value) { m_buffer->Assign(value); }

    [[nodiscard]] TSerialFlowControl &FlowControl() { return *m_flowControl; }
    [[nodiscard]] const TSerialFlowControl &FlowControl() const { return *m_flowControl; }
    void setFlowControl(const TSerialFlowControl &value) { m_flowControl->Assign(value); }

    [[nodiscard]] TSerialTimeouts &Timeouts() { return *m_timeouts; }
    [[nodiscard]] const TSerialTimeouts &Timeouts() const { return *m_timeouts; }
    void setTimeouts(const TSerialTimeouts &value) { m_timeouts->Assign(value); }

    /// The folder of the device lock files shared with other serial programs (/var/lock by
    /// default); empty takes no lock file. A change takes effect at the next OpenPort.
    [[nodiscard]] QString LockFolder() const { return m_lockFolder; }
    void setLockFolder(const QString &value) { m_lockFolder = value; }

    [[nodiscard]] TSyncMethod SyncMethod() const { return m_syncMethod; }
    /// Refused with error 14 while the port is open.
    void setSyncMethod(TSyncMethod value);

    // ---- Event handlers (OnRxChar and OnError come from the surface)

    TNotifyEvent OnAfterOpen;
    TNotifyEvent OnAfterClose;
    TNotifyEvent OnBeforeOpen;
    TNotifyEvent OnBeforeClose;
    TRxBufEvent OnRxBuf; ///< never raised by this component
    TNotifyEvent OnTxEmpty;
    TNotifyEvent OnBreak;
    TNotifyEvent OnRing;
    TSerialSignalEvent OnCTSChange;
    TSerialSignalEvent OnDSRChange;
    TSerialSignalEvent OnRLSDChange;
    TNotifyEvent OnRxFlag;
    TNotifyEvent OnRx80Full;

    // ---- Operations

    /// Opens the device and starts event monitoring; nothing when already open.
    void OpenPort() override;
    /// Stops event monitoring and closes the device; nothing when already closed. Handlers of
    /// events already handed over still run inside it, with the port open.
    void ClosePort() override;
    /// Writes Str and waits until the device took it or the write time-out ran out; returns
    /// the count taken.
    int SendText(const QByteArray &Str) override;
    /// Reads up to Count bytes into Str, as the read time-outs say; returns Str's new length.
    int ReceiveText(QByteArray &Str, int Count) override;
    void DiscardQueues(bool Input, bool Output) override;
    /// Bytes received and waiting in the input queue; also clears the device's error flags.
    [[nodiscard]] int WaitingCount();
    [[nodiscard]] TLineSignals LineSignals();
    /// Line errors since the last query; the device's error state is cleared.
    [[nodiscard]] TSerialErrors TakeLineErrors();
    /// Keeps setting changes away from the device until the matching ReleaseSettings.
    void HoldSettings() { ++m_holdCount; }
    /// The release that ends the last hold sends all settings at once.
    void ReleaseSettings();
    /// Shows the port setup dialog for this port, modally.
    void ShowPortSetup() override;

    /// Marks the component as being read from a description: Connected is only stored and no
    /// setting reaches a device until Loaded().
    void BeginLoading() { m_loading = true; }
    [[nodiscard]] bool Loading() const { return m_loading; }
    /// Ends loading and opens the port if Connected was set meanwhile; an open failure is
    /// thrown to the caller and the port stays closed.
    virtual void Loaded();

    /// The exception that ended the event monitor of the current opening, if a handler's
    /// exception ended it; monitoring then stays off until the port is opened again.
    [[nodiscard]] std::exception_ptr EventMonitorFailure() const;
    /// True while the port is open on a device that was found gone (a pulled cable, a hung-up
    /// line); only closing is then left to do.
    [[nodiscard]] bool DeviceGone() const;

    // ---- The surface's grouped settings

    [[nodiscard]] LineSettings lineSettings() const override;
    /// Sets every field under one hold, so an open port receives them in one go.
    void setLineSettings(const LineSettings &settings) override;
    [[nodiscard]] TRTSFlowControl ControlRTS() const override { return FlowControl().ControlRTS(); }
    void setControlRTS(TRTSFlowControl control) override { FlowControl().setControlRTS(control); }

    // ---- Records sent to the device

    /// The device-control record that ApplyLineSettings sends.
    [[nodiscard]] comm::CommState lineSettingsRecord() const;
    /// The time-outs that ApplyTimeoutSettings sends.
    [[nodiscard]] comm::CommTimeouts timeoutsRecord() const;

protected:
    virtual void AcquireDevice();
    virtual void ReleaseDevice();
    virtual void ApplyAllSettings();

    virtual void DoAfterClose();
    virtual void DoAfterOpen();
    virtual void DoBeforeClose();
    virtual void DoBeforeOpen();
    virtual void DoRxChar(int Count);
    virtual void DoRxBuf(const char *Buffer, int Count);
    virtual void DoTxEmpty();
    virtual void DoBreak();
    virtual void DoRing();
    virtual void DoRxFlag();
    virtual void DoCTSChange(bool OnOff);
    virtual void DoDSRChange(bool OnOff);
    virtual void DoError(TSerialErrors Errors);
    virtual void DoRLSDChange(bool OnOff);
    virtual void DoRx80Full();

    virtual void ApplyLineSettings();
    virtual void ApplyTimeoutSettings();
    virtual void ApplyQueueSizes();

private:
    friend class TSerialTimeouts;
    friend class TSerialFlowControl;
    friend class TSerialParity;
    friend class TSerialBuffer;
    friend class TSerialThread;

    /// Settings reach the device only while it is open, not held and not loading.
    [[nodiscard]] bool settingsGateOpen() const;
    /// Runs the handlers of one set of events, in the fixed order.
    void RunEventHandlers(TSerialEvents events);
    /// Runs the one handler step of an event.
    void RunEventStep(TSerialEvent event);
    /// Queues one handler step per event for the user-interface thread, without waiting.
    void PostEventMessages(TSerialEvents events);
    void CancelTransfers();
    void StopMonitor();
    /// Waits for the monitors of earlier openings that were stopped from inside a handler.
    void reapRetiredMonitor();
    [[nodiscard]] comm::CommDevice &openDevice(int errorCode) const;

    QString m_port = QStringLiteral("COM1");
    TBaudRate m_baudRate = br9600;
    int m_customBaudRate = 9600;
    TStopBits m_stopBits = sbOneStopBit;
    TDataBits m_dataBits = dbEight;
    bool m_discardNull = false;
    char m_eventChar = 0;
    TSerialEvents m_events = allSerialEvents;
    TSyncMethod m_syncMethod = smThreadSync;
    std::unique_ptr<TSerialTimeouts> m_timeouts;
    std::unique_ptr<TSerialFlowControl> m_flowControl;
    std::unique_ptr<TSerialParity> m_parity;
    std::unique_ptr<TSerialBuffer> m_buffer;
    QString m_lockFolder;

    bool m_connected = false;
    bool m_loading = false;
    int m_holdCount = 0;
    /// Shared with the event thread, which may outlive a close made from inside a handler.
    std::shared_ptr<comm::CommDevice> m_device;
    std::unique_ptr<TSerialThread> m_thread;
    /// Monitors stopped from inside one of their own handlers, waited for later.
    std::vector<std::unique_ptr<TSerialThread>> m_retiredThreads;
    /// Counts openings, so that handler steps left over from an earlier one do nothing.
    std::uint64_t m_opening = 0;
    /// Depth of RunEventHandlers calls in progress on this thread.
    int m_handlerDepth = 0;
};

/// The serial port component with every property published.
class TSerialPort : public TCustomSerialPort
{
    Q_OBJECT

public:
    using TCustomSerialPort::TCustomSerialPort;
};
