#pragma once

#include <QString>

#include <optional>

class LiveFrames;
struct ServerAddress;
struct SyncResult;

/// The main window's lines about the station archive, and what they are made from. No widgets.
namespace ArchiveLines {

/// The logger's clock minus the PC's when the newest of `frames` arrived, in seconds: at the end
/// of a download, the last status frame before it. None without a frame of the present
/// connection.
[[nodiscard]] std::optional<qint64> clockOffsetOfNewest(const LiveFrames &frames);

/// Why the work on the archive failed, said in Spanish: for use inside a catch block, of the
/// exception being handled.
[[nodiscard]] QString currentFailure();

/// "No se pudo archivar: …" with the reason.
[[nodiscard]] QString failure(const QString &reason);

/// The download was left out of the archive because no station was named for it.
[[nodiscard]] QString noStation();

/// "Enviadas N descargas al archivo compartido", or why they were not.
[[nodiscard]] QString sync(const SyncResult &result);

/// The URL of `address` with its password, as the archive keeps it; without one when it has none.
[[nodiscard]] QString urlWithPassword(const ServerAddress &address);

} // namespace ArchiveLines
