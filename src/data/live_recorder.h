#pragma once

#include "link/live_frame.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QTimeZone>

#include <memory>

/// A recording of every live frame to a CSV file (see LiveCsv): each frame is written and
/// flushed as it comes, so that a crash loses at most the frame in flight. A recording started
/// again on the same file appends to it; the heading is written only into an empty file.
///
/// A write that fails (a full disk, a file that was removed) stops the recording and throws
/// EInOutError once, from the record() that failed; later frames are ignored. Nothing else is
/// touched, so a caller that records last in its handler loses nothing else to the error.
class LiveRecorder
{
public:
    /// Starts recording into `fileName`, a regular file or a new name; writes the heading when
    /// the file is new or empty. A file whose last line was cut off (a crash while writing) gets
    /// its line ended first. Throws EInOutError when the name is a device, a FIFO, a socket or
    /// a folder, or when the file cannot be opened or written.
    explicit LiveRecorder(const QString &fileName,
                          const QTimeZone &zone = QTimeZone::systemTimeZone());
    /// Starts recording into `device`, open for writing, called `name` in messages; the heading
    /// is written when the device is empty. For sinks other than a file of their own.
    LiveRecorder(std::unique_ptr<QIODevice> device, const QString &name,
                 const QTimeZone &zone = QTimeZone::systemTimeZone());
    ~LiveRecorder();
    LiveRecorder(const LiveRecorder &) = delete;
    LiveRecorder &operator=(const LiveRecorder &) = delete;

    /// Appends the frame's line and flushes it. See the class for failures.
    void record(const LiveFrame &frame);
    /// Ends the recording and closes the file; later frames are ignored.
    void stop();

    [[nodiscard]] bool isRecording() const { return m_device != nullptr; }
    /// The frames written since this recording started.
    [[nodiscard]] qint64 framesRecorded() const { return m_frames; }
    [[nodiscard]] const QString &fileName() const { return m_name; }

private:
    /// Writes and flushes `bytes`; stops and throws on a failure.
    void write(const QByteArray &bytes);
    /// Whether the bytes written went to the file that `fileName` still names.
    [[nodiscard]] bool fileStillThere() const;
    [[noreturn]] void fail(int errorCode, const QString &why);

    std::unique_ptr<QIODevice> m_device;
    QString m_name;
    QTimeZone m_zone;
    bool m_ownFile = false;
    qint64 m_frames = 0;
};
