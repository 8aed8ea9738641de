// Fuzz target: received chunks through the download collector, which must end on a chunk that
// is exactly "A", or on an "A" that begins a line after the first two lines, and on nothing
// else, keeping every byte received before it and handing back every byte after it.

#include "fuzz_check.h"
#include "fuzz_chunks.h"

#include "data/download_lines.h"
#include "link/download_collector.h"

#include <cstdint>

namespace {

/// Where in `chunk`, received after `received`, the end marker stands: the chunk "A" itself,
/// else the first "A" that follows a line break with at least two lines ended before it.
qsizetype markerIn(const QByteArray &received, const QByteArray &chunk)
{
    if (chunk == "A")
        return 0;
    const QByteArray all = received + chunk;
    for (qsizetype i = received.size(); i < all.size(); ++i) {
        if (all[i] == 'A' && i > 0 && (all[i - 1] == '\r' || all[i - 1] == '\n')
            && countLines(QByteArrayView(all).first(i)) >= 2)
            return i - received.size();
    }
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    DownloadCollector collector;
    QByteArray received;
    for (const QByteArray &chunk : fuzzChunks(data, size)) {
        const qsizetype marker = markerIn(received, chunk);
        const bool ended = collector.append(chunk);
        FUZZ_CHECK(ended == (marker >= 0));
        if (ended) {
            // The text ends with the end marker, on the last of its lines; nothing is lost.
            FUZZ_CHECK(collector.text() == received + chunk.first(marker + 1));
            FUZZ_CHECK(collector.afterEnd() == chunk.sliced(marker + 1));
            const DownloadLines lines(collector.text());
            FUZZ_CHECK(lines.count() >= 1 && lines.line(lines.count()).endsWith('A'));
            break;
        }
        received += chunk;
        FUZZ_CHECK(collector.text() == received);
        FUZZ_CHECK(collector.afterEnd().isEmpty());
    }
    collector.clear();
    FUZZ_CHECK(collector.text().isEmpty());
    return 0;
}
