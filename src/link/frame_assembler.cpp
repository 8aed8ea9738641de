#include "link/frame_assembler.h"

std::optional<QByteArray> FrameAssembler::append(const QByteArray &chunk)
{
    m_buffer += chunk;
    if (m_buffer.size() > holdLength)
        m_buffer.clear();
    if (m_buffer.size() != frameLength)
        return std::nullopt;
    QByteArray frame;
    frame.swap(m_buffer);
    return frame;
}
