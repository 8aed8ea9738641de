#pragma once

#include <QString>

/// The master side of a pseudo-terminal: the logger's end of the cable. The PC opens the
/// other side, the device path, as its serial port.
class PtyDevice
{
public:
    PtyDevice() = default;
    ~PtyDevice();
    PtyDevice(const PtyDevice &) = delete;
    PtyDevice &operator=(const PtyDevice &) = delete;

    /// Opens a non-blocking master with a raw 115200-baud slave; false and a reason on failure.
    [[nodiscard]] bool open(QString *error);

    /// True while some process has the device open. The master reports POLLHUP while no one
    /// has the slave open, but only once it has been opened and closed; open() does that once
    /// itself, so that the state reads right before the first listener comes.
    [[nodiscard]] bool hasListener() const;

    /// Throws away bytes written to the device that its last listener left unread, so that
    /// they do not greet the next one. Bytes that reached the device's side while it was open
    /// wait in its line discipline, which only a flush on that side clears, so the device is
    /// opened for a moment to do it. A listener that died in exclusive mode leaves the device
    /// in it: where that open gets in all the same (as root) and no one holds the device's
    /// lock, the mode is cleared too. False when the open fails: the device then admits root
    /// alone, until replaced (takeOver).
    bool discardUnread();

    /// Also throws away what the listener sent and was not read here.
    bool discardBoth();

    /// Closes the master: to the listener, a pulled cable.
    void close();

    /// Becomes the pseudo-terminal that `fresh` opened, under this one's descriptor number, so
    /// that whatever watches or writes that number goes on with the new device; the old one is
    /// closed and `fresh` is left closed.
    void takeOver(PtyDevice &fresh);

    [[nodiscard]] int fd() const { return m_fd; }
    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    [[nodiscard]] QString devicePath() const { return m_path; }

private:
    int m_fd = -1;
    QString m_path;
};
