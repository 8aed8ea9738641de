#pragma once

#include <QString>

/// Formats a number after a picture pattern such as "#0.0", "##00", "##0.0" or "#,##0.00".
///
/// '0' is a digit that is always shown, '#' a digit shown only when it is significant, the
/// first '.' the decimal point (written with the program's decimal separator) and a ',' in the
/// number turns on thousands grouping. The integer part always shows all of its digits, however
/// few placeholders the pattern has. Other characters before or after the number are copied.
/// The value is rounded half away from zero to the pattern's decimals; a negative value gets a
/// leading '-', except when it rounds to zero ("-0,0" is never produced). An empty pattern, or
/// one without any placeholder, gives the general number format.
[[nodiscard]] QString formatFloat(const QString &pattern, double value);
