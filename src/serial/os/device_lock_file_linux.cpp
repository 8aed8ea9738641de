// UUCP-style device lock files, the convention by which serial programs on Linux keep off a
// device that another program uses: the kernel's own exclusive mode does not stop root, and a
// program that opened the device plainly leaves no other mark.
#include "serial/os/device_lock_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace comm {
namespace {

/// How often a lock that comes and goes under our hands is looked at again before giving up.
constexpr int lockAttempts = 5;
/// An empty lock this young is a holder's that has yet to write its pid, not a stale one.
constexpr time_t youngLockSeconds = 10;

enum class LockState {
    Absent,
    FolderUnusable, ///< the folder cannot be looked into
    Unreadable, ///< a lock is there but cannot be read
    Names
};

struct LockContent
{
    LockState state = LockState::Absent;
    pid_t pid = 0;
    /// The file that was read, for a lock that names someone.
    struct stat file
    {
    };
};

bool youngAndEmpty(const LockContent &lock)
{
    if (lock.file.st_size != 0)
        return false;
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const time_t age = now.tv_sec - lock.file.st_mtim.tv_sec;
    return age > -youngLockSeconds && age < youngLockSeconds;
}

/// Reads the pid in a lock file: ten characters and a newline, or, from old programs, the pid
/// as a binary integer.
LockContent readLock(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {LockState::Absent, 0, {}};
        struct stat info
        {
        };
        return {::lstat(path.constData(), &info) == 0 ? LockState::Unreadable
                                                      : LockState::FolderUnusable,
                0,
                {}};
    }
    LockContent found {LockState::Names, 0, {}};
    char text[32] = {};
    const bool identified = ::fstat(fd, &found.file) == 0;
    const ssize_t size = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (!identified)
        return {LockState::Unreadable, 0, {}};
    if (size <= 0)
        return found;
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end != text && value > 0 && value <= 0x7FFFFFFF) {
        found.pid = pid_t(value);
    } else if (size == sizeof(int)) {
        int binary = 0;
        std::memcpy(&binary, text, sizeof binary);
        found.pid = pid_t(binary > 0 ? binary : 0);
    }
    return found;
}

/// A process that cannot be signalled for lack of permission exists all the same.
bool processIsAlive(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

/// Writes this process's lock in a file of its own beside the lock; its path, or nothing when
/// the folder cannot take it.
std::optional<QByteArray> writeOwnLock(const QByteArray &folder)
{
    QByteArray path = folder + "/LTMP." + QByteArray::number(::getpid()) + ".XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0)
        return std::nullopt;
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", int(::getpid()));
    // Other programs read the lock to learn who holds the device.
    const bool written =
        ::fchmod(fd, 0644) == 0 && ::write(fd, text, std::size_t(length)) == length;
    ::close(fd);
    if (!written) {
        ::unlink(path.constData());
        return std::nullopt;
    }
    return path;
}

} // namespace

QString systemLockFolder()
{
    return QStringLiteral("/var/lock");
}

QString lockFileName(const QString &devicePath)
{
    static const QString devices = QStringLiteral("/dev/");
    QString name = devicePath.startsWith(devices) ? devicePath.mid(devices.size()) : devicePath;
    while (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

DeviceLockFile::~DeviceLockFile()
{
    release();
}

bool DeviceLockFile::acquire(const QString &folder, const QString &devicePath, int &errorNumber)
{
    release();
    m_path.clear();
    // Every name of a device (such as a link a simulator leaves) shares the device's one lock.
    const QString device = QFileInfo(devicePath).canonicalFilePath();
    if (folder.isEmpty() || device.isEmpty())
        return true;
    const QByteArray folderPath = QFile::encodeName(folder);
    const QByteArray lockPath = folderPath + '/' + QFile::encodeName(lockFileName(device));
    for (int attempt = 0; attempt < lockAttempts; ++attempt) {
        const LockContent found = readLock(lockPath);
        if (found.state == LockState::FolderUnusable)
            return true; // a folder we may not look into cannot hold a lock of ours either
        if (found.state == LockState::Unreadable) {
            // Someone's lock that does not say whose: the device is taken to be in use.
            errorNumber = EBUSY;
            return false;
        }
        if (found.state == LockState::Names) {
            if (found.pid == ::getpid()) {
                m_path = lockPath; // ours; held only once the device is ours too (claim)
                return true;
            }
            if (processIsAlive(found.pid) || youngAndEmpty(found)) {
                errorNumber = EBUSY;
                return false;
            }
            // Left by a process that is gone. A lock we may not remove (another user's, in a
            // folder that only lets owners delete) cannot stop anyone: go on without ours.
            switch (removeStaleLockFile(lockPath, found.file.st_dev, found.file.st_ino)) {
            case StaleLockRemoval::Removed:
                break;
            case StaleLockRemoval::Replaced:
                continue; // someone else's now: looked at afresh
            case StaleLockRemoval::Refused:
                return true;
            }
        }
        const std::optional<QByteArray> own = writeOwnLock(folderPath);
        if (!own)
            return true;
        // link() never replaces an existing name, so a lock another program made meanwhile
        // stays and is looked at again.
        const int linked = ::link(own->constData(), lockPath.constData());
        const int linkError = errno;
        ::unlink(own->constData());
        if (linked == 0) {
            m_path = lockPath;
            m_held = true;
            return true;
        }
        if (linkError != EEXIST)
            return true;
    }
    errorNumber = EBUSY;
    return false;
}

StaleLockRemoval removeStaleLockFile(const QByteArray &path, dev_t device, ino_t inode)
{
    const auto isTheOneRead = [device, inode](const struct stat &file) {
        return file.st_dev == device && file.st_ino == inode;
    };
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return errno == ENOENT ? StaleLockRemoval::Replaced : StaleLockRemoval::Refused;
    // Openers of this program hold the file's advisory lock while they make sure and remove
    // it, so that of two who judged it stale only one removes it; the other finds the name
    // gone or another file under it.
    struct stat opened
    {
    };
    struct stat named
    {
    };
    StaleLockRemoval result = StaleLockRemoval::Replaced;
    if (::fstat(fd, &opened) == 0 && isTheOneRead(opened) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && ::lstat(path.constData(), &named) == 0 && isTheOneRead(named)) {
        result = ::unlink(path.constData()) == 0 ? StaleLockRemoval::Removed
            : errno == ENOENT                    ? StaleLockRemoval::Replaced
                                                 : StaleLockRemoval::Refused;
    }
    ::close(fd);
    return result;
}

void DeviceLockFile::release()
{
    if (!m_held)
        return;
    m_held = false;
    const LockContent found = readLock(m_path);
    if (found.state == LockState::Names && found.pid == ::getpid())
        ::unlink(m_path.constData());
}

} // namespace comm
