#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

#include <functional>

/// The built simulated logger as a child process run with --verbose, and the lines it prints.
class SimProcess
{
public:
    /// Every wait is bounded only to catch a hang.
    static constexpr int boundMs = 8000;

    /// The simulator's executable, as the build gives it.
    static QString simulatorPath() { return QStringLiteral(BRENTAVIUS_SIM_PATH); }

    explicit SimProcess(const QStringList &arguments)
    {
        m_process.start(simulatorPath(), QStringList {"--verbose"} + arguments);
    }

    ~SimProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(boundMs))
                m_process.kill();
            m_process.waitForFinished(boundMs);
        }
    }

    /// Waits for the device and link lines; false if the simulator did not come up.
    bool waitUntilServing()
    {
        const int device =
            waitForLine([](const QString &line) { return line.startsWith("device "); });
        const int link = waitForLine([](const QString &line) { return line.startsWith("link "); });
        if (device < 0 || link < 0)
            return false;
        m_devicePath = m_lines[device].mid(7);
        m_linkPath = m_lines[link].mid(5);
        return true;
    }

    /// The index of the first line from `from` on that matches, or −1 after the bound.
    int waitForLine(const std::function<bool(const QString &)> &matches, int from = 0)
    {
        QDeadlineTimer bound(boundMs);
        for (;;) {
            collect();
            for (int i = from; i < m_lines.size(); ++i) {
                if (matches(m_lines[i]))
                    return i;
            }
            if (bound.hasExpired() || m_process.state() == QProcess::NotRunning)
                return -1;
            m_process.waitForReadyRead(20);
        }
    }

    int waitForLine(const QString &exact, int from = 0)
    {
        return waitForLine([&exact](const QString &line) { return line == exact; }, from);
    }

    int lineCount()
    {
        collect();
        return int(m_lines.size());
    }

    QStringList lines()
    {
        collect();
        return m_lines;
    }

    QProcess &process() { return m_process; }
    QString devicePath() const { return m_devicePath; }
    QString linkPath() const { return m_linkPath; }

private:
    void collect()
    {
        m_pending += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            m_lines << QString::fromLocal8Bit(m_pending.left(end));
            m_pending.remove(0, end + 1);
        }
    }

    QProcess m_process;
    QByteArray m_pending;
    QStringList m_lines;
    QString m_devicePath;
    QString m_linkPath;
};
