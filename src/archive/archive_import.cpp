#include "archive/archive_import.h"

#include "archive/archive_error.h"
#include "data/data_error.h"
#include "data/saved_file.h"

#include <QFileInfo>

EntryResult importFile(StationArchive &archive, const QString &station, const QString &path)
{
    DownloadEntry entry;
    try {
        entry.raw = readSavedFileBytes(path);
    } catch (const DataError &error) {
        throw ArchiveError(error.message());
    }
    entry.kind = fileKind(entry.raw);
    entry.arrivedUtcMs = QFileInfo(path).lastModified().toMSecsSinceEpoch();
    try {
        return archive.enter(station, entry);
    } catch (const ArchiveError &error) {
        throw ArchiveError(QStringLiteral("%1: %2").arg(path, error.message()));
    }
}
