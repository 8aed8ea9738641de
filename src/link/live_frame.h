#pragma once

#include "link/status_frame.h"

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <optional>

/// One status frame as the live chart and the live recording keep it: when it came and what
/// it said, as exact integers. The small types hold every frame the decoder accepts (two-digit
/// high parts give readings up to 26343), so that a day of frames takes under 3 MB.
struct LiveFrame
{
    /// The PC's clock when the frame arrived: UTC milliseconds since the epoch.
    qint64 pcTime = 0;
    /// Channels 1 to 4 in the smallest step the main window shows: tenths of ºC for channels
    /// 1 and 2, tenths of % for channel 3, whole units for PAR.
    std::array<std::int16_t, 4> shown {};
    std::int16_t batteryReading = 0; ///< as the frame gives it; the level is reading / 2.2 %
    std::int32_t memoryPointer = 0; ///< as the frame gives it
    /// The logger's clock; the year within the century.
    std::uint8_t day = 0;
    std::uint8_t month = 0;
    std::uint8_t year = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
    std::uint8_t rateCode = 0;
    /// The frames before this one are not joined to it by a line (a disconnect came between).
    bool gapBefore = false;

    /// Channel 1 … 4 as a number in its unit, as shown: 23.5 (ºC), 1234 (PAR).
    [[nodiscard]] double shownValue(int channel) const;
};

/// The decimals that channel 1 … 4 is shown with: one for the temperatures and the humidity,
/// none for PAR.
[[nodiscard]] int shownDecimals(int channel);

/// `value` in steps of 10^−decimals, rounded as a readout shows it: the value goes to the
/// readout in single precision and is rounded half away from zero.
[[nodiscard]] int shownSteps(double value, int decimals);

/// The live entry of a frame that arrived at `pcTime`; none unless the whole frame decoded.
[[nodiscard]] std::optional<LiveFrame> liveFrameFrom(const StatusFrameDecoding &decoded,
                                                     qint64 pcTime);
