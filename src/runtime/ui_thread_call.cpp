#include "runtime/ui_thread_call.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

#include <sys/eventfd.h>
#include <unistd.h>

namespace {

/// One step handed over by a waiting thread, on that thread's stack; or a posted step, which
/// lives as long as its PostedStep and is nobody's to wait for.
struct PendingCall
{
    std::function<void()> step;
    std::exception_ptr error;
    bool done = false;
    std::condition_variable doneSignal;
    bool posted = false;
    bool queued = false; ///< a posted step that is in the queue
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
            call->queued = false;
        }
        ran = true;
        if (call->posted) {
            // Cleared before it runs: a post made while it runs queues it again.
            call->step();
            continue;
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

/// The queued call of a posted step, and the descriptor whose readiness wakes the event loop.
struct PostedStep::Wake
{
    PendingCall call;
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
};

PostedStep::PostedStep(std::function<void()> step)
    : m_wake(std::make_unique<Wake>())
{
    m_wake->call.step = std::move(step);
    m_wake->call.posted = true;
    m_wake->fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake->fd >= 0) {
        m_wake->notifier = std::make_unique<QSocketNotifier>(m_wake->fd, QSocketNotifier::Read);
        QObject::connect(m_wake->notifier.get(), &QSocketNotifier::activated,
                         m_wake->notifier.get(), [fd = m_wake->fd] {
                             std::uint64_t value = 0;
                             [[maybe_unused]] const ssize_t n = ::read(fd, &value, sizeof value);
                             UiThreadCall::checkSynchronize();
                         });
    }
}

PostedStep::~PostedStep()
{
    CallQueue &queue = callQueue();
    {
        std::lock_guard lock(queue.mutex);
        if (m_wake->call.queued)
            std::erase(queue.calls, &m_wake->call);
    }
    m_wake->notifier.reset();
    if (m_wake->fd >= 0)
        ::close(m_wake->fd);
}

void PostedStep::post()
{
    CallQueue &queue = callQueue();
    {
        std::lock_guard lock(queue.mutex);
        if (m_wake->call.queued)
            return;
        m_wake->call.queued = true;
        queue.calls.push_back(&m_wake->call);
    }
    queue.uiWake.notify_all();
    if (m_wake->fd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake->fd, &one, sizeof one);
    } else if (QCoreApplication *app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            app, [] { UiThreadCall::checkSynchronize(); }, Qt::QueuedConnection);
    }
}

bool PostedStep::runIfQueued()
{
    CallQueue &queue = callQueue();
    {
        std::lock_guard lock(queue.mutex);
        if (!m_wake->call.queued)
            return false;
        std::erase(queue.calls, &m_wake->call);
        m_wake->call.queued = false;
    }
    m_wake->call.step();
    return true;
}

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
