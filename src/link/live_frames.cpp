#include "link/live_frames.h"

#include <algorithm>
#include <stdexcept>

const LiveFrame &LiveSpan::operator[](qsizetype index) const
{
    return m_frames->at(m_first + index);
}

bool LiveSpan::breaksBefore(qsizetype index) const
{
    if (index <= 0 || index >= size())
        return false;
    const LiveFrame &frame = (*this)[index];
    return frame.gapBefore || frame.pcTime - (*this)[index - 1].pcTime > m_frames->gapThreshold();
}

QList<LiveSpan> LiveSpan::segments() const
{
    QList<LiveSpan> parts;
    qint64 start = m_first;
    for (qsizetype index = 1; index < size(); ++index) {
        if (breaksBefore(index)) {
            parts.append(LiveSpan(m_frames, start, m_first + index));
            start = m_first + index;
        }
    }
    if (start < m_end)
        parts.append(LiveSpan(m_frames, start, m_end));
    return parts;
}

qsizetype LiveSpan::nearest(qint64 pcTime) const
{
    if (isEmpty())
        return -1;
    // The first frame not earlier than pcTime; the span is in time order.
    qsizetype low = 0;
    qsizetype high = size();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if ((*this)[middle].pcTime < pcTime)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == size())
        return low - 1;
    if (low > 0 && pcTime - (*this)[low - 1].pcTime <= (*this)[low].pcTime - pcTime)
        return low - 1;
    return low;
}

LiveFrames::LiveFrames(qsizetype capacity, qint64 gapThreshold)
    : m_capacity(capacity)
    , m_gapThreshold(gapThreshold)
{
    if (capacity < 1)
        throw std::invalid_argument("a ring of live frames holds at least one frame");
    m_ring = std::make_unique<LiveFrame[]>(std::size_t(capacity));
}

void LiveFrames::append(const LiveFrame &frame)
{
    LiveFrame &slot = m_ring[std::size_t(m_appended % m_capacity)];
    slot = frame;
    slot.gapBefore = frame.gapBefore || m_gapPending;
    m_gapPending = false;
    ++m_appended;
    m_oldest = std::max(m_oldest, m_appended - m_capacity);
}

void LiveFrames::markGap()
{
    m_gapPending = true;
}

void LiveFrames::clear()
{
    m_oldest = m_appended;
    m_gapPending = false;
}

bool LiveFrames::beginConnection(const QString &port)
{
    m_startedAgain = port != m_port && !isEmpty();
    if (m_startedAgain)
        clear();
    m_port = port;
    m_connectionStart = m_appended;
    markGap();
    return m_startedAgain;
}

const LiveFrame *LiveFrames::find(qint64 sequence) const
{
    if (sequence < m_oldest || sequence >= m_appended)
        return nullptr;
    return &at(sequence);
}

const LiveFrame &LiveFrames::at(qint64 sequence) const
{
    return m_ring[std::size_t(sequence % m_capacity)];
}

LiveSpan LiveFrames::latest(qint64 duration) const
{
    return endingAt(newestSequence(), duration);
}

LiveSpan LiveFrames::endingAt(qint64 lastSequence, qint64 duration) const
{
    if (!find(lastSequence))
        return LiveSpan(this, 0, 0);
    const qint64 from = at(lastSequence).pcTime - duration;
    // Back from the last frame while the frames are in the span and in time order. A chart
    // reads every frame of its span anyway, so the walk costs no more than drawing it.
    qint64 first = lastSequence;
    while (first > m_oldest) {
        const qint64 earlier = at(first - 1).pcTime;
        if (earlier < from || earlier > at(first).pcTime)
            break;
        --first;
    }
    return LiveSpan(this, first, lastSequence + 1);
}
