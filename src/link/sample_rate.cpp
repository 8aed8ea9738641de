#include "link/sample_rate.h"

std::optional<SampleRate> rateFromCode(int rateCode)
{
    switch (rateCode) {
    case 4:
        return SampleRate::Minutes15;
    case 5:
        return SampleRate::Minutes30;
    case 6:
        return SampleRate::Minutes60;
    default:
        return std::nullopt;
    }
}

QByteArray rateCommand(SampleRate rate)
{
    switch (rate) {
    case SampleRate::Minutes15:
        return QByteArrayLiteral("5");
    case SampleRate::Minutes30:
        return QByteArrayLiteral("6");
    case SampleRate::Minutes60:
        return QByteArrayLiteral("7");
    }
    return {};
}

int rateMinutes(SampleRate rate)
{
    switch (rate) {
    case SampleRate::Minutes15:
        return 15;
    case SampleRate::Minutes30:
        return 30;
    case SampleRate::Minutes60:
        return 60;
    }
    return 0;
}
