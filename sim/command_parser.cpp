#include "command_parser.h"

#include "logger_rates.h"

#include <utility>

namespace {

constexpr qsizetype kClockSetLength = 13;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int twoDigits(const QByteArray &bytes, qsizetype at)
{
    return (bytes[at] - '0') * 10 + (bytes[at + 1] - '0');
}

} // namespace

std::vector<LoggerCommand> CommandParser::feed(char byte)
{
    if (!m_clockSet.isEmpty()) {
        if (isDigit(byte)) {
            m_clockSet += byte;
            if (m_clockSet.size() < kClockSetLength)
                return {};
            return {finishClockSet(reset())};
        }
        LoggerCommand dropped;
        dropped.kind = LoggerCommand::Kind::MalformedClockSet;
        dropped.bytes = reset();
        return {dropped, single(byte)};
    }
    if (byte == '3') {
        m_clockSet = QByteArray(1, byte);
        return {};
    }
    return {single(byte)};
}

QByteArray CommandParser::reset()
{
    return std::exchange(m_clockSet, {});
}

LoggerCommand CommandParser::single(char byte)
{
    LoggerCommand command;
    command.bytes = QByteArray(1, byte);
    if (const int minutes = LoggerRates::minutesForCommand(byte); minutes != 0) {
        command.kind = LoggerCommand::Kind::SetRate;
        command.rateMinutes = minutes;
    } else if (byte == '8' || byte == 'E') {
        command.kind = LoggerCommand::Kind::RequestDownload;
        command.wholeMemory = byte == 'E';
    } else if (byte == 'X') {
        command.kind = LoggerCommand::Kind::ConfirmDownload;
    }
    return command;
}

LoggerCommand CommandParser::finishClockSet(const QByteArray &bytes)
{
    // "3" hh mm ss dd MM yy
    const QTime time(twoDigits(bytes, 1), twoDigits(bytes, 3), twoDigits(bytes, 5));
    const QDate date(2000 + twoDigits(bytes, 11), twoDigits(bytes, 9), twoDigits(bytes, 7));

    LoggerCommand command;
    command.bytes = bytes;
    if (!time.isValid() || !date.isValid()) {
        command.kind = LoggerCommand::Kind::MalformedClockSet;
        return command;
    }
    command.kind = LoggerCommand::Kind::SetClock;
    command.clock = QDateTime(date, time, Qt::UTC);
    return command;
}
