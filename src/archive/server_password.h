#pragma once

#include <QString>

class StationArchive;
struct ServerAddress;

/// The passwords of shared archives' servers typed in the window program, kept apart from the
/// station archive (which travels with every copy of it): in the desktop's secret store where
/// there is one (SecretStore), else in a file of the user's alone,
/// ~/.config/BRENTAVIUS4/claves-servidores (0600, its folder 0700); one per server as
/// ServerAddress::shownText() names it. A password in ~/.pgpass needs none of this.
namespace ServerPassword {

/// The file (under $XDG_CONFIG_HOME when that is set); empty without a home folder.
[[nodiscard]] QString filePath();

/// The password kept for the server of `address`, in the secret store or else the file; empty
/// when there is none or neither can be read.
[[nodiscard]] QString kept(const ServerAddress &address);

/// Keeps `password` for the server of `address`, replacing the one kept before: in the secret
/// store when there is one (and then out of the file), else in the file. Throws ArchiveError
/// when the file cannot be written.
void keep(const ServerAddress &address, const QString &password);

/// `url` with the password kept for its server put in, when it has none; `url` itself when it
/// does not read as a server URL.
[[nodiscard]] QString withKeptPassword(const QString &url);

/// Keeps the password of `url`, if it has one, and returns `url` without it: what the archive
/// may keep. Throws ArchiveError for a URL that does not read, or a file that cannot be written.
[[nodiscard]] QString keptApart(const QString &url);

/// An archive that still holds a server URL with its password (kept so by an earlier version)
/// gives it up: the password goes to the file, then the archive keeps the URL without it.
/// Does nothing on an archive that may not be written, and leaves all as it was when the file
/// cannot be written (to be tried at the next opening). Never throws.
void moveOutOf(StationArchive &archive) noexcept;

} // namespace ServerPassword
