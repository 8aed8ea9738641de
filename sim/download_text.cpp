#include "download_text.h"

#include "logger_rates.h"
#include "memory_model.h"
#include "weather_model.h"

#include <algorithm>

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

QByteArray digits(int value, int width)
{
    return QByteArray::number(value).rightJustified(width, '0');
}

} // namespace

QByteArray DownloadText::header(const QDateTime &start, int rateCode)
{
    const QDate d = start.date();
    const QTime t = start.time();
    return ' ' + digits(d.year() % 100, 2) + '/' + digits(d.month(), 2) + '/' + digits(d.day(), 2)
        + ' ' + digits(t.second(), 2) + ':' + digits(t.minute(), 2) + ':' + digits(t.hour(), 2)
        + "  " + digits(rateCode, 1) + kLineEnd;
}

QByteArray DownloadText::sampleLine(const std::array<int, 4> &readings)
{
    QByteArray line;
    line.reserve(26);
    for (const int reading : readings) {
        const int r = std::clamp(reading, 0, 4095);
        line += digits(r / 256, 3) + digits(r % 256, 3);
    }
    return line + kLineEnd;
}

QByteArray DownloadText::build(const MemoryModel &memory, const WeatherModel &weather,
                               int sampleCount)
{
    const int count = std::clamp(sampleCount, 0, MemoryModel::kCapacity);
    QByteArray text = header(memory.start(), LoggerRates::codeForMinutes(memory.rateMinutes()));
    text += "SAMPLES " + QByteArray::number(count) + kLineEnd;
    text.reserve(text.size() + qsizetype(count) * 26);
    for (int k = 1; k <= count; ++k)
        text += sampleLine(weather.readingsAt(memory.sampleTime(k)));
    return text;
}
