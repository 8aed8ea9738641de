#pragma once

#include "link/download_collector.h"
#include "link/download_progress.h"
#include "link/frame_assembler.h"
#include "link/status_frame.h"
#include "serial/serial_port_surface.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <optional>

/// One download from the logger on a port, without a window: the line opened with the
/// logger's settings and RTS high, the logger's sample count taken from a status frame, the
/// request ("8" or "E", the pause, "X"), the discard step and the collection up to the end
/// marker. It runs on the event loop of the thread that owns it and says `finished` once.
class DownloadSession : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        Running,
        Downloaded, ///< the end marker came: text() holds the download text
        NoReport, ///< no status frame came within the time-out
        Unfinished, ///< the end marker did not come within the time-out
        LineLost, ///< the device failed or went away; failure() says how
        ClockSet, ///< after setClockAtNextFrame: the logger reports its memory emptied
    };

    /// The status frame that the download was asked on, and when it arrived (UTC milliseconds).
    struct Report
    {
        StatusDetails frame;
        qint64 arrivedUtcMs = 0;
    };

    struct Options
    {
        /// "E": the whole memory, counted against its capacity, without waiting for a report.
        bool forced = false;
        /// The longest wait for the logger's report, and again for the download's end.
        int timeoutMs = 30000;
    };

    DownloadSession(SerialPortSurface &port, const Options &options, QObject *parent = nullptr);
    /// Closes the line if it is still open.
    ~DownloadSession() override;

    /// Opens the line and starts; ESerialPort when the port cannot be opened.
    void start();
    /// After a download: sends the clock-set command, with the PC's time then, once a status
    /// frame shows the logger back on line (it takes no command while it ends a download), and
    /// says `finished` again once a later frame shows the memory emptied, as setting the clock
    /// does: the line stays open until then, since closing it would discard a command still
    /// on its way.
    void setClockAtNextFrame();
    /// RTS low, port closed; nothing when already closed.
    void close();

    [[nodiscard]] Outcome outcome() const { return m_outcome; }
    [[nodiscard]] QString failure() const { return m_failure; }
    /// The download text, ending in "A" once the end marker came.
    [[nodiscard]] const QByteArray &text() const { return m_collector.text(); }
    /// The samples the logger reported, or its whole memory for a forced download.
    [[nodiscard]] std::optional<int> expected() const { return m_expected; }
    /// The logger's last status frame before the download; none for a forced one.
    [[nodiscard]] const std::optional<Report> &report() const { return m_report; }
    /// Complete sample lines received so far.
    [[nodiscard]] int samplesReceived() const { return DownloadProgress::samplesIn(m_lineBreaks); }

signals:
    /// More download text came.
    void progressed();
    void finished();

private:
    enum class Stage { WaitingForReport, Requesting, Collecting, ClockPending, ClockSent, Done };

    void RxChar(int count);
    /// One read's bytes, taken as the stage reached wants them.
    void take(const QByteArray &chunk);
    void lineError(TSerialErrors errors);
    void request();
    void discard();
    /// Whether the chunk completed a status frame that decodes.
    [[nodiscard]] std::optional<StatusDetails> statusFrame(const QByteArray &chunk);
    void finish(Outcome outcome, const QString &failure = {});
    /// Runs a step on the line; a serial failure ends the session as a lost line.
    template<typename Step>
    void onLine(Step step);

    SerialPortSurface &m_port;
    Options m_options;
    Stage m_stage = Stage::WaitingForReport;
    Outcome m_outcome = Outcome::Running;
    QString m_failure;
    std::optional<int> m_expected;
    std::optional<Report> m_report;
    FrameAssembler m_frames;
    DownloadCollector m_collector;
    int m_lineBreaks = 0;
    QTimer m_timeout;
    QTimer m_discard;
};
