#include "runtime/quit_signals.h"

#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> quitSignals = {SIGINT, SIGTERM, SIGHUP};

/// The pipe between the handler and the event loop; its write end is all the handler touches.
/// It stays open for the rest of the run, so that a handler still running on another thread
/// when the watcher goes never writes to a number that has been given to another file.
int g_pipe[2] = {-1, -1};
bool g_watched = false;
/// The first signal since the watcher came, for code that runs without the event loop.
volatile std::sig_atomic_t g_caught = 0;
/// Called by the handler after it wrote the pipe; async-signal-safe.
std::atomic<QuitSignals::Hook> g_hook {nullptr};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    if (g_caught == 0)
        g_caught = signalNumber;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a quit that the event loop has yet to read.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    if (const QuitSignals::Hook hook = g_hook.load())
        hook();
    errno = savedErrno;
}

/// What each signal did before the watcher came, put back when it goes.
std::array<struct sigaction, quitSignals.size()> g_before {};

void watchSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < quitSignals.size(); ++i) {
        ::sigaction(quitSignals[i], nullptr, &g_before[i]);
        // A signal the program was started to ignore (nohup) stays ignored.
        if (g_before[i].sa_handler != SIG_IGN)
            ::sigaction(quitSignals[i], &action, nullptr);
    }
}

void restoreSignals()
{
    for (std::size_t i = 0; i < quitSignals.size(); ++i)
        ::sigaction(quitSignals[i], &g_before[i], nullptr);
}

} // namespace

QuitSignals::QuitSignals(QObject *parent)
    : QObject(parent)
{
    if (g_watched || (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0))
        return; // without the pipe the signals keep their default: the program ends at once
    g_watched = true;
    g_caught = 0;
    // A signal that the last watcher left unread was that watcher's.
    unsigned char stale = 0;
    while (::read(g_pipe[0], &stale, 1) == 1)
        continue;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::readPipe);
    watchSignals();
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
    restoreSignals();
    delete m_notifier;
    g_watched = false;
}

int QuitSignals::caught()
{
    return g_caught;
}

void QuitSignals::setHook(Hook hook)
{
    g_hook.store(hook);
}

void QuitSignals::readPipe()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        if (m_signal == 0)
            m_signal = byte;
        emit received(byte);
    }
}
