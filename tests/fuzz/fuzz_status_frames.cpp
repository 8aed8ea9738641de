// Fuzz target: received chunks through the frame assembler's length rules, and every frame it
// hands out through the status frame decoding, checked field by field against the frame's digits.

#include "digit_reading.h"
#include "fuzz_check.h"
#include "fuzz_chunks.h"

#include "link/frame_assembler.h"
#include "link/sample_rate.h"
#include "link/status_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

bool near(double a, double b)
{
    return std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(b));
}

/// A 12-bit channel reading sent as two digits of high part and three of low part.
int channelReadingAt(const QByteArray &frame, int first)
{
    return digitsValue(frame, first, 2) * 256 + digitsValue(frame, first + 2, 3);
}

void checkChannels(const QByteArray &frame, const StatusChannels &channels)
{
    for (int channel = 1; channel <= 4; ++channel) {
        const std::size_t i = std::size_t(channel - 1);
        const int reading = channelReadingAt(frame, 18 + 5 * (channel - 1));
        FUZZ_CHECK(channels.readings[i] == reading);
        const double value = channels.values[i];
        if (channel <= 2) {
            FUZZ_CHECK(near(value, (reading - 500) / 10.0));
        } else if (channel == 3) {
            FUZZ_CHECK(value >= 0.0 && value <= 100.0);
            const double humidity = (reading - 620) / 24.8;
            FUZZ_CHECK(near(value, humidity < 0 ? 0.0 : humidity > 100 ? 100.0 : humidity));
        } else {
            FUZZ_CHECK(value == reading);
        }
    }
}

void checkDetails(const QByteArray &frame, const StatusDetails &details)
{
    FUZZ_CHECK(details.minute == digitsValue(frame, 1, 2));
    FUZZ_CHECK(details.hour == digitsValue(frame, 3, 2));
    FUZZ_CHECK(details.day == digitsValue(frame, 5, 2));
    FUZZ_CHECK(details.month == digitsValue(frame, 7, 2));
    FUZZ_CHECK(details.year == digitsValue(frame, 9, 2));
    FUZZ_CHECK(details.second == digitsValue(frame, 11, 2));
    FUZZ_CHECK(details.batteryReading == digitsValue(frame, 13, 3));
    FUZZ_CHECK(details.rateCode == digitsValue(frame, 17, 1));
    const int pointer = digitsValue(frame, 38, 3) * 256 + digitsValue(frame, 41, 3);
    FUZZ_CHECK(details.memoryPointer == pointer);

    // Positions used step by eighths, so the general format shows them exactly.
    FUZZ_CHECK(details.memoryPositions == (pointer - 15) / 8.0);
    QString shown = details.memoryText;
    FUZZ_CHECK(!shown.contains(QLatin1Char('.')) && !shown.contains(QLatin1Char('e')));
    FUZZ_CHECK(!shown.contains(QLatin1Char(',')) || !shown.endsWith(QLatin1Char('0')));
    shown.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    FUZZ_CHECK(shown.toDouble(&ok) == details.memoryPositions && ok);

    FUZZ_CHECK(details.loggerDate
               == QString::asprintf("%02d/%02d/20%02d", details.day, details.month, details.year));
    FUZZ_CHECK(
        details.loggerTime
        == QString::asprintf("%02d:%02d:%02d", details.hour, details.minute, details.second));
    FUZZ_CHECK(near(details.batteryLevel, details.batteryReading / 2.2));

    // Rate codes 4, 5, 6 stand for 15, 30 and 60 minutes; any other code for none.
    static constexpr int minutesOfCode[] = {15, 30, 60};
    const int code = details.rateCode;
    if (code >= 4 && code <= 6)
        FUZZ_CHECK(details.rate && rateMinutes(*details.rate) == minutesOfCode[code - 4]);
    else
        FUZZ_CHECK(!details.rate);
}

void checkDecoding(const QByteArray &frame)
{
    static constexpr std::initializer_list<int> positions = {
        1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
        23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43};
    const std::optional<DigitFailure> bad = firstDigitFailure(frame, positions);
    const StatusFrameDecoding decoding = decodeStatusFrame(frame);

    if (bad) {
        FUZZ_CHECK(!bad->pastEnd);
        FUZZ_CHECK(decoding.failure
                   && namesBadCharacter(decoding.failure->message(), bad->character));
        FUZZ_CHECK(!decoding.details);
        // A bad character among the clock and channel digits stops before the channels.
        FUZZ_CHECK(decoding.channels.has_value() == (bad->position >= 38));
        if (decoding.channels)
            checkChannels(frame, *decoding.channels);
        return;
    }
    FUZZ_CHECK(!decoding.failure && decoding.channels && decoding.details);
    checkChannels(frame, *decoding.channels);
    checkDetails(frame, *decoding.details);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FrameAssembler assembler;
    // The buffer as the length rules keep it: past 45 characters it is emptied, at exactly
    // 44 the frame is handed out and the buffer emptied; 45 waits for the next chunk.
    QByteArray buffer;
    for (const QByteArray &chunk : fuzzChunks(data, size)) {
        buffer += chunk;
        if (buffer.size() > 45)
            buffer.clear();
        std::optional<QByteArray> expected;
        if (buffer.size() == 44) {
            expected = buffer;
            buffer.clear();
        }

        const std::optional<QByteArray> frame = assembler.append(chunk);
        FUZZ_CHECK(frame == expected);
        FUZZ_CHECK(assembler.text() == buffer);
        if (frame)
            checkDecoding(*frame);
    }
    return 0;
}
