#pragma once

#include <QByteArray>

/// Collects the download text from the chunks received while a download runs. The logger ends
/// the stream with "A" sent on its own after a pause, so a chunk that is exactly "A" is the end
/// marker. A program that falls behind the line gets that "A" in one read with the end of the
/// last line or with the status frames that follow it; there the marker is the "A" that begins
/// a line after the header and the line after it, where only sample lines, which begin with a
/// digit, stand. Any other "A" is download text.
class DownloadCollector
{
public:
    static constexpr char endMarker = 'A';

    /// Empties the download text.
    void clear();

    /// Takes one chunk. Returns true when it held the end marker; the text then ends with "A"
    /// in the marker's place, and afterEnd() holds what came after the marker in the chunk.
    [[nodiscard]] bool append(const QByteArray &chunk);

    [[nodiscard]] const QByteArray &text() const { return m_text; }

    /// The bytes after the end marker in the chunk that held it: the status frames that the
    /// logger sends again once the download is done. Empty when the marker came last or alone.
    [[nodiscard]] const QByteArray &afterEnd() const { return m_afterEnd; }

private:
    /// Counts the line breaks of the bytes appended, as the download's lines are counted: CR LF,
    /// a lone LF and a lone CR each end a line. Only the first two are counted one by one.
    void follow(char c);

    QByteArray m_text;
    QByteArray m_afterEnd;
    int m_linesEnded = 0;
    bool m_atLineStart = false;
    bool m_afterCr = false;
};
