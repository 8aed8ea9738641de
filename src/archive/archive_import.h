#pragma once

#include "archive/station_archive.h"

#include <QString>

/// Enters an old file under `station`: a file saved with "GUARDAR" or the program's own CSV of
/// samples, its bytes as the raw text and its last change as the time it arrived. A file that
/// cannot be read, or is neither, throws ArchiveError naming it.
EntryResult importFile(StationArchive &archive, const QString &station, const QString &path);
