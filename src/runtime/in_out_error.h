#pragma once

#include <QString>

#include <stdexcept>

/// The runtime's input/output error: a file could not be created, written or closed. It
/// carries the operating system's error number and the runtime's message for it.
class EInOutError : public std::runtime_error
{
public:
    EInOutError(int errorCode, const QString &message);

    /// The error for an operating system error number (errno); 0 stands for an unknown cause.
    [[nodiscard]] static EInOutError fromErrno(int errorCode);

    [[nodiscard]] int ErrorCode() const { return m_errorCode; }
    [[nodiscard]] QString message() const { return QString::fromUtf8(what()); }

private:
    int m_errorCode;
};

/// The runtime's message for an operating system error number: "File not found", "Invalid
/// filename", "Too many open files", "File access denied", "Disk full", else "I/O error <n>".
[[nodiscard]] QString inOutErrorMessage(int errorCode);
