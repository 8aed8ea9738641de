#pragma once

#include <QString>

#include <stdexcept>
#include <string>

/// The serial layer's failure: a port error code from 1 to 23 with its fixed text, and the
/// operating system's error number when it gave one (-1 otherwise).
class ESerialPort : public std::runtime_error
{
public:
    enum Code {
        OpenFailed = 1,
        WriteFailed = 2,
        ReadFailed = 3,
        InvalidAsyncParameter = 4,
        PurgeFailed = 5,
        AsyncStatusFailed = 6,
        SetStateFailed = 7,
        SetTimeoutsFailed = 8,
        SetupFailed = 9,
        ClearErrorFailed = 10,
        ModemStatusFailed = 11,
        EscapeFailed = 12,
        TransmitCharFailed = 13,
        SetWhileConnected = 14,
        EnumPortsFailed = 15,
        StoreFailed = 16,
        LoadFailed = 17,
        LinkRegistrationFailed = 18,
        LedStateFailed = 19,
        WaitWithThread = 20,
        WaitForEventFailed = 21,
        RxBufLinked = 22,
        RegistryError = 23
    };

    /// A failure without a system error number.
    explicit ESerialPort(int portErrorCode);
    /// A failure with the operating system's error number (errno on Linux).
    ESerialPort(int portErrorCode, int systemErrorCode);

    [[nodiscard]] int PortErrorCode() const { return m_portErrorCode; }
    [[nodiscard]] int SystemErrorCode() const { return m_systemErrorCode; }
    [[nodiscard]] QString message() const { return QString::fromUtf8(what()); }
    /// The device itself is gone (a cable pulled out, a hung-up line): no later call on this
    /// opening can succeed.
    [[nodiscard]] bool DeviceGone() const;

    /// The fixed text of a code ("Unable to open com port" for 1); empty outside 1 to 23.
    [[nodiscard]] static QString codeText(int portErrorCode);

protected:
    /// A failure carrying the codes of another whose message another layer has worded.
    ESerialPort(int portErrorCode, int systemErrorCode, const std::string &message);

private:
    int m_portErrorCode;
    int m_systemErrorCode;
};
