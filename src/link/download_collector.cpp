#include "link/download_collector.h"

#include <cstring>

namespace {

/// The marker can stand at the start of line 3 and later: the header and the line after it
/// are not sample lines and may hold anything.
constexpr int linesBeforeSamples = 2;

bool endsLine(char c)
{
    return c == '\r' || c == '\n';
}

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
    const char *const begin = chunk.constData();
    const char *const end = begin + chunk.size();
    const char *p = begin;
    // The header and the line after it are followed byte by byte; past them only an "A" at
    // the start of a line matters, and the chunk is searched for each "A" instead.
    for (; p < end && m_linesEnded < linesBeforeSamples; ++p)
        follow(*p);
    while (p < end) {
        const auto *marker =
            static_cast<const char *>(std::memchr(p, endMarker, std::size_t(end - p)));
        if (!marker)
            break;
        const bool atLineStart = marker == begin ? m_atLineStart : endsLine(marker[-1]);
        if (atLineStart) {
            const qsizetype at = marker - begin;
            m_text += chunk.first(at + 1);
            m_afterEnd = chunk.sliced(at + 1);
            return true;
        }
        p = marker + 1;
    }
    if (!chunk.isEmpty() && m_linesEnded >= linesBeforeSamples) {
        m_atLineStart = endsLine(chunk.back());
        m_afterCr = chunk.back() == '\r';
    }
    m_text += chunk;
    return false;
}
