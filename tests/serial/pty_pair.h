#pragma once

#include <QByteArray>
#include <QString>

/// A pseudo-terminal for tests: the test holds the master end and the code under test opens
/// the slave by its path. Both ends are raw, so bytes pass unchanged.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    [[nodiscard]] bool isValid() const { return m_master >= 0; }
    [[nodiscard]] QString slavePath() const { return m_slavePath; }
    [[nodiscard]] int masterFd() const { return m_master; }

    /// Writes every byte to the master end, as the device at the other end of the line would.
    void send(const QByteArray &bytes);
    /// Reads from the master end until count bytes came or the bound for a hang ran out.
    [[nodiscard]] QByteArray receive(int count, int hangBoundMs = 10000);
    /// Closes the master end, as a pulled cable would end the line.
    void closeMaster();

    /// The path of the lock file of this pty's device in testLockFolder().
    [[nodiscard]] QString lockPath() const;

private:
    int m_master = -1;
    int m_slaveKeeper = -1;
    QString m_slavePath;
};

/// A lock folder of the tests' own, so that no test touches the system's.
[[nodiscard]] QString testLockFolder();
/// A lock file's content naming pid, as serial programs write it.
[[nodiscard]] QByteArray lockNaming(qint64 pid);
