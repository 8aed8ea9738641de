#pragma once

#include <QString>

/// The station archives this process has opened, so that no save writes over one of them or
/// over the write-ahead log and shared memory beside it.
namespace ArchiveFiles {

/// Records the archive file `path` as in use for the rest of the run.
void noteInUse(const QString &path);

/// The archive in use that `fileName` is (by device and inode, so through any link or
/// spelling): the archive file itself, its "-wal" or its "-shm". Empty when it is none of them,
/// and for a name that does not exist yet.
[[nodiscard]] QString archiveAt(const QString &fileName);

} // namespace ArchiveFiles
