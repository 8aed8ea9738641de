// Covers the serial port component on pseudo-terminals: defaults, open and close with their
// events, transfers, receive events and their counts, the settings gate and holds, presets,
// the refused and re-opening setters, closing while a handler call is queued or from inside a
// handler, a handler's exception, device locks, a pulled cable, a queue that runs full and dry
// thousands of times, a handler that runs an event loop, and a window that stalls for 2 s in
// the middle of a line-rate download.
// The OS layer has its own suite.
#include "pty_pair.h"
#include "runtime/ui_thread_call.h"
#include "serial/os/custom_baud_rate.h"
#include "serial/serial_port.h"
#include "download_text_shape.h"
#include "simulator_process.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

/// The port of every test: the link's own settings on a pty, with its events recorded.
struct RecordingPort
{
    QStringList events; // before the port, which reports into it until it is destroyed
    TSerialPort port;

    explicit RecordingPort(const QString &name = {})
    {
        port.setLockFolder(testLockFolder());
        if (!name.isEmpty())
            port.setPort(name);
        port.Timeouts().setReadInterval(1);
        port.OnBeforeOpen = [this](TCustomSerialPort &) {
            events << QStringLiteral("BeforeOpen");
        };
        port.OnAfterOpen = [this](TCustomSerialPort &) {
            events << QStringLiteral("AfterOpen");
        };
        port.OnBeforeClose = [this](TCustomSerialPort &) {
            events << QStringLiteral("BeforeClose");
        };
        port.OnAfterClose = [this](TCustomSerialPort &) {
            events << QStringLiteral("AfterClose");
        };
        const auto signal = [this](const char *name) {
            return [this, name](TCustomSerialPort &, bool on) {
                events << QStringLiteral("%1=%2").arg(QLatin1String(name)).arg(on);
            };
        };
        port.OnCTSChange = signal("CTS");
        port.OnDSRChange = signal("DSR");
        port.OnRLSDChange = signal("RLSD");
    }
};

int codeOf(const std::function<void()> &operation, int *systemError = nullptr)
{
    try {
        operation();
    } catch (const ESerialPort &error) {
        if (systemError)
            *systemError = error.SystemErrorCode();
        return error.PortErrorCode();
    }
    return 0;
}

std::uint32_t masterRate(const PtyPair &pty)
{
    std::uint32_t rate = 0;
    int error = 0;
    comm::custom_rate::readBaudRate(pty.masterFd(), rate, error);
    return rate;
}

/// Runs the event loop until done holds, returning as soon as it does; the bound only catches a
/// hang.
bool processUntil(const std::function<bool()> &done, int boundMs = 10000)
{
    const QDeadlineTimer bound(boundMs);
    QTimer tick; // wakes the wait now and then, so that the bound is looked at
    tick.start(50);
    while (!done() && !bound.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

const QStringList openEvents = {QStringLiteral("BeforeOpen"), QStringLiteral("AfterOpen"),
                                QStringLiteral("CTS=0"), QStringLiteral("DSR=0"),
                                QStringLiteral("RLSD=0")};
const QStringList closeEvents = {QStringLiteral("CTS=0"), QStringLiteral("DSR=0"),
                                 QStringLiteral("RLSD=0"), QStringLiteral("BeforeClose"),
                                 QStringLiteral("AfterClose")};

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void defaultsAreTheComponentsOwn()
    {
        TSerialPort port;
        QCOMPARE(port.Port(), QStringLiteral("COM1"));
        QCOMPARE(port.BaudRate(), br9600);
        QCOMPARE(port.CustomBaudRate(), 9600);
        QCOMPARE(port.DataBits(), dbEight);
        QCOMPARE(port.StopBits(), sbOneStopBit);
        QCOMPARE(port.Parity().Bits(), prNone);
        QCOMPARE(port.Events(), allSerialEvents);
        QCOMPARE(port.SyncMethod(), smThreadSync);
        QCOMPARE(port.Timeouts().ReadInterval(), -1);
        QCOMPARE(port.Timeouts().WriteTotalMultiplier(), 100);
        QCOMPARE(port.Timeouts().WriteTotalConstant(), 1000);
        QCOMPARE(port.Buffer().InputSize(), 1024);
        QCOMPARE(port.FlowControl().FlowControl(), fcNone);
        QCOMPARE(port.FlowControl().XonChar(), char(17));
        QCOMPARE(port.FlowControl().XoffChar(), char(19));
        QVERIFY(!port.Connected());
        QCOMPARE(port.timeoutsRecord().ReadIntervalTimeout, comm::allOnes);
    }

    void openingAMissingNameFailsAfterBeforeOpenOnly()
    {
        RecordingPort recorded;
        int systemError = 0;
        QCOMPARE(codeOf([&] { recorded.port.OpenPort(); }, &systemError), 1);
        QCOMPARE(systemError, ENOENT);
        QVERIFY(!recorded.port.Connected());
        QCOMPARE(recorded.events, QStringList {QStringLiteral("BeforeOpen")});
        try {
            recorded.port.OpenPort();
        } catch (const ESerialPort &error) {
            QCOMPARE(error.message(),
                     QStringLiteral("Unable to open com port (win error code: 2)"));
        }
    }

    void openAndCloseRaiseTheirEventsOnce()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        recorded.port.OpenPort();
        QVERIFY(recorded.port.Connected());
        recorded.port.OpenPort();
        QCOMPARE(recorded.events, openEvents);

        // The device is held exclusively while open.
        RecordingPort second(pty.slavePath());
        int systemError = 0;
        QCOMPARE(codeOf([&] { second.port.OpenPort(); }, &systemError), 1);
        QCOMPARE(systemError, EBUSY);

        recorded.events.clear();
        recorded.port.ClosePort();
        recorded.port.ClosePort();
        QVERIFY(!recorded.port.Connected());
        QCOMPARE(recorded.events, closeEvents);
        second.port.OpenPort();
        QVERIFY(second.port.Connected());
    }

    void operationsOnAClosedPortFailWithTheirOwnCode()
    {
        TSerialPort port;
        QByteArray text;
        int systemError = 0;
        QCOMPARE(codeOf([&] { port.SendText("x"); }, &systemError), 2);
        QCOMPARE(systemError, EBADF);
        QCOMPARE(codeOf([&] { port.ReceiveText(text, 1); }), 3);
        QCOMPARE(codeOf([&] { port.DiscardQueues(true, false); }), 5);
        QCOMPARE(codeOf([&] { (void)port.WaitingCount(); }), 10);
        QCOMPARE(codeOf([&] { (void)port.TakeLineErrors(); }), 10);
        QCOMPARE(codeOf([&] { (void)port.LineSignals(); }), 11);
    }

    void transfersReachTheLineAndEmptyOnesDoNothing()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        recorded.port.OpenPort();
        QCOMPARE(recorded.port.SendText(QByteArray()), 0);
        QByteArray text = "stale";
        QCOMPARE(recorded.port.ReceiveText(text, 0), 0);
        QVERIFY(text.isEmpty());
        QCOMPARE(recorded.port.SendText("3123456789012"), 13);
        QCOMPARE(pty.receive(13), QByteArray("3123456789012"));

        pty.send("junk");
        QTRY_COMPARE_WITH_TIMEOUT(recorded.port.WaitingCount(), 4, 10000);
        recorded.port.DiscardQueues(true, false);
        QCOMPARE(recorded.port.WaitingCount(), 0);
    }

    void aBurstIsOneReceiveEventAndReadBytesRaiseNone()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        QList<int> counts;
        QByteArray received;
        recorded.port.OnRxChar = [&](SerialPortSurface &sender, int count) {
            counts << count;
            QByteArray chunk;
            QCOMPARE(sender.ReceiveText(chunk, count), count);
            received += chunk;
        };
        recorded.port.OpenPort();
        pty.send("abc");
        QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("abc"), 10000);
        pty.send("de");
        QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("abcde"), 10000);
        QCOMPARE(counts, (QList<int> {3, 2}));
    }

    void aBacklogReachesTheHandlerWholeInOneEventWhenTheQueueHoldsIt()
    {
        // The window is busy while 20 KB come; its next turn reads everything that waits and
        // reports it in one event, in order, not a queue's worth per event.
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        LineSettings settings = recorded.port.lineSettings();
        settings.InputQueueSize = 64 * 1024;
        recorded.port.setLineSettings(settings);
        QCOMPARE(recorded.port.lineSettings().InputQueueSize, 64 * 1024);
        QList<int> counts;
        QByteArray received;
        recorded.port.OnRxChar = [&](SerialPortSurface &sender, int count) {
            counts << count;
            QByteArray chunk;
            sender.ReceiveText(chunk, count);
            received += chunk;
        };
        recorded.port.OpenPort();
        QByteArray sent(20000, '\0');
        for (qsizetype i = 0; i < sent.size(); ++i)
            sent[i] = char('a' + i % 23);
        pty.send(sent);
        // No event is handled meanwhile: the device's own reader takes the bytes off the line.
        const QDeadlineTimer bound(10000);
        while (recorded.port.WaitingCount() < sent.size() && !bound.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        QVERIFY(processUntil([&] { return received.size() >= sent.size(); }));
        QCOMPARE(received, sent);
        QCOMPARE(counts, (QList<int> {int(sent.size())}));
        recorded.port.ClosePort();
    }

    void aTricklingLineIsTakenInBatches()
    {
        // Bytes that come one by one a few ms apart, as a download at line rate does, reach
        // the handler several at a time, whole and in order.
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        QByteArray received;
        int calls = 0;
        recorded.port.OnRxChar = [&](SerialPortSurface &sender, int count) {
            ++calls;
            QByteArray chunk;
            sender.ReceiveText(chunk, count);
            received += chunk;
        };
        recorded.port.OpenPort();
        QByteArray sent;
        for (int i = 0; i < 120; ++i)
            sent += char('a' + i % 26);
        std::thread sender([&] {
            for (const char byte : sent) {
                pty.send(QByteArray(1, byte));
                std::this_thread::sleep_for(std::chrono::milliseconds(3));
            }
        });
        const bool whole = processUntil([&] { return received.size() == sent.size(); });
        sender.join();
        QVERIFY(whole);
        QCOMPARE(received, sent);
        QVERIFY2(calls <= 60, qPrintable(QString::number(calls)));
        recorded.port.ClosePort();
    }

    void aReadThatWaitsOnTheWindowThreadGetsBytesAsTheyCome()
    {
        // The window's thread reads the line itself; while it waits inside a read, the bytes
        // must still be taken from the line for that very read.
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        recorded.port.Timeouts().setReadInterval(0);
        recorded.port.Timeouts().setReadTotalMultiplier(0);
        recorded.port.Timeouts().setReadTotalConstant(80);
        recorded.port.OpenPort();
        std::thread sender([&pty] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            pty.send("late");
        });
        QByteArray received;
        recorded.port.ReceiveText(received, 4);
        sender.join();
        QCOMPARE(received, QByteArray("late"));
        recorded.port.ClosePort();
    }

    void heldBytesReachTheHandlerWhenTheLineFallsSilent()
    {
        // Bursts larger than the queue: what the queue cannot take is held behind it and moves
        // in as the handler reads. The line falls silent after every burst, so only the move
        // itself can bring the next receive event; a lost one stalls the stream for good.
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        recorded.port.Buffer().setInputSize(64);
        QByteArray received;
        int largest = 0;
        recorded.port.OnRxChar = [&](SerialPortSurface &sender, int count) {
            largest = std::max(largest, count);
            QByteArray chunk;
            sender.ReceiveText(chunk, count);
            received += chunk;
        };
        recorded.port.OpenPort();
        QByteArray sent;
        for (int burst = 0; burst < 2000; ++burst) {
            QByteArray bytes(150 + burst % 200, '\0');
            for (qsizetype i = 0; i < bytes.size(); ++i)
                bytes[i] = char('a' + (burst + i) % 26);
            pty.send(bytes);
            sent += bytes;
            QVERIFY2(processUntil([&] { return received.size() == sent.size(); }),
                     qPrintable(QStringLiteral("burst %1: %2 of %3 bytes")
                                    .arg(burst)
                                    .arg(received.size())
                                    .arg(sent.size())));
        }
        QCOMPARE(received, sent);
        QCOMPARE(largest, 64);
        recorded.port.ClosePort();
    }

    void aWindowThatStallsMidDownloadLosesNoByte()
    {
        // The logger sends at line rate while the window's thread is blocked for 2 s in its
        // receive handler; the component goes on taking the line's bytes meanwhile, so that the
        // line's own buffer (a few hundred bytes on a USB adapter, which drops the rest) stays
        // nearly empty, and the download comes out whole and in order.
        SimProcess sim({QStringLiteral("--name"),
                        QStringLiteral("rx-stall-%1").arg(QCoreApplication::applicationPid()),
                        QStringLiteral("--pace"), QStringLiteral("line"),
                        QStringLiteral("--samples"), QStringLiteral("1200"),
                        QStringLiteral("--frame-interval"), QStringLiteral("250")});
        QVERIFY(sim.waitUntilServing());
        // A second descriptor of the line, opened before the port takes it exclusively, tells
        // how much waits in the kernel's input buffer; it reads nothing.
        const int tty = ::open(QFile::encodeName(sim.devicePath()).constData(),
                               O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(tty >= 0);
        const auto closeTty = qScopeGuard([tty] { ::close(tty); });
        RecordingPort recorded(sim.linkPath());
        recorded.port.setBaudRate(br115200);
        QByteArray received;
        bool stalled = false;
        int leftInTheLine = -1;
        recorded.port.OnRxChar = [&](SerialPortSurface &sender, int count) {
            QByteArray chunk;
            sender.ReceiveText(chunk, count);
            received += chunk;
            if (!stalled && received.size() > 8000) {
                stalled = true;
                std::this_thread::sleep_for(std::chrono::seconds(2));
                ioctl(tty, FIONREAD, &leftInTheLine);
            }
        };
        recorded.port.OpenPort();
        // The logger listens once it has seen the line open, as its first frame shows.
        QVERIFY(sim.waitForLine([](const QString &l) { return l.startsWith("frame "); }) >= 0);
        recorded.port.SendText("8");
        QVERIFY(sim.waitForLine(QStringLiteral("command 8")) >= 0);
        recorded.port.SendText("X");
        // The logger waits 600 ms after "X" before its text: what came before goes.
        QVERIFY2(sim.waitForLine(QStringLiteral("command X")) >= 0,
                 qPrintable(sim.lines().join(u'\n')));
        QTest::qWait(200);
        recorded.port.DiscardQueues(true, false);
        received.clear();
        QTRY_VERIFY_WITH_TIMEOUT(received.endsWith("A"), 60000);
        QVERIFY(stalled);
        // 2 s of the line is 23 KB; what still waits in the kernel came in the last moments.
        QVERIFY2(leftInTheLine >= 0 && leftInTheLine < 2048,
                 qPrintable(QString::number(leftInTheLine)));
        const int line = sim.waitForLine(
            [](const QString &l) { return l.startsWith(QStringLiteral("download ")); });
        QVERIFY(line >= 0);
        const int samples = sim.lines()[line].section(u' ', 1, 1).toInt();
        const QString problem = downloadTextProblem(received.chopped(1), samples);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        recorded.port.ClosePort();
    }

    void aHandlerThatRunsAnEventLoopGetsTheNextEventOnlyAfterItReturns()
    {
        // The main window shows the data window modally from inside its receive handler.
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        int depth = 0;
        int deepest = 0;
        QByteArray received;
        recorded.port.OnRxChar = [&](SerialPortSurface &sender, int count) {
            deepest = std::max(deepest, ++depth);
            QByteArray chunk;
            sender.ReceiveText(chunk, count);
            received += chunk;
            if (received == "a") {
                pty.send("b");
                QVERIFY(processUntil([&] { return recorded.port.WaitingCount() > 0; }));
                for (int i = 0; i < 20; ++i)
                    QCoreApplication::processEvents();
            }
            --depth;
        };
        recorded.port.OpenPort();
        pty.send("a");
        QVERIFY(processUntil([&] { return received == "ab"; }));
        QCOMPARE(deepest, 1);
        recorded.port.ClosePort();
    }

    void unreadBytesGrowTheNextCount()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        QList<int> counts;
        recorded.port.OnRxChar = [&](SerialPortSurface &, int count) {
            counts << count;
        };
        recorded.port.OpenPort();
        pty.send("abc");
        QTRY_COMPARE_WITH_TIMEOUT(counts, QList<int> {3}, 10000);
        pty.send("de");
        QTRY_COMPARE_WITH_TIMEOUT(counts, (QList<int> {3, 5}), 10000);
    }

    void withoutEventsThereIsNoMonitorButOpenStillReports()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        recorded.port.setEvents({});
        int rxEvents = 0;
        recorded.port.OnRxChar = [&](SerialPortSurface &, int) {
            ++rxEvents;
        };
        recorded.port.OpenPort();
        QCOMPARE(recorded.events, openEvents);
        pty.send("abc");
        QTRY_COMPARE_WITH_TIMEOUT(recorded.port.WaitingCount(), 3, 10000);
        QCoreApplication::processEvents();
        QCOMPARE(rxEvents, 0);

        // Events changed while open wait for the next opening.
        recorded.port.setEvents(evRxChar);
        QCoreApplication::processEvents();
        QCOMPARE(rxEvents, 0);
        recorded.port.ClosePort();
        recorded.port.OpenPort();
        pty.send("x");
        QTRY_COMPARE_WITH_TIMEOUT(rxEvents, 1, 10000);
    }

    void windowModeDeliversStepsWithoutHoldingTheThread()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        recorded.port.setSyncMethod(smWindowSync);
        QByteArray received;
        recorded.port.OnRxChar = [&](SerialPortSurface &sender, int count) {
            QByteArray chunk;
            sender.ReceiveText(chunk, count);
            received += chunk;
        };
        recorded.port.OpenPort();
        pty.send("abc");
        QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("abc"), 10000);
        pty.send("de");
        QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("abcde"), 10000);
        recorded.port.ClosePort();
    }

    void whileLoadingConnectedIsOnlyStored()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        recorded.port.BeginLoading();
        recorded.port.setConnected(true);
        recorded.port.setBaudRate(br4800);
        QVERIFY(recorded.events.isEmpty());
        QVERIFY(masterRate(pty) != 4800u);
        recorded.port.Loaded();
        QVERIFY(recorded.port.Connected());
        QCOMPARE(recorded.events, openEvents);
        QCOMPARE(masterRate(pty), 4800u);
    }

    void settingsReachTheDeviceOnlyThroughTheGate()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        TSerialPort &port = recorded.port;
        port.setBaudRate(br57600); // closed: stored only
        port.OpenPort();
        QCOMPARE(masterRate(pty), 57600u);

        port.setBaudRate(br115200); // open: at once
        QCOMPARE(masterRate(pty), 115200u);

        port.HoldSettings();
        port.HoldSettings();
        port.setBaudRate(br19200);
        port.ReleaseSettings();
        QCOMPARE(masterRate(pty), 115200u); // still held once
        port.ReleaseSettings();
        QCOMPARE(masterRate(pty), 19200u);
        port.ReleaseSettings(); // at 0: nothing
        port.setBaudRate(br256000);
        QCOMPARE(masterRate(pty), 256000u);

        port.setCustomBaudRate(31250);
        port.setBaudRate(brCustom);
        QCOMPARE(masterRate(pty), 31250u);

        // A setting the device refuses raises its code while open.
        QCOMPARE(codeOf([&] { port.setStopBits(sbOne5StopBits); }), 7);

        port.setStopBits(sbOneStopBit);

        // The surface's grouped settings arrive in one go.
        LineSettings settings = port.lineSettings();
        settings.BaudRate = br9600;
        settings.ReadInterval = 1;
        port.setLineSettings(settings);
        QCOMPARE(masterRate(pty), 9600u);
        QCOMPARE(port.lineSettings(), settings);
    }

    void theDeviceRecordFollowsTheProperties()
    {
        TSerialPort port;
        port.Buffer().setInputSize(1025);
        QCOMPARE(port.Buffer().InputSize(), 1024);
        port.Buffer().setOutputSize(-3);
        QCOMPARE(port.Buffer().OutputSize(), -3);
        port.Parity().setBits(prMark);
        port.Parity().setReplaceChar('?');
        port.Parity().setReplace(true);
        comm::CommState record = port.lineSettingsRecord();
        QCOMPARE(record.XonLim, std::uint16_t(256));
        QCOMPARE(record.XoffLim, std::uint16_t(256));
        QCOMPARE(record.Parity, std::uint8_t(3));
        QVERIFY(!record.fErrorChar); // replacing needs checking too
        QCOMPARE(record.ErrorChar, char(0));
        port.Parity().setCheck(true);
        record = port.lineSettingsRecord();
        QVERIFY(record.fParity && record.fErrorChar);
        QCOMPARE(record.ErrorChar, '?');
        port.setDataBits(dbSeven);
        port.setStopBits(sbTwoStopBits);
        port.FlowControl().setControlDTR(dtrEnable);
        port.FlowControl().setControlRTS(rtsToggle);
        record = port.lineSettingsRecord();
        QCOMPARE(record.ByteSize, std::uint8_t(7));
        QCOMPARE(record.StopBits, std::uint8_t(2));
        QCOMPARE(record.fDtrControl, 1);
        QCOMPARE(record.fRtsControl, 3);
        QCOMPARE(record.BaudRate, 9600u);
    }

    void flowControlPresetsAndTheirDerivedValue()
    {
        TSerialPort port;
        TSerialFlowControl &flow = port.FlowControl();
        flow.setControlDTR(dtrEnable);
        flow.setOutDSRFlow(true);
        flow.setFlowControl(fcHardware);
        QCOMPARE(flow.ControlRTS(), rtsHandshake);
        QVERIFY(flow.OutCTSFlow());
        QCOMPARE(flow.FlowControl(), fcHardware);
        flow.setFlowControl(fcSoftware);
        QCOMPARE(flow.ControlRTS(), rtsDisable);
        QVERIFY(!flow.OutCTSFlow() && flow.XonXoffIn() && flow.XonXoffOut());
        QCOMPARE(flow.FlowControl(), fcSoftware);
        flow.setFlowControl(fcCustom); // touches nothing
        QCOMPARE(flow.FlowControl(), fcSoftware);
        flow.setFlowControl(fcNone);
        QCOMPARE(flow.FlowControl(), fcNone);
        // Fields no preset touches.
        QCOMPARE(flow.ControlDTR(), dtrEnable);
        QVERIFY(flow.OutDSRFlow());
        // The state this system keeps an open port in reads as custom.
        flow.setControlRTS(rtsEnable);
        QCOMPARE(flow.FlowControl(), fcCustom);
        flow.setXonXoffIn(true);
        QCOMPARE(flow.FlowControl(), fcCustom);

        TSerialFlowControl copy;
        copy.Assign(flow);
        QCOMPARE(copy.ControlRTS(), rtsEnable);
        QVERIFY(copy.XonXoffIn());
    }

    void syncMethodIsRefusedWhileOpen()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        recorded.port.setSyncMethod(smNone);
        recorded.port.setSyncMethod(smThreadSync);
        recorded.port.OpenPort();
        recorded.port.setSyncMethod(smThreadSync); // the same value: nothing
        QCOMPARE(codeOf([&] { recorded.port.setSyncMethod(smNone); }), 14);
        QCOMPARE(recorded.port.SyncMethod(), smThreadSync);
    }

    void anotherPortNameWhileOpenClosesAndReopens()
    {
        PtyPair first;
        PtyPair second;
        RecordingPort recorded(first.slavePath());
        recorded.port.OpenPort();
        recorded.events.clear();
        recorded.port.setPort(first.slavePath());
        QVERIFY(recorded.events.isEmpty());
        recorded.port.setPort(second.slavePath());
        QCOMPARE(recorded.events, closeEvents + openEvents);
        QVERIFY(recorded.port.Connected());
        recorded.port.SendText("5");
        QCOMPARE(second.receive(1), QByteArray("5"));
    }

    void closingRunsAnAlreadyQueuedHandlerWithThePortOpen()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        bool ranConnected = false;
        int calls = 0;
        recorded.port.OnRxChar = [&](SerialPortSurface &sender, int) {
            ++calls;
            ranConnected = sender.Connected();
        };
        recorded.port.OpenPort();
        pty.send("abc");
        // No event loop runs here, so the event thread's call stays queued.
        QElapsedTimer hangBound;
        hangBound.start();
        while (UiThreadCall::queuedCount() == 0 && hangBound.elapsed() < 10000)
            std::this_thread::yield();
        QCOMPARE(UiThreadCall::queuedCount(), 1);
        recorded.port.ClosePort();
        QCOMPARE(calls, 1);
        QVERIFY(ranConnected);
        QVERIFY(!recorded.port.Connected());
        QCOMPARE(UiThreadCall::queuedCount(), 0);
    }

    void aHandlersExceptionEndsMonitoringUntilReopened()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        int calls = 0;
        recorded.port.OnRxChar = [&](SerialPortSurface &sender, int count) {
            ++calls;
            QByteArray chunk;
            sender.ReceiveText(chunk, count);
            if (calls == 1)
                throw std::runtime_error("bad frame");
        };
        recorded.port.OpenPort();
        pty.send("a");
        QTRY_VERIFY_WITH_TIMEOUT(recorded.port.EventMonitorFailure() != nullptr, 10000);
        QCOMPARE(calls, 1);
        pty.send("b");
        QTRY_COMPARE_WITH_TIMEOUT(recorded.port.WaitingCount(), 1, 10000);
        QCoreApplication::processEvents();
        QCOMPARE(calls, 1);
        QVERIFY(recorded.port.Connected());
        recorded.port.ClosePort();
        recorded.port.OpenPort();
        pty.send("c");
        QTRY_COMPARE_WITH_TIMEOUT(calls, 2, 10000);
    }

    void closingFromInsideAHandlerDoesNotDeadlock()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        int calls = 0;
        recorded.port.OnRxChar = [&](SerialPortSurface &sender, int) {
            ++calls;
            sender.ClosePort();
        };
        recorded.port.OpenPort();
        pty.send("x");
        QTRY_VERIFY_WITH_TIMEOUT(!recorded.port.Connected(), 10000);
        QCOMPARE(calls, 1);
        recorded.port.OpenPort(); // the device was let go
        QVERIFY(recorded.port.Connected());
        pty.send("y");
        QTRY_COMPARE_WITH_TIMEOUT(calls, 2, 10000);
    }

    void closingFromInsideAHandlerLetsTheDeviceGoAtOnce()
    {
        PtyPair pty;
        const QString lock = pty.lockPath();
        RecordingPort recorded(pty.slavePath());
        int calls = 0;
        int reopenError = -1;
        recorded.port.OnRxChar = [&](SerialPortSurface &sender, int count) {
            ++calls;
            QByteArray chunk;
            sender.ReceiveText(chunk, count);
            sender.ClosePort();
            if (calls == 1)
                reopenError = codeOf([&] { sender.OpenPort(); });
        };
        recorded.port.OpenPort();
        pty.send("x");
        QTRY_COMPARE_WITH_TIMEOUT(reopenError, 0, 10000); // the same device, from the handler
        pty.send("y");
        QTRY_COMPARE_WITH_TIMEOUT(calls, 2, 10000);
        QVERIFY(!recorded.port.Connected());
        // No open, close or destruction came after the close in the handler, and still nothing
        // holds the device.
        QVERIFY(!QFile::exists(lock));
        RecordingPort other(pty.slavePath());
        int systemError = 0;
        QCOMPARE(codeOf([&] { other.port.OpenPort(); }, &systemError), 0);
        QCOMPARE(systemError, 0);
    }

    void aDeviceLockedByAnotherProgramIsBusyAndOurLockLastsWhileOpen()
    {
        PtyPair pty;
        const QString lock = pty.lockPath();
        {
            QFile file(lock);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(lockNaming(1)); // init lives as long as the machine
        }
        RecordingPort recorded(pty.slavePath());
        try {
            recorded.port.OpenPort();
            QFAIL("a locked device opened");
        } catch (const ESerialPort &error) {
            QCOMPARE(error.message(),
                     QStringLiteral("Unable to open com port (win error code: 16)"));
        }
        QVERIFY(!recorded.port.Connected());
        QVERIFY(QFile::remove(lock));

        recorded.port.OpenPort();
        QFile ours(lock);
        QVERIFY(ours.open(QIODevice::ReadOnly));
        QCOMPARE(ours.readAll(), lockNaming(QCoreApplication::applicationPid()));
        recorded.port.ClosePort();
        QVERIFY(!QFile::exists(lock));
    }

    void aDeviceThatIsGoneClosesQuietly_data()
    {
        QTest::addColumn<bool>("noticed");
        QTest::newRow("at once") << false;
        QTest::newRow("once noticed") << true;
    }

    void aDeviceThatIsGoneClosesQuietly()
    {
        QFETCH(bool, noticed);
        PtyPair pty;
        const QString lock = pty.lockPath();
        RecordingPort recorded(pty.slavePath());
        recorded.port.FlowControl().setControlRTS(rtsEnable);
        recorded.port.OpenPort();
        QVERIFY(!recorded.port.DeviceGone());
        pty.closeMaster();
        if (noticed) {
            QTRY_VERIFY_WITH_TIMEOUT(recorded.port.DeviceGone(), 10000);
            // Dropping RTS is a line setting, which a device that is gone cannot take.
            int systemError = 0;
            QCOMPARE(codeOf([&] { recorded.port.setControlRTS(rtsDisable); }, &systemError), 7);
            QCOMPARE(systemError, EIO);
        }
        QCOMPARE(codeOf([&] { recorded.port.ClosePort(); }), 0);
        QVERIFY(!recorded.port.Connected());
        QVERIFY(!recorded.port.DeviceGone());
        QVERIFY(!QFile::exists(lock));
    }

    void aPulledCableIsReportedAndThePortStillCloses()
    {
        PtyPair pty;
        RecordingPort recorded(pty.slavePath());
        TSerialErrors errors;
        QByteArray received;
        recorded.port.OnError = [&](SerialPortSurface &, TSerialErrors e) {
            errors |= e;
        };
        recorded.port.OnRxChar = [&](SerialPortSurface &sender, int count) {
            QByteArray chunk;
            sender.ReceiveText(chunk, count);
            received += chunk;
        };
        recorded.port.OpenPort();
        pty.send("partial download");
        QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("partial download"), 10000);
        pty.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(errors.testFlag(errDevice), 10000);

        int systemError = 0;
        QCOMPARE(codeOf([&] { recorded.port.SendText("8"); }, &systemError), 2);
        QCOMPARE(systemError, EIO);
        QByteArray text;
        QCOMPARE(codeOf([&] { recorded.port.ReceiveText(text, 1); }), 3);
        QVERIFY(recorded.port.Connected());
        recorded.events.clear();
        recorded.port.ClosePort();
        QVERIFY(!recorded.port.Connected());
        QCOMPARE(recorded.events, closeEvents);
    }
};

QTEST_MAIN(TestSerialPort)
#include "tst_serial_port.moc"
