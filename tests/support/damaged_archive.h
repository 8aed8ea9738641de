#pragma once

// Damages an archive file on purpose, the same way each time: a few pages of its samples
// overwritten, as a failing disk or a copy cut short would leave them.
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <vector>

/// Overwrites three leaf pages of the samples table of the closed SQLite archive `path` (past
/// its first page) with a pattern; false when it has too few such pages.
inline bool damageSamplePages(const QString &path)
{
    std::vector<qint64> pages;
    qint64 pageSize = 0;
    const QString name = QStringLiteral("damage-sample-pages");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("PRAGMA page_size")) && query.next())
                pageSize = query.value(0).toLongLong();
            if (query.exec(QStringLiteral("SELECT pageno FROM dbstat WHERE name = 'samples' "
                                          "AND pagetype = 'leaf' ORDER BY pageno")))
                while (query.next())
                    pages.push_back(query.value(0).toLongLong());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (pages.size() < 6 || pageSize <= 0)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    for (std::size_t i = 2; i < 5; ++i) {
        file.seek((pages[i] - 1) * pageSize);
        file.write(QByteArray(pageSize, '\x5a'));
    }
    return true;
}
