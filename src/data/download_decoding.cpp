#include "data/download_decoding.h"

#include "data/download_format_error.h"
#include "link/channel_conversion.h"
#include "runtime/conversion_error.h"
#include "runtime/program_formats.h"

#include <algorithm>

namespace {

constexpr int headerLineNumber = 1;
constexpr int headerLength = 21;
constexpr int sampleLength = 24;
constexpr int significantDigits = 4;

struct RatePass
{
    int code;
    const char *text;
    int stepMinutes;
};

constexpr RatePass ratePasses[] = {
    {1, "CADA 1 MINUTO", 1},    {2, "CADA 5 MINUTOS", 5},   {3, "CADA 10 MINUTOS", 10},
    {4, "CADA 15 MINUTOS", 15}, {5, "CADA 30 MINUTOS", 30}, {6, "CADA 60 MINUTOS", 60},
};

/// The digit at `position` (from 1) of a line that must be at least `needed` long.
int digitAt(QByteArrayView line, int position, int lineNumber, int needed)
{
    if (position > line.size())
        throw DownloadFormatError::lineTooShort(lineNumber, line.size(), needed);
    return digitValue(line[position - 1]);
}

} // namespace

DownloadHeader decodeHeader(QByteArrayView line)
{
    static constexpr int positions[] = {2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18, 21};
    int digits[std::size(positions)];
    for (std::size_t i = 0; i < std::size(positions); ++i)
        digits[i] = digitAt(line, positions[i], headerLineNumber, headerLength);

    const auto twoDigits = [&digits](int first) {
        return 10 * digits[first] + digits[first + 1];
    };
    DownloadHeader header;
    header.start.year = twoDigits(0);
    header.start.month = twoDigits(2);
    header.start.day = twoDigits(4);
    header.start.second = twoDigits(6);
    header.start.minute = twoDigits(8);
    header.start.hour = twoDigits(10);
    header.rateCode = digits[12];
    return header;
}

void checkStartInRange(const LoggerTime &start)
{
    if (start.month < 1 || start.month > 12)
        throw DownloadFormatError::startOutOfRange(QStringLiteral("mes"), start.month);
    if (start.day < 1 || start.day > VERIFICAR(start.month, start.year))
        throw DownloadFormatError::startOutOfRange(QStringLiteral("día"), start.day);
    if (start.hour > 23)
        throw DownloadFormatError::startOutOfRange(QStringLiteral("hora"), start.hour);
    if (start.minute > 59)
        throw DownloadFormatError::startOutOfRange(QStringLiteral("minuto"), start.minute);
    if (start.second > 59)
        throw DownloadFormatError::startOutOfRange(QStringLiteral("segundo"), start.second);
}

std::optional<QString> rateText(int rateCode)
{
    for (const RatePass &pass : ratePasses) {
        if (pass.code == rateCode)
            return QString::fromLatin1(pass.text);
    }
    return std::nullopt;
}

std::optional<QString> rateTextForStep(int stepMinutes)
{
    for (const RatePass &pass : ratePasses) {
        if (pass.stepMinutes == stepMinutes)
            return QString::fromLatin1(pass.text);
    }
    return std::nullopt;
}

std::optional<int> stepMinutesForRateText(const QString &text)
{
    for (const RatePass &pass : ratePasses) {
        if (text == QLatin1String(pass.text))
            return pass.stepMinutes;
    }
    return std::nullopt;
}

std::array<int, 4> decodeSampleReadings(QByteArrayView line, int lineNumber)
{
    std::array<int, 4> readings {};
    int position = 1;
    for (int &reading : readings) {
        int half[2] = {0, 0};
        for (int &value : half) {
            for (int i = 0; i < 3; ++i)
                value = 10 * value + digitAt(line, position++, lineNumber, sampleLength);
        }
        reading = channelReading(half[0], half[1]);
    }
    return readings;
}

QString valueText(double value, int decimals)
{
    // Rounding twice (first to four significant digits, then to the decimals) could move a
    // value away from its nearest shown text (10.645… would become 10.65, then 10.7); one
    // rounding at the coarser of the two places keeps it at 10.6.
    const QString scientific = QString::number(value, 'e', significantDigits - 1);
    const int exponent = scientific.mid(scientific.indexOf(QLatin1Char('e')) + 1).toInt();
    const int lastSignificantPlace = exponent - (significantDigits - 1);
    QString text = lastSignificantPlace <= -decimals || value == 0
        ? QString::number(value, 'f', decimals)
        : QString::number(scientific.toDouble(), 'f', decimals);

    if (text.startsWith(QLatin1Char('-'))) {
        const bool zero = std::all_of(text.cbegin() + 1, text.cend(), [](QChar c) {
            return c == QLatin1Char('0') || c == QLatin1Char('.');
        });
        if (zero)
            text.remove(0, 1);
    }
    text.replace(QLatin1Char('.'), ProgramFormats::decimalSeparator);
    return text;
}

std::array<QString, 4> sampleValueTexts(const std::array<int, 4> &readings)
{
    static constexpr int decimals[] = {1, 1, 1, 0};
    std::array<QString, 4> texts;
    for (int channel = 1; channel <= 4; ++channel) {
        const std::size_t i = std::size_t(channel - 1);
        texts[i] = valueText(channelValue(channel, readings[i]), decimals[i]);
    }
    return texts;
}
