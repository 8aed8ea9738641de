#include "serial/serial_names.h"

#include <array>

namespace {

constexpr std::array<const char *, 16> baudNames = {
    "Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
    "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
constexpr std::array<int, 16> baudValues = {0,     110,    300,    600,   1200,  2400,
                                            4800,  9600,   14400,  19200, 38400, 56000,
                                            57600, 115200, 128000, 256000};
constexpr std::array<const char *, 3> stopNames = {"1", "1.5", "2"};
constexpr std::array<const char *, 4> dataNames = {"5", "6", "7", "8"};
constexpr std::array<const char *, 5> parityTexts = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<const char *, 4> flowNames = {"Hardware", "Software", "None", "Custom"};

template<std::size_t N>
QString nameAt(const std::array<const char *, N> &names, int index)
{
    if (index < 0 || index >= int(N))
        return {};
    return QString::fromLatin1(names[std::size_t(index)]);
}

template<std::size_t N>
QStringList allNames(const std::array<const char *, N> &names)
{
    QStringList list;
    for (const char *name : names)
        list.append(QString::fromLatin1(name));
    return list;
}

/// The index of the first name equal to the text once both are in upper case, or fallback.
template<std::size_t N>
int parse(const std::array<const char *, N> &names, const QString &text, int fallback)
{
    const QString wanted = text.toUpper();
    for (std::size_t i = 0; i < N; ++i)
        if (QString::fromLatin1(names[i]).toUpper() == wanted)
            return int(i);
    return fallback;
}

} // namespace

QString BaudRateName(TBaudRate value)
{
    return nameAt(baudNames, value);
}
QString StopBitsName(TStopBits value)
{
    return nameAt(stopNames, value);
}
QString DataBitsName(TDataBits value)
{
    return nameAt(dataNames, value);
}
QString ParityName(TParityBits value)
{
    return nameAt(parityTexts, value);
}
QString FlowControlName(TFlowControl value)
{
    return nameAt(flowNames, value);
}

QStringList baudRateNames()
{
    return allNames(baudNames);
}
QStringList stopBitsNames()
{
    return allNames(stopNames);
}
QStringList dataBitsNames()
{
    return allNames(dataNames);
}
QStringList parityNames()
{
    return allNames(parityTexts);
}
QStringList flowControlNames()
{
    return allNames(flowNames);
}

TBaudRate ParseBaudRate(const QString &text)
{
    return TBaudRate(parse(baudNames, text, br9600));
}
TStopBits ParseStopBits(const QString &text)
{
    return TStopBits(parse(stopNames, text, sbOneStopBit));
}
TDataBits ParseDataBits(const QString &text)
{
    return TDataBits(parse(dataNames, text, dbEight));
}
TParityBits ParseParity(const QString &text)
{
    return TParityBits(parse(parityTexts, text, prNone));
}
TFlowControl ParseFlowControl(const QString &text)
{
    return TFlowControl(parse(flowNames, text, fcCustom));
}

int baudRateValue(TBaudRate value)
{
    if (value < 0 || value >= int(baudValues.size()))
        return 0;
    return baudValues[std::size_t(value)];
}
