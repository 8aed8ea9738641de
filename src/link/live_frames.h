#pragma once

#include "link/live_frame.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <iterator>
#include <memory>

class LiveFrames;

/// A run of held frames in time order, oldest first, read in place in the ring. It names the
/// frames by their sequence numbers, so it stays valid while newer frames are appended, until
/// the ring has overwritten its oldest frame (after a full ring of further frames) or has been
/// cleared.
class LiveSpan
{
public:
    class Iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = LiveFrame;
        using difference_type = std::ptrdiff_t;
        using pointer = const LiveFrame *;
        using reference = const LiveFrame &;

        Iterator() = default;
        Iterator(const LiveFrames *frames, qint64 sequence)
            : m_frames(frames)
            , m_sequence(sequence)
        { }
        reference operator*() const;
        pointer operator->() const { return &**this; }
        Iterator &operator++()
        {
            ++m_sequence;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator before = *this;
            ++m_sequence;
            return before;
        }
        bool operator==(const Iterator &other) const = default;

    private:
        const LiveFrames *m_frames = nullptr;
        qint64 m_sequence = 0;
    };

    LiveSpan() = default;
    LiveSpan(const LiveFrames *frames, qint64 first, qint64 end)
        : m_frames(frames)
        , m_first(first)
        , m_end(end)
    { }

    [[nodiscard]] qsizetype size() const { return qsizetype(m_end - m_first); }
    [[nodiscard]] bool isEmpty() const { return m_end == m_first; }
    /// Frame `index` of the span, 0 the oldest.
    [[nodiscard]] const LiveFrame &operator[](qsizetype index) const;
    [[nodiscard]] Iterator begin() const { return {m_frames, m_first}; }
    [[nodiscard]] Iterator end() const { return {m_frames, m_end}; }
    /// The sequence numbers of the span's frames: first … end − 1.
    [[nodiscard]] qint64 firstSequence() const { return m_first; }
    [[nodiscard]] qint64 endSequence() const { return m_end; }

    /// Whether a chart breaks its line before frame `index`: a gap was marked there, or the
    /// frame came more than the ring's gap threshold after the one before it. Never before the
    /// span's first frame.
    [[nodiscard]] bool breaksBefore(qsizetype index) const;
    /// The span cut at every break, in time order: each part is drawn as one line.
    [[nodiscard]] QList<LiveSpan> segments() const;
    /// The index of the frame nearest in time to `pcTime` (the earlier one of two equally near);
    /// −1 for an empty span.
    [[nodiscard]] qsizetype nearest(qint64 pcTime) const;

private:
    const LiveFrames *m_frames = nullptr;
    qint64 m_first = 0;
    qint64 m_end = 0;
};

/// The frames received while the program runs, up to 24 hours of them at one a second, in a
/// ring allocated once: when it is full, each new frame takes the place of the oldest. A
/// reconnection to the same port keeps them, with a break in the line; a connection to another
/// port is another logger and starts the ring again. Status frames carry nothing that tells one
/// logger from another (two loggers set from the same PC show the same clock), so the port does.
///
/// Every appended frame gets the next sequence number, counted from 0. Spans are found by the
/// PC's time, which is expected to run forward; where the PC's clock was set back, a span
/// stops at the step, so that every span is in time order.
class LiveFrames
{
public:
    /// 24 hours at one frame a second.
    static constexpr qsizetype fullCapacity = 86'400;
    /// Frames further apart than this (ms) are not joined by a line: more than two frames were
    /// missed, by a pulled cable or a download.
    static constexpr qint64 defaultGapThreshold = 3'000;

    explicit LiveFrames(qsizetype capacity = fullCapacity,
                        qint64 gapThreshold = defaultGapThreshold);

    /// Appends a frame, overwriting the oldest one when the ring is full. A gap marked before
    /// sets the frame's gapBefore.
    void append(const LiveFrame &frame);
    /// Marks a gap before the next frame appended (the line was closed or a download began).
    void markGap();
    /// Forgets every frame held; sequence numbers go on from where they were, so that a span
    /// taken before names no frame that comes after.
    void clear();
    /// Begins the frames of a connection to `port`. The frames held stay, with a break before
    /// the next one, while they came on the same port; those of another port are forgotten.
    /// Returns whether frames were forgotten.
    bool beginConnection(const QString &port);
    /// The port of the present or last connection; empty before the first.
    [[nodiscard]] const QString &port() const { return m_port; }
    /// Whether the present or last connection forgot the frames of another port.
    [[nodiscard]] bool startedAgain() const { return m_startedAgain; }
    /// The sequence number of the first frame of the present or last connection: the frames
    /// before it came from an earlier connection, perhaps from a logger since replaced.
    [[nodiscard]] qint64 connectionStart() const { return m_connectionStart; }

    [[nodiscard]] qsizetype capacity() const { return m_capacity; }
    [[nodiscard]] qint64 gapThreshold() const { return m_gapThreshold; }
    /// The frames held: all appended ones, at most the capacity.
    [[nodiscard]] qsizetype size() const { return qsizetype(m_appended - m_oldest); }
    [[nodiscard]] bool isEmpty() const { return m_appended == m_oldest; }
    /// The sequence number of the newest frame appended; −1 before the first.
    [[nodiscard]] qint64 newestSequence() const { return m_appended - 1; }
    /// The sequence number of the oldest frame held; newestSequence() + 1 when none is held.
    [[nodiscard]] qint64 oldestSequence() const { return m_oldest; }
    /// The frame with `sequence`, or nullptr when it is not held (overwritten or not yet come).
    [[nodiscard]] const LiveFrame *find(qint64 sequence) const;

    /// The frames of the last `duration` ms up to the newest: those that came no earlier than
    /// `duration` before it. Empty when nothing is held.
    [[nodiscard]] LiveSpan latest(qint64 duration) const;
    /// The frames of the `duration` ms up to the frame `lastSequence` (a view that was paused
    /// there), as far as they are still held; empty when that frame is not held.
    [[nodiscard]] LiveSpan endingAt(qint64 lastSequence, qint64 duration) const;

private:
    friend class LiveSpan;
    /// The frame with a held sequence number.
    [[nodiscard]] const LiveFrame &at(qint64 sequence) const;

    qsizetype m_capacity;
    qint64 m_gapThreshold;
    std::unique_ptr<LiveFrame[]> m_ring;
    qint64 m_appended = 0;
    qint64 m_oldest = 0;
    bool m_gapPending = false;
    QString m_port;
    bool m_startedAgain = false;
    qint64 m_connectionStart = 0;
};

inline LiveSpan::Iterator::reference LiveSpan::Iterator::operator*() const
{
    return m_frames->at(m_sequence);
}
