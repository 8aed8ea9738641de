// Fuzz target: received chunks through the download collector, which must end on a chunk that
// is exactly "A" and on nothing else, keeping every byte received before it.

#include "fuzz_check.h"
#include "fuzz_chunks.h"

#include "data/download_lines.h"
#include "link/download_collector.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    DownloadCollector collector;
    QByteArray received;
    for (const QByteArray &chunk : fuzzChunks(data, size)) {
        const bool ended = collector.append(chunk);
        FUZZ_CHECK(ended == (chunk == "A"));
        if (ended) {
            // The text always ends with the end marker, on the last of its lines.
            FUZZ_CHECK(collector.text() == received + 'A');
            const DownloadLines lines(collector.text());
            FUZZ_CHECK(lines.count() >= 1 && lines.line(lines.count()).endsWith('A'));
            break;
        }
        received += chunk;
        FUZZ_CHECK(collector.text() == received);
    }
    collector.clear();
    FUZZ_CHECK(collector.text().isEmpty());
    return 0;
}
