#pragma once

#include "serial/serial_types.h"

#include <QComboBox>
#include <QMetaObject>
#include <QString>

class TCustomSerialPort;

/// Which setting of a port a TSerialComboBox edits.
enum TSerialProperty {
    cpNone,
    cpPort,
    cpBaudRate,
    cpDataBits,
    cpStopBits,
    cpParity,
    cpFlowControl
};

/// The companion of a TSerialComboBox: the bound port, the setting kind and one pending value
/// per kind, which reaches the port only through ApplyPending.
struct TSerialSelect
{
    TCustomSerialPort *SerialPort = nullptr;
    TSerialProperty SerialProperty = cpNone;
    bool AutoApply = false;
    QString PortName;
    TBaudRate BaudRate = brCustom;
    TDataBits DataBits = dbFive;
    TStopBits StopBits = sbOneStopBit;
    TParityBits Parity = prNone;
    TFlowControl FlowControl = fcHardware;
};

/// A drop-down list bound to one setting of a port: it fills itself with the setting's values,
/// shows the port's current one and keeps the user's choice pending until ApplyPending.
class TSerialComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TSerialComboBox(QWidget *parent = nullptr);

    [[nodiscard]] TCustomSerialPort *SerialPort() const { return m_select.SerialPort; }
    /// Binding another port selects that port's current value; none only forgets the port.
    void setSerialPort(TCustomSerialPort *port);

    [[nodiscard]] TSerialProperty SerialProperty() const { return m_select.SerialProperty; }
    /// Refills the entries for the kind and selects one. For cpPort the list of ports may fail
    /// with error 23.
    void setSerialProperty(TSerialProperty kind);

    /// When set, a user's choice reaches the port at once.
    [[nodiscard]] bool AutoApply() const { return m_select.AutoApply; }
    void setAutoApply(bool value) { m_select.AutoApply = value; }

    /// The selected entry's text, or empty when none is selected.
    [[nodiscard]] QString Text() const;
    /// Selects the entry equal to the text ignoring case; nothing changes when there is none.
    void setText(const QString &text);

    /// Selects the entry that shows the bound port's current value and makes it pending.
    void SelectCurrent();
    /// Writes the pending value into the bound port.
    void ApplyPending();

    [[nodiscard]] const TSerialSelect &Pending() const { return m_select; }

private:
    void userPicked(int index);
    void storePending(const QString &text);
    [[nodiscard]] int entryIndex(const QString &text) const;

    TSerialSelect m_select;
    QMetaObject::Connection m_portDestroyed;
};
