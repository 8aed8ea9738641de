// Covers the serial layer's error texts and the contract of the port surface as the scripted
// double keeps it: receive events, reads, purges, RTS and failures on a closed port.
#include "scripted_serial_port.h"
#include "serial/serial_error.h"

#include <QTest>

class TestSerialSurface : public QObject
{
    Q_OBJECT

private slots:
    void errorTextsCarryTheSystemErrorNumber()
    {
        const ESerialPort withSystemError(ESerialPort::OpenFailed, 2);
        QCOMPARE(withSystemError.message(),
                 QStringLiteral("Unable to open com port (win error code: 2)"));
        QCOMPARE(withSystemError.PortErrorCode(), 1);
        QCOMPARE(withSystemError.SystemErrorCode(), 2);

        const ESerialPort alone(ESerialPort::SetWhileConnected);
        QCOMPARE(alone.message(), QStringLiteral("Cannot set property while connected"));
        QCOMPARE(alone.SystemErrorCode(), -1);

        QCOMPARE(ESerialPort::codeText(23), QStringLiteral("Registry error"));
        QCOMPARE(ESerialPort::codeText(8), QStringLiteral("SetCommTimeouts failed"));
        QVERIFY(ESerialPort::codeText(0).isEmpty());
        QVERIFY(ESerialPort::codeText(24).isEmpty());
    }

    void aFailedOpenLeavesThePortClosed()
    {
        ScriptedSerialPort port;
        port.failNextOpen(2);
        try {
            port.OpenPort();
            QFAIL("OpenPort should have failed");
        } catch (const ESerialPort &error) {
            QCOMPARE(error.PortErrorCode(), int(ESerialPort::OpenFailed));
        }
        QVERIFY(!port.Connected());
        port.OpenPort();
        QVERIFY(port.Connected());
    }

    void operationsOnAClosedPortFailWithTheirOwnCode()
    {
        ScriptedSerialPort port;
        QByteArray text;
        const auto codeOf = [](const auto &operation) {
            try {
                operation();
            } catch (const ESerialPort &error) {
                return error.PortErrorCode();
            }
            return 0;
        };
        QCOMPARE(codeOf([&] { port.SendText("8"); }), int(ESerialPort::WriteFailed));
        QCOMPARE(codeOf([&] { port.ReceiveText(text, 1); }), int(ESerialPort::ReadFailed));
        QCOMPARE(codeOf([&] { port.DiscardQueues(true, false); }), int(ESerialPort::PurgeFailed));
    }

    void aBurstIsOneEventWithItsCount()
    {
        ScriptedSerialPort port;
        QList<int> counts;
        port.OnRxChar = [&](SerialPortSurface &sender, int count) {
            counts.append(count);
            QByteArray chunk;
            QCOMPARE(sender.ReceiveText(chunk, count), count);
        };
        port.OpenPort();
        port.receive("abc");
        QCOMPARE(counts, QList<int> {3});
        QCOMPARE(port.waitingCount(), 0);
    }

    void bytesArrivingDuringAHandlerComeAsTheNextEvent()
    {
        ScriptedSerialPort port;
        QList<int> counts;
        port.OnRxChar = [&](SerialPortSurface &, int count) {
            counts.append(count);
            if (counts.size() == 1) {
                port.receive("de"); // arrives while this handler runs
                QCOMPARE(counts.size(), 1);
            }
            // Read nothing: what is left is counted again by the next event.
        };
        port.OpenPort();
        port.receive("abc");
        QCOMPARE(counts, (QList<int> {3, 5}));
    }

    void emptySendAndZeroReceiveDoNothing()
    {
        ScriptedSerialPort port;
        port.OpenPort();
        QCOMPARE(port.SendText(QByteArray()), 0);
        QByteArray text = "stale";
        QCOMPARE(port.ReceiveText(text, 0), 0);
        QVERIFY(text.isEmpty());
        QVERIFY(port.writes().isEmpty());
    }

    void actionsAreRecordedInOrderWithTimestamps()
    {
        ScriptedSerialPort port;
        port.setControlRTS(rtsEnable);
        port.OpenPort();
        port.receive("junk");
        port.DiscardQueues(true, false);
        QCOMPARE(port.waitingCount(), 0);
        port.SendText("8");
        QTest::qSleep(20);
        port.SendText("X");
        port.setControlRTS(rtsDisable);
        port.ClosePort();

        const QList<ScriptedSerialPort::Action> &actions = port.actions();
        using A = ScriptedSerialPort::Action;
        QList<A::Kind> kinds;
        for (const A &action : actions)
            kinds.append(action.kind);
        QCOMPARE(
            kinds,
            (QList<A::Kind> {A::Rts, A::Open, A::Purge, A::Write, A::Write, A::Rts, A::Close}));
        QCOMPARE(actions[0].rts, rtsEnable);
        QVERIFY(actions[2].input && !actions[2].output);
        QCOMPARE(actions[5].rts, rtsDisable);
        QVERIFY(actions[4].atMs - actions[3].atMs >= 20);
    }

    void portSetupRunsTheScriptedChoice()
    {
        ScriptedSerialPort port;
        port.onPortSetup = [](ScriptedSerialPort &p) {
            p.setPort(QStringLiteral("/dev/ttyUSB0"));
        };
        port.ShowPortSetup();
        QCOMPARE(port.Port(), QStringLiteral("/dev/ttyUSB0"));
    }
};

QTEST_GUILESS_MAIN(TestSerialSurface)
#include "tst_serial_surface.moc"
