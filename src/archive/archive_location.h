#pragma once

#include <QString>

/// Where the user's own archive lives when no other file is named: one SQLite file in the
/// standard application-data folder. Throws ArchiveError when the user has no home folder.
[[nodiscard]] QString defaultArchivePath();

/// Makes sure the file `path` exists for an archive: a missing file is created empty with
/// permissions 0600, so that the records are never readable by others, not even for the moment
/// before the database writes them. Only the user's own archive gets a missing folder made
/// (readable by the user alone); for any other, checkArchiveFolder() refuses it. An existing
/// file is left as it is. Throws ArchiveError saying why it cannot be made.
void makeArchiveFile(const QString &path);

/// Throws ArchiveError when the folder of the archive `path` does not exist.
void checkArchiveFolder(const QString &path);
