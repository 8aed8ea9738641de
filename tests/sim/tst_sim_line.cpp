// Covers the simulator's end of the pseudo-terminal: telling whether anyone listens, dropping
// stale bytes, and writing through a full device without losing or reordering a byte.
#include "line_writer.h"
#include "pty_device.h"

#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

/// The PC's end: the device opened raw, as a serial port would be.
int openListener(const QString &path)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        termios settings {};
        ::tcgetattr(fd, &settings);
        ::cfmakeraw(&settings);
        ::tcsetattr(fd, TCSANOW, &settings);
    }
    return fd;
}

QByteArray readAvailable(int fd)
{
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count <= 0)
            return bytes;
        bytes.append(buffer, count);
    }
}

QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char('0' + (i * 7 + i / 251) % 75);
    return bytes;
}

/// Reads from `fd` a little at a time, letting the writer run between reads, until `size`
/// bytes have come or a bound that only catches a hang has passed.
QByteArray readSlowly(int fd, qsizetype size)
{
    QByteArray received;
    QDeadlineTimer bound(20'000);
    char buffer[1000];
    while (received.size() < size && !bound.hasExpired()) {
        QTest::qWait(1);
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0)
            received.append(buffer, count);
    }
    return received;
}

} // namespace

class TestSimLine : public QObject
{
    Q_OBJECT

private slots:
    void listenerIsSeenFromTheFirstOpenOn()
    {
        PtyDevice device;
        QString error;
        QVERIFY2(device.open(&error), qPrintable(error));
        QVERIFY2(!device.hasListener(), "before anyone has opened the device");

        const int first = openListener(device.devicePath());
        QVERIFY(first >= 0);
        QVERIFY(device.hasListener());
        termios settings {};
        ::tcgetattr(first, &settings);
        QCOMPARE(cfgetospeed(&settings), speed_t(B115200));

        // Bytes the listener had but did not read, and bytes written after it left, are stale
        // for the next listener.
        QCOMPARE(::write(device.fd(), "unread", 6), ssize_t(6));
        pollfd arrived {first, POLLIN, 0};
        QCOMPARE(::poll(&arrived, 1, 5000), 1);
        ::close(first);
        QVERIFY(!device.hasListener());
        QCOMPARE(::write(device.fd(), "late", 4), ssize_t(4));
        QVERIFY(device.discardUnread());

        const int second = openListener(device.devicePath());
        QVERIFY(device.hasListener());
        QVERIFY(readAvailable(second).isEmpty());
        QCOMPARE(::write(device.fd(), "fresh", 5), ssize_t(5));
        arrived.fd = second;
        QCOMPARE(::poll(&arrived, 1, 5000), 1);
        QCOMPARE(readAvailable(second), QByteArrayLiteral("fresh"));
        ::close(second);
    }

    void fullDeviceLosesAndReordersNothing_data()
    {
        QTest::addColumn<int>("pace");
        QTest::addColumn<int>("size");
        // Many times what the device buffers, so the writer waits for room again and again.
        QTest::newRow("fast") << int(Pace::Fast) << 300'000;
        QTest::newRow("line") << int(Pace::Line) << 3'000;
    }

    void fullDeviceLosesAndReordersNothing()
    {
        QFETCH(int, pace);
        QFETCH(int, size);
        PtyDevice device;
        QString error;
        QVERIFY2(device.open(&error), qPrintable(error));
        const int listener = openListener(device.devicePath());
        QVERIFY(listener >= 0);

        LineWriter writer(device.fd(), Pace(pace));
        QSignalSpy drained(&writer, &LineWriter::drained);
        const QByteArray frame = QByteArrayLiteral("first frame\r");
        QVERIFY(writer.writeNow(frame));
        drained.clear();
        const QByteArray text = pattern(size);
        writer.writePaced(text);
        QVERIFY2(!writer.writeNow("late frame"), "a busy line takes no frame");

        const QByteArray received = readSlowly(listener, frame.size() + size);
        QVERIFY(drained.size() == 1 || drained.wait(5000));
        QVERIFY(writer.isIdle());
        QCOMPARE(received.size(), frame.size() + size);
        QVERIFY(received == frame + text);
        ::close(listener);
    }
};

QTEST_GUILESS_MAIN(TestSimLine)
#include "tst_sim_line.moc"
