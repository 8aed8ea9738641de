#include "archive/server_address.h"

#include "archive/archive_error.h"

#include <QUrl>

namespace {

constexpr int largestPort = 65535;

QString decoded(const QString &text)
{
    return QUrl::fromPercentEncoding(text.toUtf8());
}

[[noreturn]] void refuse(const QString &why)
{
    throw ArchiveError(QStringLiteral("la dirección del servidor no sirve (%1); se escribe "
                                      "postgresql://usuario@servidor:puerto/base")
                           .arg(why));
}

} // namespace

QString ServerAddress::shownText() const
{
    QString host = QString::fromUtf8(QUrl::toPercentEncoding(this->host, "[]:"));
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += QString::fromUtf8(QUrl::toPercentEncoding(user)) + QLatin1Char('@');
    text += host;
    if (port)
        text += QLatin1Char(':') + QString::number(*port);
    return text + QLatin1Char('/') + QString::fromUtf8(QUrl::toPercentEncoding(database));
}

ServerAddress parseServerAddress(const QString &url)
{
    // Read by hand: QUrl would take the percent-encoded folder of a socket apart.
    QString rest = url.trimmed();
    const QString scheme = rest.section(QStringLiteral("://"), 0, 0);
    if (!rest.contains(QStringLiteral("://"))
        || (scheme != QLatin1String("postgresql") && scheme != QLatin1String("postgres")))
        refuse(QStringLiteral("no empieza con postgresql://"));
    rest = rest.mid(scheme.size() + 3);
    if (const qsizetype query = rest.indexOf(QLatin1Char('?')); query >= 0)
        refuse(QStringLiteral("no lleva parámetros tras «?»"));
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (slash < 0 || slash == rest.size() - 1)
        refuse(QStringLiteral("falta el nombre de la base tras «/»"));
    ServerAddress address;
    address.database = decoded(rest.mid(slash + 1));
    if (address.database.contains(QLatin1Char('/')))
        refuse(QStringLiteral("el nombre de la base lleva «/»"));
    QString authority = rest.left(slash);
    if (const qsizetype at = authority.lastIndexOf(QLatin1Char('@')); at >= 0) {
        const QString userInfo = authority.left(at);
        authority = authority.mid(at + 1);
        const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
        address.user = decoded(colon >= 0 ? userInfo.left(colon) : userInfo);
        if (colon >= 0)
            address.password = decoded(userInfo.mid(colon + 1));
    }
    QString portText;
    if (authority.startsWith(QLatin1Char('['))) {
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        if (close < 0)
            refuse(QStringLiteral("falta «]» tras la dirección IPv6"));
        address.host = authority.mid(1, close - 1);
        const QString after = authority.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(QLatin1Char(':')))
            refuse(QStringLiteral("algo sobra tras la dirección IPv6"));
        portText = after.mid(1);
    } else {
        const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
        address.host = decoded(colon >= 0 ? authority.left(colon) : authority);
        if (colon >= 0)
            portText = authority.mid(colon + 1);
        if (colon >= 0 && portText.isEmpty())
            refuse(QStringLiteral("falta el puerto tras «:»"));
    }
    if (!portText.isEmpty()) {
        bool ok = false;
        const int port = portText.toInt(&ok);
        if (!ok || port < 1 || port > largestPort)
            // Not repeated: in a URL missing its '@' it could be the password.
            refuse(QStringLiteral("el puerto no es un número de 1 a %1").arg(largestPort));
        address.port = port;
    }
    return address;
}
