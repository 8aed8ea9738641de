#pragma once

#include <QByteArray>
#include <QDateTime>

#include <array>

/// Everything the logger reports in one status frame.
struct LoggerStatus
{
    QDateTime clock; ///< the logger's wall clock
    int batteryReading = 0; ///< 0 … 999; the PC shows reading / 2.2 %
    int rateCode = 4; ///< 4, 5, 6 for 15, 30, 60 minutes
    std::array<int, 4> readings {}; ///< 12-bit channel readings, 0 … 4095
    int memoryPointer = 15; ///< 15 + 8 per stored sample
};

/// The character after the 43 digits; the PC does not examine it.
constexpr char kFrameTerminator = '\r';

/// The 44-character status frame: minute, hour, day, month, year, second (two digits each),
/// battery (three), an unused "0", the rate code, four readings as a two-digit high part
/// (0 … 15) and a three-digit low part (0 … 255), the memory pointer as two three-digit
/// parts, high first, then the terminator. Values out of their field's range are clamped so
/// a frame always keeps its layout.
[[nodiscard]] QByteArray buildStatusFrame(const LoggerStatus &status);
