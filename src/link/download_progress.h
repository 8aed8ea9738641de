#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/// How far a download has come, as the main window and the command line say it.
namespace DownloadProgress {

/// The samples in the text received so far: the lines ended, less the header and the line
/// after it.
[[nodiscard]] int samplesIn(int lineBreaks);

/// "Descargando 1234 de 4000 muestras (31 %), quedan 6 s": the samples so far against those
/// expected, with the time the rest takes at the line rate; without an expected count only
/// "Descargando 1234 muestras".
[[nodiscard]] QString text(int received, std::optional<int> expected);

} // namespace DownloadProgress
