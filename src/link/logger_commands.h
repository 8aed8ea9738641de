#pragma once

#include "link/sample_rate.h"
#include "serial/serial_port_surface.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

/// What the PC sends to the logger, and the line settings it talks with. No command has a
/// terminator, a checksum or an acknowledgement.
namespace LoggerCommands {

inline const QByteArray clockSet = QByteArrayLiteral("3");
inline const QByteArray download = QByteArrayLiteral("8");
inline const QByteArray forcedDownload = QByteArrayLiteral("E");
/// Follows "8" or "E" after a pause of 1000 ms.
inline const QByteArray downloadConfirm = QByteArrayLiteral("X");
inline constexpr int downloadConfirmDelayMs = 1000;
/// The samples the logger's memory holds: a forced download sends them all.
inline constexpr int memoryCapacity = 4000;

/// "E" when a complete download is forced, "8" otherwise.
[[nodiscard]] QByteArray downloadRequest(bool forced);

/// The clock-set command as the thirteen one-character texts that go out one write each: "3",
/// then hour, minute, second, day, month and year within the century, two digits each. Date and
/// time come from one reading of the clock, so that a command sent across midnight is not a
/// day off.
[[nodiscard]] QList<QByteArray> clockSetCommand(const QDateTime &now);

/// Sends each text with its own SendText, in order.
void sendEach(SerialPortSurface &port, const QList<QByteArray> &texts);

/// Reads the receive event's count of bytes as one chunk.
[[nodiscard]] QByteArray receiveChunk(SerialPortSurface &port, int count);

/// The input queue the link asks for: larger than anything one wake-up of the reader finds on
/// the line (the kernel hands a tty's input over in blocks of a few KB; a window that stalls
/// for two seconds at 115200 baud finds 23 KB), so that each receive event reports everything
/// that has come, not a slice of it.
inline constexpr int receiveQueueSize = 64 * 1024;

/// 115200 baud, 8 data bits, no parity, 1 stop bit, no flow control, DTR low, a read interval
/// of 1 ms, every line event and an input queue of receiveQueueSize bytes. RTS is switched
/// apart from these.
[[nodiscard]] LineSettings loggerLineSettings();

} // namespace LoggerCommands
