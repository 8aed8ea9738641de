#include "windows/charts/chart_window.h"

#include "runtime/centre_on_desktop.h"
#include "runtime/conversion_error.h"
#include "runtime/error_report.h"
#include "runtime/run_file_dialog.h"
#include "runtime/window_fonts.h"
#include "widgets/colour_button.h"
#include "widgets/gradient_background.h"
#include "widgets/instrument_style.h"
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

} // namespace

TForm6::TForm6(ProgramWindows &windows, QWidget *parent)
    : Form(parent,
           Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
               | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , executeFileDialog(runFileDialog)
    , m_windows(windows)
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
            const SampleGrid samples = grid();
            return samples.cellText(1, row) + QLatin1Char(' ') + samples.cellText(2, row);
        };
        connect(chart, &ChartView::menuRequested, this,
                [this, chart](QPoint at) { showChartMenu(*this, *chart, at); });
    }
}

void TForm6::saveChartPicture(ChartView *chart)
{
    const QString startDate = m_windows.Form5 ? m_windows.Form5->Edit1->text() : QString();
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
                [data](int column, int row) {
                    return data->StringGrid1->cellText(column, row);
                }};
    }
    return {[] { return 0; },
            [](int, int) {
                return QString();
            }};
}

void TForm6::FormActivate()
{
    // The grid's texts are read with the program's decimal comma (parseProgramFloat), whatever
    // the locale, so there are no separators to set here.
    CheckBox1->setVisible(true);
    CheckBox1->setText(QStringLiteral("Canal1"));
    CheckBox2->setVisible(true);
    CheckBox2->setText(QStringLiteral("Canal2"));
    Chart1->setAxisTitles(QStringLiteral("Muestra número (Tiempo)"),
                          QStringLiteral("Temperatura °C"));
    fillSeries(Chart1, 0, 1);
    fillSeries(Chart1, 1, 2);
    fillSeries(Chart2, 0, 3);
    fillSeries(Chart3, 0, 4);
}

void TForm6::fillSeries(ChartView *chart, int seriesIndex, int channel)
{
    chart->setSeriesValues(seriesIndex, {});
    const ColumnReading reading = readColumn(grid(), channelColumn(channel));
    chart->setSeriesValues(seriesIndex, reading.values);
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
