#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

/// The number of lines of a text, counted at line breaks only: CR LF, a lone LF and a lone
/// CR each end a line. A break at the very end starts no further line; an empty text has
/// no lines.
[[nodiscard]] int countLines(QByteArrayView text);

/// The number of samples of a download text of lineCount lines: the header, the line after
/// it and the last line (the end marker's) carry none.
[[nodiscard]] constexpr int sampleCount(int lineCount)
{
    return lineCount > 3 ? lineCount - 3 : 0;
}

/// A download text split into lines at line breaks only (as countLines counts them), each
/// line without its break. Lines are numbered from 1.
class DownloadLines
{
public:
    explicit DownloadLines(const QByteArray &text);

    [[nodiscard]] int count() const { return int(m_lines.size()); }
    [[nodiscard]] int samples() const { return sampleCount(count()); }

    /// Line `number` (from 1); a line that does not exist is empty.
    [[nodiscard]] QByteArrayView line(int number) const;

private:
    struct Span
    {
        qsizetype begin;
        qsizetype length;
    };

    QByteArray m_text;
    std::vector<Span> m_lines;
};
