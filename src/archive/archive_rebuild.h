#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <vector>

/// A download of the old archive that could not be entered into the new one.
struct UnreadDownload
{
    qint64 id = 0;
    QString station;
    qint64 arrivedUtcMs = 0;
    QString reason;
};

/// What rebuilding an archive from its downloads did.
struct RebuildResult
{
    QString from; ///< the old archive and the new one
    QString to;
    int entered = 0; ///< downloads entered into the new archive
    int stations = 0;
    std::vector<UnreadDownload> unread;
    /// Why the old archive's list of downloads could not be read to its end; empty when it was.
    QString listFailure;
    /// A stop was asked before the rebuild was done: the new archive was removed again.
    bool stopped = false;

    [[nodiscard]] bool complete() const
    {
        return !stopped && unread.empty() && listFailure.isEmpty();
    }
    /// The line that says it: "Archivo NUEVO reconstruido desde VIEJO: N descargas de M
    /// estaciones", then what could not be read.
    [[nodiscard]] QString line() const;
};

/// Builds the NEW archive `to` (which must not exist) from the downloads kept in the archive
/// `from` (the user's own when empty): every download that reads is entered again, in the
/// order they arrived (then in the order they were entered), through the same code that
/// entered it; its stations (those without a download too), settings and the mark of downloads
/// sent to the server go with them. `from` is opened for reading only, as it is: neither are
/// its tables brought up to date nor is it refused for being damaged, and it is never changed.
/// A download that cannot be read is left out and listed. Throws ArchiveError when the new
/// archive cannot be made or written; nothing of it is left then. `stopRequested`, when given,
/// is asked before each download and once more at the end: when it says yes, the new archive
/// is removed as on a failure and the result says `stopped`.
[[nodiscard]] RebuildResult rebuildArchive(const QString &from, const QString &to,
                                           const std::function<bool()> &stopRequested = {});
