#pragma once

#include <QByteArray>

#include <optional>

/// The logger's sample rates. The logger reports them as rate codes 4, 5, 6 and takes them as
/// the commands "5", "6", "7".
enum class SampleRate { Minutes15, Minutes30, Minutes60 };

/// The rate of a reported rate code; any code other than 4, 5, 6 selects nothing.
[[nodiscard]] std::optional<SampleRate> rateFromCode(int rateCode);

/// The command that sets the rate: "5", "6" or "7".
[[nodiscard]] QByteArray rateCommand(SampleRate rate);

[[nodiscard]] int rateMinutes(SampleRate rate);
