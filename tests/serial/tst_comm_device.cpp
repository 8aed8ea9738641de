// Covers the Linux device layer on pseudo-terminals: exclusive open, device lock files, read
// time-outs, edge-like event waits and their stop signal, the reading of error marks, the
// queue's capacity, rates, a hung-up line and letting the device go. Modem lines, parity and
// breaks on a line need real hardware (tst_serial_hardware).
#include "pty_pair.h"
#include "serial/os/comm_device.h"
#include "serial/os/custom_baud_rate.h"
#include "serial/os/device_lock_file.h"
#include "serial/os/tty_marks.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

#include <cerrno>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using comm::CommDevice;
using Outcome = comm::CommDevice::WaitOutcome;

namespace {

void writeText(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The pid of a child that has ended and been reaped, so that no process has it.
pid_t deadPid()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

std::unique_ptr<CommDevice> openDevice(const PtyPair &pty)
{
    int error = 0;
    auto device = CommDevice::open(pty.slavePath(), testLockFolder(), error);
    if (!device)
        qWarning("open %s failed: %d", qPrintable(pty.slavePath()), error);
    return device;
}

int waiting(CommDevice &device)
{
    std::uint32_t errors = 0;
    int count = 0;
    int error = 0;
    device.clearCommError(errors, count, error);
    return count;
}

QByteArray readAll(CommDevice &device, int count)
{
    QByteArray bytes(count, '\0');
    int read = 0;
    int error = 0;
    if (!device.readFile(bytes.data(), count, read, error))
        return {};
    bytes.resize(read);
    return bytes;
}

void setTimeouts(CommDevice &device, std::uint32_t interval, std::uint32_t multiplier = 0,
                 std::uint32_t constant = 0)
{
    comm::CommTimeouts timeouts;
    timeouts.ReadIntervalTimeout = interval;
    timeouts.ReadTotalTimeoutMultiplier = multiplier;
    timeouts.ReadTotalTimeoutConstant = constant;
    int error = 0;
    device.setCommTimeouts(timeouts, error);
}

/// How often the device's reader thread has waited and been woken so far; −1 if none runs.
long long readerWakeUps()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (contentOf(tasks.filePath(tid + QStringLiteral("/comm"))).trimmed() != "serial-reader")
            continue;
        for (const QByteArray &line :
             contentOf(tasks.filePath(tid + QStringLiteral("/status"))).split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:"))
                return line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    }
    return -1;
}

/// Opens the device with a caller watching its tty, once its reader has settled into its wait.
std::unique_ptr<CommDevice> openWatchedDevice(const PtyPair &pty)
{
    auto device = openDevice(pty);
    if (device) {
        device->setInputWatched(true);
        QTest::qWait(300);
    }
    return device;
}

QByteArray wakeUpsForFrames(long long wakeUps, int frames)
{
    return QStringLiteral("%1 wake-ups for %2 frames").arg(wakeUps).arg(frames).toLocal8Bit();
}

/// Reads the line as a watcher does until the queue holds queued bytes; false after 5 s.
bool readAsTheWatcher(CommDevice &device, int queued)
{
    QDeadlineTimer bound(5000);
    while ((device.readWaiting(), waiting(device) != queued)) {
        if (bound.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

/// Sends frames of five bytes gapMs apart, each read by the watcher as it comes and kept in the
/// queue; the reader's wake-ups meanwhile, or −1 if a frame was not read.
long long readerWakeUpsWhileTheWatcherReads(CommDevice &device, PtyPair &pty, int frames, int gapMs)
{
    const long long before = readerWakeUps();
    const int queued = waiting(device);
    for (int i = 1; i <= frames; ++i) {
        pty.send("frame");
        if (!readAsTheWatcher(device, queued + 5 * i))
            return -1;
        QTest::qWait(gapMs);
    }
    return readerWakeUps() - before;
}

} // namespace

class TestCommDevice : public QObject
{
    Q_OBJECT

private slots:
    void openingAMissingNameGivesItsErrorNumber()
    {
        int error = 0;
        QVERIFY(!CommDevice::open(QStringLiteral("COM1"), testLockFolder(), error));
        QCOMPARE(error, ENOENT);
        QVERIFY(!CommDevice::open(QStringLiteral("/nonexistent/ttyX"), testLockFolder(), error));
        QCOMPARE(error, ENOENT);
        QVERIFY(!CommDevice::open(QString(), testLockFolder(), error));
        QVERIFY(error != 0);
    }

    void aSecondOpenOfTheSameDeviceIsRefused()
    {
        PtyPair pty;
        auto first = openDevice(pty);
        QVERIFY(first);
        int error = 0;
        QVERIFY(!CommDevice::open(pty.slavePath(), testLockFolder(), error));
        QCOMPARE(error, EBUSY);
        first.reset();
        QVERIFY(CommDevice::open(pty.slavePath(), testLockFolder(), error));
    }

    void anotherProgramsExclusiveModeHoldsEvenAgainstRoot()
    {
        PtyPair pty;
        const int other =
            ::open(QFile::encodeName(pty.slavePath()).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(other >= 0);
        QCOMPARE(ioctl(other, TIOCEXCL), 0);
        int error = 0;
        QVERIFY(!CommDevice::open(pty.slavePath(), testLockFolder(), error));
        QCOMPARE(error, EBUSY);
        ioctl(other, TIOCNXCL);
        ::close(other);
        QVERIFY(CommDevice::open(pty.slavePath(), testLockFolder(), error));
    }

    void anOpenThatFailsLeavesNoExclusiveMode()
    {
        PtyPair pty;
        QVERIFY(!testLockFolder().isEmpty());
        // Descriptors run out after the device's own: the open fails once exclusive mode is on.
        rlimit limits {};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &limits), 0);
        const rlimit before = limits;
        limits.rlim_cur = 256;
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &limits), 0);
        std::vector<int> fillers;
        for (int fd = dup(0); fd >= 0; fd = dup(0))
            fillers.push_back(fd);
        QVERIFY(!fillers.empty());
        ::close(fillers.back());
        fillers.pop_back();
        int error = 0;
        const bool opened = CommDevice::open(pty.slavePath(), testLockFolder(), error) != nullptr;
        for (const int fd : fillers)
            ::close(fd);
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &before), 0);
        QVERIFY(!opened);
        QCOMPARE(error, EMFILE);

        const int other =
            ::open(QFile::encodeName(pty.slavePath()).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(other >= 0);
        int exclusive = 1;
        QCOMPARE(ioctl(other, TIOCGEXCL, &exclusive), 0);
        ::close(other);
        QCOMPARE(exclusive, 0);
        QVERIFY(openDevice(pty));
    }

    void lockFilesAreNamedAfterThePathBelowDev()
    {
        QCOMPARE(comm::lockFileName(QStringLiteral("/dev/ttyUSB0")),
                 QStringLiteral("LCK..ttyUSB0"));
        QCOMPARE(comm::lockFileName(QStringLiteral("/dev/pts/3")), QStringLiteral("LCK..pts_3"));
    }

    void aLockNoLiveProcessHoldsIsTakenOverAndGoesWithTheDevice_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("a dead process") << lockNaming(deadPid());
        QTest::newRow("this process") << lockNaming(getpid());
        QTest::newRow("no pid in it") << QByteArray("garbage\n");
    }

    void aLockNoLiveProcessHoldsIsTakenOverAndGoesWithTheDevice()
    {
        QFETCH(QByteArray, content);
        PtyPair pty;
        const QString lock = pty.lockPath();
        writeText(lock, content);
        auto device = openDevice(pty);
        QVERIFY(device);
        QCOMPARE(contentOf(lock), lockNaming(getpid()));
        // A second opener in this process is refused by the device and leaves the lock alone.
        int error = 0;
        QVERIFY(!CommDevice::open(pty.slavePath(), testLockFolder(), error));
        QCOMPARE(error, EBUSY);
        QVERIFY(QFile::exists(lock));
        device.reset();
        QVERIFY(!QFile::exists(lock));
    }

    void anEmptyLockIsHeldWhileYoungAndStaleOnceOld()
    {
        // Another program between creating its lock and writing its pid into it.
        PtyPair pty;
        const QString lock = pty.lockPath();
        writeText(lock, QByteArray());
        int error = 0;
        QVERIFY(!CommDevice::open(pty.slavePath(), testLockFolder(), error));
        QCOMPARE(error, EBUSY);
        QVERIFY(QFile::exists(lock));
        // One that never wrote it.
        const timespec longAgo[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 600, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(lock).constData(), longAgo, 0), 0);
        auto device = openDevice(pty);
        QVERIFY(device);
        QCOMPARE(contentOf(lock), lockNaming(getpid()));
    }

    void aStaleLockIsRemovedOnlyIfItIsStillTheFileThatWasRead()
    {
        PtyPair pty;
        const QString lock = pty.lockPath();
        const QByteArray path = QFile::encodeName(lock);
        writeText(lock, lockNaming(deadPid()));
        struct stat read
        {
        };
        QCOMPARE(::stat(path.constData(), &read), 0);
        // Meanwhile another opener removed it and made its own under the same name.
        writeText(lock + QStringLiteral(".new"), lockNaming(getppid()));
        QCOMPARE(::rename(QFile::encodeName(lock + QStringLiteral(".new")).constData(),
                          path.constData()),
                 0);
        QCOMPARE(comm::removeStaleLockFile(path, read.st_dev, read.st_ino),
                 comm::StaleLockRemoval::Replaced);
        QCOMPARE(contentOf(lock), lockNaming(getppid()));
        // The very file that was read goes.
        QCOMPARE(::stat(path.constData(), &read), 0);
        QCOMPARE(comm::removeStaleLockFile(path, read.st_dev, read.st_ino),
                 comm::StaleLockRemoval::Removed);
        QVERIFY(!QFile::exists(lock));
    }

    void aLockFolderThatCannotBeWrittenIsSkipped_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("missing") << testLockFolder() + QStringLiteral("/missing");
        QTest::newRow("not writable, even by root") << QStringLiteral("/sys");
    }

    void aLockFolderThatCannotBeWrittenIsSkipped()
    {
        QFETCH(QString, folder);
        PtyPair pty;
        int error = 0;
        auto device = CommDevice::open(pty.slavePath(), folder, error);
        QVERIFY(device);
    }

    void aClosedDeviceIsFreeAndItsObjectTouchesItNoMore()
    {
        PtyPair pty;
        auto device = openDevice(pty);
        QVERIFY(device);
        device->close();
        QVERIFY(!QFile::exists(pty.lockPath()));
        auto again = openDevice(pty);
        QVERIFY(again);
        // An event monitor that has yet to end may still hold the old object, whose descriptor
        // number another opening may have by now.
        int error = 0;
        int written = 0;
        QVERIFY(!device->writeFile("x", 1, written, error));
        QCOMPARE(error, EBADF);
        comm::CommStopSignal stop;
        std::uint32_t events = 0;
        device->setCommMask(comm::EV_RXCHAR, error);
        QCOMPARE(device->waitCommEvent(events, stop, error), Outcome::Stopped);
        QVERIFY(!device->purgeComm(comm::PURGE_TXCLEAR | comm::PURGE_RXCLEAR, error));
        device.reset();
        QVERIFY(again->writeFile("y", 1, written, error));
        QCOMPARE(pty.receive(1), QByteArray("y"));
    }

    void readTimeoutsFollowTheWindowsRules()
    {
        PtyPair pty;
        auto device = openDevice(pty);
        QVERIFY(device);

        // All-ones interval and no totals: at once, with nothing.
        setTimeouts(*device, comm::allOnes);
        QCOMPARE(readAll(*device, 10), QByteArray());

        // Interval 1 ms: a burst that is waiting comes back whole, shorter than asked.
        setTimeouts(*device, 1);
        pty.send("abc");
        QTRY_COMPARE_WITH_TIMEOUT(waiting(*device), 3, 10000);
        QCOMPARE(readAll(*device, 10), QByteArray("abc"));

        // With nothing waiting it waits for the first byte, however late it comes.
        auto pending = std::async(std::launch::async, [&] { return readAll(*device, 2); });
        QCOMPARE(pending.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
        pty.send("xy");
        QCOMPARE(pending.get(), QByteArray("xy"));

        // A total time-out ends a read that gets nothing.
        setTimeouts(*device, 0, 0, 30);
        QCOMPARE(readAll(*device, 5), QByteArray());
    }

    void errorMarksAreReadEvenWhenAReadCutsThem()
    {
        // What a serial line's tty gives in marking mode: a doubled 0xFF, a break, a damaged
        // byte; the same bytes cut at every place come out the same.
        const QByteArray raw("a\xff\xff"
                             "b\xff\x00\x00"
                             "c\xff\x00"
                             "d"
                             "e\x00",
                             13);
        const QByteArray decoded("a\xff"
                                 "b"
                                 "<break>"
                                 "c"
                                 "<bad d>"
                                 "e\x00",
                                 20);
        for (int cut = 0; cut <= raw.size(); ++cut) {
            comm::TtyMarkDecoder decoder;
            QByteArray out;
            const auto visit = [&out](comm::TtyMarkDecoder::Piece piece, const char *data,
                                      std::size_t n) {
                using Piece = comm::TtyMarkDecoder::Piece;
                if (piece == Piece::Plain)
                    out.append(data, qsizetype(n));
                else if (piece == Piece::Break)
                    out.append("<break>");
                else
                    out.append("<bad ").append(data, qsizetype(n)).append(">");
            };
            const auto *bytes = reinterpret_cast<const unsigned char *>(raw.constData());
            decoder.decode(bytes, std::size_t(cut), visit);
            decoder.decode(bytes + cut, std::size_t(raw.size() - cut), visit);
            QCOMPARE(out, decoded);
        }
    }

    void everyByteValueCrossesUnchanged()
    {
        // 0xFF and NUL must not be mistaken for error marks.
        PtyPair pty;
        auto device = openDevice(pty);
        QVERIFY(device);
        setTimeouts(*device, 1);
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        all += QByteArray("\xff\x00\x00\xff\xff\xff", 6);
        pty.send(all);
        QTRY_COMPARE_WITH_TIMEOUT(waiting(*device), all.size(), 10000);
        QCOMPARE(readAll(*device, int(all.size())), all);

        pty.send("\x01\x02");
        QTRY_COMPARE_WITH_TIMEOUT(waiting(*device), 2, 10000);
        QCOMPARE(readAll(*device, 2), QByteArray("\x01\x02"));
    }

    void waitsAreEdgeLikeAndEndOnStop()
    {
        PtyPair pty;
        auto device = openDevice(pty);
        QVERIFY(device);
        int error = 0;
        device->setCommMask(comm::EV_RXCHAR | comm::EV_ERR, error);
        comm::CommStopSignal stop;

        // Bytes that came before the wait are reported by it, as one event.
        pty.send("abc");
        QTRY_COMPARE_WITH_TIMEOUT(waiting(*device), 3, 10000);
        std::uint32_t events = 0;
        QCOMPARE(device->waitCommEvent(events, stop, error), Outcome::Completed);
        QCOMPARE(events, std::uint32_t(comm::EV_RXCHAR));

        // The same unread bytes do not end the next wait: only the stop signal does.
        auto pending = std::async(std::launch::async, [&] {
            std::uint32_t later = 0;
            int waitError = 0;
            return device->waitCommEvent(later, stop, waitError);
        });
        QCOMPARE(pending.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
        stop.raise();
        QCOMPARE(pending.get(), Outcome::Stopped);
        QCOMPARE(waiting(*device), 3);

        // A new mask ends a wait with no events.
        comm::CommStopSignal stop2;
        pending = std::async(std::launch::async, [&] {
            std::uint32_t later = 1;
            int waitError = 0;
            const Outcome outcome = device->waitCommEvent(later, stop2, waitError);
            return later == 0 ? outcome : Outcome::Failed;
        });
        QCOMPARE(pending.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
        device->setCommMask(comm::EV_RXCHAR, error);
        QCOMPARE(pending.get(), Outcome::Completed);
    }

    void nulDiscardAndEventCharacterApplyToTheData()
    {
        PtyPair pty;
        auto device = openDevice(pty);
        QVERIFY(device);
        comm::CommState state;
        state.fNull = true;
        state.EvtChar = '#';
        int error = 0;
        QVERIFY(device->setCommState(state, error));
        device->setCommMask(comm::EV_RXCHAR | comm::EV_RXFLAG, error);
        setTimeouts(*device, 1);
        pty.send(QByteArray("a\0b#", 4));
        QTRY_COMPARE_WITH_TIMEOUT(waiting(*device), 3, 10000);
        comm::CommStopSignal stop;
        std::uint32_t events = 0;
        QCOMPARE(device->waitCommEvent(events, stop, error), Outcome::Completed);
        QCOMPARE(events, std::uint32_t(comm::EV_RXCHAR | comm::EV_RXFLAG));
        QCOMPARE(readAll(*device, 3), QByteArray("ab#"));
    }

    void aFullQueueLeavesTheRestInTheKernelWithoutLoss()
    {
        PtyPair pty;
        auto device = openDevice(pty);
        QVERIFY(device);
        int error = 0;
        QVERIFY(device->setupComm(100, 100, error));
        device->setCommMask(comm::EV_RX80FULL | comm::EV_ERR, error);
        setTimeouts(*device, comm::allOnes);
        QByteArray sent;
        for (int i = 0; i < 3000; ++i)
            sent.append(char('A' + i % 26));
        pty.send(sent);
        QTRY_COMPARE_WITH_TIMEOUT(waiting(*device), 100, 10000);

        comm::CommStopSignal stop;
        std::uint32_t events = 0;
        QCOMPARE(device->waitCommEvent(events, stop, error), Outcome::Completed);
        QCOMPARE(events, std::uint32_t(comm::EV_RX80FULL)); // once, and no overflow error

        QByteArray received;
        while (received.size() < sent.size()) {
            QTRY_VERIFY_WITH_TIMEOUT(waiting(*device) > 0, 10000);
            received += readAll(*device, 1000);
        }
        QCOMPARE(received, sent);
        std::uint32_t errors = 0;
        int count = 0;
        device->clearCommError(errors, count, error);
        QCOMPARE(errors, 0u);
    }

    void aWatchedQuietLineLetsTheReaderSleepAndABusyWatcherIsStillRelieved()
    {
        // A program that watches the tty itself: its reader wakes when bytes come, not on a
        // clock, and still drains the tty when the watcher leaves the bytes there.
        PtyPair pty;
        auto device = openDevice(pty);
        QVERIFY(device);
        device->setInputWatched(true);
        QTest::qWait(300); // the reader settles into its wait
        const long long before = readerWakeUps();
        QVERIFY(before >= 0);
        QTest::qWait(1000);
        QVERIFY2(
            readerWakeUps() - before <= 1,
            qPrintable(
                QStringLiteral("%1 wake-ups in a quiet second").arg(readerWakeUps() - before)));

        // The watcher reads nothing: the reader takes the bytes into the queue.
        pty.send("status frame");
        QTRY_COMPARE_WITH_TIMEOUT(waiting(*device), 12, 5000);
    }

    void aWatcherThatReadsWakesTheReaderAtMostOncePerArrivalAndOneThatStopsIsRelieved()
    {
        // Frames a watcher reads as they come cost the reader at most one wake each, never a
        // second one to look whether they were read; when the watcher stops reading, bytes that
        // keep coming are still taken into the queue.
        PtyPair pty;
        auto device = openWatchedDevice(pty);
        QVERIFY(device);
        QVERIFY(readerWakeUps() >= 0);
        constexpr int frames = 8;
        const long long wakeUps = readerWakeUpsWhileTheWatcherReads(*device, pty, frames, 250);
        QVERIFY(wakeUps >= 0);
        QVERIFY2(wakeUps <= frames + 3, wakeUpsForFrames(wakeUps, frames).constData());

        // Bytes keep coming, for longer than the reader sleeps while the watcher reads: they
        // all reach the queue behind the frames, in order.
        QByteArray late;
        for (int i = 1; i <= 20; ++i) {
            const QByteArray chunk = "late" + QByteArray::number(i) + ';';
            pty.send(chunk);
            late += chunk;
            QTest::qWait(i == 1 ? 50 : 100);
        }
        const int total = 5 * frames + int(late.size());
        QTRY_COMPARE_WITH_TIMEOUT(waiting(*device), total, 5000);
        QCOMPARE(readAll(*device, total), QByteArray("frame").repeated(frames) + late);
    }

    void aWatcherThatKeepsUpLetsTheReaderSleepAndOneThatStallsIsStillRelieved()
    {
        // Once the watcher is seen to read frames as they come, the reader sleeps through them
        // rather than waking at each. A watcher that then stalls on a frame with nothing after
        // it is relieved of it all the same; when it reads again the reader goes back to sleep
        // behind it, and a cable pulled then, with the watcher stalled again, is found.
        PtyPair pty;
        auto device = openWatchedDevice(pty);
        QVERIFY(device);
        QVERIFY(readerWakeUps() >= 0);
        // The first frames show the reader that the watcher keeps up.
        QVERIFY(readerWakeUpsWhileTheWatcherReads(*device, pty, 3, 300) >= 0);
        constexpr int frames = 8;
        const long long wakeUps = readerWakeUpsWhileTheWatcherReads(*device, pty, frames, 300);
        QVERIFY(wakeUps >= 0);
        QVERIFY2(wakeUps <= 2, wakeUpsForFrames(wakeUps, frames).constData());

        pty.send("stall");
        const int beforeStall = 5 * (3 + frames);
        QTRY_COMPARE_WITH_TIMEOUT(waiting(*device), beforeStall + 5, 5000);

        QVERIFY(readerWakeUpsWhileTheWatcherReads(*device, pty, 4, 300) >= 0);
        pty.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(device->deviceGone(), 5000);
        QCOMPARE(readAll(*device, beforeStall + 25),
                 QByteArray("frame").repeated(3 + frames) + "stall"
                     + QByteArray("frame").repeated(4));
    }

    void purgeEmptiesTheInputQueue()
    {
        PtyPair pty;
        auto device = openDevice(pty);
        QVERIFY(device);
        pty.send("stale");
        QTRY_COMPARE_WITH_TIMEOUT(waiting(*device), 5, 10000);
        int error = 0;
        QVERIFY(device->purgeComm(comm::PURGE_RXCLEAR | comm::PURGE_RXABORT, error));
        QCOMPARE(waiting(*device), 0);
    }

    void lineSettingsOnAPseudoTerminal_data()
    {
        QTest::addColumn<quint32>("rate");
        QTest::addColumn<int>("byteSize");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<int>("rtsControl");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("115200 8N1, RTS on") << 115200u << 8 << 0 << 1 << true;
        QTest::newRow("14400 (no B constant)") << 14400u << 8 << 0 << 0 << true;
        QTest::newRow("256000") << 256000u << 7 << 2 << 2 << true;
        QTest::newRow("custom 12345") << 12345u << 8 << 0 << 3 << true;
        QTest::newRow("1.5 stop bits need 5 data bits") << 9600u << 8 << 1 << 0 << false;
        QTest::newRow("1.5 stop bits with 5") << 9600u << 5 << 1 << 0 << true;
        QTest::newRow("2 stop bits not with 5") << 9600u << 5 << 2 << 0 << false;
        QTest::newRow("rate 0") << 0u << 8 << 0 << 0 << false;
    }

    void lineSettingsOnAPseudoTerminal()
    {
        QFETCH(quint32, rate);
        QFETCH(int, byteSize);
        QFETCH(int, stopBits);
        QFETCH(int, rtsControl);
        QFETCH(bool, accepted);
        PtyPair pty;
        auto device = openDevice(pty);
        QVERIFY(device);
        comm::CommState state;
        state.BaudRate = rate;
        state.ByteSize = std::uint8_t(byteSize);
        state.StopBits = std::uint8_t(stopBits);
        state.fRtsControl = rtsControl;
        state.fDtrControl = 1;
        int error = 0;
        QCOMPARE(device->setCommState(state, error), accepted);
        if (!accepted) {
            QCOMPARE(error, EINVAL);
            return;
        }
        // The master sees the rate the slave runs at.
        std::uint32_t seen = 0;
        QVERIFY(comm::custom_rate::readBaudRate(pty.masterFd(), seen, error));
        QCOMPARE(seen, rate);
        // Without modem lines every line reads low and RTS/DTR changes are accepted.
        std::uint32_t status = 0xFF;
        QVERIFY(device->getCommModemStatus(status, error));
        QCOMPARE(status, 0u);
    }

    void aHungUpLineIsAnErrorNotAHang()
    {
        PtyPair pty;
        auto device = openDevice(pty);
        QVERIFY(device);
        int error = 0;
        device->setCommMask(comm::EV_RXCHAR | comm::EV_ERR, error);
        setTimeouts(*device, 1);
        pty.send("last");
        QTRY_COMPARE_WITH_TIMEOUT(waiting(*device), 4, 10000);
        QVERIFY(!device->deviceGone());
        pty.closeMaster();

        comm::CommStopSignal stop;
        std::uint32_t events = 0;
        // The bytes that came before, and then the error of the lost device.
        std::uint32_t seen = 0;
        while (device->waitCommEvent(events, stop, error) == Outcome::Completed)
            seen |= events;
        QCOMPARE(seen, std::uint32_t(comm::EV_RXCHAR | comm::EV_ERR));
        QCOMPARE(error, EIO);
        QVERIFY(device->deviceGone());

        std::uint32_t errors = 0;
        int count = 0;
        device->clearCommError(errors, count, error);
        QVERIFY(errors & comm::CE_IOE);
        // Still gone at the next query: a waiting count asked in between must not hide it.
        device->clearCommError(errors, count, error);
        QVERIFY(errors & comm::CE_IOE);
        QCOMPARE(readAll(*device, 10), QByteArray("last"));
        // With the queue empty a read fails at once instead of waiting for ever.
        QByteArray buffer(4, '\0');
        int read = 0;
        QVERIFY(!device->readFile(buffer.data(), 4, read, error));
        QCOMPARE(error, EIO);
        int written = 0;
        QVERIFY(!device->writeFile("x", 1, written, error));
        device.reset(); // closing does not hang either
    }
};

QTEST_GUILESS_MAIN(TestCommDevice)
#include "tst_comm_device.moc"
