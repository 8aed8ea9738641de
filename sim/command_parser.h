#pragma once

#include <QByteArray>
#include <QDateTime>

#include <vector>

/// One command the logger recognised in the bytes from the PC.
struct LoggerCommand
{
    enum class Kind {
        SetClock, ///< "3" and twelve digits hhmmssddMMyy
        MalformedClockSet, ///< "3" and bytes that are not a valid clock: dropped
        SetRate, ///< "5", "6", "7"
        RequestDownload, ///< "8" (what the pointer covers) or "E" (the whole memory)
        ConfirmDownload, ///< "X"
        Unknown, ///< any other byte
    };

    Kind kind = Kind::Unknown;
    QByteArray bytes; ///< the bytes the command was made of (a dropped clock-set: up to the
                      ///< byte that broke it, which comes as a command of its own)
    QDateTime clock; ///< SetClock: the new time, years 2000 … 2099
    int rateMinutes = 0; ///< SetRate: 15, 30 or 60
    bool wholeMemory = false; ///< RequestDownload: "E"
};

/// Recognises the PC's commands byte by byte, however the bytes are chunked. A clock-set
/// that meets a non-digit is dropped at that byte, and the byte is then read as a command of
/// its own, so a broken clock-set cannot swallow the commands that follow it.
class CommandParser
{
public:
    /// The commands completed by this byte: none, one, or two (a dropped clock-set and the
    /// command of the byte that ended it).
    [[nodiscard]] std::vector<LoggerCommand> feed(char byte);

    /// True while a clock-set has begun and not yet ended.
    [[nodiscard]] bool isInClockSet() const { return !m_clockSet.isEmpty(); }

    /// Drops a clock-set in progress; returns what it had gathered (empty if none).
    QByteArray reset();

private:
    [[nodiscard]] static LoggerCommand single(char byte);
    [[nodiscard]] static LoggerCommand finishClockSet(const QByteArray &bytes);

    QByteArray m_clockSet; ///< "3" and the digits so far
};
