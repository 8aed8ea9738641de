#pragma once

#include <QString>

#include <stdexcept>

/// The runtime's failure to read a number from a text, with the runtime's own message.
class EConvertError : public std::runtime_error
{
public:
    explicit EConvertError(const QString &message);

    /// "'<text>' is not a valid integer value"
    [[nodiscard]] static EConvertError invalidInteger(const QString &text);
    /// "'<text>' is not a valid floating point value"
    [[nodiscard]] static EConvertError invalidFloat(const QString &text);

    [[nodiscard]] QString message() const { return QString::fromUtf8(what()); }
};

/// The value of one decimal digit character; anything else is an invalid integer value.
[[nodiscard]] int digitValue(char c);

/// A received character as a message can show it: itself when it is printable, else its code
/// as "\\xNN" (a NUL, a line end or a control byte would vanish or cut the message short).
[[nodiscard]] QString visibleCharacter(char c);
