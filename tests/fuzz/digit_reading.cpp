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
    static const QString tail = QStringLiteral("' is not a valid integer value");
    if (message == QStringLiteral("'") + QLatin1Char(bad) + tail)
        return true;
    if (bad != '\0')
        return false;
    return message == QStringLiteral("'")
        || (message.size() > tail.size() + 1 && message.startsWith(QLatin1Char('\''))
            && message.endsWith(tail));
}
