#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

/// The lock files through which serial programs on one machine keep off each other's devices.
namespace comm {

/// The folder that serial programs on this system share for their device locks (/var/lock).
[[nodiscard]] QString systemLockFolder();

/// The lock file name of a device path: "LCK.." and the path below /dev with every '/'
/// replaced by '_' (/dev/ttyUSB0 gives LCK..ttyUSB0, /dev/pts/3 gives LCK..pts_3).
[[nodiscard]] QString lockFileName(const QString &devicePath);

/// How removeStaleLockFile ended.
enum class StaleLockRemoval {
    Removed,
    Replaced, ///< the name is gone or holds another file (or another opener is removing it)
    Refused ///< the file may not be removed
};

/// Removes the lock file at path only if it is still the file (device, inode) that was read
/// and judged stale: another opener may have removed it meanwhile and made a fresh lock of
/// its own under the same name, which must stay.
[[nodiscard]] StaleLockRemoval removeStaleLockFile(const QByteArray &path, dev_t device,
                                                   ino_t inode);

/// A device's lock file in the UUCP style: it holds the pid of the process that uses the
/// device, as ten characters right-aligned and a newline. A lock whose process is dead is
/// stale and is removed; one that names this process counts as this process's own. An empty
/// lock is stale only once it is some seconds old: until then its holder is taken to be
/// about to write its pid.
class DeviceLockFile
{
public:
    DeviceLockFile() = default;
    /// Removes the lock file if this object holds it.
    ~DeviceLockFile();
    DeviceLockFile(const DeviceLockFile &) = delete;
    DeviceLockFile &operator=(const DeviceLockFile &) = delete;

    /// Takes the lock of the device at devicePath in folder. False with EBUSY when another live
    /// process holds it. Where the folder cannot be written (or the lock cannot be made for any
    /// other reason of the folder's own) the device goes unlocked and the result is true.
    bool acquire(const QString &folder, const QString &devicePath, int &errorNumber);
    /// Makes a lock that already named this process this object's own, so that release()
    /// removes it; a lock this object wrote itself is its own already.
    void claim() { m_held = !m_path.isEmpty(); }
    /// Removes the lock file if this object holds it and it still names this process.
    void release();

private:
    QByteArray m_path; ///< the lock file of the device found or written by acquire()
    bool m_held = false;
};

} // namespace comm
