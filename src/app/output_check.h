#pragma once

#include <QString>

namespace CommandLine {

/// Why a download could not be saved as `output`, found before the port is opened so that a
/// bad name costs no download: it is a folder, a device, a FIFO or a socket, or the station
/// archive in use or a file beside it (see ArchiveFiles); its folder does
/// not exist or is no folder; the file or its folder may not be written. Empty when the save
/// can go ahead.
[[nodiscard]] QString outputProblem(const QString &output);

} // namespace CommandLine
