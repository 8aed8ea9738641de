#pragma once

#include "link/download_collector.h"
#include "link/frame_assembler.h"
#include "link/live_frames.h"
#include "runtime/form.h"
#include "serial/serial_port_surface.h"
#include "windows/program_windows.h"

#include <QElapsedTimer>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

class ColourButton;
class DateClock;
class DialMeter;
class GradientBackground;
class Led;
class LiveRecorder;
class PieGauge;
class QCheckBox;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QTimer;
class RadioGroup;
class RockerSwitch;
class TimeClock;
class ValueIndicator;
class WindowArchiving;
struct StatusFrameDecoding;

/// The main window: owns the connection to the logger, shows its on-line values, requests and
/// collects a download, and opens every other window. Its components and flags are public, as
/// the other windows reach them directly.
class TForm1 : public Form
{
    Q_OBJECT

public:
    TForm1(ProgramWindows &windows, std::unique_ptr<SerialPortSurface> port,
           QWidget *parent = nullptr);
    ~TForm1() override;

    // Connection state shared with the dialogs.
    bool connectedOnce = false;
    bool downloading = false;
    bool dataDownloaded = false;
    bool clockSetPending = false;
    bool skipPortSetup = false;

    /// "Connected" as the program shows it: the on state of the connect switch.
    [[nodiscard]] bool connected() const;
    /// Runs port operations of the link. When one fails, `undo` first puts back what the
    /// caller had begun; a device that is gone also closes the line quietly, so that the
    /// failure, raised again, is the only report of it.
    void onLine(const std::function<void()> &operations, const std::function<void()> &undo = {});

    SerialPortSurface &SerialPort1;
    /// statusBuffer: received bytes gathered into status frames.
    FrameAssembler Edit2;
    /// The download text, counted in lines at line breaks only.
    DownloadCollector RichEdit1;

    GradientBackground *Gradient1;
    RockerSwitch *RockerSwitch1;
    Led *LED1;
    ColourButton *ColBitBtn1;
    QLineEdit *Edit4;
    QLineEdit *Edit3;
    RadioGroup *RadioGroup1;
    QLabel *Label2;
    QLineEdit *Edit1;
    QLabel *Label3;
    QCheckBox *CheckBox1;
    ColourButton *ColBitBtn4;
    PieGauge *Gauge1;
    QFrame *Splitter1;
    ColourButton *ColBitBtn7;
    ValueIndicator *ValueInd1;
    ValueIndicator *ValueInd2;
    ValueIndicator *ValueInd3;
    ValueIndicator *ValueInd4;
    DialMeter *DialMeter1;
    ColourButton *ColBitBtn8;
    ColourButton *ColBitBtn3;
    ColourButton *ColBitBtn2;
    DateClock *Clock2;
    TimeClock *Clock1;
    ColourButton *ColBitBtn6;
    ColourButton *ColBitBtn5;
    /// The download's progress, in free space above the logger's indicators, while it runs.
    QLabel *ProgressLabel;
    /// The live recording's line, in free space above the connect switch, while one runs and
    /// after it has ended, until the next connection or recording.
    QLabel *LiveRecordingLabel;
    QTimer *Timer2;
    QTimer *Timer3;
    QTimer *Timer4;

    /// Asks for a saved data file and shows it in the data window.
    void showSavedFile();
    /// Shows how far the running download has come; hides the line once none runs.
    void showDownloadProgress();
    /// "Descargar de nuevo": asks the logger for its data again, as the first download did;
    /// the data shown so far stays until the new download has ended.
    void downloadAgain();

    /// The status frames decoded since connecting, with the PC's time of each.
    [[nodiscard]] const LiveFrames &liveFrames() const { return m_liveFrames; }
    /// Whether a live recording runs.
    [[nodiscard]] bool liveRecording() const;
    /// "Grabar en vivo…": while connected, asks for a CSV file and records every status frame
    /// into it; while a recording runs, stops it.
    void toggleLiveRecording();
    /// Runs the file dialog of "Grabar en vivo…" and gives the file chosen, or nothing; tests
    /// replace it.
    std::function<QString(QFileDialog &dialog)> executeFileDialog;

    /// The station archive that every finished download enters, once start-up names it.
    [[nodiscard]] WindowArchiving &archiving() const { return *m_archiving; }
    /// The program's windows, for the windows this one opens.
    [[nodiscard]] ProgramWindows &windows() const { return m_windows; }

    // Handlers.
    void RockerSwitch1Click();
    void RockerSwitch1MouseUp();
    void SerialPort1RxChar(int Count);
    void SerialPort1Error(TSerialErrors Errors);
    void ColBitBtn4Click();
    void DESCARGAR(int Count);
    void HORAAPIC();
    void Timer2Timer();
    void Timer3Timer();
    void Timer4Timer();
    void ColBitBtn2Click();
    void ColBitBtn3Click();
    void ColBitBtn5Click();
    void ColBitBtn6Click();
    void ColBitBtn8Click();
    void FormClose();

signals:
    /// The main window was closed: the program ends.
    void closed();
    /// The live frames changed: a frame was kept, a gap marked or a new connection began.
    void liveFramesChanged();

protected:
    void FormActivate() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildComponents();
    /// Received bytes on their way to status frames: a complete frame is decoded and shown.
    void takeStatusBytes(const QByteArray &chunk);
    void showStatusFrame(const StatusFrameDecoding &decoded);
    void showDisconnected();
    /// RTS low, then the port closed, as disconnecting and closing the window do.
    void closeLine();
    /// The line's device is gone: stop any download, close the port without a second report
    /// and show the link disconnected.
    void dropLine();
    /// A download request that failed leaves nothing running: no discard timer, no collection.
    void abandonDownloadRequest();
    /// The download request proper: purge, "8" or "E", the pause, "X", and the discard timer.
    void requestDownload();
    /// A download given up before its end marker: the text of the last whole download, if
    /// one was being replaced, is what the data window shows again.
    void keepLastDownload();
    /// The frame goes into the live frames and, while one runs, the live recording. A failed
    /// write stops the recording; its error waits for the end of the receive handler.
    void keepLiveFrame(const StatusFrameDecoding &decoded);
    /// Ends a running live recording; the line says how it ended.
    void endLiveRecording(const QString &how);
    /// Shows the running recording's count and file.
    void showLiveRecording();
    /// Shows `text` and the name of `fileName` as the live recording's line, in the free space
    /// above the connect switch.
    void placeLiveRecordingLine(const QString &text, const QString &fileName);
    /// The line has closed: a gap in the live frames, and the end of a running recording.
    void endLiveFrames();

    ProgramWindows &m_windows;
    std::unique_ptr<SerialPortSurface> m_port;
    /// The current connection has ended (closed, or its device gone and reported once): later
    /// error events of its device say nothing new.
    bool m_lineDone = false;
    /// The samples the logger's last status frame reported holding.
    std::optional<int> m_reportedSamples;
    /// The samples the running download should bring: the report, or the whole memory.
    std::optional<int> m_requestedSamples;
    /// Line breaks received since the collection began, for the progress line.
    int m_receivedLineBreaks = 0;
    /// The width the progress line's longest text needs, with a margin; 0 until measured.
    int m_progressTextWidth = 0;
    /// Shows the progress line's last count once a download's chunks stop coming.
    QTimer *m_progressTimer = nullptr;
    /// When the progress line last changed its text, or the collection's first chunk came;
    /// invalid until then.
    QElapsedTimer m_progressShown;
    /// The last whole download while another replaces it.
    std::optional<QByteArray> m_lastDownload;
    /// The status frames since connecting, for the live chart and the live recording.
    LiveFrames m_liveFrames;
    /// The live recording, while one runs.
    std::unique_ptr<LiveRecorder> m_liveRecorder;
    /// A live recording's failed write, reported as the receive handler's last step.
    std::exception_ptr m_liveRecordingFailure;
    WindowArchiving *m_archiving = nullptr;
};
