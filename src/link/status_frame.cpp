#include "link/status_frame.h"

#include "link/channel_conversion.h"
#include "link/logger_clock_text.h"
#include "runtime/program_formats.h"

#include <algorithm>
#include <stdexcept>

namespace {

/// A value of two digits as the logger writes it: 10·a + b.
int twoDigits(const std::array<int, 44> &d, int position)
{
    return 10 * d[position] + d[position + 1];
}

int threeDigits(const std::array<int, 44> &d, int position)
{
    return 100 * d[position] + 10 * d[position + 1] + d[position + 2];
}

/// Converts positions first … last to digit values; positions count from 1.
void convertDigits(const QByteArray &frame, int first, int last, std::array<int, 44> &digits)
{
    for (int position = first; position <= last; ++position)
        digits[position] = digitValue(frame.at(position - 1));
}

} // namespace

double memoryPositionsFromPointer(int pointer)
{
    return (pointer - 15) / 8.0;
}

double batteryLevelFromReading(int reading)
{
    return reading / 2.2;
}

StatusFrameDecoding decodeStatusFrame(const QByteArray &frame)
{
    if (frame.size() < 43)
        throw std::invalid_argument("a status frame has at least 43 characters");

    StatusFrameDecoding result;
    std::array<int, 44> d {}; // d[N] is the digit at position N; d[0] is unused

    try {
        convertDigits(frame, 1, 37, d);

        StatusChannels channels;
        for (int channel = 1; channel <= 4; ++channel) {
            const int at = 18 + 5 * (channel - 1);
            channels.readings[channel - 1] =
                channelReading(twoDigits(d, at), threeDigits(d, at + 2));
            channels.values[channel - 1] = channelValue(channel, channels.readings[channel - 1]);
        }
        result.channels = channels;

        convertDigits(frame, 38, 43, d);

        StatusDetails details;
        details.minute = twoDigits(d, 1);
        details.hour = twoDigits(d, 3);
        details.day = twoDigits(d, 5);
        details.month = twoDigits(d, 7);
        details.year = twoDigits(d, 9);
        details.second = twoDigits(d, 11);
        details.batteryReading = threeDigits(d, 13);
        details.rateCode = d[17];
        details.memoryPointer = threeDigits(d, 38) * 256 + threeDigits(d, 41);

        details.memoryPositions = memoryPositionsFromPointer(details.memoryPointer);
        details.memoryText = ProgramFormats::generalNumber(details.memoryPositions);
        details.loggerDate = loggerDateText(details.day, details.month, details.year);
        details.loggerTime = loggerTimeText(details.hour, details.minute, details.second);
        details.batteryLevel = batteryLevelFromReading(details.batteryReading);
        details.rate = rateFromCode(details.rateCode);
        result.details = details;
    } catch (const EConvertError &error) {
        result.failure = error;
    }
    return result;
}

int storedSamples(const StatusDetails &details)
{
    return std::max(0, int(details.memoryPositions));
}
