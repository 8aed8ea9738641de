#pragma once

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

/// Splits a fuzz input into the chunks of successive receive events: each chunk is one length
/// byte followed by that many bytes (fewer when the input ends first).
[[nodiscard]] QList<QByteArray> fuzzChunks(const std::uint8_t *data, std::size_t size);

/// The input form of `chunks`, as fuzzChunks reads it back (chunks of up to 255 bytes).
[[nodiscard]] QByteArray joinFuzzChunks(const QList<QByteArray> &chunks);
