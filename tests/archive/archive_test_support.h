#pragma once

// Helpers of the archive suites: download texts to enter, a test database of its own on the
// PostgreSQL server that scripts/with-postgres starts, and a plain connection to reach behind
// the archive's back (to break it on purpose, or to count what it holds).
#include "archive/server_address.h"
#include "download_text.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <array>

namespace ArchiveTest {

/// The logger's download text of `count` samples 15 minutes apart from `start`, sample i
/// (from 0) read as `readings(i)`, ended by the end marker.
template<typename Readings>
QByteArray downloadText(const QDateTime &start, int count, Readings readings)
{
    QByteArray text =
        DownloadText::header(start, 4) + "SAMPLES " + QByteArray::number(count) + "\r\n";
    for (int i = 0; i < count; ++i)
        text += DownloadText::sampleLine(readings(i));
    return text + "A";
}

/// The readings of sample i of a station's plain record: the same at the same time whichever
/// download brings them.
inline std::array<int, 4> plainReadings(const QDateTime &start, int i)
{
    const qint64 step = start.toSecsSinceEpoch() / 900 + i;
    return {int(500 + step % 300), int(520 + step % 200), int(700 + step % 900), int(step % 2000)};
}

inline QByteArray plainDownload(const QDateTime &start, int count)
{
    return downloadText(start, count, [&start](int i) { return plainReadings(start, i); });
}

/// The server URL of BRENTAVIUS_TEST_PG_URL; empty, with `why`, when there is none.
inline QString serverUrl(QString &why)
{
    const QString url = qEnvironmentVariable("BRENTAVIUS_TEST_PG_URL");
    if (url.isEmpty())
        why = QStringLiteral("no PostgreSQL server: run the suite under scripts/with-postgres");
    return url;
}

/// A plain connection, under a name of its own, closed and removed with it.
class Connection
{
public:
    /// To the SQLite file `path`.
    explicit Connection(const QString &path)
        : m_name(nextName())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.open();
    }

    /// To database `database` of the server of `address`.
    Connection(const ServerAddress &address, const QString &database)
        : m_name(nextName())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        db.setHostName(address.host);
        if (address.port)
            db.setPort(*address.port);
        db.setUserName(address.user);
        db.setPassword(address.password);
        db.setDatabaseName(database);
        if (db.open())
            run(QStringLiteral("SET client_min_messages TO WARNING"));
    }

    ~Connection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }

    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    [[nodiscard]] const QString &name() const { return m_name; }

    [[nodiscard]] QString openError() const
    {
        const QSqlDatabase db = QSqlDatabase::database(m_name, false);
        return db.isOpen() ? QString() : db.lastError().text();
    }

    /// Runs `sql`; the error's text, empty when it ran.
    QString run(const QString &sql)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        return query.exec(sql) ? QString() : query.lastError().text();
    }

    /// The first column of the first row of `sql`, as a number; -1 when it fails.
    qint64 number(const QString &sql)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
    }

private:
    static QString nextName()
    {
        static int count = 0;
        return QStringLiteral("archive-test-%1").arg(++count);
    }

    QString m_name;
};

/// A database of this test process's own on the test server, made empty on demand and dropped
/// at the end, so that suites running at once never meet.
class ServerDatabase
{
public:
    ServerDatabase(const QString &serverUrl, const QString &purpose)
        : m_address(parseServerAddress(serverUrl))
        , m_name(QStringLiteral("%1_%2").arg(purpose).arg(QCoreApplication::applicationPid()))
    {
        Connection admin(m_address, m_address.database);
        m_error = admin.openError();
        if (m_error.isEmpty()) {
            admin.run(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(m_name));
            m_error = admin.run(QStringLiteral("CREATE DATABASE %1").arg(m_name));
        }
    }

    ~ServerDatabase()
    {
        if (m_error.isEmpty()) {
            Connection admin(m_address, m_address.database);
            admin.run(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
        }
    }

    /// Why it could not be made; empty when it was.
    [[nodiscard]] const QString &error() const { return m_error; }

    [[nodiscard]] ServerAddress address() const
    {
        ServerAddress address = m_address;
        address.database = m_name;
        return address;
    }

    [[nodiscard]] QString url() const { return address().shownText(); }

    /// Drops every table, for a test that starts from an empty server.
    void empty()
    {
        Connection connection(m_address, m_name);
        connection.run(QStringLiteral("DROP TABLE IF EXISTS conflicts, samples, downloads, "
                                      "stations, settings, schema_version, sample_runs CASCADE"));
        connection.run(QStringLiteral("DROP FUNCTION IF EXISTS fail_half_way() CASCADE"));
    }

private:
    ServerAddress m_address;
    QString m_name;
    QString m_error;
};

/// Sends the server passwords the program keeps apart into `folder`, for this process and the
/// programs it starts: to a file there, as no secret store answers on a bus that is not there.
inline void keepServerPasswordsIn(const QString &folder)
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder + QStringLiteral("/config")));
    qputenv("DBUS_SESSION_BUS_ADDRESS",
            "unix:path=" + QFile::encodeName(folder + QStringLiteral("/no-bus")));
}

/// Keeps `url` in the settings of the SQLite archive `archive` as an earlier version kept it,
/// password and all, behind the program's back; the error's text, empty when it is kept.
inline QString keepUrlAsBefore(const QString &archive, const QString &url)
{
    Connection old(archive);
    QSqlQuery query(QSqlDatabase::database(old.name(), false));
    query.prepare(QStringLiteral("INSERT INTO settings (key, value) VALUES ('server-url', ?)"));
    query.addBindValue(url);
    return query.exec() ? QString() : query.lastError().text();
}

} // namespace ArchiveTest
