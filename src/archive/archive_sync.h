#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class StationArchive;

/// A download of the local archive that could not be sent because its kept text is damaged.
struct DamagedDownload
{
    qint64 id = 0;
    QString station;
    /// Why it could not be read, as the archive said it.
    QString why;
    /// Its kept text is whole but does not read as what a logger gives (a file imported
    /// before the program read rows so): rebuilding the archive does not mend it.
    bool unreadable = false;
};

/// What sending the local archive to the shared server did, or why it could not.
struct SyncResult
{
    /// The server's URL without its password.
    QString server;
    /// Downloads the server did not have and now has.
    int sent = 0;
    /// Downloads it had already (sent before, or by another PC from the same bytes).
    int alreadyThere = 0;
    /// Samples the server holds with other values, over all downloads sent.
    int conflicts = 0;
    /// Downloads left unsent; with a failure, all that remain.
    int unsent = 0;
    /// Why the sync stopped; empty when it ran to the end.
    QString failure;
    /// Downloads skipped because the local archive holds them damaged; they stay unsent.
    std::vector<DamagedDownload> damaged;
    /// Local station names sent under the server's spelling of the same station (see
    /// stationKey): the local name and the server's, once each.
    std::vector<std::pair<QString, QString>> respelled;

    [[nodiscard]] bool succeeded() const { return failure.isEmpty(); }
    /// One line for the user: what was sent, or why nothing was and what that means.
    [[nodiscard]] QString line() const;
    /// One line per damaged download: which it is, of which station, and why.
    [[nodiscard]] QStringList damagedLines() const;
    /// What to do about the damaged downloads: rebuild the archive, remove those that do not
    /// read, or both.
    [[nodiscard]] QString damagedAdvice() const;
    /// "«parcela 3» se envió como «Parcela 3», como la llama el archivo compartido", one clause
    /// per respelled station; empty when none.
    [[nodiscard]] QString respelledText() const;
};

/// Asked between two downloads: true when the sync is to stop there (a quit signal came).
using SyncStop = std::function<bool()>;

/// Sends every download of `local` that `server` does not have (by SHA-256) with the same merge
/// as a local entry, one transaction per download, and marks each sent in `local`; marks sent
/// too what the server already has. A download of a station the server spells otherwise goes
/// under the server's spelling, said in `respelled`. A download whose kept text is damaged or
/// does not read is skipped, listed in `damaged` and left unsent. Stops at the first other
/// failure, which `failure` says, or when `stop` says so: what was sent stays sent, the rest
/// stays local, not sent.
[[nodiscard]] SyncResult syncArchive(StationArchive &local, StationArchive &server,
                                     const SyncStop &stop = {});

/// Opens the local archive `archivePath` (the user's own when empty) and the server at
/// `serverUrl` (the one kept in the archive's settings when empty) and syncs them. A URL without
/// a password takes the one kept for its server apart from the archive, if any. Every failure,
/// the server's or the archive's, ends up in `failure`.
[[nodiscard]] SyncResult syncArchive(const QString &archivePath, const QString &serverUrl = {},
                                     const SyncStop &stop = {});
