#pragma once

#include "serial/serial_types.h"

#include <QByteArray>
#include <QString>

#include <functional>

/// The line settings that a user of the port gives it as one group. Defaults are the serial
/// port component's own.
struct LineSettings
{
    TBaudRate BaudRate = br9600;
    TDataBits DataBits = dbEight;
    TParityBits ParityBits = prNone;
    TStopBits StopBits = sbOneStopBit;
    bool OutCTSFlow = false;
    bool OutDSRFlow = false;
    TDTRFlowControl ControlDTR = dtrDisable;
    bool XonXoffOut = false;
    bool XonXoffIn = false;
    /// Time-outs in ms; a ReadInterval of -1 stands for the platform's all-ones value.
    int ReadInterval = -1;
    int ReadTotalMultiplier = 0;
    int ReadTotalConstant = 0;
    int WriteTotalMultiplier = 100;
    int WriteTotalConstant = 1000;
    TSerialEvents Events = allSerialEvents;
    /// Capacity of the input queue in bytes: the most that one receive event reports.
    int InputQueueSize = 1024;

    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};

/// The few items of the serial port component through which the logger link reaches the
/// line. The component implements it on the operating system; tests use a scripted double.
/// Every failure is raised as ESerialPort.
class SerialPortSurface
{
public:
    /// The receive event: Count bytes are waiting in the input queue (at least 1). It runs on
    /// the user-interface thread, one event at a time.
    using TRxCharEvent = std::function<void(SerialPortSurface &Sender, int Count)>;
    /// The line error event: errors the device reported since the last one (never empty). A
    /// device that is gone (a cable pulled out) reports errDevice.
    using TSerialErrorEvent = std::function<void(SerialPortSurface &Sender, TSerialErrors Errors)>;

    virtual ~SerialPortSurface();

    /// The device name; changed only through ShowPortSetup.
    [[nodiscard]] virtual QString Port() const = 0;

    [[nodiscard]] virtual LineSettings lineSettings() const = 0;
    /// Takes effect at once while open, at the next OpenPort while closed.
    virtual void setLineSettings(const LineSettings &settings) = 0;

    /// FlowControl.ControlRTS: reaches the device at once while open; stored while closed.
    [[nodiscard]] virtual TRTSFlowControl ControlRTS() const = 0;
    virtual void setControlRTS(TRTSFlowControl control) = 0;

    /// True from a successful OpenPort until ClosePort.
    [[nodiscard]] virtual bool Connected() const = 0;
    /// Opens the device named by Port and starts event monitoring; nothing when already open.
    virtual void OpenPort() = 0;
    /// Stops event monitoring and closes the device; nothing when already closed.
    virtual void ClosePort() = 0;

    /// Writes the bytes and returns once the device took them or the write time-out ran out;
    /// the result is the count taken. An empty text sends nothing and returns 0.
    virtual int SendText(const QByteArray &Str) = 0;
    /// Reads up to Count bytes into Str and returns its new length.
    virtual int ReceiveText(QByteArray &Str, int Count) = 0;
    /// Throws away what waits in the receive queue (Input) and/or the transmit queue (Output).
    virtual void DiscardQueues(bool Input, bool Output) = 0;

    /// Shows the modal port setup dialog; on OK the chosen name and settings are in the port.
    virtual void ShowPortSetup() = 0;

    TRxCharEvent OnRxChar;
    TSerialErrorEvent OnError;
};
