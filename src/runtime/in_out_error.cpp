#include "runtime/in_out_error.h"

#include <cerrno>

EInOutError::EInOutError(int errorCode, const QString &message)
    : std::runtime_error(message.toStdString())
    , m_errorCode(errorCode)
{ }

EInOutError EInOutError::fromErrno(int errorCode)
{
    // An error without a number is still an error: it must never read as success.
    const int code = errorCode != 0 ? errorCode : EIO;
    return EInOutError(code, inOutErrorMessage(code));
}

QString inOutErrorMessage(int errorCode)
{
    switch (errorCode) {
    case ENOENT:
        return QStringLiteral("File not found");
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
        return QStringLiteral("Invalid filename");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Too many open files");
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return QStringLiteral("File access denied");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Disk full");
    default:
        return QStringLiteral("I/O error %1").arg(errorCode);
    }
}
