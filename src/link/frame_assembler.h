#pragma once

#include <QByteArray>

#include <optional>

/// Gathers received chunks into status frames by their length alone: the frame has no start
/// character, so the buffer keeps step with the logger only because it is emptied after each
/// frame, when it grows past 45 characters, and at the link's resynchronisation points.
class FrameAssembler
{
public:
    static constexpr int frameLength = 44;
    /// A buffer of exactly this length waits; the next chunk takes it past and empties it.
    static constexpr int holdLength = 45;

    /// Appends a chunk. Past 45 characters the buffer is emptied; at exactly 44 the frame is
    /// handed out and the buffer emptied, so that a frame that fails to decode costs only itself.
    [[nodiscard]] std::optional<QByteArray> append(const QByteArray &chunk);

    void clear() { m_buffer.clear(); }
    [[nodiscard]] const QByteArray &text() const { return m_buffer; }

private:
    QByteArray m_buffer;
};
