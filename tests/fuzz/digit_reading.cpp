#include "digit_reading.h"

std::optional<DigitFailure> firstDigitFailure(QByteArrayView line,
                                              std::initializer_list<int> positions)
{
    for (const int position : positions) {
        if (position > line.size())
            return DigitFailure {position, true, 0};
        const char c = line[position - 1];
        if (c < '0' || c > '9')
            return DigitFailure {position, false, c};
    }
    return std::nullopt;
}

int digitsValue(QByteArrayView line, int first, int count)
{
    int value = 0;
    for (int position = first; position < first + count; ++position)
        value = 10 * value + (line[position - 1] - '0');
    return value;
}

bool namesBadCharacter(const QString &message, char bad)
{
    // The character itself when it can be read; a control byte, DEL, a C1 control or the
    // no-break space by its code, so that nothing of the message vanishes or is cut short.
    const auto code = static_cast<unsigned char>(bad);
    const bool unreadable = code < 0x20 || (code >= 0x7f && code <= 0xa0);
    const QString shown = unreadable
        ? QStringLiteral("\\x") + QString::number(code, 16).toUpper().rightJustified(2, u'0')
        : QString(QLatin1Char(bad));
    return message == QStringLiteral("'") + shown + QStringLiteral("' is not a valid integer value");
}
