#include "archive/secret_store.h"

#ifdef BRENTAVIUS_HAVE_LIBSECRET
// GLib's headers use "signals" as a name, which Qt's keywords would take.
#undef signals
#include <libsecret/secret.h>
#endif

namespace SecretStore {

#ifdef BRENTAVIUS_HAVE_LIBSECRET

namespace {

/// The attributes a password is found by: the server's URL without it.
const SecretSchema *schema()
{
    static const SecretSchema brentavius = {
        "org.brentavius4.ServerPassword",
        SECRET_SCHEMA_NONE,
        {{"server", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
        0,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr};
    return &brentavius;
}

} // namespace

std::optional<QString> lookup(const QString &server)
{
    GError *error = nullptr;
    const QByteArray key = server.toUtf8();
    gchar *password =
        secret_password_lookup_sync(schema(), nullptr, &error, "server", key.constData(), nullptr);
    if (error) {
        g_error_free(error);
        return std::nullopt;
    }
    const QString found = password ? QString::fromUtf8(password) : QString();
    secret_password_free(password);
    return found;
}

bool store(const QString &server, const QString &password)
{
    GError *error = nullptr;
    const QByteArray key = server.toUtf8();
    const QByteArray label = QStringLiteral("BRENTAVIUS4: contraseña de %1").arg(server).toUtf8();
    const QByteArray secret = password.toUtf8();
    const gboolean kept = secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT,
                                                     label.constData(), secret.constData(), nullptr,
                                                     &error, "server", key.constData(), nullptr);
    if (error)
        g_error_free(error);
    return kept;
}

#else

std::optional<QString> lookup(const QString &)
{
    return std::nullopt;
}

bool store(const QString &, const QString &)
{
    return false;
}

#endif

} // namespace SecretStore
