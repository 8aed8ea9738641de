#pragma once

#include <QFlags>

/// Line settings and line events of the serial port component. Declaration order gives the
/// ordinal values, as the port setup dialog and the name functions rely on.

enum TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};

enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };

enum TDataBits { dbFive, dbSix, dbSeven, dbEight };

enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };

enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };

enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };

enum TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };

enum TSyncMethod { smThreadSync, smWindowSync, smNone };

/// Line events; each value is its own bit so that a set of them is a plain mask.
enum TSerialEvent {
    evRxChar = 1 << 0,
    evTxEmpty = 1 << 1,
    evRxFlag = 1 << 2,
    evRing = 1 << 3,
    evBreak = 1 << 4,
    evCTS = 1 << 5,
    evDSR = 1 << 6,
    evError = 1 << 7,
    evRLSD = 1 << 8,
    evRx80Full = 1 << 9
};
Q_DECLARE_FLAGS(TSerialEvents, TSerialEvent)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSerialEvents)

inline constexpr TSerialEvents allSerialEvents =
    TSerialEvents(evRxChar | evTxEmpty | evRxFlag | evRing | evBreak | evCTS | evDSR | evError
                  | evRLSD | evRx80Full);

enum TSerialError {
    errFraming = 1 << 0,
    errParity = 1 << 1,
    errOverrun = 1 << 2,
    errBreak = 1 << 3,
    errDevice = 1 << 4,
    errMode = 1 << 5,
    errRxOverflow = 1 << 6,
    errTxFull = 1 << 7
};
Q_DECLARE_FLAGS(TSerialErrors, TSerialError)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSerialErrors)

enum TLineSignal { sigCTS = 1 << 0, sigDSR = 1 << 1, sigRing = 1 << 2, sigRLSD = 1 << 3 };
Q_DECLARE_FLAGS(TLineSignals, TLineSignal)
Q_DECLARE_OPERATORS_FOR_FLAGS(TLineSignals)
