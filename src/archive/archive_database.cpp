#include "archive/archive_database.h"

#include "archive/archive_error.h"
#include "runtime/archive_files.h"
#include "archive/server_cancel.h"
#include "archive/server_limits.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

namespace {

/// How long a statement waits for a lock that another program holds on the file.
constexpr int busyTimeoutMs = 5000;
/// How long the server is given to answer a connection.
constexpr int connectTimeoutSeconds = 5;

/// What the first bytes of every SQLite database file are.
constexpr char sqliteHeader[] = "SQLite format 3";

/// SQLite's primary result codes that get a message of their own.
enum SqliteCode {
    Busy = 5,
    Locked = 6,
    NoMemory = 7,
    ReadOnly = 8,
    IoError = 10,
    Corrupt = 11,
    Full = 13,
    CantOpen = 14,
    NotADatabase = 26,
};

QString uniqueConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("brentavius-archive-%1").arg(counter.fetchAndAddRelaxed(1) + 1);
}

/// The first line of what the database said, as one line.
QString detail(const QSqlError &error)
{
    QString text = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    return text.section(QLatin1Char('\n'), 0, 0).simplified();
}

QString sqliteMessage(const QString &file, const QSqlError &error)
{
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case Busy:
    case Locked:
        return QStringLiteral("el archivo %1 está bloqueado por otro programa; nada se cambió, "
                              "pruebe de nuevo cuando termine")
            .arg(file);
    case ReadOnly:
        return QStringLiteral("el archivo %1 es de solo lectura; nada se cambió").arg(file);
    case Full:
        return QStringLiteral("el disco del archivo %1 está lleno; nada se cambió").arg(file);
    case NoMemory:
        return QStringLiteral("falta memoria para el archivo %1; nada se cambió").arg(file);
    case Corrupt:
    case NotADatabase:
        return QStringLiteral("el archivo %1 está dañado o no es un archivo de estaciones; "
                              "no se tocó")
            .arg(file);
    case IoError:
    case CantOpen:
        return QStringLiteral("no se pudo leer o escribir el archivo %1 (%2); nada se cambió")
            .arg(file, detail(error));
    default:
        return QStringLiteral("el archivo %1 no respondió como se esperaba (%2); nada se cambió")
            .arg(file, detail(error));
    }
}

/// Why a connection to the server failed, in the user's words. `password` is taken out of
/// anything the client library said, should it ever repeat it.
QString connectionMessage(const ServerAddress &address, const QSqlError &error)
{
    const QString server = address.shownText();
    QString said = detail(error);
    if (!address.password.isEmpty())
        said.replace(address.password, QStringLiteral("***"));
    if (said.contains(QLatin1String("password authentication failed"))
        || said.contains(QLatin1String("no password supplied"))
        || said.contains(QLatin1String("authentication failed")))
        return QStringLiteral("el servidor %1 no aceptó el usuario o la contraseña").arg(server);
    if (said.contains(QLatin1String("database \""))
        && said.contains(QLatin1String("does not exist")))
        return QStringLiteral("la base de datos «%1» no existe en el servidor %2")
            .arg(address.database, server);
    if (said.contains(QLatin1String("role \"")) && said.contains(QLatin1String("does not exist")))
        return QStringLiteral("el servidor %1 no conoce al usuario «%2»").arg(server, address.user);
    if (said.contains(QLatin1String("certificate verify failed")))
        return QStringLiteral("el certificado del servidor %1 no lo firmó la autoridad dada "
                              "(sslrootcert); no se conectó")
            .arg(server);
    if (said.contains(QLatin1String("root certificate file")))
        return QStringLiteral("falta el certificado de la autoridad que firma el del servidor %1: "
                              "se da con sslrootcert=ARCHIVO en la dirección, o en "
                              "~/.postgresql/root.crt")
            .arg(server);
    if (said.contains(QLatin1String("does not match host name")))
        return QStringLiteral("el certificado del servidor %1 es de otro nombre; no se conectó")
            .arg(server);
    if (said.contains(QLatin1String("server does not support SSL")))
        return QStringLiteral("el servidor %1 no ofrece conexión cifrada (TLS)").arg(server);
    return QStringLiteral("no se pudo conectar con el servidor %1 (%2)").arg(server, said);
}

/// The size of `path`, 0 for a file that is not there.
qint64 sizeOfFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() ? info.size() : 0;
}

/// The log beside the archive `file` that holds committed changes not yet in the file itself
/// (a write-ahead log, or the journal of a transaction left half-way); empty when none.
QString waitingLog(const QString &file)
{
    for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-journal")})
        if (sizeOfFile(file + suffix) > 0)
            return file + suffix;
    return {};
}

/// Whether SQLite can read the archive `file` as it is, without making a file beside it: its
/// log and the shared memory that indexes it are both there, as a program that writes it keeps
/// them, and no half-done transaction waits in a journal.
bool readableAsItIs(const QString &file)
{
    return QFileInfo::exists(file + QStringLiteral("-wal"))
        && QFileInfo::exists(file + QStringLiteral("-shm"))
        && sizeOfFile(file + QStringLiteral("-journal")) == 0;
}

QString unreadableChanges(const QString &file, const QString &log)
{
    return QStringLiteral("el archivo %1 tiene cambios en %2 que sin permiso de escritura no se "
                          "pueden leer; ábralo una vez con permiso para escribirlo (su dueño, "
                          "por ejemplo con brentavius4 --archive-list --archive %1) y vuelva a "
                          "intentarlo; no se tocó")
        .arg(file, log);
}

/// Whether the server's session ended under the statement: it shut down or ended the session
/// (class 57 but a cancelled statement), the connection broke (class 08), or the client library
/// failed without a word from the server.
bool connectionLost(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    return code.isEmpty() || code.startsWith(QLatin1String("08"))
        || (code.startsWith(QLatin1String("57")) && code != QLatin1String("57014"));
}

} // namespace

ArchiveDatabase::ArchiveDatabase(ArchiveBackend backend, QString shownName)
    : m_backend(backend)
    , m_shownName(std::move(shownName))
    , m_connectionName(uniqueConnectionName())
{ }

ArchiveDatabase::~ArchiveDatabase()
{
    ServerCancel::remove(m_cancelSlot);
    if (m_db) {
        rollback();
        m_db->close();
        m_db.reset();
    }
    // Only once no handle of it is left, or Qt warns that it is still in use.
    QSqlDatabase::removeDatabase(m_connectionName);
}

std::unique_ptr<ArchiveDatabase> ArchiveDatabase::openFile(const QString &path, FileAccess access)
{
    const QString driver = QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw ArchiveError(QStringLiteral("falta el controlador SQLite de Qt (paquete "
                                          "libqt6sql6-sqlite) para el archivo %1")
                               .arg(path));
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw ArchiveError(QStringLiteral("%1 no es un archivo de estaciones").arg(path));
    if (info.exists() && info.size() > 0) {
        // A file of another kind is refused before SQLite can look at it, let alone write.
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw ArchiveError(
                QStringLiteral("no se puede leer el archivo %1: %2").arg(path, file.errorString()));
        if (file.read(sizeof sqliteHeader) != QByteArray(sqliteHeader, sizeof sqliteHeader))
            throw ArchiveError(
                QStringLiteral("el archivo %1 no es un archivo de estaciones (no es de SQLite); "
                               "no se tocó")
                    .arg(path));
    }
    std::unique_ptr<ArchiveDatabase> archive(new ArchiveDatabase(ArchiveBackend::SQLite, path));
    ArchiveFiles::noteInUse(path);
    // SQLite writes a journal beside the file: without a writable folder nothing can be
    // written, though everything can be read.
    const QFileInfo folder(info.absolutePath());
    const bool mayWrite = info.isWritable() && folder.isWritable();
    archive->m_readOnly = !mayWrite || access == FileAccess::ReadOnly;
    archive->m_db = QSqlDatabase::addDatabase(driver, archive->m_connectionName);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs);
    if (archive->m_readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    if (mayWrite || readableAsItIs(info.absoluteFilePath())) {
        archive->m_db->setDatabaseName(path);
        archive->m_db->setConnectOptions(options);
    } else {
        // A reader that may not write would leave behind a shared-memory file and an empty log
        // of its own, which no one else could then write, and the owner could no longer write
        // the archive. With no committed change waiting in a log, the file alone holds
        // everything: it is read as a file that no one changes meanwhile, and nothing is made
        // beside it.
        if (const QString waiting = waitingLog(info.absoluteFilePath()); !waiting.isEmpty())
            throw ArchiveError(unreadableChanges(path, waiting));
        archive->m_db->setDatabaseName(
            QStringLiteral("file:%1?immutable=1")
                .arg(QString::fromUtf8(QUrl::toPercentEncoding(info.absoluteFilePath(), "/"))));
        archive->m_db->setConnectOptions(options + QStringLiteral(";QSQLITE_OPEN_URI"));
    }
    if (!archive->m_db->open())
        archive->fail(archive->m_db->lastError());
    if (!mayWrite
        && !QSqlQuery(*archive->m_db).exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master")))
        throw ArchiveError(unreadableChanges(path, path + QStringLiteral("-wal")));
    return archive;
}

std::unique_ptr<ArchiveDatabase> ArchiveDatabase::openServer(const ServerAddress &address)
{
    const QString driver = QStringLiteral("QPSQL");
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw ArchiveError(QStringLiteral("falta el controlador PostgreSQL de Qt (paquete "
                                          "libqt6sql6-psql) para el servidor %1")
                               .arg(address.shownText()));
    std::unique_ptr<ArchiveDatabase> archive(
        new ArchiveDatabase(ArchiveBackend::PostgreSQL, address.shownText()));
    archive->m_db = QSqlDatabase::addDatabase(driver, archive->m_connectionName);
    QSqlDatabase &db = *archive->m_db;
    if (!address.host.isEmpty())
        db.setHostName(address.host);
    if (address.port)
        db.setPort(*address.port);
    if (!address.user.isEmpty())
        db.setUserName(address.user);
    // Without one in the URL, the client library looks in ~/.pgpass.
    if (!address.password.isEmpty())
        db.setPassword(address.password);
    db.setDatabaseName(address.database);
    db.setConnectOptions(address.connectOptions(connectTimeoutSeconds));
    if (!db.open())
        throw ArchiveError(connectionMessage(address, db.lastError()));
    const QVariant handle = db.driver()->handle();
    // Qt names the client library's connection by its struct's name.
    if (handle.isValid()
        && (qstrcmp(handle.typeName(), "pg_conn*") == 0
            || qstrcmp(handle.typeName(), "PGconn*") == 0))
        archive->m_cancelSlot = ServerCancel::add(*static_cast<void *const *>(handle.constData()));
    // Warnings (an existing key skipped, a table already there) are not for the user's eyes.
    archive->run(QStringLiteral("SET client_min_messages TO WARNING"));
    // A lock held elsewhere, or a server that stalls, is waited for a while, never for ever.
    archive->run(QStringLiteral("SELECT set_config('lock_timeout', ?, false), "
                                "set_config('statement_timeout', ?, false)"),
                 {QStringLiteral("%1s").arg(ServerLimits::lockSeconds()),
                  QStringLiteral("%1s").arg(ServerLimits::statementSeconds())});
    return archive;
}

void ArchiveDatabase::fail(const QSqlError &error)
{
    // Undone at once, while the statements are still there to be released: a server takes
    // nothing more in a transaction that failed, not even that.
    rollback();
    const QString code = error.nativeErrorCode();
    m_lastFailureTransient = m_backend == ArchiveBackend::PostgreSQL
        && (code == QLatin1String("40P01") || code == QLatin1String("40001"));
    if (m_backend == ArchiveBackend::SQLite)
        throw ArchiveError(sqliteMessage(m_shownName, error));
    if ((m_db && !m_db->isOpen()) || connectionLost(error))
        throw ArchiveError(QStringLiteral("se perdió la conexión con el servidor %1 (%2)")
                               .arg(m_shownName, detail(error)));
    if (const QString limit = ServerLimits::message(m_shownName, error); !limit.isEmpty())
        throw ArchiveError(limit);
    throw ArchiveError(QStringLiteral("el servidor %1 no aceptó la operación (%2)")
                           .arg(m_shownName, detail(error)));
}

QSqlQuery ArchiveDatabase::run(const QString &sql, std::initializer_list<QVariant> values)
{
    QSqlQuery query(*m_db);
    query.setForwardOnly(true);
    if (values.size() == 0) {
        // Statements without values are run as they are: the server prepares no DDL.
        if (!query.exec(sql))
            fail(query.lastError());
        return query;
    }
    if (!query.prepare(sql))
        fail(query.lastError());
    for (const QVariant &value : values)
        query.addBindValue(value);
    exec(query);
    return query;
}

QSqlQuery ArchiveDatabase::prepare(const QString &sql)
{
    QSqlQuery query(*m_db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        fail(query.lastError());
    return query;
}

void ArchiveDatabase::exec(QSqlQuery &query)
{
    if (!query.exec())
        fail(query.lastError());
}

bool ArchiveDatabase::next(QSqlQuery &query)
{
    if (query.next())
        return true;
    // A query also stops at a page it cannot read: that is no end of the rows.
    if (query.lastError().isValid())
        fail(query.lastError());
    return false;
}

void ArchiveDatabase::begin()
{
    m_lastFailureTransient = false;
    run(m_backend == ArchiveBackend::SQLite ? QStringLiteral("BEGIN IMMEDIATE")
                                            : QStringLiteral("BEGIN"));
    m_inTransaction = true;
}

void ArchiveDatabase::commit()
{
    run(QStringLiteral("COMMIT"));
    m_inTransaction = false;
}

void ArchiveDatabase::beginReading()
{
    run(m_backend == ArchiveBackend::SQLite
            ? QStringLiteral("BEGIN")
            : QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
    m_inTransaction = true;
}

void ArchiveDatabase::rollback() noexcept
{
    if (!m_inTransaction || !m_db)
        return;
    m_inTransaction = false;
    QSqlQuery query(*m_db);
    query.exec(QStringLiteral("ROLLBACK"));
}
