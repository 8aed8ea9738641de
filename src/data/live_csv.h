#pragma once

#include "link/live_frame.h"

#include <QByteArray>
#include <QString>
#include <QTimeZone>

/// The lines of a live recording: CSV as the samples export writes it (RFC 4180, UTF-8, CR LF,
/// decimal points), so that the same tools read both.
namespace LiveCsv {

/// The heading line, without its line end: the PC's time, the logger's time, the four channels
/// with the names of the samples export, the battery level and the memory positions used.
[[nodiscard]] QByteArray heading();

/// The PC's time `pcTime` (UTC ms since the epoch) in ISO 8601 as the clock of `zone` reads it,
/// with milliseconds and its UTC offset: "2026-12-08T08:25:03.120+01:00".
[[nodiscard]] QString pcTimeText(qint64 pcTime, const QTimeZone &zone);

/// The record of one frame, ended by CR LF: the PC's time, the logger's date and time as
/// "yyyy-mm-ddThh:mm:ss", then the four channels, the battery level and the memory positions
/// used as the main window shows them ("23,5", "07", "95,0", "123,625"), with a decimal
/// point instead of the comma.
[[nodiscard]] QByteArray record(const LiveFrame &frame, const QTimeZone &zone);

} // namespace LiveCsv
