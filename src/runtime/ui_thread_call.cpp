#include "runtime/ui_thread_call.h"

#include <QCoreApplication>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

/// One step handed over by a waiting thread; it lives on that thread's stack.
struct PendingCall
{
    std::function<void()> step;
    std::exception_ptr error;
    bool done = false;
    std::condition_variable doneSignal;
};

/// The queue of synchronised calls, and the signal that wakes a user-interface thread that
/// waits for a thread to end.
struct CallQueue
{
    std::mutex mutex;
    std::condition_variable uiWake;
    std::deque<PendingCall *> calls;
};

CallQueue &callQueue()
{
    static CallQueue queue;
    return queue;
}

} // namespace

namespace UiThreadCall {

bool isUiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void synchronize(std::function<void()> step)
{
    if (isUiThread()) {
        step();
        return;
    }
    CallQueue &queue = callQueue();
    PendingCall call;
    call.step = std::move(step);
    {
        std::lock_guard lock(queue.mutex);
        queue.calls.push_back(&call);
    }
    queue.uiWake.notify_all();
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] { checkSynchronize(); }, Qt::QueuedConnection);
    std::unique_lock lock(queue.mutex);
    call.doneSignal.wait(lock, [&call] { return call.done; });
    lock.unlock();
    if (call.error)
        std::rethrow_exception(call.error);
}

bool checkSynchronize()
{
    if (!isUiThread())
        return false;
    CallQueue &queue = callQueue();
    bool ran = false;
    for (;;) {
        PendingCall *call = nullptr;
        {
            std::lock_guard lock(queue.mutex);
            if (queue.calls.empty())
                break;
            call = queue.calls.front();
            queue.calls.pop_front();
        }
        try {
            call->step();
        } catch (...) {
            call->error = std::current_exception();
        }
        // Signalled under the lock: the waiting thread may destroy the call as soon as it
        // sees it done.
        std::lock_guard lock(queue.mutex);
        call->done = true;
        call->doneSignal.notify_one();
        ran = true;
    }
    return ran;
}

int queuedCount()
{
    CallQueue &queue = callQueue();
    std::lock_guard lock(queue.mutex);
    return int(queue.calls.size());
}

} // namespace UiThreadCall

TThread::~TThread()
{
    if (m_thread.joinable()) {
        Terminate();
        WaitFor();
    }
}

void TThread::Start()
{
    m_thread = std::thread([this] { run(); });
}

void TThread::run()
{
    try {
        Execute();
    } catch (...) {
        m_fatal = std::current_exception();
    }
    CallQueue &queue = callQueue();
    {
        std::lock_guard lock(queue.mutex);
        m_finished = true;
    }
    queue.uiWake.notify_all();
}

void TThread::WaitFor()
{
    if (!m_thread.joinable())
        return;
    if (UiThreadCall::isUiThread()) {
        CallQueue &queue = callQueue();
        std::unique_lock lock(queue.mutex);
        while (!m_finished) {
            if (queue.calls.empty()) {
                queue.uiWake.wait(lock);
                continue;
            }
            lock.unlock();
            UiThreadCall::checkSynchronize();
            lock.lock();
        }
    }
    m_thread.join();
}

bool TThread::Finished() const
{
    CallQueue &queue = callQueue();
    std::lock_guard lock(queue.mutex);
    return m_finished;
}

std::exception_ptr TThread::FatalException() const
{
    return Finished() ? m_fatal : nullptr;
}
