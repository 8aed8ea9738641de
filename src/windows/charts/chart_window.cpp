#include "windows/charts/chart_window.h"

#include "runtime/centre_on_desktop.h"
#include "runtime/conversion_error.h"
#include "runtime/error_report.h"
#include "runtime/run_file_dialog.h"
#include "runtime/window_fonts.h"
#include "widgets/colour_button.h"
#include "widgets/gradient_background.h"
#include "widgets/instrument_style.h"
#include "windows/charts/chart_period.h"
#include "windows/charts/chart_picture.h"
#include "windows/charts/chart_view.h"
#include "windows/charts/chart_window_menu.h"
#include "windows/charts/print_preview_dialog.h"
#include "windows/data_window.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrinter>
#include <QScopeGuard>

#include <algorithm>
#include <numeric>

namespace {

/// A push button of the instrument widget set: bold black caption on a grey face, lime while
/// pressed.
ColourButton *makeButton(QWidget *parent, const char *name, const QString &caption,
                         const QRect &geometry)
{
    auto *button = new ColourButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    // The face used where "MS Sans Serif" is missing may be wider: the caption shrinks to fit.
    const QFont font = WindowFonts::font(QStringLiteral("MS Sans Serif"), 8, true);
    button->setFont(InstrumentStyle::fittedFont(font, caption,
                                                QSizeF(geometry.width() - 12, geometry.height()),
                                                QFontInfo(font).pixelSize()));
    button->setOffColor(QColor(172, 172, 172));
    button->setOnColor(QColor(172, 172, 172));
    button->setTextColor(Qt::black);
    button->setTextAlignment(Qt::AlignHCenter);
    button->setFocusPolicy(Qt::TabFocus);
    button->setGeometry(geometry);
    QObject::connect(button, &ColourButton::pressed, button,
                     [button] { button->setTextColor(QColor(0, 255, 0)); });
    QObject::connect(button, &ColourButton::released, button,
                     [button] { button->setTextColor(Qt::black); });
    return button;
}

QCheckBox *makeCheckBox(QWidget *parent, const char *name, const QString &caption,
                        const QColor &colour, const QRect &geometry)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFont(WindowFonts::font(QStringLiteral("Arial"), 8, true));
    QPalette palette = box->palette();
    palette.setColor(QPalette::WindowText, colour);
    box->setPalette(palette);
    box->setChecked(true);
    box->setGeometry(geometry);
    // Yellow text cannot be read on the light window: it gets a dark ground of its own.
    if (qGray(colour.rgb()) > 160) {
        palette.setColor(box->backgroundRole(), QColor(0x4a, 0x55, 0x60));
        box->setPalette(palette);
        box->setAutoFillBackground(true);
    }
    return box;
}

const QString datesAxisTitle = QStringLiteral("Fecha y hora");
const QString temperatureAxisTitle = QStringLiteral("Temperatura °C");

QVector<double> keysOf(const std::vector<qint64> &times)
{
    QVector<double> keys;
    keys.reserve(qsizetype(times.size()));
    for (const qint64 t : times)
        keys.append(double(t));
    return keys;
}

QVector<double> places(qsizetype count)
{
    QVector<double> keys(count);
    std::iota(keys.begin(), keys.end(), 0.0);
    return keys;
}

/// The caption of a window charting a station's record.
QString recordCaption(const QString &station)
{
    return QStringLiteral("GRAFICO DE LOS VALORES DESCARGADOS – ") + station;
}

} // namespace

TForm6::TForm6(ProgramWindows &windows, QWidget *parent)
    : Form(parent,
           Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
               | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , executeFileDialog(runFileDialog)
    , m_windows(windows)
    , m_timeAxis(TimeAxis::SampleNumber)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("GRAFICO DE LOS VALORES DESCARGADOS"));
    setFixedSize(733, 581);
    setFont(WindowFonts::msSansSerif());
    buildComponents();
}

void TForm6::buildComponents()
{
    Gradient1 = new GradientBackground(this);
    Gradient1->setObjectName(QStringLiteral("Gradient1"));
    Gradient1->setColors(QColor(0xd4, 0xd9, 0xde), QColor(0x8a, 0x9b, 0xa8));
    Gradient1->setGradientEnabled(false);
    Gradient1->setGeometry(rect());

    Chart1 = new ChartView(ChartDescriptions::temperature(), Gradient1);
    Chart1->setGeometry(3, 31, 706, 246);
    Chart2 = new ChartView(ChartDescriptions::humidity(), Gradient1);
    Chart2->setGeometry(4, 284, 349, 250);
    Chart3 = new ChartView(ChartDescriptions::par(), Gradient1);
    Chart3->setGeometry(356, 284, 353, 250);
    Series1 = Chart1->series(0);
    Series2 = Chart1->series(1);
    Series3 = Chart1->series(2);
    Series4 = Chart1->series(3);
    Series9 = Chart2->series(0);
    Series10 = Chart3->series(0);

    const QString copy = QStringLiteral("Copiar");
    const QString print = QStringLiteral("Imprimir");
    ColBitBtn4 = makeButton(Gradient1, "ColBitBtn4", copy, QRect(8, 8, 65, 21));
    CheckBox1 = makeCheckBox(Gradient1, "CheckBox1", QStringLiteral("CANAL 1"), QColor(255, 0, 0),
                             QRect(114, 9, 67, 17));
    CheckBox2 = makeCheckBox(Gradient1, "CheckBox2", QStringLiteral("CANAL 2"), QColor(0, 0, 255),
                             QRect(211, 9, 70, 17));
    CheckBox3 = makeCheckBox(Gradient1, "CheckBox3", QStringLiteral("CANAL 3"), QColor(0, 128, 0),
                             QRect(308, 9, 70, 17));
    CheckBox4 = makeCheckBox(Gradient1, "CheckBox4", QStringLiteral("CANAL 4"), QColor(255, 255, 0),
                             QRect(405, 9, 70, 17));
    ColBitBtn8 =
        makeButton(Gradient1, "ColBitBtn8", QStringLiteral("Mover"), QRect(532, 4, 53, 25));
    ColBitBtn7 = makeButton(Gradient1, "ColBitBtn7", QStringLiteral("Zoom"), QRect(592, 4, 53, 25));
    ColBitBtn1 = makeButton(Gradient1, "ColBitBtn1", print, QRect(652, 4, 53, 25));
    ColBitBtn5 = makeButton(Chart2, "ColBitBtn5", copy, QRect(12, 8, 65, 21));
    ColBitBtn2 = makeButton(Chart2, "ColBitBtn2", print, QRect(268, 8, 65, 21));
    ColBitBtn6 = makeButton(Chart3, "ColBitBtn6", copy, QRect(12, 8, 65, 21));
    ColBitBtn3 = makeButton(Chart3, "ColBitBtn3", print, QRect(284, 8, 53, 21));

    const auto onToggle = [this](QCheckBox *box, void (TForm6::*handler)()) {
        connect(box, &QCheckBox::toggled, this,
                [this, handler] { ErrorReport::guard([this, handler] { (this->*handler)(); }); });
    };
    onToggle(CheckBox1, &TForm6::CheckBox1Click);
    onToggle(CheckBox2, &TForm6::CheckBox2Click);
    onToggle(CheckBox3, &TForm6::CheckBox3Click);
    onToggle(CheckBox4, &TForm6::CheckBox4Click);
    const auto onClick = [this](ColourButton *button, void (TForm6::*handler)()) {
        connect(button, &ColourButton::clicked, this,
                [this, handler] { ErrorReport::guard([this, handler] { (this->*handler)(); }); });
    };
    onClick(ColBitBtn1, &TForm6::ColBitBtn1Click);
    onClick(ColBitBtn2, &TForm6::ColBitBtn2Click);
    onClick(ColBitBtn3, &TForm6::ColBitBtn3Click);
    onClick(ColBitBtn4, &TForm6::ColBitBtn4Click);
    onClick(ColBitBtn5, &TForm6::ColBitBtn5Click);
    onClick(ColBitBtn6, &TForm6::ColBitBtn6Click);
    onClick(ColBitBtn7, &TForm6::ColBitBtn7Click);
    onClick(ColBitBtn8, &TForm6::ColBitBtn8Click);

    for (ChartView *chart : {Chart1, Chart2, Chart3}) {
        chart->sampleMoment = [this](int row) {
            if (m_record) {
                if (row < 1 || row > int(m_record->samples.size()))
                    return QString();
                const qint64 t = m_record->samples.at(size_t(row) - 1).t;
                return sampleDateText(t) + QLatin1Char(' ') + sampleTimeText(t);
            }
            const SampleGrid samples = grid();
            return samples.cellText(1, row) + QLatin1Char(' ') + samples.cellText(2, row);
        };
        connect(chart, &ChartView::menuRequested, this,
                [this, chart](QPoint at) { showChartMenu(*this, *chart, at); });
    }
}

void TForm6::saveChartPicture(ChartView *chart)
{
    QString startDate = m_windows.Form5 ? m_windows.Form5->Edit1->text() : QString();
    if (m_record)
        startDate =
            m_record->samples.empty() ? QString() : sampleDateText(m_record->samples.front().t);
    const struct
    {
        QString filter;
        ChartPicture::Kind kind;
    } kinds[] = {
        {QStringLiteral("Imagen PNG (*.png)"), ChartPicture::Kind::Png},
        {QStringLiteral("Imagen PNG al doble de tamaño (*.png)"), ChartPicture::Kind::Png2x},
        {QStringLiteral("Documento PDF (*.pdf)"), ChartPicture::Kind::Pdf},
    };
    QStringList filters;
    for (const auto &kind : kinds)
        filters << kind.filter;

    QFileDialog dialog(this, QStringLiteral("Guardar imagen del gráfico"), QDir::homePath());
    dialog.setObjectName(QStringLiteral("PictureDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.selectFile(
        ChartPicture::defaultFileName(chart->title(), startDate, ChartPicture::Kind::Png));
    // The offered name follows the kind chosen.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
        for (const auto &kind : kinds)
            if (kind.filter == filter)
                dialog.selectFile(
                    ChartPicture::defaultFileName(chart->title(), startDate, kind.kind));
    });
    const QString fileName = executeFileDialog(dialog);
    if (fileName.isEmpty())
        return;
    ChartPicture::Kind kind = ChartPicture::Kind::Png;
    for (const auto &offered : kinds)
        if (offered.filter == dialog.selectedNameFilter())
            kind = offered.kind;
    // A name typed with the other kind's extension gets the kind it names.
    if (fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        kind = ChartPicture::Kind::Pdf;
    else if (fileName.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)
             && kind == ChartPicture::Kind::Pdf)
        kind = ChartPicture::Kind::Png;
    ChartPicture::save(*chart, fileName, kind);
}

void TForm6::showEvent(QShowEvent *event)
{
    centreOnDesktop(this);
    Form::showEvent(event);
}

void TForm6::setSampleGrid(SampleGrid grid)
{
    m_grid = std::move(grid);
}

SampleGrid TForm6::grid() const
{
    if (m_grid.sampleCount && m_grid.cellText)
        return m_grid;
    if (TForm5 *data = m_windows.Form5) {
        return {[data] { return data->sampleCount(); },
                [data](int column, int row) { return data->StringGrid1->cellText(column, row); },
                [data] {
                    return data->shownRecordCoverage();
                }};
    }
    return {[] { return 0; },
            [](int, int) {
                return QString();
            }};
}

void TForm6::FormActivate()
{
    if (m_record || m_loadingRecord)
        return;
    fillFromGrid();
}

void TForm6::showRecord(ChartRecord record)
{
    // The lines are drawn in the order of their keys.
    const auto earlier = [](const ArchivedSample &a, const ArchivedSample &b) {
        return a.t < b.t;
    };
    if (!std::is_sorted(record.samples.begin(), record.samples.end(), earlier))
        std::stable_sort(record.samples.begin(), record.samples.end(), earlier);
    setWindowTitle(recordCaption(record.station));
    m_record = std::move(record);
    m_loadingRecord = false;
    m_timeAxis = TimeAxis::Dates;
    fill();
}

void TForm6::showRecordLoading(const QString &station)
{
    setWindowTitle(recordCaption(station));
    CheckBox1->setText(QStringLiteral("Canal1"));
    CheckBox2->setText(QStringLiteral("Canal2"));
    m_loadingRecord = true;
    m_timeAxis = TimeAxis::Dates;
    showTimeAxis();
    for (ChartView *chart : {Chart1, Chart2, Chart3})
        chart->setPeriodLine(QStringLiteral("Leyendo el archivo…"));
}

void TForm6::setTimeAxis(TimeAxis axis)
{
    m_timeAxis = axis;
    fill();
}

void TForm6::fill()
{
    if (m_record)
        fillFromRecord();
    else
        fillFromGrid();
}

void TForm6::showTimeAxis()
{
    const bool dates = m_timeAxis == TimeAxis::Dates;
    for (ChartView *chart : {Chart1, Chart2, Chart3})
        chart->setTimeAxis(m_timeAxis);
    Chart1->setAxisTitles(dates ? datesAxisTitle : QStringLiteral("Muestra número (Tiempo)"),
                          temperatureAxisTitle);
    for (ChartView *chart : {Chart2, Chart3})
        chart->setAxisTitles(dates ? datesAxisTitle : chart->description().bottomAxis.title,
                             chart->leftAxisTitle());
}

void TForm6::showPeriod(const std::vector<qint64> &times, const std::vector<int> &stepsMinutes)
{
    const QString line = m_timeAxis == TimeAxis::Dates && !times.empty()
        ? ChartPeriod::line(times.front(), times.back(), stepsMinutes)
        : QString();
    for (ChartView *chart : {Chart1, Chart2, Chart3})
        chart->setPeriodLine(line);
}

void TForm6::fillFromGrid()
{
    // The grid's texts are read with the program's decimal comma (parseProgramFloat), whatever
    // the locale, so there are no separators to set here.
    CheckBox1->setVisible(true);
    CheckBox1->setText(QStringLiteral("Canal1"));
    CheckBox2->setVisible(true);
    CheckBox2->setText(QStringLiteral("Canal2"));

    // The dates are read only where they are needed: for a date axis, or to break the lines of
    // an archived stretch at its gaps.
    const SampleGrid samples = grid();
    const std::optional<RecordCoverage> coverage =
        samples.coverage ? samples.coverage() : std::nullopt;
    const bool hasGaps = coverage && !coverage->gaps.empty();
    TimeReading reading;
    if (m_timeAxis == TimeAxis::Dates || hasGaps)
        reading = readTimes(samples);
    QString dateProblem;
    if (m_timeAxis == TimeAxis::Dates && reading.badRow) {
        dateProblem = QStringLiteral("La fila %1 no tiene una fecha y hora válidas o va antes que "
                                     "la anterior: el eje de tiempo sigue en número de muestra.")
                          .arg(*reading.badRow);
        m_timeAxis = TimeAxis::SampleNumber;
    }
    std::vector<qsizetype> breaks;
    if (hasGaps && !reading.badRow)
        breaks = breaksAt(reading.times, coverage->gaps);
    const QVector<double> keys =
        m_timeAxis == TimeAxis::Dates ? keysOf(reading.times) : QVector<double>();

    showTimeAxis();
    showPeriod(reading.times,
               coverage ? coverage->stepsMinutes : ChartPeriod::commonStep(reading.times));
    fillSeries(Chart1, 0, 1, keys, breaks);
    fillSeries(Chart1, 1, 2, keys, breaks);
    fillSeries(Chart2, 0, 3, keys, breaks);
    fillSeries(Chart3, 0, 4, keys, breaks);
    if (!dateProblem.isEmpty())
        ErrorReport::show(dateProblem);
}

void TForm6::fillFromRecord()
{
    CheckBox1->setText(QStringLiteral("Canal1"));
    CheckBox2->setText(QStringLiteral("Canal2"));
    const std::vector<ArchivedSample> &samples = m_record->samples;
    std::vector<qint64> times;
    times.reserve(samples.size());
    for (const ArchivedSample &sample : samples)
        times.push_back(sample.t);
    const std::vector<qsizetype> breaks = breaksAt(times, m_record->coverage.gaps);
    const QVector<double> keys =
        m_timeAxis == TimeAxis::Dates ? keysOf(times) : places(qsizetype(times.size()));

    showTimeAxis();
    showPeriod(times, m_record->coverage.stepsMinutes);
    const struct
    {
        ChartView *chart;
        int series;
    } targets[] = {{Chart1, 0}, {Chart1, 1}, {Chart2, 0}, {Chart3, 0}};
    for (int channel = 0; channel < 4; ++channel) {
        // Channels 1 to 3 are kept in tenths, PAR in units.
        const double unit = channel < 3 ? 10.0 : 1.0;
        QVector<double> values;
        values.reserve(keys.size());
        for (const ArchivedSample &sample : samples)
            values.append(sample.values.at(size_t(channel)) / unit);
        targets[channel].chart->setSeriesPoints(targets[channel].series,
                                                brokenSeries(keys, values, breaks));
    }
}

void TForm6::fillSeries(ChartView *chart, int seriesIndex, int channel, const QVector<double> &keys,
                        const std::vector<qsizetype> &breaks)
{
    chart->setSeriesValues(seriesIndex, {});
    const ColumnReading reading = readColumn(grid(), channelColumn(channel));
    if (keys.isEmpty() && breaks.empty())
        chart->setSeriesValues(seriesIndex, reading.values);
    else
        chart->setSeriesPoints(seriesIndex,
                               brokenSeries(keys.isEmpty() ? places(reading.values.size()) : keys,
                                            reading.values, breaks));
    if (reading.badCell)
        throw EConvertError::invalidFloat(*reading.badCell);
}

void TForm6::CheckBox1Click()
{
    Chart1->setSeriesVisible(0, CheckBox1->isChecked());
}

void TForm6::CheckBox2Click()
{
    Chart1->setSeriesVisible(1, CheckBox2->isChecked());
}

// "CANAL 3" and "CANAL 4" show or hide the humidity and PAR series on their own charts, as
// "Canal1" and "Canal2" do for the temperatures; the two series of the temperature chart that
// are never filled follow the boxes as well.
void TForm6::CheckBox3Click()
{
    Chart1->setSeriesVisible(2, CheckBox3->isChecked());
    Chart2->setSeriesVisible(0, CheckBox3->isChecked());
}

void TForm6::CheckBox4Click()
{
    Chart1->setSeriesVisible(3, CheckBox4->isChecked());
    Chart3->setSeriesVisible(0, CheckBox4->isChecked());
}

void TForm6::ColBitBtn1Click()
{
    printChart(Chart1);
}

void TForm6::ColBitBtn2Click()
{
    printChart(Chart2);
}

void TForm6::ColBitBtn3Click()
{
    printChart(Chart3);
}

void TForm6::ColBitBtn4Click()
{
    copyChart(Chart1);
}

void TForm6::ColBitBtn5Click()
{
    copyChart(Chart2);
}

void TForm6::ColBitBtn6Click()
{
    copyChart(Chart3);
}

void TForm6::ColBitBtn7Click()
{
    showHint(QStringLiteral("Haga un rectángulo con el mouse de izquierda a derecha y de arriba "
                            "hacia abajo, sobre el lugar deseado."));
}

void TForm6::ColBitBtn8Click()
{
    showHint(QStringLiteral("Botón derecho del mouse sobre el gráfico."));
}

void TForm6::printChart(ChartView *chart)
{
    auto *dialog = new TChartPreview(this, chart, printer());
    const auto finish = qScopeGuard([dialog, chart] {
        delete dialog;
        chart->replot(QCustomPlot::rpQueuedReplot);
    });
    dialog->exec();
}

TForm6::~TForm6() = default;

QPrinter &TForm6::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void TForm6::copyChart(ChartView *chart)
{
    QGuiApplication::clipboard()->setPixmap(chart->toBitmap());
}

void TForm6::showHint(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, ErrorReport::applicationTitle(), text, QMessageBox::Ok,
                    this);
    box.exec();
}
