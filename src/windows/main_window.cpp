#include "windows/main_window.h"

#include "data/download_check.h"
#include "data/download_lines.h"
#include "data/live_recorder.h"
#include "link/download_progress.h"
#include "link/live_frame.h"
#include "link/logger_commands.h"
#include "link/readout_patterns.h"
#include "link/status_frame.h"
#include "runtime/error_report.h"
#include "runtime/radio_group.h"
#include "runtime/run_file_dialog.h"
#include "serial/serial_error.h"
#include "widgets/clocks.h"
#include "widgets/colour_button.h"
#include "widgets/dial_meter.h"
#include "widgets/gradient_background.h"
#include "widgets/led.h"
#include "widgets/pie_gauge.h"
#include "widgets/rocker_switch.h"
#include "widgets/thermometer.h"
#include "widgets/value_indicator.h"
#include "windows/about_window.h"
#include "windows/clock_dialog.h"
#include "windows/data_window.h"
#include "windows/gauges_window.h"
#include "windows/help_window.h"
#include "windows/main_window_menu.h"
#include "windows/maker.h"
#include "windows/rate_dialog.h"
#include "windows/window_archiving.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>
#include <utility>

namespace {

const QString offlineText = QStringLiteral("CONECTAR");
const QString onlineText = QStringLiteral("DESCONECTAR");
const QString downloadText = QStringLiteral("       DESCARGAR DATOS");
const QString viewDataOffText = QStringLiteral("              VER DATOS");
const QString viewDataOnText = QStringLiteral("                VER DATOS");
constexpr int gaugeTurn = 50;
/// Milliseconds between refreshes of the download's progress line.
constexpr int progressIntervalMs = 250;

/// The live recording's line once it has ended, before the file's name.
const QString liveRecordingEndedText = QStringLiteral("Grabación en vivo terminada: %1 en ");

/// "1 trama", "1234 tramas".
QString framesText(qint64 frames)
{
    return frames == 1 ? QStringLiteral("1 trama") : QStringLiteral("%1 tramas").arg(frames);
}

/// A one-shot timer as the window uses them: it repeats unless its tick stops it.
QTimer *makeTimer(QObject *parent, const char *name, int intervalMs)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(intervalMs);
    timer->setSingleShot(false);
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

template<typename Widget>
Widget *named(Widget *widget, const char *name, const QString &hint = {})
{
    widget->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty())
        widget->setToolTip(hint);
    return widget;
}

QLineEdit *makeEdit(QWidget *parent, const char *name, const QString &text, const QString &hint,
                    bool readOnly)
{
    auto *edit = named(new QLineEdit(text, parent), name, hint);
    edit->setReadOnly(readOnly);
    edit->setAlignment(Qt::AlignCenter);
    return edit;
}

} // namespace

TForm1::TForm1(ProgramWindows &windows, std::unique_ptr<SerialPortSurface> port, QWidget *parent)
    : Form(parent,
           Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
               | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , SerialPort1(*port)
    , executeFileDialog(runFileDialog)
    , m_windows(windows)
    , m_port(std::move(port))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("TORVELINDA-12BITS - 4 CANALES  V 3.2 "));
    setFixedSize(604, 435);
    QFont base(QStringLiteral("Arial"));
    base.setPointSize(8);
    setFont(base);
    QPalette red = palette();
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        red.setColor(role, Qt::red);
    setPalette(red);

    buildComponents();
    m_archiving = new WindowArchiving(*this);
    installMainWindowMenu(*this);

    Timer2 = makeTimer(this, "Timer2", 450);
    Timer3 = makeTimer(this, "Timer3", 100);
    Timer4 = makeTimer(this, "Timer4", 1500);
    // The progress line is refreshed four times a second: its count moves visibly, and its
    // repaints (with what lies under it) cost little during a download at line rate. It is
    // refreshed in the turn of a chunk that comes when it is due; the timer only shows the
    // count once chunks stop coming. It is set going at a refresh, not at every chunk, and runs
    // a little longer than the refresh interval, so that at line rate a chunk always comes
    // before it runs out: a steady download costs no turns of its own for it.
    m_progressTimer = new QTimer(this);
    m_progressTimer->setSingleShot(true);
    m_progressTimer->setInterval(progressIntervalMs + progressIntervalMs / 4);
    connect(m_progressTimer, &QTimer::timeout, this, [this] { showDownloadProgress(); });
    connect(Timer2, &QTimer::timeout, this,
            [this] { ErrorReport::guard([this] { Timer2Timer(); }); });
    connect(Timer3, &QTimer::timeout, this,
            [this] { ErrorReport::guard([this] { Timer3Timer(); }); });
    connect(Timer4, &QTimer::timeout, this,
            [this] { ErrorReport::guard([this] { Timer4Timer(); }); });

    SerialPort1.setLineSettings(LoggerCommands::loggerLineSettings());
    SerialPort1.setControlRTS(rtsDisable);
    // A receive handler's exception is reported here, so that reception goes on afterwards.
    SerialPort1.OnRxChar = [this](SerialPortSurface &, int count) {
        ErrorReport::guard([this, count] { SerialPort1RxChar(count); });
    };
    SerialPort1.OnError = [this](SerialPortSurface &, TSerialErrors errors) {
        ErrorReport::guard([this, errors] { SerialPort1Error(errors); });
    };
}

TForm1::~TForm1()
{
    SerialPort1.OnRxChar = nullptr;
    SerialPort1.OnError = nullptr;
}

void TForm1::buildComponents()
{
    const auto keepPlaceWhenHidden = [](QWidget *widget) {
        QSizePolicy keepPlace = widget->sizePolicy();
        keepPlace.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(keepPlace);
    };

    Gradient1 = named(new GradientBackground(this), "Gradient1");
    Gradient1->setColors(QColor(0xdd, 0xe6, 0xec), QColor(0x8a, 0x9b, 0xa8));
    Gradient1->setDirection(Qt::Vertical);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Gradient1);

    // Left half: the connection, the logger's clock and memory, the download.
    RockerSwitch1 = named(new RockerSwitch(Gradient1), "RockerSwitch1",
                          QStringLiteral("Conectar/desconectar con el logger"));
    RockerSwitch1->setText(offlineText);
    LED1 = named(new Led(Gradient1), "LED1");
    LED1->setColor(QColor(0xff, 0xc0, 0x20));

    ColBitBtn1 = named(new ColourButton(QStringLiteral(" REPORTADO POR EL LOGGER"), Gradient1),
                       "ColBitBtn1");
    ColBitBtn1->setFocusPolicy(Qt::NoFocus);
    Edit4 = makeEdit(Gradient1, "Edit4", QStringLiteral("DD/MM/AAAA"),
                     QStringLiteral("Fecha reportada por el logger"), true);
    Edit3 = makeEdit(Gradient1, "Edit3", QStringLiteral("HH:MM:SS"),
                     QStringLiteral("Hora reportada por el logger"), true);

    RadioGroup1 = named(new RadioGroup({QStringLiteral("15 MINUTOS"), QStringLiteral("30 MINUTOS"),
                                        QStringLiteral("60 MINUTOS")},
                                       Gradient1),
                        "RadioGroup1", QStringLiteral("Tasa de muestreo reportada por el logger"));

    Label2 = named(new QLabel(QStringLiteral(" Memoria ocupada: "), Gradient1), "Label2");
    Edit1 = makeEdit(Gradient1, "Edit1", QStringLiteral("0000"),
                     QStringLiteral("Cantidad de posiciones de memoria utilizadas"), false);
    Label3 = named(new QLabel(QStringLiteral(" Máx: 4000 "), Gradient1), "Label3");

    CheckBox1 = named(new QCheckBox(QStringLiteral(" Forzar descarga completa"), Gradient1),
                      "CheckBox1", QStringLiteral("SOLO SI SE QUEDÓ SIN PILAS"));
    ColBitBtn4 = named(new ColourButton(downloadText, Gradient1), "ColBitBtn4",
                       QStringLiteral("Descarga los datos del logger"));
    Gauge1 = named(new PieGauge(Gradient1), "Gauge1");
    Gauge1->setMaximum(gaugeTurn);
    Gauge1->setProgress(0);
    // The gauge shows only during a download; the download button keeps its size meanwhile.
    keepPlaceWhenHidden(Gauge1);

    // Outside every layout, so that showing it moves nothing.
    ProgressLabel = named(new QLabel(Gradient1), "ProgressLabel");
    ProgressLabel->setAlignment(Qt::AlignCenter);
    ProgressLabel->hide();
    LiveRecordingLabel = named(new QLabel(Gradient1), "LiveRecordingLabel");
    LiveRecordingLabel->setAlignment(Qt::AlignCenter);
    LiveRecordingLabel->hide();

    Splitter1 = named(new QFrame(Gradient1), "Splitter1");
    Splitter1->setFrameShape(QFrame::VLine);
    Splitter1->setFrameShadow(QFrame::Sunken);

    // Right half: the channels on line, the battery, the other windows, the PC's clock.
    ColBitBtn7 =
        named(new ColourButton(QStringLiteral("      CANALES EN LINEA"), Gradient1), "ColBitBtn7");
    ColBitBtn7->setFocusPolicy(Qt::NoFocus);
    const struct
    {
        ValueIndicator **indicator;
        const char *name;
        const char *channel;
        QString unit;
    } indicators[] = {
        {&ValueInd1, "ValueInd1", "CANAL 1", QStringLiteral("ºC")},
        {&ValueInd2, "ValueInd2", "CANAL 2", QStringLiteral("ºC")},
        {&ValueInd3, "ValueInd3", "CANAL 3", QStringLiteral("HºRº")},
        {&ValueInd4, "ValueInd4", "CANAL 4", QStringLiteral("PAR")},
    };
    for (std::size_t channel = 0; channel < std::size(indicators); ++channel) {
        const auto &item = indicators[channel];
        *item.indicator = named(new ValueIndicator(Gradient1), item.name);
        (*item.indicator)->setName(QString::fromLatin1(item.channel));
        (*item.indicator)->setUnit(item.unit);
        (*item.indicator)->setFormat(channelReadoutPatterns[channel]);
    }

    DialMeter1 = named(new DialMeter(Gradient1), "DialMeter1");
    DialMeter1->setName(QStringLiteral("Nivel de batería"));
    DialMeter1->setUnit(QStringLiteral("%"));
    DialMeter1->setScale(75, 100, 5);
    DialMeter1->setFormat(batteryReadoutPattern);

    ColBitBtn8 =
        named(new ColourButton(QStringLiteral("Indicadores gráficos"), Gradient1), "ColBitBtn8");
    // The gauges window hides this button while it is open; the panel keeps its place.
    keepPlaceWhenHidden(ColBitBtn8);
    ColBitBtn3 = named(new ColourButton(QStringLiteral("   CAMBIO DE TASA"), Gradient1),
                       "ColBitBtn3", QStringLiteral("Cambia la tasa de muestreo"));
    ColBitBtn2 = named(new ColourButton(QStringLiteral("     FECHA Y HORA ACTUAL"), Gradient1),
                       "ColBitBtn2", QStringLiteral("Transfiere fecha y hora al logger"));
    Clock2 = named(new DateClock(Gradient1), "Clock2");
    Clock1 = named(new TimeClock(Gradient1), "Clock1");
    ColBitBtn6 = named(new ColourButton(QStringLiteral("     KESTRA4"), Gradient1), "ColBitBtn6",
                       QStringLiteral("Ayuda para el uso del programa"));
    ColBitBtn5 = named(new ColourButton(Maker::webAddress, Gradient1), "ColBitBtn5",
                       QStringLiteral("Nuestra empresa"));

    // The command buttons share one look; the two indicator buttons light while connected.
    for (ColourButton *button :
         {ColBitBtn4, ColBitBtn8, ColBitBtn3, ColBitBtn2, ColBitBtn6, ColBitBtn5}) {
        button->setOffColor(QColor(0x2c, 0x4a, 0x66));
        button->setOnColor(QColor(0x3c, 0x6e, 0x9a));
    }
    for (ColourButton *indicator : {ColBitBtn1, ColBitBtn7}) {
        indicator->setOffColor(QColor(0x4a, 0x55, 0x60));
        indicator->setOnColor(QColor(0x2f, 0xa8, 0x5c));
    }

    auto *left = new QVBoxLayout;
    left->setSpacing(6);
    auto *switchRow = new QHBoxLayout;
    switchRow->addWidget(RockerSwitch1, 1);
    switchRow->addWidget(LED1, 0, Qt::AlignTop);
    left->addLayout(switchRow, 3);
    left->addWidget(ColBitBtn1);
    auto *clockRow = new QHBoxLayout;
    clockRow->addWidget(Edit4);
    clockRow->addWidget(Edit3);
    left->addLayout(clockRow);
    // The reported rate beside the two commands that change what the logger reports.
    auto *rateRow = new QHBoxLayout;
    rateRow->addWidget(RadioGroup1, 2);
    auto *loggerCommands = new QVBoxLayout;
    loggerCommands->addWidget(ColBitBtn3);
    loggerCommands->addWidget(ColBitBtn2);
    rateRow->addLayout(loggerCommands, 3);
    left->addLayout(rateRow);
    auto *memoryRow = new QHBoxLayout;
    memoryRow->addWidget(Label2);
    memoryRow->addWidget(Edit1);
    memoryRow->addWidget(Label3);
    left->addLayout(memoryRow);
    left->addWidget(CheckBox1);
    auto *downloadRow = new QHBoxLayout;
    // Along the bottom edge, in line with the last buttons of the right half; the switch above
    // takes the room to spare.
    downloadRow->addWidget(ColBitBtn4, 1, Qt::AlignBottom);
    downloadRow->addWidget(Gauge1, 0, Qt::AlignBottom);
    left->addLayout(downloadRow);

    auto *right = new QVBoxLayout;
    right->setSpacing(6);
    right->addWidget(ColBitBtn7);
    auto *channels = new QGridLayout;
    channels->addWidget(ValueInd1, 0, 0);
    channels->addWidget(ValueInd2, 0, 1);
    channels->addWidget(ValueInd3, 1, 0);
    channels->addWidget(ValueInd4, 1, 1);
    right->addLayout(channels, 5);
    auto *batteryRow = new QHBoxLayout;
    batteryRow->addWidget(DialMeter1, 1);
    auto *pcColumn = new QVBoxLayout;
    pcColumn->addWidget(ColBitBtn8);
    pcColumn->addWidget(Clock2);
    pcColumn->addWidget(Clock1);
    batteryRow->addLayout(pcColumn, 1);
    right->addLayout(batteryRow, 4);
    auto *aboutRow = new QHBoxLayout;
    aboutRow->addWidget(ColBitBtn6, 2);
    aboutRow->addWidget(ColBitBtn5, 3);
    right->addLayout(aboutRow);

    auto *halves = new QHBoxLayout(Gradient1);
    halves->setContentsMargins(10, 10, 10, 10);
    halves->setSpacing(10);
    halves->addLayout(left, 1);
    halves->addWidget(Splitter1);
    halves->addLayout(right, 1);

    const auto clickHandler = [this](auto *sender, void (TForm1::*handler)()) {
        connect(sender, &std::remove_pointer_t<decltype(sender)>::clicked, this,
                [this, handler] { ErrorReport::guard([this, handler] { (this->*handler)(); }); });
    };
    clickHandler(RockerSwitch1, &TForm1::RockerSwitch1Click);
    clickHandler(ColBitBtn4, &TForm1::ColBitBtn4Click);
    clickHandler(ColBitBtn2, &TForm1::ColBitBtn2Click);
    clickHandler(ColBitBtn3, &TForm1::ColBitBtn3Click);
    clickHandler(ColBitBtn5, &TForm1::ColBitBtn5Click);
    clickHandler(ColBitBtn6, &TForm1::ColBitBtn6Click);
    clickHandler(ColBitBtn8, &TForm1::ColBitBtn8Click);
    connect(RockerSwitch1, &RockerSwitch::mouseUp, this,
            [this] { ErrorReport::guard([this] { RockerSwitch1MouseUp(); }); });
}

bool TForm1::connected() const
{
    return RockerSwitch1->isOn();
}

void TForm1::onLine(const std::function<void()> &operations, const std::function<void()> &undo)
{
    try {
        operations();
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        if (undo)
            undo();
        try {
            std::rethrow_exception(failure);
        } catch (const ESerialPort &error) {
            if (error.DeviceGone())
                dropLine();
        } catch (...) {
        }
        std::rethrow_exception(failure);
    }
}

void TForm1::FormActivate()
{
    if (connectedOnce)
        return;
    // The program-wide formats are fixed for the whole run (ProgramFormats): nothing to set.
    downloading = false;
    Gauge1->hide();
    if (!skipPortSetup)
        SerialPort1.ShowPortSetup();
    activateWindow();
    setFocus();
}

void TForm1::RockerSwitch1Click()
{
    Edit4->clear();
    Edit3->clear();
    downloading = false;
    keepLastDownload();
    Edit2.clear();

    if (SerialPort1.Connected()) {
        closeLine();
        return;
    }

    m_lineDone = false;
    m_reportedSamples.reset();
    SerialPort1.setControlRTS(rtsEnable);
    try {
        SerialPort1.OpenPort();
    } catch (...) {
        // Nothing is connected: say why, then let the switch and RTS tell the truth again.
        ErrorReport::showCurrentException();
        RockerSwitch1->setOn(false);
        SerialPort1.setControlRTS(rtsDisable);
        return;
    }
    RockerSwitch1->setText(onlineText);
    RockerSwitch1->setOn(true);
    ColBitBtn7->setOn(true);
    ColBitBtn1->setOn(true);
    connectedOnce = true;
    Edit4->clear();
    Edit3->clear();
    downloading = false;
    Timer4->start();
    // The live chart goes on across a reconnection to the same logger and starts again for
    // another one; how the last recording ended, and where the last logger's download was
    // archived, is old news.
    m_liveFrames.beginConnection(SerialPort1.Port());
    m_archiving->connectionChanged();
    LiveRecordingLabel->hide();
    emit liveFramesChanged();
}

void TForm1::showDisconnected()
{
    // Nothing arrives any more: a frame cut short by the line's end leaves no light behind.
    LED1->setLit(false);
    RockerSwitch1->setText(offlineText);
    RockerSwitch1->setOn(false);
    ColBitBtn7->setOn(false);
    ColBitBtn1->setOn(false);
}

void TForm1::RockerSwitch1MouseUp()
{
    setCursor(Qt::ArrowCursor);
}

void TForm1::SerialPort1RxChar(int Count)
{
    LED1->setLit(true);
    if (downloading) {
        Gauge1->show();
        DESCARGAR(Count);
    } else {
        Gauge1->hide();
        takeStatusBytes(LoggerCommands::receiveChunk(SerialPort1, Count));
    }
    if (clockSetPending && !Timer3->isActive())
        Timer3->start();
    // Reported last, so that the frame has been shown and kept, and the clock set, all the same.
    if (m_liveRecordingFailure)
        std::rethrow_exception(std::exchange(m_liveRecordingFailure, nullptr));
}

void TForm1::takeStatusBytes(const QByteArray &chunk)
{
    if (const std::optional<QByteArray> frame = Edit2.append(chunk)) {
        LED1->setLit(false);
        showStatusFrame(decodeStatusFrame(*frame));
    }
}

void TForm1::SerialPort1Error(TSerialErrors Errors)
{
    if (!Errors.testFlag(errDevice) || m_lineDone)
        return; // a damaged byte is caught by the frame and download checks
    // The device is gone (a cable pulled out): no more bytes will come, so a download being
    // collected can never end. Close the line and say why, once; the user can connect again.
    dropLine();
    throw ESerialPort(ESerialPort::ReadFailed, EIO);
}

void TForm1::showStatusFrame(const StatusFrameDecoding &decoded)
{
    if (decoded.channels) {
        const std::array<double, 4> &values = decoded.channels->values;
        ValueIndicator *indicators[] = {ValueInd1, ValueInd2, ValueInd3, ValueInd4};
        TForm4 *gauges = m_windows.Form4;
        Thermometer *thermometers[] = {gauges->Thermometer1, gauges->Thermometer2,
                                       gauges->Thermometer3, gauges->Thermometer4};
        for (std::size_t i = 0; i < 4; ++i) {
            indicators[i]->setValue(float(values[i]));
            thermometers[i]->setValue(float(values[i]));
        }
    }
    if (decoded.details) {
        const StatusDetails &details = *decoded.details;
        Edit1->setText(details.memoryText);
        m_reportedSamples = storedSamples(details);
        Edit4->setText(details.loggerDate);
        Edit3->setText(details.loggerTime);
        DialMeter1->setValue(float(details.batteryLevel));
        if (details.rate)
            RadioGroup1->setItemIndex(int(*details.rate));
    }
    keepLiveFrame(decoded);
    if (decoded.failure)
        throw *decoded.failure;
}

void TForm1::keepLiveFrame(const StatusFrameDecoding &decoded)
{
    const std::optional<LiveFrame> frame =
        liveFrameFrom(decoded, QDateTime::currentMSecsSinceEpoch());
    if (!frame)
        return;
    m_liveFrames.append(*frame);
    emit liveFramesChanged();
    if (!m_liveRecorder)
        return;
    try {
        m_liveRecorder->record(*frame);
    } catch (...) {
        m_liveRecordingFailure = std::current_exception();
        endLiveRecording(QStringLiteral("Grabación en vivo interrumpida: %1 en "));
        return;
    }
    showLiveRecording();
}

bool TForm1::liveRecording() const
{
    return m_liveRecorder != nullptr;
}

void TForm1::toggleLiveRecording()
{
    if (m_liveRecorder) {
        endLiveRecording(liveRecordingEndedText);
        return;
    }
    if (!connected())
        return;
    QFileDialog dialog(this, QStringLiteral("Grabar en vivo"), QDir::homePath());
    dialog.setObjectName(QStringLiteral("LiveRecordingDialog"));
    // A file that exists is continued, not replaced: there is nothing to confirm.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("CSV (*.csv)")});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    const QString fileName = executeFileDialog(dialog);
    // The line may have gone while the dialog was open.
    if (fileName.isEmpty() || !connected())
        return;
    m_liveRecorder = std::make_unique<LiveRecorder>(fileName);
    LiveRecordingLabel->setToolTip(m_liveRecorder->fileName());
    showLiveRecording();
}

void TForm1::endLiveRecording(const QString &how)
{
    if (!m_liveRecorder)
        return;
    const QString line = how.arg(framesText(m_liveRecorder->framesRecorded()));
    m_liveRecorder->stop();
    const QString fileName = m_liveRecorder->fileName();
    m_liveRecorder.reset();
    placeLiveRecordingLine(line, fileName);
}

void TForm1::showLiveRecording()
{
    placeLiveRecordingLine(
        QStringLiteral("Grabando en vivo: %1, ").arg(framesText(m_liveRecorder->framesRecorded())),
        m_liveRecorder->fileName());
}

void TForm1::placeLiveRecordingLine(const QString &text, const QString &fileName)
{
    // Above the switch, beside the LED, where the switch's housing leaves room; nothing moves.
    // A fixed size keeps each new text from making the window lay out its controls again.
    const QRect switchPlace = RockerSwitch1->geometry();
    const int width = LED1->geometry().left() - 4 - switchPlace.left();
    LiveRecordingLabel->setFixedSize(width, 28);
    LiveRecordingLabel->move(switchPlace.left(), switchPlace.top() + 2);
    // One line when it fits, else the file's name goes on a second line; a long name gives way
    // in its middle, the count stays whole.
    const QFontMetrics metrics = LiveRecordingLabel->fontMetrics();
    const QString name = QFileInfo(fileName).fileName();
    const int room = width - 2 * metrics.averageCharWidth();
    if (metrics.horizontalAdvance(text + name) <= room)
        LiveRecordingLabel->setText(text + name);
    else
        LiveRecordingLabel->setText(text.trimmed() + QLatin1Char('\n')
                                    + metrics.elidedText(name, Qt::ElideMiddle, room));
    LiveRecordingLabel->show();
}

void TForm1::ColBitBtn4Click()
{
    Gauge1->show();
    if (dataDownloaded) {
        m_windows.Form5->showModal();
        return;
    }
    requestDownload();
}

void TForm1::downloadAgain()
{
    if (!connected() || downloading || Timer2->isActive())
        return;
    if (dataDownloaded && !m_lastDownload)
        m_lastDownload = RichEdit1.text();
    Gauge1->show();
    requestDownload();
}

void TForm1::showDownloadProgress()
{
    if (!downloading) {
        m_progressTimer->stop();
        ProgressLabel->hide();
        return;
    }
    // Just above the logger's indicators, where the switch leaves room; nothing moves. A fixed
    // size, wide enough for the longest text and centred over the indicators, keeps each new
    // text from making the window lay out all its controls again.
    // The width is measured once: the label's font does not change.
    const QRect below = ColBitBtn1->geometry();
    if (m_progressTextWidth == 0) {
        const QFontMetrics metrics = ProgressLabel->fontMetrics();
        for (int received : {0, LoggerCommands::memoryCapacity})
            m_progressTextWidth =
                std::max(m_progressTextWidth,
                         metrics.horizontalAdvance(DownloadProgress::text(
                             received, LoggerCommands::memoryCapacity))
                             + 2 * metrics.averageCharWidth());
    }
    const int width = std::max(below.width(), m_progressTextWidth);
    ProgressLabel->setFixedSize(width, 18);
    ProgressLabel->move(std::max(0, below.center().x() + 1 - width / 2), below.y() - 20);
    ProgressLabel->setText(DownloadProgress::text(DownloadProgress::samplesIn(m_receivedLineBreaks),
                                                  m_requestedSamples));
    ProgressLabel->show();
    m_progressShown.start();
}

void TForm1::keepLastDownload()
{
    if (!m_lastDownload)
        return;
    RichEdit1.clear();
    (void)RichEdit1.append(*m_lastDownload);
    m_lastDownload.reset();
}

void TForm1::requestDownload()
{
    RichEdit1.clear();
    if (!connected())
        return;
    // No frames come while the logger sends its memory.
    m_liveFrames.markGap();
    m_requestedSamples = CheckBox1->isChecked()
        ? std::optional<int>(LoggerCommands::memoryCapacity)
        : m_reportedSamples;
    setCursor(Qt::WaitCursor);
    Timer2->start();
    onLine(
        [this] {
            SerialPort1.DiscardQueues(true, false);
            RichEdit1.clear();
            setCursor(Qt::WaitCursor);
            SerialPort1.SendText(LoggerCommands::downloadRequest(CheckBox1->isChecked()));
            downloading = true;
            // The logger needs the pause before "X"; nothing is handled meanwhile.
            QThread::msleep(LoggerCommands::downloadConfirmDelayMs);
            SerialPort1.SendText(LoggerCommands::downloadConfirm);
        },
        [this] { abandonDownloadRequest(); });
    Gauge1->show();
}

void TForm1::abandonDownloadRequest()
{
    Timer2->stop();
    downloading = false;
    keepLastDownload();
    Gauge1->hide();
    unsetCursor();
}

void TForm1::DESCARGAR(int Count)
{
    const QByteArray chunk = LoggerCommands::receiveChunk(SerialPort1, Count);
    if (!RichEdit1.append(chunk)) {
        m_receivedLineBreaks += int(chunk.count('\n'));
        if (!m_progressShown.isValid()) {
            // The first chunk: the line comes with the count of a refresh interval later, and
            // never for a download over by then.
            m_progressShown.start();
            m_progressTimer->start();
        } else if (m_progressShown.elapsed() >= progressIntervalMs) {
            showDownloadProgress();
            m_progressTimer->start();
        } else if (!m_progressTimer->isActive()) {
            m_progressTimer->start(); // shown by the timer: this count is shown after it
        }
        Gauge1->setProgress(Gauge1->progress() + 1);
        if (Gauge1->progress() >= gaugeTurn)
            Gauge1->setProgress(0);
        return;
    }
    downloading = false;
    Gauge1->hide();
    unsetCursor();
    showDownloadProgress();
    ColBitBtn4->setOffText(viewDataOffText);
    ColBitBtn4->setOnText(viewDataOnText);
    dataDownloaded = true;
    m_lastDownload.reset();
    // A download that is short, or has lines the logger cannot have sent, is no success.
    const DownloadCheck check = checkDownload(DownloadLines(RichEdit1.text()), m_requestedSamples);
    // What shared the marker's read is the status frames that followed it: taken once the data
    // window is closed, as a read of their own would have been.
    const QByteArray afterEnd = RichEdit1.afterEnd();
    m_archiving->downloadEnded(RichEdit1.text(), m_requestedSamples);
    m_windows.Form5->showDownload(downloadCheckMessage(check));
    if (!afterEnd.isEmpty()) {
        LED1->setLit(true);
        takeStatusBytes(afterEnd);
    }
}

void TForm1::HORAAPIC()
{
    if (!connected())
        return;
    Edit2.clear();
    onLine([this] {
        LoggerCommands::sendEach(SerialPort1,
                                 LoggerCommands::clockSetCommand(QDateTime::currentDateTime()));
    });
}

// Each timer stops itself before it acts, so a failing act is reported once, not at every
// interval for ever.

void TForm1::Timer2Timer()
{
    Timer2->stop();
    if (!connected())
        return;
    // Collection begins only once both purges are done: a failed one leaves none running.
    onLine(
        [this] {
            SerialPort1.DiscardQueues(true, false);
            RichEdit1.clear();
            SerialPort1.DiscardQueues(true, false);
            RichEdit1.clear();
            m_receivedLineBreaks = 0;
            m_progressShown.invalidate();
            downloading = true;
        },
        [this] { abandonDownloadRequest(); });
}

void TForm1::Timer3Timer()
{
    Timer3->stop();
    clockSetPending = false;
    HORAAPIC();
}

void TForm1::Timer4Timer()
{
    Timer4->stop();
    Edit4->clear();
    Edit3->clear();
    // Connecting has already cleared `downloading`; clearing it again here could only cancel a
    // download requested in the first moments after connecting, leaving it collected as frames.
}

void TForm1::ColBitBtn2Click()
{
    m_windows.Form8->show();
    m_windows.Form8->activateWindow();
}

void TForm1::ColBitBtn3Click()
{
    m_windows.Form7->showModal();
}

void TForm1::ColBitBtn5Click()
{
    m_windows.Form2->showModal();
}

void TForm1::ColBitBtn6Click()
{
    m_windows.Form3->showModal();
}

void TForm1::ColBitBtn8Click()
{
    m_windows.Form4->show();
    m_windows.Form4->activateWindow();
}

void TForm1::showSavedFile()
{
    if (m_windows.Form5->openSavedFileDialog())
        m_windows.Form5->showModal();
}

void TForm1::FormClose()
{
    closeLine();
}

void TForm1::closeLine()
{
    // A device that is gone refuses the RTS change; the port must close all the same, or the
    // user could never disconnect. Any other failure is reported once the port is closed; a
    // device that is gone has been reported already, or is about to be by its error event.
    std::exception_ptr rtsFailure;
    try {
        SerialPort1.setControlRTS(rtsDisable);
    } catch (const ESerialPort &error) {
        if (!error.DeviceGone() && !m_lineDone)
            rtsFailure = std::current_exception();
    } catch (...) {
        rtsFailure = std::current_exception();
    }
    // Once closed, the gone device's error event of this connection is not reported.
    m_lineDone = true;
    SerialPort1.ClosePort();
    showDisconnected();
    endLiveFrames();
    if (rtsFailure)
        std::rethrow_exception(rtsFailure);
}

void TForm1::dropLine()
{
    m_lineDone = true;
    abandonDownloadRequest();
    Edit4->clear();
    Edit3->clear();
    Edit2.clear();
    try {
        SerialPort1.setControlRTS(rtsDisable);
        SerialPort1.ClosePort();
    } catch (const ESerialPort &) {
        // The device is gone: what it refuses now changes nothing and was reported already.
        try {
            SerialPort1.ClosePort();
        } catch (const ESerialPort &) {
        }
    }
    showDisconnected();
    endLiveFrames();
}

void TForm1::endLiveFrames()
{
    m_liveFrames.markGap();
    endLiveRecording(liveRecordingEndedText);
    emit liveFramesChanged();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    ErrorReport::guard([this] { FormClose(); });
    event->accept();
    emit closed();
}
