#include "link/live_frame.h"

#include <cmath>
#include <stdexcept>

double LiveFrame::shownValue(int channel) const
{
    const int decimals = shownDecimals(channel);
    const double steps = shown[std::size_t(channel - 1)];
    return decimals == 0 ? steps : steps / 10.0;
}

int shownDecimals(int channel)
{
    if (channel < 1 || channel > 4)
        throw std::invalid_argument("channel must be 1 to 4");
    return channel == 4 ? 0 : 1;
}

int shownSteps(double value, int decimals)
{
    // The readouts take a float; widened back, its value times 10 is exact in a double.
    const double single = double(float(value));
    return int(std::lround(decimals == 0 ? single : single * 10.0));
}

std::optional<LiveFrame> liveFrameFrom(const StatusFrameDecoding &decoded, qint64 pcTime)
{
    if (!decoded.channels || !decoded.details)
        return std::nullopt;
    const StatusDetails &details = *decoded.details;
    LiveFrame frame;
    frame.pcTime = pcTime;
    for (int channel = 1; channel <= 4; ++channel) {
        const double value = decoded.channels->values[std::size_t(channel - 1)];
        frame.shown[std::size_t(channel - 1)] =
            std::int16_t(shownSteps(value, shownDecimals(channel)));
    }
    frame.batteryReading = std::int16_t(details.batteryReading);
    frame.memoryPointer = details.memoryPointer;
    frame.day = std::uint8_t(details.day);
    frame.month = std::uint8_t(details.month);
    frame.year = std::uint8_t(details.year);
    frame.hour = std::uint8_t(details.hour);
    frame.minute = std::uint8_t(details.minute);
    frame.second = std::uint8_t(details.second);
    frame.rateCode = std::uint8_t(details.rateCode);
    return frame;
}
