#include "windows/charts/live_chart_window.h"

#include "runtime/error_report.h"
#include "windows/charts/live_chart_view.h"
#include "windows/main_window.h"

#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString windowName = QStringLiteral("LiveChart");
const QString noFramesText = QStringLiteral("Sin conexión: no llegan tramas");
const QString pauseText = QStringLiteral("Pausa");
const QString resumeText = QStringLiteral("Reanudar");

} // namespace

LiveChartWindow::LiveChartWindow(const LiveFrames &frames, std::function<bool()> connected,
                                 QWidget *parent)
    : QDialog(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint
                  | Qt::WindowCloseButtonHint)
    , m_frames(frames)
    , m_connected(std::move(connected))
{
    setObjectName(windowName);
    setWindowTitle(QStringLiteral("Gráfico en vivo"));
    resize(860, 760);

    SpanBox = new QComboBox(this);
    SpanBox->setObjectName(QStringLiteral("SpanBox"));
    for (const LiveChartSpan &span : liveChartSpans())
        SpanBox->addItem(span.label);
    PauseButton = new QPushButton(pauseText, this);
    PauseButton->setObjectName(QStringLiteral("PauseButton"));
    PauseButton->setCheckable(true);
    StatusLabel = new QLabel(noFramesText, this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    AnotherLoggerLabel = new QLabel(this);
    AnotherLoggerLabel->setObjectName(QStringLiteral("AnotherLoggerLabel"));
    AnotherLoggerLabel->hide();

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Mostrar:"), this));
    controls->addWidget(SpanBox);
    controls->addWidget(PauseButton);
    controls->addSpacing(12);
    controls->addWidget(StatusLabel);
    controls->addSpacing(12);
    controls->addWidget(AnotherLoggerLabel);
    controls->addStretch(1); // the controls keep their size when the line goes

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    Charts = {new LiveChartView(LiveChartDescriptions::temperature(), {1, 2}, this),
              new LiveChartView(LiveChartDescriptions::humidity(), {3}, this),
              new LiveChartView(LiveChartDescriptions::par(), {4}, this)};
    for (LiveChartView *chart : std::as_const(Charts))
        layout->addWidget(chart, 1);

    connect(SpanBox, &QComboBox::currentIndexChanged, this,
            [this] { ErrorReport::guard([this] { redraw(); }); });
    connect(PauseButton, &QPushButton::toggled, this,
            [this](bool paused) { ErrorReport::guard([this, paused] { pauseToggled(paused); }); });
}

LiveChartWindow *LiveChartWindow::showFor(TForm1 &form)
{
    auto *window = form.findChild<LiveChartWindow *>(windowName, Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new LiveChartWindow(
            form.liveFrames(), [&form] { return form.connected(); }, &form);
        connect(&form, &TForm1::liveFramesChanged, window,
                [window] { ErrorReport::guard([window] { window->framesChanged(); }); });
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void LiveChartWindow::framesChanged()
{
    // A minimised window counts as visible, but nobody sees it: it catches up when restored.
    if (!isVisible() || isMinimized())
        return;
    showConnection();
    if (!PauseButton->isChecked() || pausedFramesForgotten())
        redraw();
}

bool LiveChartWindow::pausedFramesForgotten() const
{
    return PauseButton->isChecked() && m_pausedAt >= 0 && !m_frames.find(m_pausedAt);
}

void LiveChartWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    showConnection();
    redraw();
}

void LiveChartWindow::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isVisible() && !isMinimized()) {
        showConnection();
        redraw();
    }
}

qint64 LiveChartWindow::spanMs() const
{
    return liveChartSpans().at(std::max(SpanBox->currentIndex(), 0)).durationMs;
}

void LiveChartWindow::redraw()
{
    // Another logger started the chart again, or a day went by: what the pause held is gone,
    // and the view goes on with the frames that came since.
    if (pausedFramesForgotten()) {
        PauseButton->setChecked(false); // draws through pauseToggled
        return;
    }
    const qint64 span = spanMs();
    const LiveSpan frames =
        PauseButton->isChecked() ? m_frames.endingAt(m_pausedAt, span) : m_frames.latest(span);
    // With nothing to show, the axis still tells the time: it ends now.
    const qint64 newest =
        frames.isEmpty() ? QDateTime::currentMSecsSinceEpoch() : frames[frames.size() - 1].pcTime;
    const LiveTimeRange range = liveTimeRange(newest, span);
    for (LiveChartView *chart : std::as_const(Charts))
        chart->showFrames(m_frames, frames, range, span);
}

void LiveChartWindow::showConnection()
{
    StatusLabel->setVisible(!m_connected());
    if (m_frames.startedAgain())
        AnotherLoggerLabel->setText(QStringLiteral("Otro logger en %1: el gráfico empieza de nuevo")
                                        .arg(QFileInfo(m_frames.port()).fileName()));
    AnotherLoggerLabel->setVisible(m_frames.startedAgain());
}

void LiveChartWindow::pauseToggled(bool paused)
{
    PauseButton->setText(paused ? resumeText : pauseText);
    if (paused) {
        m_pausedAt = m_frames.newestSequence();
        return; // the view stays as it is
    }
    redraw();
}
