#include "data/download_lines.h"

namespace {

/// Calls lineFound(begin, length) for each line of text, in order.
template<typename LineFound>
void forEachLine(QByteArrayView text, LineFound &&lineFound)
{
    const qsizetype size = text.size();
    qsizetype begin = 0;
    qsizetype i = 0;
    while (i < size) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lineFound(begin, i - begin);
        i += (c == '\r' && i + 1 < size && text[i + 1] == '\n') ? 2 : 1;
        begin = i;
    }
    if (begin < size)
        lineFound(begin, size - begin);
}

} // namespace

int countLines(QByteArrayView text)
{
    int lines = 0;
    forEachLine(text, [&lines](qsizetype, qsizetype) { ++lines; });
    return lines;
}

DownloadLines::DownloadLines(const QByteArray &text)
    : m_text(text)
{
    forEachLine(QByteArrayView(m_text), [this](qsizetype begin, qsizetype length) {
        m_lines.push_back({begin, length});
    });
}

QByteArrayView DownloadLines::line(int number) const
{
    if (number < 1 || number > count())
        return {};
    const Span &span = m_lines[std::size_t(number - 1)];
    return QByteArrayView(m_text).sliced(span.begin, span.length);
}
