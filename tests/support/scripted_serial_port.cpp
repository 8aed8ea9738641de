#include "scripted_serial_port.h"

#include "serial/serial_error.h"

#include <cerrno>
#include <stdexcept>
#include <utility>

ScriptedSerialPort::ScriptedSerialPort(QString port)
    : m_port(std::move(port))
{
    m_clock.start();
}

ScriptedSerialPort::Action &ScriptedSerialPort::record(Action::Kind kind)
{
    Action action;
    action.kind = kind;
    action.atMs = m_clock.elapsed();
    m_actions.append(action);
    return m_actions.last();
}

void ScriptedSerialPort::recorded()
{
    if (afterAction)
        afterAction(*this, m_actions.last());
}

void ScriptedSerialPort::failIfUnplugged(int code) const
{
    if (m_unplugged && m_connected)
        throw ESerialPort(code, EIO);
}

void ScriptedSerialPort::setLineSettings(const LineSettings &settings)
{
    m_settings = settings;
    record(Action::LineSettingsChange);
}

void ScriptedSerialPort::setControlRTS(TRTSFlowControl control)
{
    failIfUnplugged(ESerialPort::SetStateFailed);
    m_rts = control;
    record(Action::Rts).rts = control;
    recorded();
}

void ScriptedSerialPort::OpenPort()
{
    if (m_connected)
        return;
    if (m_openFailure) {
        const int error = *m_openFailure;
        m_openFailure.reset();
        throw ESerialPort(ESerialPort::OpenFailed, error);
    }
    m_connected = true;
    m_unplugged = false;
    m_input.clear();
    record(Action::Open);
    recorded();
}

void ScriptedSerialPort::ClosePort()
{
    if (!m_connected)
        return;
    m_connected = false;
    m_eventPending = false;
    record(Action::Close);
    recorded();
}

int ScriptedSerialPort::SendText(const QByteArray &Str)
{
    if (!m_connected)
        throw ESerialPort(ESerialPort::WriteFailed, EBADF);
    failIfUnplugged(ESerialPort::WriteFailed);
    if (Str.isEmpty())
        return 0;
    record(Action::Write).bytes = Str;
    recorded();
    return int(Str.size());
}

int ScriptedSerialPort::ReceiveText(QByteArray &Str, int Count)
{
    if (!m_connected)
        throw ESerialPort(ESerialPort::ReadFailed, EBADF);
    if (Count <= 0) {
        Str.clear();
        return 0;
    }
    // On the real line a read with nothing waiting blocks until a byte comes: in a script no
    // byte ever will, so that is a fault of the code under test.
    if (m_input.isEmpty())
        throw std::logic_error("ReceiveText with nothing waiting would block forever");
    Str = m_input.left(Count);
    m_input.remove(0, Str.size());
    return int(Str.size());
}

void ScriptedSerialPort::DiscardQueues(bool Input, bool Output)
{
    if (!m_connected)
        throw ESerialPort(ESerialPort::PurgeFailed, EBADF);
    failIfUnplugged(ESerialPort::PurgeFailed);
    if (Input)
        m_input.clear();
    Action &action = record(Action::Purge);
    action.input = Input;
    action.output = Output;
    recorded();
}

void ScriptedSerialPort::ShowPortSetup()
{
    record(Action::PortSetup);
    if (onPortSetup)
        onPortSetup(*this);
}

void ScriptedSerialPort::receive(const QByteArray &bytes)
{
    if (!m_connected || bytes.isEmpty())
        return; // a closed port hears nothing
    m_input += bytes;
    m_eventPending = true;
    deliverPendingEvents();
}

void ScriptedSerialPort::reportErrors(TSerialErrors errors)
{
    if (m_connected && OnError)
        OnError(*this, errors);
}

void ScriptedSerialPort::receiveEach(const QList<QByteArray> &bursts)
{
    for (const QByteArray &burst : bursts)
        receive(burst);
}

void ScriptedSerialPort::deliverPendingEvents()
{
    if (m_inHandler)
        return; // the running handler's caller delivers it after the handler returns
    while (m_eventPending && m_connected) {
        m_eventPending = false;
        if (m_input.isEmpty() || !OnRxChar)
            continue; // no event when nothing is waiting
        m_inHandler = true;
        try {
            OnRxChar(*this, int(m_input.size()));
        } catch (...) {
            m_inHandler = false;
            throw;
        }
        m_inHandler = false;
    }
}

QByteArray ScriptedSerialPort::written() const
{
    QByteArray all;
    for (const Action &action : m_actions)
        if (action.kind == Action::Write)
            all += action.bytes;
    return all;
}

QList<QByteArray> ScriptedSerialPort::writes() const
{
    QList<QByteArray> texts;
    for (const Action &action : m_actions)
        if (action.kind == Action::Write)
            texts.append(action.bytes);
    return texts;
}
