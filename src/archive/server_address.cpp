#include "archive/server_address.h"

#include "archive/archive_error.h"

#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int largestPort = 65535;

/// The client library's connection parameters a URL may carry: how the server's certificate is
/// checked, the program's own certificate, the program's name in the server's lists, and the
/// wait for a connection.
const QStringList knownParameters = {
    QStringLiteral("sslmode"),        QStringLiteral("sslrootcert"),
    QStringLiteral("sslcert"),        QStringLiteral("sslkey"),
    QStringLiteral("sslcrl"),         QStringLiteral("application_name"),
    QStringLiteral("connect_timeout")};
const QStringList sslModes = {QStringLiteral("disable"),   QStringLiteral("allow"),
                              QStringLiteral("prefer"),    QStringLiteral("require"),
                              QStringLiteral("verify-ca"), QStringLiteral("verify-full")};

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

/// The parameters after '?': known ones only, each once, with a value that the client library
/// can be given whole.
QList<std::pair<QString, QString>> readParameters(const QString &query)
{
    QList<std::pair<QString, QString>> list;
    for (const QString &pair : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const QString key = decoded(pair.section(QLatin1Char('='), 0, 0));
        const QString value = decoded(pair.section(QLatin1Char('='), 1));
        if (!knownParameters.contains(key))
            refuse(QStringLiteral("el parámetro «%1» no se conoce; valen %2")
                       .arg(key, knownParameters.join(QStringLiteral(", "))));
        if (!pair.contains(QLatin1Char('=')) || value.isEmpty())
            refuse(QStringLiteral("el parámetro %1 necesita un valor tras «=»").arg(key));
        if (std::any_of(list.begin(), list.end(), [&key](const auto &p) { return p.first == key; }))
            refuse(QStringLiteral("el parámetro %1 va dos veces").arg(key));
        if (value.contains(QLatin1Char(';'))
            || std::any_of(value.begin(), value.end(),
                           [](QChar c) { return c.category() == QChar::Other_Control; }))
            refuse(QStringLiteral("el valor de %1 no puede llevar «;» ni caracteres de control")
                       .arg(key));
        if (key == QLatin1String("sslmode") && !sslModes.contains(value))
            refuse(QStringLiteral("sslmode toma %1").arg(sslModes.join(QStringLiteral(", "))));
        if (key == QLatin1String("connect_timeout")) {
            bool ok = false;
            if (const int seconds = value.toInt(&ok); !ok || seconds < 1)
                refuse(QStringLiteral("connect_timeout toma segundos, de 1 en adelante"));
        }
        list.append({key, value});
    }
    return list;
}

} // namespace

QString ServerAddress::textWithPassword() const
{
    const QString shown = shownText();
    if (password.isEmpty())
        return shown;
    // The shown URL is "postgresql://" followed by the user and '@' when there is a user.
    const QString scheme = QStringLiteral("postgresql://");
    const QString encodedUser = QString::fromUtf8(QUrl::toPercentEncoding(user));
    const QString afterUser =
        shown.mid(scheme.size() + (user.isEmpty() ? 0 : encodedUser.size() + 1));
    return scheme + encodedUser + QLatin1Char(':')
        + QString::fromUtf8(QUrl::toPercentEncoding(password)) + QLatin1Char('@') + afterUser;
}

bool ServerAddress::isLocal() const
{
    return host.isEmpty() || host.startsWith(QLatin1Char('/'))
        || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
        || host.startsWith(QLatin1String("127.")) || host == QLatin1String("::1");
}

QString ServerAddress::connectOptions(int connectTimeoutSeconds) const
{
    QList<std::pair<QString, QString>> all = parameters;
    const auto given = [&all](const QString &key) {
        return std::any_of(all.begin(), all.end(),
                           [&key](const auto &p) { return p.first == key; });
    };
    if (!given(QStringLiteral("connect_timeout")))
        all.append({QStringLiteral("connect_timeout"), QString::number(connectTimeoutSeconds)});
    if (!isLocal() && !given(QStringLiteral("sslmode")))
        all.append({QStringLiteral("sslmode"), QStringLiteral("verify-full")});
    QStringList options;
    for (const auto &[key, value] : all) {
        QString quoted = value;
        quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
        quoted.replace(QLatin1Char('\''), QLatin1String("\\'"));
        options << QStringLiteral("%1='%2'").arg(key, quoted);
    }
    // Qt's driver takes them apart at ';' (a value holding one is refused when read).
    return options.join(QLatin1Char(';'));
}

QString ServerAddress::shownText() const
{
    QString host = QString::fromUtf8(QUrl::toPercentEncoding(this->host, "[]:"));
    // An IPv6 address is bracketed, so that the URL reads back with its port.
    if (this->host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += QString::fromUtf8(QUrl::toPercentEncoding(user)) + QLatin1Char('@');
    text += host;
    if (port)
        text += QLatin1Char(':') + QString::number(*port);
    text += QLatin1Char('/') + QString::fromUtf8(QUrl::toPercentEncoding(database));
    QStringList query;
    for (const auto &[key, value] : parameters)
        query << key + QLatin1Char('=') + QString::fromUtf8(QUrl::toPercentEncoding(value, "/"));
    return query.isEmpty() ? text : text + QLatin1Char('?') + query.join(QLatin1Char('&'));
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
    ServerAddress address;
    if (const qsizetype query = rest.indexOf(QLatin1Char('?')); query >= 0) {
        address.parameters = readParameters(rest.mid(query + 1));
        rest = rest.left(query);
    }
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (slash < 0 || slash == rest.size() - 1)
        refuse(QStringLiteral("falta el nombre de la base tras «/»"));
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

bool urlHoldsPassword(const QString &url)
{
    QString authority = url.trimmed().section(QStringLiteral("://"), 1);
    authority = authority.left(authority.indexOf(QLatin1Char('/')));
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    return at >= 0 && authority.left(at).contains(QLatin1Char(':'));
}
