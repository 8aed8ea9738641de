#include "serial/serial_error.h"

#include <array>
#include <cerrno>

namespace {

constexpr std::array<const char *, 23> codeTexts = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if SerialPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};

std::string fullMessage(int portErrorCode, int systemErrorCode)
{
    QString text = ESerialPort::codeText(portErrorCode);
    if (systemErrorCode != -1)
        text += QStringLiteral(" (win error code: %1)").arg(systemErrorCode);
    return text.toStdString();
}

} // namespace

ESerialPort::ESerialPort(int portErrorCode)
    : ESerialPort(portErrorCode, -1)
{ }

ESerialPort::ESerialPort(int portErrorCode, int systemErrorCode)
    : std::runtime_error(fullMessage(portErrorCode, systemErrorCode))
    , m_portErrorCode(portErrorCode)
    , m_systemErrorCode(systemErrorCode)
{ }

ESerialPort::ESerialPort(int portErrorCode, int systemErrorCode, const std::string &message)
    : std::runtime_error(message)
    , m_portErrorCode(portErrorCode)
    , m_systemErrorCode(systemErrorCode)
{ }

QString ESerialPort::codeText(int portErrorCode)
{
    if (portErrorCode < 1 || portErrorCode > int(codeTexts.size()))
        return {};
    return QString::fromLatin1(codeTexts[std::size_t(portErrorCode - 1)]);
}

bool ESerialPort::DeviceGone() const
{
    return m_systemErrorCode == EIO || m_systemErrorCode == ENXIO || m_systemErrorCode == ENODEV;
}
