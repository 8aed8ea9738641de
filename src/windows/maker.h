#pragma once

#include <QString>

/// The maker of the logger and of this program, as the about window and the main window show it.
namespace Maker {

inline const QString name = QStringLiteral("Alcotán Instrumentos");
inline const QString webAddress = QStringLiteral("www.alcotan.example");

} // namespace Maker
