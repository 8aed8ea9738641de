#pragma once

#include "data/sample_timestamps.h"

#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

/// What the header line of a download text gives: the recording's start and its rate code.
struct DownloadHeader
{
    LoggerTime start;
    int rateCode = 0;
};

/// Decodes the header line: the digits at positions 2–3 (year), 5–6 (month), 8–9 (day),
/// 11–12 (second), 14–15 (minute), 17–18 (hour) and 21 (rate code), in that order. A character
/// that is not a digit throws EConvertError; a line that ends before position 21 throws
/// DownloadFormatError. Nothing past a line's end is read.
[[nodiscard]] DownloadHeader decodeHeader(QByteArrayView line);

/// Throws DownloadFormatError naming the first start field outside its range (month 1–12, day
/// within the month's length, hour 0–23, minute and second 0–59).
void checkStartInRange(const LoggerTime &start);

/// The rate text of a rate code 1–6 ("CADA 1 MINUTO" … "CADA 60 MINUTOS"); none for another.
[[nodiscard]] std::optional<QString> rateText(int rateCode);

/// The rate text of a step of 1, 5, 10, 15, 30 or 60 minutes; none for another step.
[[nodiscard]] std::optional<QString> rateTextForStep(int stepMinutes);

/// The minutes between samples that a rate text stands for; none for any other text.
[[nodiscard]] std::optional<int> stepMinutesForRateText(const QString &text);

/// The four channel readings of a sample line: four groups of six digits, each the reading's
/// high and low byte as three decimal digits (reading = high × 256 + low). The digits are read
/// in position order: a non-digit throws EConvertError, a line that ends before position 24
/// throws DownloadFormatError naming `lineNumber`.
[[nodiscard]] std::array<int, 4> decodeSampleReadings(QByteArrayView line, int lineNumber);

/// A channel value as text: rounded once, to four significant digits or to the decimals shown
/// if that is coarser, then written with exactly `decimals` decimals, the program's decimal
/// separator, no thousands separator and a '-' for a negative value ("-0,0" never occurs).
[[nodiscard]] QString valueText(double value, int decimals);

/// The four cell texts of a sample's readings: channels 1–3 with one decimal, channel 4 with
/// none, each after its channel conversion.
[[nodiscard]] std::array<QString, 4> sampleValueTexts(const std::array<int, 4> &readings);
