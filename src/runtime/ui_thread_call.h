#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

/// The runtime's call that runs a step on the user-interface thread and waits for it: our own
/// queue of synchronised calls. A thread places its step in the queue and blocks; the
/// user-interface thread runs the queued steps from its event loop and also while it waits
/// for a TThread to end, so that a thread blocked here can always finish.
namespace UiThreadCall {

/// Runs step on the user-interface thread and returns once it has run there; an exception
/// thrown by the step is thrown again here. On the user-interface thread it runs at once.
/// Needs a QCoreApplication, whose thread is the user-interface thread.
void synchronize(std::function<void()> step);

/// On the user-interface thread: runs every queued step, oldest first. True if any ran.
bool checkSynchronize();

/// The number of steps waiting in the queue.
[[nodiscard]] int queuedCount();

/// True on the thread of the QCoreApplication.
[[nodiscard]] bool isUiThread();

} // namespace UiThreadCall

/// A step that a thread hands to the user-interface thread again and again without waiting
/// for it: posting it while it is still queued adds nothing, so the posts of a burst come to one
/// run. It is queued and wakes the user-interface thread without allocating anything, and runs
/// with the synchronised calls (from the event loop and while a TThread is waited for).
class PostedStep
{
public:
    /// Made on the user-interface thread, where step runs; step must not throw.
    explicit PostedStep(std::function<void()> step);
    /// Takes the step out of the queue; on the user-interface thread.
    ~PostedStep();
    PostedStep(const PostedStep &) = delete;
    PostedStep &operator=(const PostedStep &) = delete;

    /// From any thread: queues the step unless it is queued already.
    void post();
    /// On the user-interface thread: runs the step now if it is queued. True if it ran.
    bool runIfQueued();

private:
    struct Wake;
    std::unique_ptr<Wake> m_wake;
};

/// A thread whose end the user-interface thread can wait for while it keeps running the
/// steps that threads hand it. A class deriving from it waits for it in its own destructor.
class TThread
{
public:
    TThread() = default;
    virtual ~TThread();
    TThread(const TThread &) = delete;
    TThread &operator=(const TThread &) = delete;

    void Start();
    /// Asks Execute to end; it tests Terminated().
    void Terminate() { m_terminated.store(true); }
    [[nodiscard]] bool Terminated() const { return m_terminated.load(); }
    /// Returns when the thread has ended. On the user-interface thread it runs queued steps
    /// meanwhile, so a thread that waits in synchronize is not left waiting for this wait.
    void WaitFor();
    /// True once Execute has returned or thrown.
    [[nodiscard]] bool Finished() const;
    /// The exception that ended Execute, if one did; read it once Finished() is true.
    [[nodiscard]] std::exception_ptr FatalException() const;

protected:
    virtual void Execute() = 0;
    static void Synchronize(std::function<void()> step)
    {
        UiThreadCall::synchronize(std::move(step));
    }

private:
    void run();

    std::thread m_thread;
    std::atomic<bool> m_terminated {false};
    bool m_finished = false; // guarded by the queue's lock
    std::exception_ptr m_fatal; // written before m_finished is set
};
