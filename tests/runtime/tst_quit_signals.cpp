// Covers the orderly quit on SIGINT, SIGTERM and SIGHUP: the signal reaches the event loop as
// a Qt signal instead of ending the process, and once the watcher is gone the signal does
// what it did before.
#include "runtime/quit_signals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

class TestQuitSignals : public QObject
{
    Q_OBJECT

private slots:
    void aSignalIsReadByTheEventLoop_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("Ctrl-C") << SIGINT << 130;
        QTest::newRow("kill") << SIGTERM << 143;
        QTest::newRow("its terminal closed") << SIGHUP << 129;
    }

    void aSignalIsReadByTheEventLoop()
    {
        QFETCH(int, signalNumber);
        QFETCH(int, exitCode);
        // As the program starts, whatever ignored signals the test runner passed on.
        struct sigaction before
        {
        };
        before.sa_handler = SIG_DFL;
        QCOMPARE(::sigaction(signalNumber, &before, nullptr), 0);
        {
            QuitSignals quit;
            QSignalSpy received(&quit, &QuitSignals::received);
            QCOMPARE(::raise(signalNumber), 0);
            QVERIFY(received.wait(5000));
            QCOMPARE(received.count(), 1);
            QCOMPARE(received.at(0).at(0).toInt(), signalNumber);
            QCOMPARE(quit.signalNumber(), signalNumber);
            QCOMPARE(QuitSignals::exitCode(quit.signalNumber()), exitCode);
        }
        struct sigaction action
        {
        };
        QCOMPARE(::sigaction(signalNumber, nullptr, &action), 0);
        QVERIFY(action.sa_handler == SIG_DFL);
    }
};

QTEST_GUILESS_MAIN(TestQuitSignals)
#include "tst_quit_signals.moc"
