#pragma once

#include <cstddef>
#include <cstring>

namespace comm {

/// Reads the marks that a tty in PARMRK mode puts in the received bytes: 0xFF 0xFF stands for
/// a real 0xFF, 0xFF 0 0 for a break, and 0xFF 0 c for the byte c received with a parity or
/// framing error. A mark cut off at the end of one read is finished by the next.
class TtyMarkDecoder
{
public:
    enum class Piece {
        Plain, ///< bytes as received
        Break, ///< a break on the line; no bytes
        BadByte ///< one byte received with a parity or framing error
    };

    /// Calls visit(piece, data, size) for each piece of raw, in order.
    template <class Visit>
    void decode(const unsigned char *raw, std::size_t size, Visit &&visit);

    /// Forgets a mark cut off: the bytes after it were thrown away.
    void reset() { m_state = State::Plain; }

private:
    enum class State { Plain, AfterFF, AfterFF0 };
    State m_state = State::Plain;
};

template <class Visit>
void TtyMarkDecoder::decode(const unsigned char *raw, std::size_t size, Visit &&visit)
{
    static constexpr char ff = '\xff';
    const auto chars = [raw](std::size_t at) { return reinterpret_cast<const char *>(raw + at); };
    for (std::size_t i = 0; i < size;) {
        if (m_state == State::Plain) {
            // Plain bytes up to the next mark go as one run.
            const void *mark = std::memchr(raw + i, 0xFF, size - i);
            const std::size_t end =
                mark ? std::size_t(static_cast<const unsigned char *>(mark) - raw) : size;
            if (end > i)
                visit(Piece::Plain, chars(i), end - i);
            if (!mark)
                return;
            m_state = State::AfterFF;
            i = end + 1;
            continue;
        }
        const unsigned char c = raw[i];
        if (m_state == State::AfterFF) {
            if (c == 0) {
                m_state = State::AfterFF0;
            } else {
                // 0xFF 0xFF; anything else after 0xFF is not a mark and passes as it came.
                visit(Piece::Plain, &ff, 1);
                if (c != 0xFF)
                    visit(Piece::Plain, chars(i), 1);
                m_state = State::Plain;
            }
        } else {
            m_state = State::Plain;
            if (c == 0)
                visit(Piece::Break, chars(i), 0);
            else
                visit(Piece::BadByte, chars(i), 1);
        }
        ++i;
    }
}

} // namespace comm
