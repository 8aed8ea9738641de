#include "archive/server_password.h"

#include "archive/archive_error.h"
#include "archive/secret_store.h"
#include "archive/server_address.h"
#include "archive/station_archive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ServerPassword {
namespace {

/// The file's content: server (as shown) to password.
QJsonObject readAll()
{
    QFile file(filePath());
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

[[noreturn]] void refuse(const QString &path, int error)
{
    throw ArchiveError(QStringLiteral("no se pudo guardar la contraseña del servidor en %1: %2")
                           .arg(path, QString::fromLocal8Bit(std::strerror(error))));
}

/// Writes `passwords` to a new file of the user's alone, which then takes the old one's place.
void writeAll(const QJsonObject &passwords)
{
    const QString path = filePath();
    if (path.isEmpty())
        throw ArchiveError(QStringLiteral("no hay carpeta personal (HOME) donde guardar la "
                                          "contraseña del servidor"));
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        if (!QDir().mkpath(folder))
            refuse(path, errno);
        ::chmod(QFile::encodeName(folder).constData(), S_IRWXU);
    }
    const QByteArray bytes = QJsonDocument(passwords).toJson(QJsonDocument::Compact);
    const QByteArray name = QFile::encodeName(path);
    const QByteArray temporary = name + ".nuevo";
    ::unlink(temporary.constData());
    const int fd =
        ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        refuse(path, errno);
    const bool written = ::write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size()
        && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!written || ::rename(temporary.constData(), name.constData()) != 0) {
        const int failure = written ? errno : error;
        ::unlink(temporary.constData());
        refuse(path, failure);
    }
}

} // namespace

QString filePath()
{
    if (qEnvironmentVariableIsEmpty("HOME") && qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
        return {};
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/BRENTAVIUS4/claves-servidores");
}

QString kept(const ServerAddress &address)
{
    if (const std::optional<QString> secret = SecretStore::lookup(address.shownText());
        secret && !secret->isEmpty())
        return *secret;
    return readAll().value(address.shownText()).toString();
}

void keep(const ServerAddress &address, const QString &password)
{
    QJsonObject passwords = readAll();
    if (SecretStore::store(address.shownText(), password)) {
        // Kept by the desktop: a copy in the file, from before there was a store, goes.
        if (passwords.contains(address.shownText())) {
            passwords.remove(address.shownText());
            writeAll(passwords);
        }
        return;
    }
    if (passwords.value(address.shownText()).toString() == password)
        return;
    passwords.insert(address.shownText(), password);
    writeAll(passwords);
}

QString withKeptPassword(const QString &url)
{
    try {
        ServerAddress address = parseServerAddress(url);
        if (address.password.isEmpty())
            address.password = kept(address);
        return address.textWithPassword();
    } catch (const ArchiveError &) {
        return url;
    }
}

QString keptApart(const QString &url)
{
    if (url.trimmed().isEmpty())
        return {};
    const ServerAddress address = parseServerAddress(url);
    if (!address.password.isEmpty())
        keep(address, address.password);
    return address.shownText();
}

void moveOutOf(StationArchive &archive) noexcept
{
    try {
        if (archive.readOnly() || archive.isServer())
            return;
        const QString url = archive.serverUrl();
        if (!urlHoldsPassword(url))
            return;
        // Kept first: should the archive not take the change, the password is in both places
        // until the next opening, never in neither.
        archive.setServerUrl(keptApart(url));
    } catch (const ArchiveError &) {
        // A URL that no longer reads, or a file that cannot be written, stays as it was.
    }
}

} // namespace ServerPassword
