#pragma once

#include <QString>

class StationArchive;

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

    [[nodiscard]] bool succeeded() const { return failure.isEmpty(); }
    /// One line for the user: what was sent, or why nothing was and what that means.
    [[nodiscard]] QString line() const;
};

/// Sends every download of `local` that `server` does not have (by SHA-256) with the same merge
/// as a local entry, one transaction per download, and marks each sent in `local`; marks sent
/// too what the server already has. Stops at the first failure, which `failure` says: what was
/// sent stays sent, the rest stays local, not sent.
[[nodiscard]] SyncResult syncArchive(StationArchive &local, StationArchive &server);

/// Opens the local archive `archivePath` (the user's own when empty) and the server at
/// `serverUrl` (the one kept in the archive's settings when empty) and syncs them. Every
/// failure, the server's or the archive's, ends up in `failure`.
[[nodiscard]] SyncResult syncArchive(const QString &archivePath, const QString &serverUrl = {});
