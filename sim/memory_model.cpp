#include "memory_model.h"

#include <algorithm>

namespace {

qint64 rateSeconds(int rateMinutes)
{
    return qint64(rateMinutes) * 60;
}

} // namespace

MemoryModel::MemoryModel(const QDateTime &start, const QDateTime &anchor, int anchorCount,
                         int rateMinutes)
    : m_start(start)
    , m_anchor(anchor)
    , m_anchorCount(std::clamp(anchorCount, 0, kCapacity))
    , m_rateMinutes(rateMinutes)
{ }

MemoryModel MemoryModel::endingAt(const QDateTime &now, int rateMinutes, int samples)
{
    // Loggers sample on the clock's own steps: the newest sample sits on the last one.
    const qint64 step = rateSeconds(rateMinutes);
    const QDateTime midnight = now.date().startOfDay(now.timeSpec());
    const qint64 intoDay = midnight.secsTo(now);
    const QDateTime newest = midnight.addSecs(intoDay - intoDay % step);

    MemoryModel memory({}, {}, 0, rateMinutes);
    memory.anchorNewestAt(newest, samples);
    return memory;
}

MemoryModel MemoryModel::startedAt(const QDateTime &start, const QDateTime &now, int rateMinutes,
                                   std::optional<int> samples)
{
    int count = 0;
    if (samples)
        count = *samples;
    else if (start <= now)
        count = int(std::min<qint64>(kCapacity, start.secsTo(now) / rateSeconds(rateMinutes) + 1));
    return MemoryModel(start, now, count, rateMinutes);
}

int MemoryModel::samplesStored(const QDateTime &time) const
{
    // Before the anchor (a clock that went back) the memory holds what it held then.
    const qint64 taken = std::max<qint64>(0, m_anchor.secsTo(time) / rateSeconds(m_rateMinutes));
    return int(std::min<qint64>(kCapacity, m_anchorCount + taken));
}

int MemoryModel::memoryPointer(const QDateTime &time) const
{
    return 15 + 8 * samplesStored(time);
}

QDateTime MemoryModel::sampleTime(int k) const
{
    return m_start.addSecs(qint64(k - 1) * rateSeconds(m_rateMinutes));
}

void MemoryModel::clear(const QDateTime &newTime)
{
    anchorNewestAt(newTime, 0);
}

void MemoryModel::changeRate(int rateMinutes, const QDateTime &time)
{
    const int stored = samplesStored(time);
    m_rateMinutes = rateMinutes;
    anchorNewestAt(time, stored);
}

void MemoryModel::anchorNewestAt(const QDateTime &anchor, int count)
{
    // One header rate stamps the whole recording, so its start is placed where the stored
    // samples line up at the current rate: the newest at the anchor, the next one a step later.
    m_anchor = anchor;
    m_anchorCount = std::clamp(count, 0, kCapacity);
    m_start = anchor.addSecs(-qint64(m_anchorCount - 1) * rateSeconds(m_rateMinutes));
}
