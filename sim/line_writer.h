#pragma once

#include "sim_options.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

/// Writes to the non-blocking device without losing or reordering a byte: a frame in one
/// write, download text paced like the real line, and whatever the device cannot take at
/// once later, when it can.
class LineWriter : public QObject
{
    Q_OBJECT

public:
    /// 115200 baud with a start and a stop bit around each byte.
    static constexpr qint64 kLineBytesPerSecond = 11520;

    LineWriter(int fd, Pace pace, QObject *parent = nullptr);

    /// True when nothing waits to be written.
    [[nodiscard]] bool isIdle() const { return m_queue.isEmpty(); }

    /// Writes `bytes` in one write, at once. While earlier bytes still wait, writes nothing
    /// and returns false: a logger on a busy line loses the frame, it does not pile it up.
    bool writeNow(const QByteArray &bytes);

    /// Queues `bytes` to go out at the chosen pace; drained() follows when all are written.
    void writePaced(const QByteArray &bytes);

    /// Forgets the bytes still waiting.
    void discard();

signals:
    /// Everything queued has been written.
    void drained();
    /// A write failed for a reason other than a full device (errno given).
    void failed(int errorNumber);

private:
    void pump();
    void waitForDevice();
    /// How many bytes the line may take now, or 0 and a pause scheduled.
    [[nodiscard]] qsizetype pacedAllowance();

    int m_fd;
    Pace m_pace;
    QByteArray m_queue;
    bool m_pacing = false; ///< the queue holds paced text
    QSocketNotifier *m_writable = nullptr;
    QTimer m_paceTimer;
    QElapsedTimer m_clock;
    qint64 m_lineFreeNs = 0; ///< when, on m_clock, the line has sent all paced bytes so far
};
