#pragma once

#include "link/live_frames.h"

#include <QDialog>
#include <QList>

#include <functional>

class LiveChartView;
class QComboBox;
class QLabel;
class QPushButton;
class TForm1;

/// "Gráfico en vivo": the frames received while the program runs (since the last change of
/// logger) as one chart per unit against the PC's clock, over a chosen span with the newest
/// frame at the right edge. Not modal. It draws only when told that the frames changed, and not
/// at all while hidden or paused.
class LiveChartWindow : public QDialog
{
    Q_OBJECT

public:
    /// A window over `frames`; `connected` says whether frames can come at all.
    LiveChartWindow(const LiveFrames &frames, std::function<bool()> connected,
                    QWidget *parent = nullptr);

    /// The main window's live chart, made on first use and fed from its frames: shown, raised
    /// and given the focus.
    static LiveChartWindow *showFor(TForm1 &form);

    /// A frame came, a gap was marked or the frames were cleared.
    void framesChanged();

    QComboBox *SpanBox;
    QPushButton *PauseButton;
    /// "Sin conexión: no llegan tramas" while not connected.
    QLabel *StatusLabel;
    /// "Otro logger en ttyUSB1: el gráfico empieza de nuevo" while the frames held are those of
    /// a connection that started the chart again.
    QLabel *AnotherLoggerLabel;
    QList<LiveChartView *> Charts;

protected:
    void showEvent(QShowEvent *event) override;
    /// A window brought back from the taskbar shows the frames that came meanwhile.
    void changeEvent(QEvent *event) override;

private:
    /// The span's length as chosen.
    [[nodiscard]] qint64 spanMs() const;
    /// Draws the newest frames, or those up to where the view was paused.
    void redraw();
    /// Whether the view is paused at a frame no longer held.
    [[nodiscard]] bool pausedFramesForgotten() const;
    void showConnection();
    void pauseToggled(bool paused);

    const LiveFrames &m_frames;
    std::function<bool()> m_connected;
    /// The newest frame when the view was paused.
    qint64 m_pausedAt = -1;
};
