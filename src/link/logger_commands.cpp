#include "link/logger_commands.h"

namespace LoggerCommands {

QByteArray downloadRequest(bool forced)
{
    return forced ? forcedDownload : download;
}

QList<QByteArray> clockSetCommand(const QDateTime &now)
{
    const QByteArray digits = now.toString(QStringLiteral("HHmmssddMMyy")).toLatin1();
    QList<QByteArray> texts {clockSet};
    for (const char digit : digits)
        texts.append(QByteArray(1, digit));
    return texts;
}

void sendEach(SerialPortSurface &port, const QList<QByteArray> &texts)
{
    for (const QByteArray &text : texts)
        port.SendText(text);
}

QByteArray receiveChunk(SerialPortSurface &port, int count)
{
    QByteArray chunk;
    port.ReceiveText(chunk, count);
    return chunk;
}

LineSettings loggerLineSettings()
{
    LineSettings settings;
    settings.BaudRate = br115200;
    settings.DataBits = dbEight;
    settings.ParityBits = prNone;
    settings.StopBits = sbOneStopBit;
    settings.OutCTSFlow = false;
    settings.OutDSRFlow = false;
    settings.ControlDTR = dtrDisable;
    settings.XonXoffOut = false;
    settings.XonXoffIn = false;
    settings.ReadInterval = 1;
    settings.Events = allSerialEvents;
    settings.InputQueueSize = receiveQueueSize;
    return settings;
}

} // namespace LoggerCommands
