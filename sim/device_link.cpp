#include "device_link.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool isDirectory(const QString &path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

DeviceLink::~DeviceLink()
{
    remove();
}

QString DeviceLink::folderForUser(uid_t uid)
{
    const QString runtime = QStringLiteral("/run/user/%1").arg(uid);
    if (isDirectory(runtime))
        return runtime + QStringLiteral("/serial-sim");
    return QStringLiteral("/tmp/serial-sim-%1").arg(uid);
}

bool DeviceLink::create(const QString &folder, const QString &name, const QString &target,
                        QString *error)
{
    if (!prepareFolder(folder, error))
        return false;
    m_linkPath = folder + u'/' + name;
    m_lockPath = m_linkPath + QStringLiteral(".lock");
    if (!takeLock(error))
        return false;
    if (!placeLink(target, error)) {
        remove();
        return false;
    }
    return true;
}

bool DeviceLink::prepareFolder(const QString &folder, QString *error)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("cannot make the folder %1: %2").arg(folder, reason());
        return false;
    }
    // In /tmp another user could have made the folder first, or put a link in its place.
    struct stat info
    {
    };
    if (::lstat(path.constData(), &info) != 0) {
        *error = QStringLiteral("cannot examine the folder %1: %2").arg(folder, reason());
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 022) != 0) {
        *error = QStringLiteral("refusing the folder %1: it must be a directory owned by user %2 "
                                "that no one else can write to")
                     .arg(folder)
                     .arg(::getuid());
        return false;
    }
    return true;
}

bool DeviceLink::takeLock(QString *error)
{
    const QByteArray path = QFile::encodeName(m_lockPath);
    // A simulator that is just exiting removes its lock file after we opened it; a lock on
    // that removed file would hold nothing, so check that the name still means our file.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            *error = QStringLiteral("cannot open the lock file %1: %2").arg(m_lockPath, reason());
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            *error = held ? QStringLiteral("another simulator is already running as \"%1\" "
                                           "(it holds %2); choose another --name")
                                .arg(m_linkPath.section(u'/', -1), m_lockPath)
                          : QStringLiteral("cannot lock %1: %2").arg(m_lockPath, reason());
            ::close(fd);
            m_lockPath.clear();
            m_linkPath.clear();
            return false;
        }
        struct stat opened
        {
        };
        struct stat named
        {
        };
        if (::fstat(fd, &opened) == 0 && ::stat(path.constData(), &named) == 0
            && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            m_lockFd = fd;
            // The pid is a courtesy to people looking at the folder; nothing depends on it.
            const QByteArray pid = QByteArray::number(::getpid()) + '\n';
            if (::ftruncate(fd, 0) == 0) {
                const ssize_t written = ::write(fd, pid.constData(), size_t(pid.size()));
                static_cast<void>(written);
            }
            return true;
        }
        ::close(fd);
    }
    *error =
        QStringLiteral("cannot take the lock file %1: it keeps being replaced").arg(m_lockPath);
    return false;
}

bool DeviceLink::placeLink(const QString &target, QString *error)
{
    // A new link under a temporary name, renamed over the old one, replaces a stale link in
    // one step: a lister never sees the name missing or half made.
    const QString temporary = m_linkPath.section(u'/', 0, -2)
        + QStringLiteral("/.%1.%2.tmp").arg(m_linkPath.section(u'/', -1)).arg(::getpid());
    const QByteArray temporaryPath = QFile::encodeName(temporary);
    ::unlink(temporaryPath.constData());
    if (::symlink(QFile::encodeName(target).constData(), temporaryPath.constData()) != 0) {
        *error = QStringLiteral("cannot make the link %1: %2").arg(temporary, reason());
        return false;
    }
    if (::rename(temporaryPath.constData(), QFile::encodeName(m_linkPath).constData()) != 0) {
        *error = QStringLiteral("cannot place the link %1: %2").arg(m_linkPath, reason());
        ::unlink(temporaryPath.constData());
        return false;
    }
    return true;
}

void DeviceLink::remove()
{
    if (m_lockFd < 0)
        return;
    // The link first: while the lock is still held, nobody takes the name in between.
    ::unlink(QFile::encodeName(m_linkPath).constData());
    ::unlink(QFile::encodeName(m_lockPath).constData());
    ::close(m_lockFd);
    m_lockFd = -1;
}
