#pragma once

#include <QString>

class QSqlError;

/// How long the shared archive's server may keep the program waiting: for a lock another
/// client holds, and for any one statement. Past either the statement fails, its transaction
/// is rolled back and the user is told to try later.
namespace ServerLimits {

/// The longest wait for a lock, in seconds: 30, or BRENTAVIUS_SERVER_LOCK_TIMEOUT when that
/// holds a whole number of seconds from 1 (for the tests, which cannot wait 30 s).
[[nodiscard]] int lockSeconds();
/// The longest statement, in seconds: 120.
[[nodiscard]] int statementSeconds();

/// The user's line for a statement the server stopped at one of the limits, or cancelled at
/// the program's request; empty for any other failure. `server` is the URL as shown.
[[nodiscard]] QString message(const QString &server, const QSqlError &error);

} // namespace ServerLimits
