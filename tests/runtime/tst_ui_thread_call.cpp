// Covers the runtime's synchronised calls: steps run on the user-interface thread, from its
// event loop and while it waits for a thread to end, one at a time and in order, with their
// exceptions carried back to the thread that handed them over.
#include "runtime/ui_thread_call.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <vector>

namespace {

/// A thread that runs a given body.
class BodyThread : public TThread
{
public:
    explicit BodyThread(std::function<void(BodyThread &)> body)
        : m_body(std::move(body))
    { }
    ~BodyThread() override
    {
        Terminate();
        WaitFor();
    }
    using TThread::Synchronize;

protected:
    void Execute() override { m_body(*this); }

private:
    std::function<void(BodyThread &)> m_body;
};

} // namespace

class TestUiThreadCall : public QObject
{
    Q_OBJECT

private slots:
    void stepsRunOnTheUiThreadFromTheEventLoop()
    {
        QThread *uiThread = QThread::currentThread();
        std::atomic<bool> ranOnUi = false;
        std::atomic<bool> returned = false;
        BodyThread thread([&](BodyThread &) {
            UiThreadCall::synchronize([&] { ranOnUi = QThread::currentThread() == uiThread; });
            returned = true;
        });
        thread.Start();
        QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 10000);
        QVERIFY(ranOnUi.load());
        thread.WaitFor();
        QVERIFY(thread.Finished());
        QVERIFY(!thread.FatalException());
    }

    void waitingForAThreadRunsTheStepItQueued()
    {
        // No event loop runs here: the step can only run inside WaitFor.
        std::vector<int> order;
        BodyThread thread([&](BodyThread &) {
            for (int i = 0; i < 3; ++i)
                UiThreadCall::synchronize([&order, i] { order.push_back(i); });
        });
        thread.Start();
        thread.WaitFor();
        QCOMPARE(order, (std::vector<int> {0, 1, 2}));
        QCOMPARE(UiThreadCall::queuedCount(), 0);
    }

    void aStepsExceptionReachesTheWaitingThreadAndEndsIt()
    {
        std::atomic<bool> afterThrow = false;
        BodyThread thread([&](BodyThread &) {
            UiThreadCall::synchronize([] { throw std::runtime_error("handler failed"); });
            afterThrow = true;
        });
        thread.Start();
        thread.WaitFor();
        QVERIFY(!afterThrow.load());
        QVERIFY(thread.FatalException());
        try {
            std::rethrow_exception(thread.FatalException());
        } catch (const std::runtime_error &error) {
            QCOMPARE(QByteArray(error.what()), QByteArray("handler failed"));
        }
    }

    void onTheUiThreadAStepRunsAtOnce()
    {
        bool ran = false;
        UiThreadCall::synchronize([&] { ran = true; });
        QVERIFY(ran);
        QVERIFY(!UiThreadCall::checkSynchronize());
    }

    void manyThreadsAreServedOneStepAtATime()
    {
        // A counter touched only inside steps needs no lock if steps never overlap; the
        // sanitizer build checks that they run one at a time on one thread.
        int total = 0;
        int running = 0;
        bool overlapped = false;
        std::vector<std::unique_ptr<BodyThread>> threads;
        for (int t = 0; t < 4; ++t) {
            threads.push_back(std::make_unique<BodyThread>([&](BodyThread &self) {
                for (int i = 0; i < 200 && !self.Terminated(); ++i)
                    BodyThread::Synchronize([&] {
                        overlapped = overlapped || running != 0;
                        ++running;
                        ++total;
                        --running;
                    });
            }));
            threads.back()->Start();
        }
        // Half from the event loop, the rest from inside the waits.
        QTRY_VERIFY_WITH_TIMEOUT(total >= 400, 20000);
        for (auto &thread : threads)
            thread->WaitFor();
        QCOMPARE(total, 800);
        QVERIFY(!overlapped);
    }
};

QTEST_GUILESS_MAIN(TestUiThreadCall)
#include "tst_ui_thread_call.moc"
