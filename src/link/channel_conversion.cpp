#include "link/channel_conversion.h"

#include <algorithm>
#include <stdexcept>

double temperatureFromReading(int reading)
{
    return (reading - 500) / 10.0;
}

double humidityFromReading(int reading)
{
    return std::clamp((reading - 620) / 24.8, 0.0, 100.0);
}

double parFromReading(int reading)
{
    return reading;
}

double channelValue(int channel, int reading)
{
    switch (channel) {
    case 1:
    case 2:
        return temperatureFromReading(reading);
    case 3:
        return humidityFromReading(reading);
    case 4:
        return parFromReading(reading);
    default:
        throw std::invalid_argument("channel must be 1 to 4");
    }
}
