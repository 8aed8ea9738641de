#pragma once

#include "archive/server_address.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <memory>
#include <optional>

/// The two kinds of archive: the user's own file and a lab's shared server.
enum class ArchiveBackend { SQLite, PostgreSQL };

/// Whether a file is opened to be written where it may be, or only read.
enum class FileAccess { ReadWrite, ReadOnly };

/// One open connection to an archive, under a connection name of its own, closed and removed
/// from Qt's list when it goes. Every statement binds its values; a failure throws
/// ArchiveError with a Spanish message that names the archive (never a password).
class ArchiveDatabase
{
public:
    /// Opens the SQLite file `path`, made 0600 when it does not exist. A file that is not
    /// SQLite at all is refused before the database library touches it; one that may not be
    /// written (or with `access` ReadOnly) is opened for reading only, and read whole or not
    /// at all: never without changes committed to its log, never leaving a file beside it.
    /// Waits a few seconds for a lock held elsewhere.
    [[nodiscard]] static std::unique_ptr<ArchiveDatabase>
    openFile(const QString &path, FileAccess access = FileAccess::ReadWrite);
    /// Connects to the server; a server that does not answer, a refused password or a missing
    /// database throw ArchiveError, each with its own message.
    [[nodiscard]] static std::unique_ptr<ArchiveDatabase> openServer(const ServerAddress &address);

    ~ArchiveDatabase();
    ArchiveDatabase(const ArchiveDatabase &) = delete;
    ArchiveDatabase &operator=(const ArchiveDatabase &) = delete;

    [[nodiscard]] ArchiveBackend backend() const { return m_backend; }
    /// The file's path or the server's URL without its password.
    [[nodiscard]] const QString &shownName() const { return m_shownName; }
    [[nodiscard]] bool readOnly() const { return m_readOnly; }

    /// Prepares `sql`, binds `values` in order and runs it.
    QSqlQuery run(const QString &sql, std::initializer_list<QVariant> values = {});
    /// A statement prepared once and run many times (run it with exec()).
    [[nodiscard]] QSqlQuery prepare(const QString &sql);
    /// Runs a prepared statement with the values bound to it.
    void exec(QSqlQuery &query);
    /// Steps `query` to its next row: false at its end, ArchiveError when a row cannot be
    /// read (a damaged page), never taken for the end.
    bool next(QSqlQuery &query);

    /// Starts a transaction that writes: SQLite takes its write lock at once, so that two
    /// writers wait for each other instead of failing half-way.
    void begin();
    void commit();
    /// Starts a transaction that only reads: each statement in it sees the archive as the
    /// first one saw it, whatever other connections commit meanwhile. Ended by rollback().
    void beginReading();
    /// Undoes the open transaction; never throws.
    void rollback() noexcept;
    [[nodiscard]] bool inTransaction() const { return m_inTransaction; }

    /// Whether the last failure was one that the same transaction, run again, may not meet
    /// (the server broke a deadlock or a serialisation conflict).
    [[nodiscard]] bool lastFailureIsTransient() const { return m_lastFailureTransient; }

private:
    ArchiveDatabase(ArchiveBackend backend, QString shownName);
    [[noreturn]] void fail(const QSqlError &error);

    const ArchiveBackend m_backend;
    const QString m_shownName;
    const QString m_connectionName;
    std::optional<QSqlDatabase> m_db;
    bool m_readOnly = false;
    bool m_inTransaction = false;
    bool m_lastFailureTransient = false;
    /// The connection's place in ServerCancel's list; -1 for none.
    int m_cancelSlot = -1;
};
