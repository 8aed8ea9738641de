#include "windows/data_window.h"

#include "archive/archived_samples.h"
#include "data/csv_export.h"
#include "data/daily_summary.h"
#include "data/download_decoding.h"
#include "data/download_lines.h"
#include "data/download_table.h"
#include "data/saved_file.h"
#include "data/text_export.h"
#include "runtime/centre_on_desktop.h"
#include "runtime/conversion_error.h"
#include "runtime/error_report.h"
#include "runtime/run_file_dialog.h"
#include "widgets/gradient_background.h"
#include "windows/archived_range_cells.h"
#include "windows/charts/chart_window.h"
#include "windows/daily_summary_window.h"
#include "windows/data_window_menu.h"
#include "windows/main_window.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QScopeGuard>
#include <QToolButton>

#include <utility>

namespace {

constexpr int columnCount = DownloadTable::columnCount;
constexpr int defaultColumnWidth = 70;
constexpr int dateColumnWidth = 71;
constexpr int rowHeight = 20;
constexpr int gridLineWidth = 3;

const QColor teal(0x00, 0x80, 0x80);
const QColor mediumGrey(0xa0, 0xa0, 0xa4);
const QColor lime(0x00, 0xff, 0x00);
const QColor paleGreen(0xc0, 0xdc, 0xc0);

template<typename Widget>
Widget *named(Widget *widget, const char *name, const QRect &geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QFont arial(int pointSize, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *label = named(new QLabel(caption, parent), name, geometry);
    label->setFont(arial(10, true));
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    return label;
}

QLineEdit *makeField(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *edit = named(new QLineEdit(parent), name, geometry);
    edit->setReadOnly(true);
    edit->setFont(arial(10, true));
    edit->setStyleSheet(QStringLiteral("QLineEdit { background-color: %1; color: %2;"
                                       " border: 2px inset #5fa8a8; padding-left: 2px; }")
                            .arg(teal.name(), lime.name()));
    return edit;
}

/// A small picture of a line chart on a white sheet, for "GRAFICAR".
QIcon chartIcon()
{
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(2.5, 2.5, 19, 19), Qt::white);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(QRectF(2.5, 2.5, 19, 19));
    painter.drawLine(QPointF(5, 5), QPointF(5, 19));
    painter.drawLine(QPointF(5, 19), QPointF(19, 19));
    painter.setPen(QPen(Qt::red, 1.6));
    painter.drawPolyline(QPolygonF({{5, 15}, {9, 11}, {12, 13}, {15, 7}, {19, 9}}));
    painter.setPen(QPen(Qt::blue, 1.6));
    painter.drawPolyline(QPolygonF({{5, 17}, {9, 16}, {12, 17}, {15, 14}, {19, 15}}));
    return QIcon(picture);
}

/// A small picture of a diskette, for "GUARDAR".
QIcon diskIcon()
{
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.moveTo(3, 3);
    body.lineTo(18, 3);
    body.lineTo(21, 6);
    body.lineTo(21, 21);
    body.lineTo(3, 21);
    body.closeSubpath();
    painter.fillPath(body, QColor(0x20, 0x30, 0x80));
    painter.fillRect(QRectF(7, 3, 10, 6), QColor(0xc8, 0xc8, 0xd0));
    painter.fillRect(QRectF(13, 4, 2, 4), QColor(0x20, 0x30, 0x80));
    painter.fillRect(QRectF(6, 12, 12, 9), Qt::white);
    painter.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    painter.drawLine(QPointF(8, 15), QPointF(16, 15));
    painter.drawLine(QPointF(8, 18), QPointF(16, 18));
    return QIcon(picture);
}

QToolButton *makeSpeedButton(QWidget *parent, const char *name, const QString &caption,
                             const QString &hint, const QIcon &icon, const QRect &geometry)
{
    auto *button = named(new QToolButton(parent), name, geometry);
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(icon);
    button->setIconSize(QSize(24, 24));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFont(arial(7, true));
    button->setStyleSheet(QStringLiteral(
        "QToolButton { color: white; border: 1px solid transparent; border-radius: 2px; }"
        "QToolButton:hover { border: 1px solid #d0e8e8; background-color: #1a9090; }"
        "QToolButton:pressed { background-color: #006868; }"));
    return button;
}


} // namespace

TForm5::TForm5(ProgramWindows &windows, QWidget *parent)
    : Form(parent,
           Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
               | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , executeSaveDialog(runFileDialog)
    , executeFileDialog(runFileDialog)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("DATOS DESCARGADOS"));
    setFixedSize(564, 446);
    buildComponents();
    installDataWindowMenu(*this);
}

void TForm5::buildComponents()
{
    Gradient1 = named(new GradientBackground(this), "Gradient1", rect());
    Gradient1->setColors(teal, mediumGrey);
    Gradient1->setDirection(Qt::Horizontal);
    Gradient1->setGradientEnabled(false);

    Label7 =
        makeLabel(Gradient1, "Label7", QStringLiteral("G  R  I  L  L  A    D  E    D  A  T  O  S"),
                  QRect(125, 6, 222, 16));
    Label8 =
        makeLabel(Gradient1, "Label8", QStringLiteral(" Fecha de inicio "), QRect(15, 36, 106, 16));
    Label9 =
        makeLabel(Gradient1, "Label9", QStringLiteral(" Hora de inicio "), QRect(147, 36, 97, 16));
    Label10 = makeLabel(Gradient1, "Label10", QStringLiteral(" Tasa de muestreo "),
                        QRect(273, 36, 121, 16));
    Edit1 = makeField(Gradient1, "Edit1", QRect(6, 54, 121, 24));
    Edit2 = makeField(Gradient1, "Edit2", QRect(135, 54, 121, 24));
    Edit8 = makeField(Gradient1, "Edit8", QRect(273, 54, 136, 24));

    SpeedButton2 = makeSpeedButton(Gradient1, "SpeedButton2", QStringLiteral("GRAFICAR"),
                                   QStringLiteral("Muestra gráfico preliminar"), chartIcon(),
                                   QRect(427, 36, 49, 52));
    SpeedButton1 = makeSpeedButton(Gradient1, "SpeedButton1", QStringLiteral("GUARDAR"),
                                   QStringLiteral("Guarda los datos en disco"), diskIcon(),
                                   QRect(491, 35, 49, 52));

    StringGrid1 =
        named(new StringGrid(columnCount, Gradient1), "StringGrid1", QRect(6, 99, 535, 302));
    StringGrid1->setFont(arial(9, false));
    StringGrid1->setGridLineWidth(gridLineWidth);
    StringGrid1->setColWidths(defaultColumnWidth, {{1, dateColumnWidth}});
    StringGrid1->setDefaultRowHeight(rowHeight);
    StringGrid1->setColors(paleGreen, Qt::red, QColor(0xd4, 0xd0, 0xc8), QColor(0x70, 0x80, 0x70));
    {
        // The headings stand in the grid from the start; each rebuild writes them again.
        StringGrid::Refill refill(*StringGrid1, 1);
        for (int column = 0; column < columnCount; ++column)
            refill.setCell(column, 0, DownloadTable::headings()[std::size_t(column)]);
    }

    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { ErrorReport::guard([this] { SpeedButton1Click(); }); });
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this] { ErrorReport::guard([this] { SpeedButton2Click(); }); });
}

void TForm5::showEvent(QShowEvent *event)
{
    centreOnDesktop(this);
    Form::showEvent(event);
}

int TForm5::sampleCount() const
{
    if (m_fileSamples)
        return *m_fileSamples;
    return ::sampleCount(countLines(m_windows.Form1->RichEdit1.text()));
}

void TForm5::showDownload(const QString &warning)
{
    m_fileSamples.reset();
    m_shownRecordCoverage.reset();
    setWindowTitle(QStringLiteral("DATOS DESCARGADOS"));
    m_downloadWarning = warning;
    showModal();
}

void TForm5::FormActivate()
{
    if (m_fileSamples) {
        m_windows.Form1->Edit2.clear();
        return;
    }
    const DownloadLines lines(m_windows.Form1->RichEdit1.text());
    m_headerProblem.reset();
    // What the download check found is said over the filled grid, before any decoding failure
    // that it may explain.
    const QString warning = std::exchange(m_downloadWarning, QString());
    const auto tell = [&warning] {
        if (!warning.isEmpty())
            ErrorReport::show(warning);
    };
    try {
        StringGrid::Refill refill(*StringGrid1, 1 + lines.samples());
        m_refill = &refill;
        const auto done = qScopeGuard([this] { m_refill = nullptr; });
        DOSCANALESLM35(lines);
    } catch (...) {
        tell();
        throw;
    }
    m_windows.Form1->Edit2.clear();
    tell();
    if (m_headerProblem)
        throw *m_headerProblem;
}

void TForm5::DOSCANALESLM35(const DownloadLines &lines)
{
    OBTIENEFECHAYHORA(lines);
    DownloadTable::writeHeadings(cellSink());
    DownloadTable::writeRowNumbers(lines.samples(), cellSink());
    MUESTRADATA(lines);
}

void TForm5::OBTIENEFECHAYHORA(const DownloadLines &lines)
{
    const DownloadTable::Header header = DownloadTable::decodeTableHeader(lines, Edit8->text());
    if (header.problem)
        m_headerProblem = header.problem;
    if (!header.start)
        return;

    const LoggerTime &start = *header.start;
    Label1 = QString::number(start.year);
    Label2 = QString::number(start.month);
    Label3 = QString::number(start.day);
    Label4 = QString::number(start.hour);
    Label5 = QString::number(start.minute);
    Label6 = QString::number(start.second);
    Edit8->setText(header.rateText);
    Edit1->setText(dateText(start));
    Edit2->setText(timeText(start));

    // The pass follows the rate text shown, which an unknown code leaves from the last download.
    switch (header.stepMinutes.value_or(0)) {
    case 1:
        VERPOR1MINUTO(lines.samples());
        break;
    case 5:
        VERPOR5MINUTOS(lines.samples());
        break;
    case 10:
        VERPOR10MINUTOS(lines.samples());
        break;
    case 15:
        VERPOR15MINUTOS(lines.samples());
        break;
    case 30:
        VERPOR30MINUTOS(lines.samples());
        break;
    case 60:
        VERPOR60MINUTOS(lines.samples());
        break;
    default:
        break;
    }
}

void TForm5::MUESTRADATA(const DownloadLines &lines)
{
    DownloadTable::writeValues(lines, cellSink());
}

void TForm5::stampRows(int stepMinutes, int samples)
{
    DownloadTable::writeTimestamps(startFromLabels(), stepMinutes, samples, cellSink());
}

LoggerTime TForm5::startFromLabels() const
{
    return {Label1.toInt(), Label2.toInt(), Label3.toInt(),
            Label4.toInt(), Label5.toInt(), Label6.toInt()};
}

DownloadTable::CellSink TForm5::cellSink()
{
    return [this](int column, int row, const QString &text) {
        if (m_refill)
            m_refill->setCell(column, row, text);
    };
}

void TForm5::SpeedButton1Click()
{
    // A data file holds one run of samples at one rate: its reader dates the rows from the
    // first two. A stretch of the archive with gaps or several rates would read back wrong.
    if (m_shownRecordCoverage && !m_shownRecordCoverage->isSingleRun()) {
        QMessageBox question(
            QMessageBox::Question, ErrorReport::applicationTitle(),
            QStringLiteral("Estos datos tienen huecos o más de una tasa de muestreo, y un "
                           "archivo de datos solo guarda muestras seguidas a una misma tasa.\n"
                           "¿Exportarlos como CSV, con la fecha y hora de cada muestra?"),
            QMessageBox::Yes | QMessageBox::No, this);
        question.setObjectName(QStringLiteral("RangeAsCsvQuestion"));
        if (question.exec() == QMessageBox::Yes)
            exportCsv();
        return;
    }
    if (!SaveDialog1) {
        SaveDialog1 = new QFileDialog(this, QString(), QDir::homePath());
        SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
        SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
        SaveDialog1->setFileMode(QFileDialog::AnyFile);
        // The window asks its own overwrite question, with its own answers.
        SaveDialog1->setOptions(QFileDialog::DontUseNativeDialog
                                | QFileDialog::DontConfirmOverwrite);
    }
    SaveDialog1->setDefaultSuffix(QStringLiteral("txt"));
    SaveDialog1->setDirectory(QDir::homePath());
    const QString fileName = executeSaveDialog(*SaveDialog1);
    if (fileName.isEmpty())
        return;

    // A device or a FIFO is no file to overwrite: refused before the question.
    TextExport::refuseNonFile(fileName);
    if (QFileInfo::exists(fileName)) {
        QMessageBox question(QMessageBox::Question, ErrorReport::applicationTitle(),
                             QStringLiteral("El archivo existe, sobreescribo?"),
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
        question.setObjectName(QStringLiteral("OverwriteQuestion"));
        if (question.exec() != QMessageBox::Yes)
            return;
    }

    const QByteArray text = TextExport::fileText(
        sampleCount(), [this](int column, int row) { return StringGrid1->cellText(column, row); });
    TextExport::writeFile(fileName, text);
}

void TForm5::SpeedButton2Click()
{
    m_windows.Form6->showModal();
}

QString TForm5::chooseFile(QFileDialog::AcceptMode mode, const QString &caption,
                           const QStringList &filters, const QString &suffix)
{
    QFileDialog dialog(this, caption, QDir::homePath());
    dialog.setObjectName(QStringLiteral("MenuFileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffix);
    return executeFileDialog(dialog);
}

bool TForm5::openSavedFileDialog()
{
    const QString fileName = chooseFile(
        QFileDialog::AcceptOpen, QStringLiteral("Abrir archivo de datos"),
        {QStringLiteral("Datos guardados (*.txt)"), QStringLiteral("Todos los archivos (*)")},
        QStringLiteral("txt"));
    if (fileName.isEmpty())
        return false;
    openSavedFile(fileName);
    return true;
}

void TForm5::openSavedFile(const QString &fileName)
{
    const QByteArray bytes = readSavedFileBytes(fileName);
    SavedRecording recording;
    try {
        recording = readSavedFile(bytes);
    } catch (const DataError &error) {
        // The line and the field are in the message; the file is said before them.
        throw DataError(QStringLiteral("«%1»: %2").arg(fileName, error.message()));
    }
    showRows(recording.rows, rateTextForStep(recording.stepMinutes).value_or(QString()));
    m_shownRecordCoverage.reset();
    setWindowTitle(QStringLiteral("DATOS DESCARGADOS"));
}

void TForm5::showArchivedRange(const QString &station, std::vector<ArchivedSample> samples,
                               RecordCoverage coverage)
{
    // The rate field names the one rate of the stretch; a stretch at several says them all.
    QString rate;
    if (coverage.stepsMinutes.size() == 1)
        rate = rateTextForStep(coverage.stepsMinutes.front()).value_or(QString());
    else if (!coverage.stepsMinutes.empty()) {
        QStringList steps;
        for (int step : coverage.stepsMinutes)
            steps.append(QString::number(step));
        rate = steps.join(QStringLiteral(" y ")) + QStringLiteral(" minutos");
    }
    // A long stretch would cost a text per cell: the grid makes the texts it shows.
    const int rows = int(samples.size());
    StringGrid1->showCells(std::make_unique<ArchivedRangeCells>(std::move(samples)));
    showStart(rows, StringGrid1->cell(1, 1), StringGrid1->cell(2, 1), rate);
    m_shownRecordCoverage = std::move(coverage);
    // Which station and stretch, as the chart of a stretch says its station; the days alone,
    // so that the caption fits the window (the grid has the times).
    QString caption = QStringLiteral("DATOS DESCARGADOS – ") + station;
    if (rows > 0) {
        const QString first = StringGrid1->cell(1, 1);
        const QString last = StringGrid1->cell(1, rows);
        caption += first == last ? QStringLiteral(", %1").arg(first)
                                 : QStringLiteral(", del %1 al %2").arg(first, last);
    }
    setWindowTitle(caption);
    showModal();
}

void TForm5::showRows(const std::vector<SavedRow> &shown, const QString &rateText)
{
    const int rows = int(shown.size());
    {
        StringGrid::Refill refill(*StringGrid1, 1 + rows);
        for (int column = 0; column < columnCount; ++column)
            refill.setCell(column, 0, DownloadTable::headings()[std::size_t(column)]);
        for (int row = 1; row <= rows; ++row) {
            const SavedRow &saved = shown[std::size_t(row - 1)];
            refill.setCell(0, row, QString::number(row));
            refill.setCell(1, row, saved.date);
            refill.setCell(2, row, saved.time);
            for (int channel = 0; channel < 4; ++channel)
                refill.setCell(3 + channel, row, saved.values[std::size_t(channel)]);
        }
    }
    const SavedRow first = rows > 0 ? shown.front() : SavedRow {};
    showStart(rows, first.date, first.time, rateText);
}

void TForm5::showStart(int rows, const QString &date, const QString &time,
                       const QString &rateText)
{
    m_fileSamples = rows;
    Edit1->setText(date);
    Edit2->setText(time);
    Edit8->setText(rateText);
    const auto part = [](const QString &text, int from) { return QString::number(text.mid(from, 2).toInt()); };
    Label1 = part(date, 8);
    Label2 = part(date, 3);
    Label3 = part(date, 0);
    Label4 = part(time, 0);
    Label5 = part(time, 3);
    Label6 = part(time, 6);
}

void TForm5::exportCsv()
{
    const QString fileName = chooseFile(QFileDialog::AcceptSave, QStringLiteral("Exportar CSV"),
                                        {QStringLiteral("CSV (*.csv)")}, QStringLiteral("csv"));
    if (fileName.isEmpty())
        return;
    TextExport::writeFile(fileName,
                          CsvExport::samplesText(sampleCount(), [this](int column, int row) {
                              return StringGrid1->cell(column, row);
                          }));
}

void TForm5::showDailySummary()
{
    // A stretch of the archive counts each sample for the step of the download that brought
    // it; a file, for its one rate.
    SummarySteps steps;
    if (m_shownRecordCoverage)
        steps = summarySteps(m_shownRecordCoverage->times);
    else if (const std::optional<int> step = stepMinutesForRateText(Edit8->text()))
        steps.minutes.assign(std::size_t(sampleCount()), *step);
    if (steps.minutes.empty())
        throw DataError(QStringLiteral("Sin tasa de muestreo no hay resumen diario."));
    if (steps.minutes.size() != std::size_t(sampleCount()))
        throw DataError(QStringLiteral("La tabla ya no tiene las muestras del tramo leído: "
                                       "ábralo de nuevo para su resumen diario."));
    std::vector<SummarySample> samples;
    samples.reserve(std::size_t(sampleCount()));
    for (int row = 1; row <= sampleCount(); ++row) {
        SummarySample sample;
        sample.day = QDate::fromString(StringGrid1->cell(1, row), QStringLiteral("dd/MM/yyyy"));
        if (!sample.day.isValid())
            throw DataError(
                QStringLiteral("La muestra %1 no tiene fecha: no hay resumen diario.").arg(row));
        for (int channel = 0; channel < 4; ++channel) {
            const QString &text = StringGrid1->cell(3 + channel, row);
            bool ok = false;
            sample.values[std::size_t(channel)] =
                QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
            if (!ok)
                throw EConvertError::invalidFloat(text);
        }
        sample.stepMinutes = steps.minutes[std::size_t(row - 1)];
        samples.push_back(sample);
    }
    if (!m_summary) {
        m_summary = new DailySummaryWindow(this);
        m_summary->exportRequested = [this] {
            return chooseFile(QFileDialog::AcceptSave, QStringLiteral("Exportar resumen diario"),
                              {QStringLiteral("CSV (*.csv)")}, QStringLiteral("csv"));
        };
    }
    m_summary->setDays(dailySummary(samples));
    m_summary->setWindowTitle(QStringLiteral("Resumen diario") + assumedStepsText(steps));
    m_summary->show();
    m_summary->raise();
    m_summary->activateWindow();
}
