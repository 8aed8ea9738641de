#pragma once

#include <QChar>
#include <QString>

/// The program-wide number and date formats: one place that the rest of the code reads.
namespace ProgramFormats {

inline constexpr QChar decimalSeparator = u',';
inline constexpr QChar thousandSeparator = u'.';
/// Qt date-time patterns of the long time format "hh:mm:ss" and the short date format
/// "dd/mm/yyyy" (month written "MM" in Qt's notation).
inline const QString longTimeFormat = QStringLiteral("hh:mm:ss");
inline const QString shortDateFormat = QStringLiteral("dd/MM/yyyy");

/// A number in the general format: its shortest exact form with up to 15 significant
/// digits, the program's decimal separator and no thousands separator (123.625 -> "123,625").
[[nodiscard]] QString generalNumber(double value);

} // namespace ProgramFormats
