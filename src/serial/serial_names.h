#pragma once

#include "serial/serial_types.h"

#include <QString>
#include <QStringList>

/// Text names of the setting values, as the port setup dialog lists them, and the parsers
/// that turn a name back into its value (an unknown text gives the value named in each).

[[nodiscard]] QString BaudRateName(TBaudRate value);
[[nodiscard]] QString StopBitsName(TStopBits value);
[[nodiscard]] QString DataBitsName(TDataBits value);
[[nodiscard]] QString ParityName(TParityBits value);
[[nodiscard]] QString FlowControlName(TFlowControl value);

/// Every name of each kind, in the declaration order of its values.
[[nodiscard]] QStringList baudRateNames();
[[nodiscard]] QStringList stopBitsNames();
[[nodiscard]] QStringList dataBitsNames();
[[nodiscard]] QStringList parityNames();
[[nodiscard]] QStringList flowControlNames();

/// The first value whose name equals the text, ignoring case; br9600 when none does.
[[nodiscard]] TBaudRate ParseBaudRate(const QString &text);
/// sbOneStopBit when no name matches.
[[nodiscard]] TStopBits ParseStopBits(const QString &text);
/// dbEight when no name matches.
[[nodiscard]] TDataBits ParseDataBits(const QString &text);
/// prNone when no name matches.
[[nodiscard]] TParityBits ParseParity(const QString &text);
/// fcCustom when no name matches.
[[nodiscard]] TFlowControl ParseFlowControl(const QString &text);

/// The rate in bits per second that a TBaudRate names; 0 for brCustom.
[[nodiscard]] int baudRateValue(TBaudRate value);
