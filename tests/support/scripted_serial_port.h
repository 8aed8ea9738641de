#pragma once

#include "serial/serial_port_surface.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

/// A scripted stand-in for the serial port: a test pushes received bytes in as receive events
/// and reads back, in order and with timestamps, everything the code under test did to the line.
class ScriptedSerialPort : public SerialPortSurface
{
public:
    /// One thing done to the port, in the order it happened.
    struct Action
    {
        enum Kind { Open, Close, Write, Purge, Rts, LineSettingsChange, PortSetup };
        Kind kind = Write;
        qint64 atMs = 0; ///< milliseconds since the double was made
        QByteArray bytes; ///< Write: the bytes written
        bool input = false; ///< Purge
        bool output = false; ///< Purge
        TRTSFlowControl rts = rtsDisable; ///< Rts: the new value
    };

    explicit ScriptedSerialPort(QString port = QStringLiteral("COM1"));

    // The surface.
    QString Port() const override { return m_port; }
    LineSettings lineSettings() const override { return m_settings; }
    void setLineSettings(const LineSettings &settings) override;
    TRTSFlowControl ControlRTS() const override { return m_rts; }
    void setControlRTS(TRTSFlowControl control) override;
    bool Connected() const override { return m_connected; }
    void OpenPort() override;
    void ClosePort() override;
    int SendText(const QByteArray &Str) override;
    int ReceiveText(QByteArray &Str, int Count) override;
    void DiscardQueues(bool Input, bool Output) override;
    void ShowPortSetup() override;

    // Scripting.

    /// Bytes arrive in one burst: they join the input queue and one receive event reports the
    /// whole count waiting. While a handler runs, the event waits until it has returned, as on
    /// the real port.
    void receive(const QByteArray &bytes);
    /// Each burst in turn, as separate receive events.
    void receiveEach(const QList<QByteArray> &bursts);

    /// The device reports line errors, as one error event.
    void reportErrors(TSerialErrors errors);
    /// The device is gone: until the port is opened again, every write, purge and RTS change
    /// fails as it does on a vanished device (system error 5).
    void unplug() { m_unplugged = true; }
    /// Called after each action is recorded: a script can pull the cable at a chosen moment.
    std::function<void(ScriptedSerialPort &, const Action &)> afterAction;

    /// The next OpenPort fails with "Unable to open com port" and this system error number.
    void failNextOpen(int systemErrorCode) { m_openFailure = systemErrorCode; }
    /// What the port setup dialog does when it is shown (choose another name, say).
    std::function<void(ScriptedSerialPort &)> onPortSetup;
    void setPort(const QString &port) { m_port = port; }

    // Reading back.
    [[nodiscard]] const QList<Action> &actions() const { return m_actions; }
    /// Every byte written, in order, as one text.
    [[nodiscard]] QByteArray written() const;
    /// The texts of the writes, one per SendText.
    [[nodiscard]] QList<QByteArray> writes() const;
    [[nodiscard]] int waitingCount() const { return int(m_input.size()); }
    void clearActions() { m_actions.clear(); }

private:
    Action &record(Action::Kind kind);
    void recorded();
    /// Throws what a vanished device gives for the call `code` while the port is open.
    void failIfUnplugged(int code) const;
    void deliverPendingEvents();

    QString m_port;
    LineSettings m_settings;
    TRTSFlowControl m_rts = rtsDisable;
    bool m_connected = false;
    std::optional<int> m_openFailure;
    bool m_unplugged = false;
    QByteArray m_input;
    bool m_eventPending = false;
    bool m_inHandler = false;
    QList<Action> m_actions;
    QElapsedTimer m_clock;
};
