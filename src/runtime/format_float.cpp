#include "runtime/format_float.h"

#include "runtime/program_formats.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

/// A parsed picture pattern: the literal text around the number and the digit rules.
struct Picture
{
    QString prefix;
    QString suffix;
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool grouping = false;
};

bool isNumberCharacter(QChar ch)
{
    return ch == u'0' || ch == u'#' || ch == u'.';
}

std::optional<Picture> parsePicture(const QString &pattern)
{
    const auto first = std::find_if(pattern.begin(), pattern.end(), isNumberCharacter);
    if (first == pattern.end())
        return std::nullopt;
    const auto last = std::find_if(pattern.rbegin(), pattern.rend(), isNumberCharacter).base();
    const qsizetype begin = first - pattern.begin();
    const qsizetype end = last - pattern.begin();

    Picture picture;
    picture.prefix = pattern.left(begin);
    picture.suffix = pattern.mid(end);
    const QString body = pattern.mid(begin, end - begin);
    const qsizetype point = body.indexOf(u'.');
    const QString integerPart = point < 0 ? body : body.left(point);
    const QString decimalPart = point < 0 ? QString() : body.mid(point + 1);

    picture.grouping = integerPart.contains(u',');
    const qsizetype firstZero = integerPart.indexOf(u'0');
    if (firstZero >= 0) {
        for (const QChar ch : integerPart.mid(firstZero))
            picture.minIntegerDigits += (ch == u'0' || ch == u'#') ? 1 : 0;
    }
    for (const QChar ch : decimalPart) {
        if (ch != u'0' && ch != u'#')
            continue;
        ++picture.maxDecimals;
        if (ch == u'0')
            picture.minDecimals = picture.maxDecimals;
    }
    return picture;
}

/// The digits of |value| × 10^decimals rounded half away from zero to an integer. The value is
/// first taken to 15 significant digits, so that a decimal such as 2.675, held in binary as
/// 2.67499999..., rounds the way it reads.
QString scaledDigits(double magnitude, int decimals)
{
    const QString scientific = QString::number(magnitude, 'e', 14);
    const qsizetype e = scientific.indexOf(u'e');
    const QString mantissa = scientific.left(1) + scientific.mid(2, e - 2);
    const int pointPosition = scientific.mid(e + 1).toInt() + 1;
    const qsizetype keep = qsizetype(pointPosition) + decimals;

    QString digits;
    if (keep > 0) {
        digits = mantissa.left(keep);
        if (keep > mantissa.size())
            digits += QString(keep - mantissa.size(), u'0');
    } else {
        digits = QStringLiteral("0");
    }
    const bool roundUp = keep >= 0 && keep < mantissa.size() && mantissa.at(keep) >= u'5';
    if (roundUp) {
        qsizetype i = digits.size() - 1;
        while (i >= 0 && digits.at(i) == u'9')
            digits[i--] = u'0';
        if (i < 0)
            digits.prepend(u'1');
        else
            digits[i] = QChar(digits.at(i).unicode() + 1);
    }
    return digits;
}

QString groupThousands(const QString &digits)
{
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ProgramFormats::thousandSeparator;
        grouped += digits.at(i);
    }
    return grouped;
}

} // namespace

QString formatFloat(const QString &pattern, double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    const std::optional<Picture> picture = parsePicture(pattern);
    if (!picture)
        return ProgramFormats::generalNumber(value);

    QString digits = scaledDigits(std::abs(value), picture->maxDecimals);
    const bool isZero =
        std::all_of(digits.begin(), digits.end(), [](QChar ch) { return ch == u'0'; });
    if (digits.size() <= picture->maxDecimals)
        digits = QString(picture->maxDecimals + 1 - digits.size(), u'0') + digits;

    QString integerDigits = digits.left(digits.size() - picture->maxDecimals);
    QString decimalDigits = digits.right(picture->maxDecimals);

    qsizetype leadingZeros = 0;
    while (leadingZeros < integerDigits.size() && integerDigits.at(leadingZeros) == u'0')
        ++leadingZeros;
    integerDigits.remove(0, leadingZeros);
    if (integerDigits.size() < picture->minIntegerDigits)
        integerDigits.prepend(QString(picture->minIntegerDigits - integerDigits.size(), u'0'));
    while (decimalDigits.size() > picture->minDecimals && decimalDigits.endsWith(u'0'))
        decimalDigits.chop(1);
    if (integerDigits.isEmpty() && decimalDigits.isEmpty())
        integerDigits = QStringLiteral("0");
    if (picture->grouping)
        integerDigits = groupThousands(integerDigits);

    QString text;
    if (value < 0 && !isZero)
        text += u'-';
    text += picture->prefix + integerDigits;
    if (!decimalDigits.isEmpty())
        text += ProgramFormats::decimalSeparator + decimalDigits;
    return text + picture->suffix;
}
