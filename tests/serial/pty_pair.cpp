#include "pty_pair.h"

#include "serial/os/device_lock_file.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return;
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        ::close(m_master);
        m_master = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(ptsname(m_master));
    termios raw {};
    tcgetattr(m_master, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_master, TCSANOW, &raw);
    // The slave is put in raw mode once here too, so that no byte written before the code
    // under test opens it is cooked.
    m_slaveKeeper = ::open(m_slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveKeeper >= 0) {
        tcgetattr(m_slaveKeeper, &raw);
        cfmakeraw(&raw);
        tcsetattr(m_slaveKeeper, TCSANOW, &raw);
        ::close(m_slaveKeeper);
        m_slaveKeeper = -1;
    }
}

PtyPair::~PtyPair()
{
    closeMaster();
}

void PtyPair::send(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(m_master, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            return;
    }
}

QByteArray PtyPair::receive(int count, int hangBoundMs)
{
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    while (bytes.size() < count && clock.elapsed() < hangBoundMs) {
        pollfd fd {m_master, POLLIN, 0};
        if (::poll(&fd, 1, 50) <= 0 || !(fd.revents & POLLIN))
            continue;
        char buffer[4096];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0)
            bytes.append(buffer, n);
    }
    return bytes;
}

void PtyPair::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

QString PtyPair::lockPath() const
{
    return testLockFolder() + QLatin1Char('/')
        + comm::lockFileName(QFileInfo(m_slavePath).canonicalFilePath());
}

QString testLockFolder()
{
    static const QTemporaryDir folder;
    return folder.path();
}

QByteArray lockNaming(qint64 pid)
{
    return QByteArray::number(pid).rightJustified(10, ' ') + '\n';
}
