#include "link/download_collector.h"

bool DownloadCollector::append(const QByteArray &chunk)
{
    // The end marker's own "A" is the one the text must end with, so every chunk is appended.
    m_text += chunk;
    return chunk.size() == 1 && chunk.front() == endMarker;
}
