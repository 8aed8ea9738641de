#pragma once

#include <QByteArray>

/// Collects the download text from the chunks received while a download runs. The logger ends
/// the stream with "A" sent on its own after a pause, so only a chunk that is exactly "A" is
/// the end marker; any other chunk, "A" within it or not, is download text.
class DownloadCollector
{
public:
    static constexpr char endMarker = 'A';

    /// Empties the download text.
    void clear() { m_text.clear(); }

    /// Takes one chunk. Returns true when it was the end marker; the text then ends with "A"
    /// in the marker's place.
    [[nodiscard]] bool append(const QByteArray &chunk);

    [[nodiscard]] const QByteArray &text() const { return m_text; }

private:
    QByteArray m_text;
};
