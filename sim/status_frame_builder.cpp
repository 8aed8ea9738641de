#include "status_frame_builder.h"

#include <algorithm>

namespace {

void appendNumber(QByteArray &frame, int value, int digits, int maximum)
{
    frame += QByteArray::number(std::clamp(value, 0, maximum)).rightJustified(digits, '0');
}

} // namespace

QByteArray buildStatusFrame(const LoggerStatus &status)
{
    const QDate date = status.clock.date();
    const QTime time = status.clock.time();

    QByteArray frame;
    frame.reserve(44);
    appendNumber(frame, time.minute(), 2, 59);
    appendNumber(frame, time.hour(), 2, 23);
    appendNumber(frame, date.day(), 2, 31);
    appendNumber(frame, date.month(), 2, 12);
    appendNumber(frame, date.year() % 100, 2, 99);
    appendNumber(frame, time.second(), 2, 59);
    appendNumber(frame, status.batteryReading, 3, 999);
    frame += '0';
    appendNumber(frame, status.rateCode, 1, 9);
    for (const int reading : status.readings) {
        const int r = std::clamp(reading, 0, 4095);
        appendNumber(frame, r / 256, 2, 15);
        appendNumber(frame, r % 256, 3, 255);
    }
    const int pointer = std::clamp(status.memoryPointer, 0, 999 * 256 + 255);
    appendNumber(frame, pointer / 256, 3, 999);
    appendNumber(frame, pointer % 256, 3, 255);
    frame += kFrameTerminator;
    return frame;
}
