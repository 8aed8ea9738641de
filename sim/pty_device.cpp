#include "pty_device.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyDevice::~PtyDevice()
{
    close();
}

bool PtyDevice::open(QString *error)
{
    m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        *error = systemError("cannot open a pseudo-terminal");
        return false;
    }
    char name[128] = {};
    if (::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0
        || ::ptsname_r(m_fd, name, sizeof name) != 0) {
        *error = systemError("cannot prepare the pseudo-terminal");
        close();
        return false;
    }
    m_path = QString::fromLocal8Bit(name);

    // Opening and closing the slave once sets it up raw at the line's rate (the settings stay
    // for the next opener) and puts the master into the hung-up state that says "no listener".
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) {
        *error = systemError("cannot open the pseudo-terminal's device");
        close();
        return false;
    }
    termios settings {};
    bool configured = ::tcgetattr(slave, &settings) == 0;
    if (configured) {
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        configured = ::cfsetispeed(&settings, B115200) == 0
            && ::cfsetospeed(&settings, B115200) == 0
            && ::tcsetattr(slave, TCSANOW, &settings) == 0;
    }
    if (!configured)
        *error = systemError("cannot set the pseudo-terminal to raw 115200 baud");
    ::close(slave);
    if (!configured) {
        close();
        return false;
    }
    return true;
}

bool PtyDevice::hasListener() const
{
    if (m_fd < 0)
        return false;
    pollfd p {m_fd, 0, 0};
    if (::poll(&p, 1, 0) < 0)
        return false;
    return (p.revents & POLLHUP) == 0;
}

bool PtyDevice::discardUnread()
{
    if (m_fd < 0)
        return false;
    // On a master, the output queue holds what has not yet reached the device's side.
    ::tcflush(m_fd, TCOFLUSH);
    const int slave =
        ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0)
        return false;
    // The lock that a program holding the device keeps on it is gone with the program, so a
    // free lock means that exclusive mode outlived its holder.
    int exclusive = 0;
    if (::ioctl(slave, TIOCGEXCL, &exclusive) == 0 && exclusive != 0
        && ::flock(slave, LOCK_EX | LOCK_NB) == 0)
        ::ioctl(slave, TIOCNXCL);
    const bool flushed = ::tcflush(slave, TCIFLUSH) == 0;
    ::close(slave);
    return flushed;
}

bool PtyDevice::discardBoth()
{
    if (m_fd >= 0)
        ::tcflush(m_fd, TCIFLUSH);
    return discardUnread();
}

void PtyDevice::takeOver(PtyDevice &fresh)
{
    if (m_fd >= 0 && fresh.m_fd >= 0)
        ::dup3(fresh.m_fd, m_fd, O_CLOEXEC);
    else
        std::swap(m_fd, fresh.m_fd);
    fresh.close();
    m_path = fresh.m_path;
}

void PtyDevice::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}
