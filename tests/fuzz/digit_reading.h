#pragma once

#include <QByteArrayView>
#include <QString>

#include <initializer_list>
#include <optional>

/// Where reading digits at given positions of a line first goes wrong.
struct DigitFailure
{
    int position = 0; ///< counted from 1
    bool pastEnd = false; ///< the line ends before `position`
    char character = 0; ///< the non-digit found there, when not pastEnd
};

/// The first of `positions` (from 1, in the order given) that is past the end of `line` or
/// does not hold a decimal digit; none when every one holds a digit.
[[nodiscard]] std::optional<DigitFailure> firstDigitFailure(QByteArrayView line,
                                                            std::initializer_list<int> positions);

/// The value of the digits at positions first … first + count − 1 (from 1), all digits.
[[nodiscard]] int digitsValue(QByteArrayView line, int first, int count);

/// Whether `message` is the runtime's conversion message naming the character `bad`:
/// "'x' is not a valid integer value", with a byte that cannot be read shown as "\xNN".
[[nodiscard]] bool namesBadCharacter(const QString &message, char bad);
