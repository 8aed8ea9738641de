#include "link/download_collector.h"

namespace {

/// The marker can stand at the start of line 3 and later: the header and the line after it
/// are not sample lines and may hold anything.
constexpr int linesBeforeSamples = 2;

} // namespace

void DownloadCollector::clear()
{
    m_text.clear();
    m_afterEnd.clear();
    m_linesEnded = 0;
    m_atLineStart = false;
    m_afterCr = false;
}

void DownloadCollector::follow(char c)
{
    if (c == '\n' && m_afterCr) {
        m_afterCr = false; // the LF of a CR LF: the CR ended the line
        return;
    }
    m_afterCr = c == '\r';
    m_atLineStart = c == '\r' || c == '\n';
    if (m_atLineStart)
        ++m_linesEnded;
}

bool DownloadCollector::append(const QByteArray &chunk)
{
    m_afterEnd.clear();
    // The usual end: a read of the marker alone, wherever the text stands.
    if (chunk.size() == 1 && chunk.front() == endMarker) {
        m_text += chunk;
        return true;
    }
    for (qsizetype i = 0; i < chunk.size(); ++i) {
        if (chunk[i] == endMarker && m_atLineStart && m_linesEnded >= linesBeforeSamples) {
            m_text += chunk.first(i + 1);
            m_afterEnd = chunk.sliced(i + 1);
            return true;
        }
        follow(chunk[i]);
    }
    m_text += chunk;
    return false;
}
