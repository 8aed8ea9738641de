#pragma once

#include "link/sample_rate.h"
#include "runtime/conversion_error.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

/// The four channels of a status frame (positions 1 to 37 all digits).
struct StatusChannels
{
    std::array<int, 4> readings {};
    /// Channel 1 and 2 in ºC, channel 3 as relative humidity limited to 0 … 100, channel 4 PAR.
    std::array<double, 4> values {};
};

/// Everything else a status frame carries (positions 38 to 43 digits too).
struct StatusDetails
{
    int minute = 0;
    int hour = 0;
    int day = 0;
    int month = 0;
    int year = 0; ///< within the century, shown as 20YY
    int second = 0;
    int batteryReading = 0;
    int rateCode = 0;
    int memoryPointer = 0;

    double memoryPositions = 0; ///< (pointer − 15) / 8
    QString memoryText; ///< memoryPositions in the general number format ("123,625")
    QString loggerDate; ///< DD/MM/20YY
    QString loggerTime; ///< hh:mm:ss
    double batteryLevel = 0; ///< battery reading / 2.2, in %
    std::optional<SampleRate> rate; ///< none for a code other than 4, 5, 6
};

/// The outcome of decoding one 44-character status frame, in the order it is shown: the
/// channels, then the details. A non-digit stops the decoding at that character: before
/// position 38 nothing is decoded, from 38 on the channels are.
struct StatusFrameDecoding
{
    std::optional<StatusChannels> channels;
    std::optional<StatusDetails> details;
    std::optional<EConvertError> failure; ///< "'x' is not a valid integer value"
};

/// The memory positions used for a memory pointer: (pointer − 15) / 8, a fractional number.
[[nodiscard]] double memoryPositionsFromPointer(int pointer);
/// The battery level in % for a battery reading: reading / 2.2.
[[nodiscard]] double batteryLevelFromReading(int reading);

/// The samples the logger reports holding: the whole memory positions used, none below 0.
[[nodiscard]] int storedSamples(const StatusDetails &details);

/// Decodes a status frame of at least 43 characters; the 44th is not examined.
[[nodiscard]] StatusFrameDecoding decodeStatusFrame(const QByteArray &frame);
