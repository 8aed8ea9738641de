#include "archive/server_limits.h"

#include "archive/server_cancel.h"

#include <QSqlError>

namespace ServerLimits {
namespace {

constexpr int defaultLockSeconds = 30;
constexpr int defaultStatementSeconds = 120;

/// PostgreSQL's codes: a lock not had within lock_timeout, and a statement cancelled (by
/// statement_timeout or a cancel request).
const QString lockNotAvailable = QStringLiteral("55P03");
const QString queryCanceled = QStringLiteral("57014");

} // namespace

int lockSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("BRENTAVIUS_SERVER_LOCK_TIMEOUT", &ok);
    return ok && seconds >= 1 ? seconds : defaultLockSeconds;
}

int statementSeconds()
{
    return defaultStatementSeconds;
}

QString message(const QString &server, const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    if (code == lockNotAvailable)
        return QStringLiteral("el servidor %1 tuvo bloqueado el archivo más de %2 s; nada se "
                              "cambió, pruebe más tarde")
            .arg(server, QString::number(lockSeconds()));
    if (code != queryCanceled)
        return {};
    if (ServerCancel::requested())
        return QStringLiteral("la operación en el servidor %1 se canceló; nada se cambió")
            .arg(server);
    return QStringLiteral("el servidor %1 tardó más de %2 s en una operación; nada se "
                          "cambió, pruebe más tarde")
        .arg(server, QString::number(statementSeconds()));
}

} // namespace ServerLimits
