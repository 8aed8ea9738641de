#pragma once

#include <QDateTime>

#include <optional>

/// The logger's sample memory as a recording: started at a moment, one sample per rate
/// step, up to 4000 positions. Sample k (from 1) is taken at start + (k − 1) × rate, so the
/// times the PC gives the samples from the download header are the times they were taken.
/// The count is kept as a count at an anchor moment, so that a rate change keeps it.
class MemoryModel
{
public:
    static constexpr int kCapacity = 4000;

    /// A recording of `samples` samples whose newest was taken at the last rate step (on the
    /// clock's quarter, half or full hour) at or before `now`.
    [[nodiscard]] static MemoryModel endingAt(const QDateTime &now, int rateMinutes, int samples);

    /// A recording started at `start`. Without a count, it holds the samples taken from
    /// `start` up to `now`; with one, it holds that many at `now`.
    [[nodiscard]] static MemoryModel startedAt(const QDateTime &start, const QDateTime &now,
                                               int rateMinutes,
                                               std::optional<int> samples = std::nullopt);

    /// The samples held at a moment of the logger's clock: never more than the capacity.
    [[nodiscard]] int samplesStored(const QDateTime &time) const;

    /// The pointer the logger reports: 15 + 8 per stored sample.
    [[nodiscard]] int memoryPointer(const QDateTime &time) const;

    /// When sample k (from 1) was or will be taken.
    [[nodiscard]] QDateTime sampleTime(int k) const;

    /// Setting the clock empties the memory; the first sample comes one step later.
    void clear(const QDateTime &newTime);

    /// A new rate keeps the samples stored so far and goes on from `time` at the new rate.
    void changeRate(int rateMinutes, const QDateTime &time);

    [[nodiscard]] QDateTime start() const { return m_start; }
    [[nodiscard]] int rateMinutes() const { return m_rateMinutes; }

private:
    MemoryModel(const QDateTime &start, const QDateTime &anchor, int anchorCount, int rateMinutes);

    /// The recording of `count` samples whose newest was taken at `anchor`.
    void anchorNewestAt(const QDateTime &anchor, int count);

    QDateTime m_start;
    QDateTime m_anchor;
    int m_anchorCount = 0;
    int m_rateMinutes = 15;
};
