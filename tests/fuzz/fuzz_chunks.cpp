#include "fuzz_chunks.h"

#include <algorithm>

QList<QByteArray> fuzzChunks(const std::uint8_t *data, std::size_t size)
{
    QList<QByteArray> chunks;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(data[at], size - at - 1);
        ++at;
        chunks.append(QByteArray(reinterpret_cast<const char *>(data + at), qsizetype(length)));
        at += length;
    }
    return chunks;
}

QByteArray joinFuzzChunks(const QList<QByteArray> &chunks)
{
    QByteArray input;
    for (const QByteArray &chunk : chunks) {
        input += char(std::uint8_t(chunk.size()));
        input += chunk;
    }
    return input;
}
