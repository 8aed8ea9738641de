#pragma once

#include <QString>

#include <sys/types.h>

/// The device's stable name: a link to it in a per-user folder, beside a lock file held for
/// the simulator's lifetime, so that a port lister can tell a live simulator from the stale
/// link of one that crashed, and a second simulator cannot take the same name.
class DeviceLink
{
public:
    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    /// /run/user/<uid>/serial-sim when /run/user/<uid> exists, else /tmp/serial-sim-<uid>.
    [[nodiscard]] static QString folderForUser(uid_t uid);

    /// Takes `<folder>/<name>.lock` and points `<folder>/<name>` at `target`, replacing a stale
    /// link. The folder is made with mode 0700 and refused unless it is a real directory
    /// owned by this user that no one else can write to. False and a reason on failure.
    [[nodiscard]] bool create(const QString &folder, const QString &name, const QString &target,
                              QString *error);

    /// Points the link at another device, in one step.
    [[nodiscard]] bool retarget(const QString &target, QString *error)
    {
        return placeLink(target, error);
    }

    /// Removes the link and the lock file; done on a clean exit.
    void remove();

    [[nodiscard]] QString linkPath() const { return m_linkPath; }
    [[nodiscard]] QString lockPath() const { return m_lockPath; }

private:
    [[nodiscard]] static bool prepareFolder(const QString &folder, QString *error);
    [[nodiscard]] bool takeLock(QString *error);
    [[nodiscard]] bool placeLink(const QString &target, QString *error);

    QString m_linkPath;
    QString m_lockPath;
    int m_lockFd = -1;
};
