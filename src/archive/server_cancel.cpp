#include "archive/server_cancel.h"

#include <libpq-fe.h>

#include <array>
#include <atomic>

namespace ServerCancel {
namespace {

/// More than a run ever holds open at once (a sync holds one).
constexpr std::size_t slots = 8;
std::array<std::atomic<PGcancel *>, slots> g_keys {};
std::atomic<bool> g_requested {false};

} // namespace

int add(void *pgConnection)
{
    PGcancel *key = PQgetCancel(static_cast<PGconn *>(pgConnection));
    if (!key)
        return -1;
    for (std::size_t i = 0; i < slots; ++i) {
        PGcancel *empty = nullptr;
        if (g_keys[i].compare_exchange_strong(empty, key))
            return int(i);
    }
    PQfreeCancel(key);
    return -1;
}

void remove(int slot) noexcept
{
    if (slot < 0)
        return;
    // Taken out before it is freed: a handler that runs in between finds nothing there.
    if (PGcancel *key = g_keys[std::size_t(slot)].exchange(nullptr))
        PQfreeCancel(key);
}

void cancelAll() noexcept
{
    g_requested.store(true);
    for (std::atomic<PGcancel *> &slot : g_keys) {
        if (PGcancel *key = slot.load()) {
            char error[256];
            // A request that does not reach the server leaves the statement to its time limit.
            [[maybe_unused]] const int sent = PQcancel(key, error, sizeof error);
        }
    }
}

bool requested() noexcept
{
    return g_requested.load();
}

} // namespace ServerCancel
