#pragma once

/// Lets a quit signal cut short what the shared archive's server is doing for this program:
/// each open server connection keeps its cancel key here while it is open, and cancelAll()
/// asks the server to stop the statement in progress on each (a wait for a lock included).
/// The statement then fails as any refused one does, and its transaction is rolled back.
namespace ServerCancel {

/// A connection's place in the list, given back with remove(); -1 when the list was full.
[[nodiscard]] int add(void *pgConnection);
void remove(int slot) noexcept;
/// Sends a cancel request for every connection listed. Async-signal-safe: meant for a signal
/// handler, on the thread that uses the connections.
void cancelAll() noexcept;
/// Whether cancelAll() was called in this run: a statement cancelled since was cancelled by it.
[[nodiscard]] bool requested() noexcept;

} // namespace ServerCancel
