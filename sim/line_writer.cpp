#include "line_writer.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {

constexpr qint64 kNsPerByte = 1'000'000'000 / LineWriter::kLineBytesPerSecond;
/// How far ahead of the line the writer may run: about 10 ms of bytes, written in steps of
/// about 5 ms, like a UART's FIFO being topped up.
constexpr qint64 kLeadNs = 10'000'000;
constexpr qint64 kStepNs = 5'000'000;

} // namespace

LineWriter::LineWriter(int fd, Pace pace, QObject *parent)
    : QObject(parent)
    , m_fd(fd)
    , m_pace(pace)
    , m_writable(new QSocketNotifier(fd, QSocketNotifier::Write, this))
{
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, &LineWriter::pump);
    m_paceTimer.setSingleShot(true);
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_paceTimer, &QTimer::timeout, this, &LineWriter::pump);
    m_clock.start();
}

bool LineWriter::writeNow(const QByteArray &bytes)
{
    if (!isIdle())
        return false;
    m_queue = bytes;
    pump();
    return true;
}

void LineWriter::writePaced(const QByteArray &bytes)
{
    const bool wasIdle = isIdle();
    m_queue += bytes;
    if (m_pace == Pace::Line && !m_pacing) {
        m_pacing = true;
        m_lineFreeNs = m_clock.nsecsElapsed();
    }
    if (wasIdle)
        pump();
}

void LineWriter::discard()
{
    m_queue.clear();
    m_pacing = false;
    m_paceTimer.stop();
    m_writable->setEnabled(false);
}

void LineWriter::pump()
{
    m_writable->setEnabled(false);
    while (!m_queue.isEmpty()) {
        qsizetype allowed = m_queue.size();
        if (m_pacing) {
            allowed = std::min(allowed, pacedAllowance());
            if (allowed == 0)
                return;
        }
        const ssize_t written = ::write(m_fd, m_queue.constData(), size_t(allowed));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                waitForDevice();
                return;
            }
            const int errorNumber = errno;
            discard();
            emit failed(errorNumber);
            return;
        }
        m_queue.remove(0, written);
        if (m_pacing)
            m_lineFreeNs += written * kNsPerByte;
    }
    m_pacing = false;
    emit drained();
}

void LineWriter::waitForDevice()
{
    m_writable->setEnabled(true);
}

qsizetype LineWriter::pacedAllowance()
{
    // Elapsed-time pacing: the line is booked up to m_lineFreeNs; a stall (a full device)
    // builds up no credit, since the line cannot send faster afterwards to make up for it.
    const qint64 now = m_clock.nsecsElapsed();
    m_lineFreeNs = std::max(m_lineFreeNs, now);
    const qint64 ahead = m_lineFreeNs - now;
    if (ahead > kLeadNs - kStepNs) {
        const qint64 waitNs = ahead - (kLeadNs - kStepNs);
        m_paceTimer.start(int(std::max<qint64>(1, waitNs / 1'000'000)));
        return 0;
    }
    return qsizetype((kLeadNs - ahead) / kNsPerByte);
}
