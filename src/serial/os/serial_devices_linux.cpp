// The serial devices present on Linux: the kernel's tty class for real ports, and the
// per-user folder in which a simulated logger leaves a link to its pseudo-terminal.
#include "serial/os/comm_device.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace comm {
namespace {

constexpr unsigned firstPtyMajor = 136;
constexpr unsigned lastPtyMajor = 143;

/// A tty class entry is a port when a device stands behind it and, where the kernel says
/// which kind of UART it is, that kind is known: placeholder ports read type 0.
bool isRealPort(const QString &entry)
{
    struct stat info
    {
    };
    if (lstat(QFile::encodeName(entry + QStringLiteral("/device")).constData(), &info) != 0)
        return false;
    QFile type(entry + QStringLiteral("/type"));
    if (type.open(QIODevice::ReadOnly))
        return type.readAll().trimmed() != "0";
    return true;
}

/// True while someone holds the lock file: a live simulator keeps it locked for its lifetime.
bool lockIsHeld(const QString &lockPath)
{
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd); // also drops the lock if this probe took it
    return held;
}

void addSimulatedDevices(const QString &folder, QStringList &names)
{
    // Only a folder of this user's that no one else can write to is trusted to hold links.
    struct stat folderInfo
    {
    };
    if (stat(QFile::encodeName(folder).constData(), &folderInfo) != 0
        || !S_ISDIR(folderInfo.st_mode) || folderInfo.st_uid != getuid()
        || (folderInfo.st_mode & (S_IWGRP | S_IWOTH)))
        return;
    const QDir dir(folder);
    const QStringList entries = dir.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.endsWith(QStringLiteral(".lock")))
            continue;
        const QString path = dir.filePath(entry);
        struct stat link
        {
        };
        struct stat target
        {
        };
        const QByteArray encoded = QFile::encodeName(path);
        if (lstat(encoded.constData(), &link) != 0 || !S_ISLNK(link.st_mode))
            continue;
        if (stat(encoded.constData(), &target) != 0 || !S_ISCHR(target.st_mode))
            continue;
        const unsigned deviceMajor = major(target.st_rdev);
        if (deviceMajor < firstPtyMajor || deviceMajor > lastPtyMajor)
            continue;
        if (lockIsHeld(path + QStringLiteral(".lock")))
            names.append(path);
    }
}

/// The first line of a small attribute file of sysfs, trimmed; empty when there is none.
QString attribute(const QDir &folder, const char *name)
{
    QFile file(folder.filePath(QString::fromLatin1(name)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readLine(256)).trimmed();
}

} // namespace

QString serialDeviceDescription(const SerialDeviceRoots &roots, const QString &name)
{
    if (name.contains(QLatin1Char('/')))
        return {};
    const QString device =
        QFileInfo(roots.ttyClass + QLatin1Char('/') + name + QStringLiteral("/device"))
            .canonicalFilePath();
    if (device.isEmpty())
        return {};
    // A USB adapter's tty hangs below its interface (ttyACM directly, ttyUSB one level
    // further down), and the interface below the USB device that knows its maker and product.
    QDir folder(device);
    QString interfaceText;
    for (int level = 0; level < 4; ++level) {
        if (interfaceText.isEmpty())
            interfaceText = attribute(folder, "interface");
        if (QFileInfo::exists(folder.filePath(QStringLiteral("idVendor")))) {
            if (!interfaceText.isEmpty())
                return interfaceText;
            const QString maker = attribute(folder, "manufacturer");
            const QString product = attribute(folder, "product");
            const QString text = (maker + QLatin1Char(' ') + product).trimmed();
            return text.isEmpty()
                ? QStringLiteral("USB %1:%2")
                      .arg(attribute(folder, "idVendor"), attribute(folder, "idProduct"))
                : text;
        }
        if (!folder.cdUp())
            break;
    }
    return {};
}

SerialDeviceRoots systemSerialDeviceRoots()
{
    const uid_t uid = getuid();
    SerialDeviceRoots roots;
    roots.ttyClass = QStringLiteral("/sys/class/tty");
    roots.devices = QStringLiteral("/dev");
    const QString runtime = QStringLiteral("/run/user/%1").arg(uid);
    roots.simulatorFolders.append(QFileInfo(runtime).isDir()
                                      ? runtime + QStringLiteral("/serial-sim")
                                      : QStringLiteral("/tmp/serial-sim-%1").arg(uid));
    return roots;
}

bool listSerialDevices(const SerialDeviceRoots &roots, QStringList &names, int &errorNumber)
{
    names.clear();
    DIR *dir = opendir(QFile::encodeName(roots.ttyClass).constData());
    if (!dir) {
        errorNumber = errno;
        return false;
    }
    errno = 0;
    while (const dirent *entry = readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name.startsWith(QLatin1Char('.')))
            continue;
        if (isRealPort(roots.ttyClass + QLatin1Char('/') + name)
            && QFileInfo::exists(roots.devices + QLatin1Char('/') + name))
            names.append(name);
        errno = 0;
    }
    const int readError = errno;
    closedir(dir);
    if (readError != 0) {
        errorNumber = readError;
        return false;
    }
    for (const QString &folder : roots.simulatorFolders)
        addSimulatedDevices(folder, names);
    return true;
}

} // namespace comm
