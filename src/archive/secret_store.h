#pragma once

#include <QString>

#include <optional>

/// The desktop's secret store (the Secret Service over D-Bus, through libsecret), where there
/// is one: the keyring that the desktop unlocks at login. A program built without libsecret,
/// or run where no store answers (no session bus, no keyring), finds none.
namespace SecretStore {

/// The password kept for `server` (a URL as ServerAddress::shownText() gives it): empty when the
/// store keeps none, nothing when there is no store to ask.
[[nodiscard]] std::optional<QString> lookup(const QString &server);

/// Keeps `password` for `server`; false when there is no store to keep it in.
[[nodiscard]] bool store(const QString &server, const QString &password);

} // namespace SecretStore
