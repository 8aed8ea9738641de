// Fuzz target: a download text through line splitting, header decoding, the timestamp pass,
// sample decoding and the text export, as the data window chains them. Each step either raises
// the program's own error (EConvertError, DownloadFormatError) where the text breaks the layout,
// or gives what the text's digits, the calendar and the channel conversions say.

#include "digit_reading.h"
#include "fuzz_check.h"

#include "data/download_decoding.h"
#include "data/download_format_error.h"
#include "data/download_lines.h"
#include "data/sample_timestamps.h"
#include "data/text_export.h"
#include "runtime/conversion_error.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

/// Columns 1 … 6 of one grid row: date, time, four values.
using Row = std::array<QString, 6>;

/// The text's lines: CR LF, LF and CR each end one; a break at the very end starts no line.
QList<QByteArray> splitLines(QByteArray text)
{
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    if (text.isEmpty())
        return {};
    if (text.endsWith('\n'))
        text.chop(1);
    return text.split('\n');
}

/// A failure that the program raised, against the one the text calls for.
void checkFailure(const std::optional<DigitFailure> &expected, const EConvertError &error)
{
    FUZZ_CHECK(expected && !expected->pastEnd);
    FUZZ_CHECK(namesBadCharacter(error.message(), expected->character));
}

void checkFailure(const std::optional<DigitFailure> &expected, const DownloadFormatError &error,
                  int lineNumber)
{
    FUZZ_CHECK(expected && expected->pastEnd);
    FUZZ_CHECK(error.message().contains(QString::number(lineNumber)));
}

/// Checks a value text against the exact value numerator / denominator: digits only, a comma
/// and exactly `decimals` decimals, no "-0", rounded to four significant digits or to the
/// decimals shown, whichever is coarser (an exact half may go either way).
void checkValueText(const QString &text, qint64 numerator, qint64 denominator, int decimals)
{
    static const QRegularExpression withDecimal(QStringLiteral("^-?[0-9]+,([0-9]+)$"));
    static const QRegularExpression whole(QStringLiteral("^-?[0-9]+$"));
    if (decimals == 0) {
        FUZZ_CHECK(whole.match(text).hasMatch());
    } else {
        const QRegularExpressionMatch match = withDecimal.match(text);
        FUZZ_CHECK(match.hasMatch() && match.capturedLength(1) == decimals);
    }

    qint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    QString digits = text;
    digits.remove(QLatin1Char(','));
    const qint64 shown = digits.toLongLong(); // the value × scale
    FUZZ_CHECK(shown != 0 || !text.startsWith(QLatin1Char('-')));

    // The place of the fourth significant digit, in units of 1 / scale, never finer than 1.
    const qint64 magnitude = std::abs(numerator) * scale / denominator;
    qint64 unit = 1;
    while (magnitude >= 10000 * unit)
        unit *= 10;
    FUZZ_CHECK(shown % unit == 0);
    FUZZ_CHECK(2 * std::abs(shown * denominator - numerator * scale) <= unit * denominator);
}

void checkSampleTexts(const std::array<QString, 4> &texts, const std::array<int, 4> &readings)
{
    for (int channel = 1; channel <= 2; ++channel)
        checkValueText(texts[std::size_t(channel - 1)], readings[std::size_t(channel - 1)] - 500,
                       10, 1);
    // (reading − 620) / 24.8 = (reading − 620) × 5 / 124, limited to 0 … 100.
    const qint64 humidity = qint64(readings[2] - 620) * 5;
    checkValueText(texts[2], std::clamp<qint64>(humidity, 0, 100 * 124), 124, 1);
    checkValueText(texts[3], readings[3], 1, 0);
}

/// The six rate texts and their steps, by rate code 1 … 6.
struct Rate
{
    const char *text;
    int stepMinutes;
};
constexpr Rate rates[] = {{"CADA 1 MINUTO", 1},    {"CADA 5 MINUTOS", 5},
                          {"CADA 10 MINUTOS", 10}, {"CADA 15 MINUTOS", 15},
                          {"CADA 30 MINUTOS", 30}, {"CADA 60 MINUTOS", 60}};

/// Decodes the header and stamps the rows' dates and times.
void checkHeaderAndStamps(QByteArrayView line, std::vector<Row> &grid)
{
    const std::optional<DigitFailure> bad =
        firstDigitFailure(line, {2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18, 21});
    DownloadHeader header;
    try {
        header = decodeHeader(line);
    } catch (const EConvertError &error) {
        checkFailure(bad, error);
        return;
    } catch (const DownloadFormatError &error) {
        if (bad)
            checkFailure(bad, error, 1);
        else // a rate code outside 1 … 6 may be rejected as a layout fault too
            FUZZ_CHECK(line[20] < '1' || line[20] > '6');
        return;
    }
    FUZZ_CHECK(!bad);
    const LoggerTime &start = header.start;
    FUZZ_CHECK(start.year == digitsValue(line, 2, 2) && start.month == digitsValue(line, 5, 2)
               && start.day == digitsValue(line, 8, 2) && start.second == digitsValue(line, 11, 2)
               && start.minute == digitsValue(line, 14, 2) && start.hour == digitsValue(line, 17, 2)
               && header.rateCode == digitsValue(line, 21, 1));

    const int code = header.rateCode;
    const bool knownRate = code >= 1 && code <= 6;
    const QDate startDate(2000 + start.year, start.month, start.day);
    const bool exists =
        startDate.isValid() && start.hour < 24 && start.minute < 60 && start.second < 60;
    try {
        checkStartInRange(start);
        FUZZ_CHECK(exists);
    } catch (const DownloadFormatError &) {
        FUZZ_CHECK(!exists || !knownRate);
        return;
    }

    const std::optional<QString> text = rateText(code);
    FUZZ_CHECK(text.has_value() == knownRate);
    if (!knownRate)
        return;
    const Rate &rate = rates[code - 1];
    FUZZ_CHECK(*text == QLatin1String(rate.text));
    const std::optional<int> step = stepMinutesForRateText(*text);
    FUZZ_CHECK(step && *step == rate.stepMinutes);

    const int rows = int(grid.size());
    const std::vector<LoggerTime> stamps = timestampPass(start, *step, rows);
    FUZZ_CHECK(int(stamps.size()) == rows);
    QDateTime expected(startDate, QTime(start.hour, start.minute, start.second), QTimeZone::utc());
    for (int k = 0; k < rows; ++k, expected = expected.addSecs(qint64(*step) * 60)) {
        // Past 2099 the two-digit year no longer stands for a date.
        if (expected.date().year() > 2099)
            break;
        const LoggerTime &stamp = stamps[std::size_t(k)];
        FUZZ_CHECK(stamp.year == expected.date().year() - 2000
                   && stamp.month == expected.date().month() && stamp.day == expected.date().day()
                   && stamp.hour == expected.time().hour()
                   && stamp.minute == expected.time().minute()
                   && stamp.second == expected.time().second());
        grid[std::size_t(k)][0] = dateText(stamp);
        grid[std::size_t(k)][1] = timeText(stamp);
        FUZZ_CHECK(grid[std::size_t(k)][0] == expected.toString(QStringLiteral("dd/MM/yyyy")));
        FUZZ_CHECK(grid[std::size_t(k)][1] == expected.toString(QStringLiteral("hh:mm:ss")));
    }
}

/// Decodes every sample line; values go into the grid up to the first line that fails, as the
/// decoding stops there.
void checkSamples(const DownloadLines &lines, std::vector<Row> &grid)
{
    bool stopped = false;
    for (int row = 1; row <= int(grid.size()); ++row) {
        const int lineNumber = row + 2;
        const QByteArrayView line = lines.line(lineNumber);
        const std::optional<DigitFailure> bad =
            firstDigitFailure(line, {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                     13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24});
        try {
            const std::array<int, 4> readings = decodeSampleReadings(line, lineNumber);
            FUZZ_CHECK(!bad);
            for (int channel = 0; channel < 4; ++channel) {
                const int first = 1 + 6 * channel;
                FUZZ_CHECK(readings[std::size_t(channel)]
                           == digitsValue(line, first, 3) * 256 + digitsValue(line, first + 3, 3));
            }
            const std::array<QString, 4> texts = sampleValueTexts(readings);
            checkSampleTexts(texts, readings);
            if (!stopped) {
                for (int channel = 0; channel < 4; ++channel)
                    grid[std::size_t(row - 1)][std::size_t(2 + channel)] =
                        texts[std::size_t(channel)];
            }
        } catch (const EConvertError &error) {
            checkFailure(bad, error);
            stopped = true;
        } catch (const DownloadFormatError &error) {
            checkFailure(bad, error, lineNumber);
            stopped = true;
        }
    }
}

void checkExport(const std::vector<Row> &grid)
{
    const QByteArray file = TextExport::fileText(int(grid.size()), [&grid](int column, int row) {
        FUZZ_CHECK(column >= 1 && column <= 6 && row >= 1 && row <= int(grid.size()));
        return grid[std::size_t(row - 1)][std::size_t(column - 1)];
    });
    QByteArray expected = "FECHA          HORA     CH1   CH2   CH3   CH4\r\n\r\n";
    FUZZ_CHECK(expected.size() == 45 + 4);
    for (const Row &row : grid) {
        expected += row[0].toLatin1() + "  " + row[1].toLatin1() + "   " + row[2].toLatin1()
            + "    " + row[3].toLatin1() + "    " + row[4].toLatin1() + "    " + row[5].toLatin1()
            + "  \r\n";
    }
    FUZZ_CHECK(file == expected);
    FUZZ_CHECK(file.count("\r\n") == qsizetype(grid.size()) + 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> expectedLines = splitLines(text);
    const DownloadLines lines(text);
    FUZZ_CHECK(lines.count() == expectedLines.size());
    FUZZ_CHECK(countLines(text) == lines.count());
    for (int number = 1; number <= lines.count(); ++number)
        FUZZ_CHECK(lines.line(number) == expectedLines[number - 1]);
    FUZZ_CHECK(lines.line(0).isEmpty() && lines.line(lines.count() + 1).isEmpty());

    const int samples = lines.samples();
    FUZZ_CHECK(samples == std::max(0, int(expectedLines.size()) - 3));

    std::vector<Row> grid(static_cast<std::size_t>(samples));
    checkHeaderAndStamps(lines.line(1), grid);
    checkSamples(lines, grid);
    checkExport(grid);
    return 0;
}
