// Covers the built simulator over a real pseudo-terminal, as the PC meets it: frames checked
// with the PC's decoding against what the simulator says it served, no backlog for a late or
// returning listener, commands, a download with its lone end marker, the hangup fault, the
// link and lock file in the per-user folder, and a listener killed in exclusive mode.
#include "link/status_frame.h"
#include "simulator_process.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

/// Every wait is bounded only to catch a hang.
constexpr int kBoundMs = SimProcess::boundMs;

/// The PC's end of the line: the device opened raw, read in the chunks it delivers.
class Listener
{
public:
    ~Listener() { close(); }

    bool open(const QString &path)
    {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return false;
        termios settings {};
        ::tcgetattr(m_fd, &settings);
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        return ::tcsetattr(m_fd, TCSANOW, &settings) == 0;
    }

    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_buffer.clear();
    }

    /// One read's worth of bytes: empty when nothing came within waitMs; nullopt when the
    /// line is gone (end of file or EIO).
    std::optional<QByteArray> readChunk(int waitMs)
    {
        pollfd p {m_fd, POLLIN, 0};
        if (::poll(&p, 1, waitMs) <= 0)
            return QByteArray();
        char bytes[65536];
        const ssize_t count = ::read(m_fd, bytes, sizeof bytes);
        if (count > 0)
            return QByteArray(bytes, count);
        if (count < 0 && errno == EAGAIN)
            return QByteArray();
        return std::nullopt;
    }

    /// The next frame, split at its terminating CR; empty after the bound.
    QByteArray nextFrame()
    {
        QDeadlineTimer bound(kBoundMs);
        while (!bound.hasExpired()) {
            const qsizetype end = m_buffer.indexOf('\r');
            if (end >= 0) {
                const QByteArray frame = m_buffer.left(end + 1);
                m_buffer.remove(0, end + 1);
                return frame;
            }
            const auto chunk = readChunk(50);
            if (!chunk)
                return {};
            m_buffer += *chunk;
        }
        return {};
    }

    /// The next frame that satisfies `wanted`; empty after the bound.
    QByteArray frameWhere(const std::function<bool(const StatusDetails &)> &wanted)
    {
        QDeadlineTimer bound(kBoundMs);
        while (!bound.hasExpired()) {
            const QByteArray frame = nextFrame();
            if (frame.size() != 44)
                return {};
            const StatusFrameDecoding decoded = decodeStatusFrame(frame);
            if (decoded.details && wanted(*decoded.details))
                return frame;
        }
        return {};
    }

    /// Sends each byte in a write of its own, as the PC sends the clock-set command.
    bool send(const QByteArray &bytes)
    {
        for (const char byte : bytes) {
            if (::write(m_fd, &byte, 1) != 1)
                return false;
        }
        return true;
    }

    /// What the PC does after "X": throws away everything received so far.
    void discardReceived()
    {
        ::tcflush(m_fd, TCIFLUSH);
        m_buffer.clear();
    }

private:
    int m_fd = -1;
    QByteArray m_buffer;
};

QString frameLine(const QByteArray &frame)
{
    return QStringLiteral("frame ") + QString::fromLatin1(frame.chopped(1)) + QStringLiteral("\\r");
}

bool isFrame(const QString &line)
{
    return line.startsWith(QStringLiteral("frame "));
}

/// A line that shows the simulator serving a listener.
bool isServing(const QString &line)
{
    return isFrame(line) || line.startsWith(QStringLiteral("listener"));
}

/// Whether a program may take the device as its own: an open that is not refused, on a
/// device that no one else holds in exclusive mode (root gets in all the same, but a program
/// honours the mode).
bool usableByTheNext(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int exclusive = 1;
    const bool usable = ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive == 0;
    ::close(fd);
    return usable;
}

QString uniqueName(const char *test)
{
    return QStringLiteral("tst-%1-%2")
        .arg(QLatin1String(test))
        .arg(QCoreApplication::applicationPid());
}

QString linkFolder()
{
    const QString runtime = QStringLiteral("/run/user/%1").arg(::getuid());
    if (QFileInfo(runtime).isDir())
        return runtime + QStringLiteral("/serial-sim");
    return QStringLiteral("/tmp/serial-sim-%1").arg(::getuid());
}

const QStringList kQuickRecording {"--frame-interval", "100", "--pace",  "fast",
                                   "--samples",        "100", "--start", "01/01/2026 00:00:00"};

} // namespace

class TestSimProcess : public QObject
{
    Q_OBJECT

private slots:
    void framesAreFreshAndMatchWhatTheSimulatorServed()
    {
        SimProcess sim(kQuickRecording + QStringList {"--name", uniqueName("frames")});
        QVERIFY(sim.waitUntilServing());

        // Frame ticks pass with no one on the line: nothing may be sent, or it would wait in
        // the device for the first listener.
        QTest::qWait(350);
        const int beforeOpen = sim.lineCount();
        Listener pc;
        QVERIFY(pc.open(sim.devicePath()));
        const int opened = sim.waitForLine(isServing);
        QVERIFY(opened >= beforeOpen);
        QCOMPARE(sim.lines().at(opened), QStringLiteral("listener open"));

        // Frames left unread when the PC closes the port must not reach it when it opens the
        // port again. A second apart, the frames' clocks tell old from new.
        int unread = opened;
        for (int i = 0; i < 3 && unread >= 0; ++i)
            unread = sim.waitForLine(isFrame, unread + 1);
        QVERIFY(unread >= 0);
        pc.close();
        const int closed = sim.waitForLine("listener closed", opened);
        QVERIFY(closed >= 0);
        QStringList stale = sim.lines().mid(0, closed);
        stale.removeIf([](const QString &line) { return !isFrame(line); });
        QTest::qWait(1100);

        QVERIFY(pc.open(sim.devicePath()));
        const int reopened = sim.waitForLine("listener open", closed);
        QVERIFY(reopened >= 0);
        for (int i = 0; i < 3; ++i) {
            const QByteArray frame = pc.nextFrame();
            QCOMPARE(frame.size(), 44);
            QVERIFY2(!stale.contains(frameLine(frame)), frame.constData());
            QVERIFY2(sim.waitForLine(frameLine(frame), reopened) >= 0, frame.constData());
            const StatusFrameDecoding decoded = decodeStatusFrame(frame);
            QVERIFY(!decoded.failure);
            QCOMPARE(decoded.details->memoryPositions, 100.0);
            QCOMPARE(decoded.details->rateCode, 4);
        }
    }

    void commandsChangeWhatLaterFramesReport()
    {
        SimProcess sim(kQuickRecording + QStringList {"--name", uniqueName("commands")});
        QVERIFY(sim.waitUntilServing());
        Listener pc;
        QVERIFY(pc.open(sim.devicePath()));
        QCOMPARE(pc.nextFrame().size(), 44);

        QVERIFY(pc.send("6"));
        QVERIFY(sim.waitForLine("rate 30") >= 0);
        QVERIFY(!pc.frameWhere([](const StatusDetails &d) {
                       return d.rateCode == 5 && d.memoryPositions == 100;
                   }).isEmpty());

        QVERIFY(pc.send("312a"));
        QVERIFY(sim.waitForLine("malformed-clock-set 312") >= 0);
        QVERIFY(sim.waitForLine("ignored a") >= 0);

        QVERIFY(pc.send("3090507010231"));
        QVERIFY(sim.waitForLine("clock 01/02/2031 09:05:07") >= 0);
        const QByteArray frame = pc.frameWhere(
            [](const StatusDetails &d) { return d.loggerDate == QStringLiteral("01/02/2031"); });
        QVERIFY(!frame.isEmpty());
        const StatusDetails details = *decodeStatusFrame(frame).details;
        QCOMPARE(details.memoryPositions, 0.0);
        QCOMPARE(details.rateCode, 5);
        QCOMPARE(details.hour, 9);
        QVERIFY(details.minute * 60 + details.second >= 5 * 60 + 7);
    }

    void downloadEndsWithALoneMarkerAndFramesResume()
    {
        SimProcess sim({"--frame-interval", "100", "--pace", "fast", "--samples", "5", "--start",
                        "06/12/2026 14:30:05", "--name", uniqueName("download")});
        QVERIFY(sim.waitUntilServing());
        Listener pc;
        QVERIFY(pc.open(sim.devicePath()));
        QCOMPARE(pc.nextFrame().size(), 44);

        QVERIFY(pc.send("8"));
        const int requested = sim.waitForLine("command 8");
        QVERIFY(requested >= 0);
        QVERIFY(pc.send("X"));
        pc.discardReceived();

        QByteArray text;
        bool ended = false;
        QDeadlineTimer bound(kBoundMs);
        while (!ended && !bound.hasExpired()) {
            const auto chunk = pc.readChunk(50);
            QVERIFY(chunk.has_value());
            if (*chunk == "A")
                ended = true;
            else
                text += *chunk;
        }
        QVERIFY2(ended, text.constData());
        QVERIFY(sim.waitForLine("download 5 samples", requested) >= 0);

        QVERIFY(text.startsWith(" 26/12/06 05:30:14  4\r\n"));
        QVERIFY(text.endsWith("\r\n"));
        QList<QByteArray> lines = text.split('\n');
        lines.removeLast(); // after the last line end
        QCOMPARE(lines.size(), 2 + 5);
        for (const QByteArray &line : lines)
            QVERIFY(line.endsWith('\r'));
        for (qsizetype i = 2; i < lines.size(); ++i)
            QCOMPARE(lines[i].size(), 24 + 1);
        QVERIFY(sim.waitForLine("end-marker", requested) >= 0);

        const QByteArray after = pc.nextFrame();
        QCOMPARE(after.size(), 44);
        QVERIFY(!decodeStatusFrame(after).failure);
    }

    void hangupFaultLooksLikeAPulledCable()
    {
        SimProcess sim({"--frame-interval", "100", "--pace", "fast", "--samples", "4000", "--fault",
                        "hangup", "--name", uniqueName("hangup")});
        QVERIFY(sim.waitUntilServing());
        Listener pc;
        QVERIFY(pc.open(sim.devicePath()));
        QCOMPARE(pc.nextFrame().size(), 44);
        QVERIFY(pc.send("8"));
        QVERIFY(sim.waitForLine("command 8") >= 0);
        QVERIFY(pc.send("X"));
        pc.discardReceived();

        qsizetype received = 0;
        bool gone = false;
        QDeadlineTimer bound(kBoundMs);
        while (!gone && !bound.hasExpired()) {
            const auto chunk = pc.readChunk(50);
            if (!chunk)
                gone = true;
            else {
                QVERIFY(*chunk != "A");
                received += chunk->size();
            }
        }
        QVERIFY2(gone, "the line ends as if the cable were pulled");
        QVERIFY(received > 0);
        QVERIFY(sim.process().waitForFinished(kBoundMs));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 3);
        QVERIFY(sim.process().readAllStandardError().contains("hangup"));
        QVERIFY(!QFileInfo::exists(sim.linkPath()));
    }

    void aListenerKilledInExclusiveModeDoesNotLockOutTheNext()
    {
        SimProcess sim({"--frame-interval", "100", "--name", uniqueName("killed")});
        QVERIFY(sim.waitUntilServing());
        const QByteArray link = QFile::encodeName(sim.linkPath());
        // A program that holds the device as the PC program does (advisory lock, exclusive
        // mode) and is then killed, with no chance to let the device go.
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t holder = ::fork();
        if (holder == 0) {
            const int fd = ::open(link.constData(), O_RDWR | O_NOCTTY);
            const char held =
                fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::ioctl(fd, TIOCEXCL) == 0;
            [[maybe_unused]] const ssize_t told = ::write(ready[1], &held, 1);
            for (;;)
                ::pause();
        }
        char held = 0;
        QCOMPARE(::read(ready[0], &held, 1), ssize_t(1));
        ::close(ready[0]);
        ::close(ready[1]);
        QVERIFY(held);
        QVERIFY(sim.waitForLine("listener open") >= 0);
        QVERIFY2(!usableByTheNext(link), "a live holder keeps its exclusive mode");

        QCOMPARE(::kill(holder, SIGKILL), 0);
        QCOMPARE(::waitpid(holder, nullptr, 0), holder);
        QVERIFY(sim.waitForLine("listener closed") >= 0);
        QVERIFY2(usableByTheNext(link), "the device is free again under the same name");
        Listener pc;
        QVERIFY(pc.open(sim.linkPath()));
        QCOMPARE(pc.nextFrame().size(), 44);
    }

    void linkAndLockLiveAsLongAsTheSimulator()
    {
        const QString name = uniqueName("link");
        const QString folder = linkFolder();
        const QString link = folder + u'/' + name;
        const QString lock = link + QStringLiteral(".lock");
        // What a crashed simulator leaves: a link to a gone device and a lock nobody holds.
        QVERIFY(QDir().mkpath(folder));
        QFile::remove(link);
        QVERIFY(QFile::link(QStringLiteral("/dev/pts/gone"), link));
        QFile staleLock(lock);
        QVERIFY(staleLock.open(QIODevice::WriteOnly));
        staleLock.close();

        {
            SimProcess sim({"--name", name});
            QVERIFY(sim.waitUntilServing());
            QCOMPARE(sim.linkPath(), link);
            QCOMPARE(QFileInfo(link).symLinkTarget(), sim.devicePath());
            QVERIFY(QFileInfo::exists(lock));

            QProcess second;
            second.start(QStringLiteral(BRENTAVIUS_SIM_PATH), {"--name", name});
            QVERIFY(second.waitForFinished(kBoundMs));
            QCOMPARE(second.exitCode(), 1);
            QVERIFY(second.readAllStandardError().contains("already running"));
            QVERIFY(second.readAllStandardOutput().isEmpty());
            QCOMPARE(QFileInfo(link).symLinkTarget(), sim.devicePath());

            sim.process().terminate();
            QVERIFY(sim.process().waitForFinished(kBoundMs));
            QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
            QCOMPARE(sim.process().exitCode(), 0);
        }
        QVERIFY(!QFileInfo(link).isSymLink());
        QVERIFY(!QFileInfo::exists(lock));
    }

    void badOptionExitsWithStatus2()
    {
        QProcess sim;
        sim.start(QStringLiteral(BRENTAVIUS_SIM_PATH), {"--rate", "20"});
        QVERIFY(sim.waitForFinished(kBoundMs));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(sim.readAllStandardError().contains("--rate"));
    }
};

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_sim_process.moc"
