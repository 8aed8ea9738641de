// Covers the chart window against a grid of texts standing in for the data window's: filling at
// each showing, the check boxes, zoom and pan through synthesised mouse events, copying to the
// clipboard, the two hints and the print preview hand-over; the time axis with dates from the
// grid, breaks at an archived stretch's gaps, and a record charted in a window of its own.
#include "archive/archived_samples.h"
#include "runtime/error_report.h"
#include "widgets/colour_button.h"
#include "windows/charts/chart_picture.h"
#include "windows/charts/chart_record.h"
#include "windows/charts/chart_view.h"
#include "windows/charts/chart_window.h"
#include "windows/charts/print_preview_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

/// The data window's grid as the chart window reads it: row 0 the headings, then one row per
/// sample with its number, date, time and the four channel texts.
struct FakeGrid
{
    QList<QStringList> rows {{"", " FECHA:", " HORA:", "CANAL 1", "CANAL 2", "CANAL 3", "CANAL 4"}};

    void setSamples(int count, double offset = 0.0)
    {
        rows.resize(1);
        for (int k = 1; k <= count; ++k) {
            const double t = k + offset;
            rows.append({QString::number(k), "14/06/2012", "12:00:00", number(20 + t / 10),
                         number(15 - t / 20), number(40 + t), number(100 * t)});
        }
    }

    /// Samples at `times`, in the date and time columns as the data window writes them.
    void setTimes(const std::vector<qint64> &times)
    {
        setSamples(int(times.size()));
        for (size_t k = 0; k < times.size(); ++k) {
            rows[qsizetype(k) + 1][1] = sampleDateText(times[k]);
            rows[qsizetype(k) + 1][2] = sampleTimeText(times[k]);
        }
    }

    static QString number(double value) { return QString::number(value, 'f', 1).replace('.', ','); }

    /// The archived stretch's coverage the grid shows, as the data window gives it.
    std::optional<RecordCoverage> coverage;

    SampleGrid source()
    {
        return {[this] { return int(rows.size()) - 1; },
                [this](int column, int row) {
                    return rows.value(row).value(column);
                },
                [this] { return coverage; }};
    }
};

/// 05/12/2026 04:15, the first sample of the stretches below.
const qint64 firstSample = sampleTime(2026, 12, 5, 4, 15, 0);

/// Samples every 15 minutes from firstSample, `before` of them, then a gap of `gapHours`, then
/// `after` more.
std::vector<qint64> quarterHours(int before, int gapHours = 0, int after = 0)
{
    std::vector<qint64> times;
    for (int k = 0; k < before + after; ++k)
        times.push_back(firstSample + k * 900 + (k >= before ? gapHours * 3600 : 0));
    return times;
}

RecordCoverage coverageOf(const std::vector<qint64> &times)
{
    std::vector<TimedStep> steps;
    for (const qint64 t : times)
        steps.push_back({t, 15});
    return findCoverage(steps);
}

/// The keys of a series' points whose value is NaN: where its line breaks.
QVector<double> breaksOf(const QCPGraph *graph)
{
    QVector<double> keys;
    for (const QCPGraphData &point : *graph->data())
        if (std::isnan(point.value))
            keys.append(point.key);
    return keys;
}

/// Right-clicks `chart` and chooses the entry `text` of its menu.
void chooseFromMenu(ChartView *chart, const QString &text)
{
    QTimer::singleShot(0, [text] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction *action : menu->actions()) {
            if (action->text() == text) {
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        menu->close();
        QFAIL(qPrintable("no menu entry " + text));
    });
    QTest::mouseClick(chart, Qt::RightButton, {}, chart->plotArea().center());
}

/// The text of a PDF file; empty without pdftotext.
QString pdfText(const QString &fileName)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {fileName, QStringLiteral("-")});
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

QVector<double> valuesOf(const QCPGraph *graph)
{
    QVector<double> values;
    for (const QCPGraphData &point : *graph->data())
        values.append(point.value);
    return values;
}

QVector<double> keysOf(const QCPGraph *graph)
{
    QVector<double> keys;
    for (const QCPGraphData &point : *graph->data())
        keys.append(point.key);
    return keys;
}

/// A drag with one button held: a press, moves carrying the button, a release at the end.
void drag(QWidget *widget, Qt::MouseButton button, const QList<QPoint> &path)
{
    QTest::mousePress(widget, button, {}, path.first());
    for (const QPoint &at : path.mid(1)) {
        QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, button,
                         Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    QTest::mouseRelease(widget, button, {}, path.last());
}

/// Runs a check on the next modal window once it is up, then closes it.
void onNextModal(std::function<void(QWidget *)> check)
{
    QTimer::singleShot(0, [check] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        QWidget *modal = QApplication::activeModalWidget();
        check(modal);
        modal->close();
    });
}

} // namespace

class TestChartWindow : public QObject
{
    Q_OBJECT

private:
    ProgramWindows m_windows;
    FakeGrid m_grid;
    TForm6 *m_form = nullptr;
    QStringList m_errors;

    /// Shows the window as "GRAFICAR" does (its activation fills the charts) and lets the
    /// charts lay out.
    void open()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        for (ChartView *chart : {m_form->Chart1, m_form->Chart2, m_form->Chart3})
            chart->replot();
    }

    void closeWindow()
    {
        m_form->close();
        QTRY_VERIFY(!m_form->isVisible());
    }

    void reopen()
    {
        closeWindow();
        open();
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Registrador"));
        ErrorReport::setPresenter([this](const QString &message) { m_errors.append(message); });
    }

    void init()
    {
        m_errors.clear();
        m_grid = FakeGrid();
        m_form = new TForm6(m_windows);
        m_form->setSampleGrid(m_grid.source());
    }

    void cleanup()
    {
        delete m_form;
        m_form = nullptr;
    }

    void activationSetsCaptionsAndFillsTheFourSeries()
    {
        m_grid.setSamples(50);
        open();
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(m_form->CheckBox1->text(), "Canal1");
        QCOMPARE(m_form->CheckBox2->text(), "Canal2");
        QCOMPARE(m_form->CheckBox3->text(), "CANAL 3");
        QCOMPARE(m_form->Chart1->bottomAxisTitle(), "Muestra número (Tiempo)");
        QCOMPARE(m_form->Chart1->leftAxisTitle(), "Temperatura °C");

        QCOMPARE(m_form->Series1->dataCount(), 50);
        QCOMPARE(keysOf(m_form->Series1).first(), 0.0);
        QCOMPARE(keysOf(m_form->Series1).last(), 49.0);
        QCOMPARE(valuesOf(m_form->Series2).first(), 14.9);
        QCOMPARE(valuesOf(m_form->Series9).last(), 90.0);
        QCOMPARE(valuesOf(m_form->Series10).last(), 5000.0);
        QCOMPARE(m_form->Series3->dataCount(), 0);
        QCOMPARE(m_form->Series4->dataCount(), 0);

        // Humidity keeps 0 to 100 although its values end at 90; PAR starts at 0.
        QCOMPARE(m_form->Chart2->yAxis->range(), QCPRange(0, 100));
        QCOMPARE(m_form->Chart3->yAxis->range(), QCPRange(0, 5000));
    }

    void refillingReplacesThePointsAndAnEmptyDownloadClearsThem()
    {
        m_grid.setSamples(30);
        open();
        m_grid.setSamples(30, 5.0);
        reopen();
        QCOMPARE(m_form->Series1->dataCount(), 30);
        QCOMPARE(valuesOf(m_form->Series10).first(), 600.0);

        m_grid.setSamples(0);
        reopen();
        QCOMPARE(m_errors, QStringList());
        for (const QCPGraph *series :
             {m_form->Series1, m_form->Series2, m_form->Series9, m_form->Series10})
            QCOMPARE(series->dataCount(), 0);
    }

    void oneSampleIsOnePointAtZeroInsideTheScales()
    {
        m_grid.setSamples(1);
        open();
        for (ChartView *chart : {m_form->Chart1, m_form->Chart2, m_form->Chart3}) {
            const QCPGraph *series = chart->series(0);
            QCOMPARE(keysOf(series), QVector<double> {0.0});
            const double value = valuesOf(series).first();
            QVERIFY2(chart->xAxis->range().lower < 0 && chart->xAxis->range().upper > 0,
                     qPrintable(chart->objectName()));
            QVERIFY2(chart->yAxis->range().contains(value), qPrintable(chart->objectName()));
        }
    }

    void aHiddenSeriesStaysHiddenAcrossShowings()
    {
        m_grid.setSamples(20);
        open();
        m_form->CheckBox1->click();
        QVERIFY(!m_form->Series1->visible());
        QVERIFY(m_form->Series2->visible());

        m_grid.setSamples(25);
        reopen();
        QVERIFY(!m_form->CheckBox1->isChecked());
        QVERIFY(!m_form->Series1->visible());
        QCOMPARE(m_form->Series1->dataCount(), 25);

        // "CANAL 3" and "CANAL 4" act on the humidity and PAR series.
        m_form->CheckBox3->click();
        QVERIFY(!m_form->Series9->visible());
        m_form->CheckBox4->click();
        QVERIFY(!m_form->Series10->visible());
        m_form->CheckBox4->click();
        QVERIFY(m_form->Series10->visible());
    }

    void aBadCellStopsTheFillingWhereItStands()
    {
        m_grid.setSamples(10);
        open();
        const QVector<double> humidityBefore = valuesOf(m_form->Series9);

        // As when the date column was dragged onto channel 2's place at row 3.
        m_grid.setSamples(10, 1.0);
        m_grid.rows[3][4] = QStringLiteral("14/06/2012");
        reopen();
        QCOMPARE(m_errors, QStringList {"'14/06/2012' is not a valid floating point value"});
        QCOMPARE(valuesOf(m_form->Series1).first(), 20.2);
        QCOMPARE(m_form->Series2->dataCount(), 2);
        QCOMPARE(valuesOf(m_form->Series9), humidityBefore);
        QCOMPARE(m_form->Series10->dataCount(), 10);
    }

    void aLeftDragToTheLowerRightZoomsAndPersistsUntilUndone()
    {
        m_grid.setSamples(400);
        open();
        ChartView *chart = m_form->Chart1;
        const QCPRange unzoomedX = chart->xAxis->range();
        const QCPRange unzoomedY = chart->yAxis->range();
        const QPoint from = chart->plotArea().topLeft() + QPoint(100, 30);
        const QPoint to = from + QPoint(200, 80);
        const QCPRange wantedX(chart->xAxis->pixelToCoord(from.x()),
                               chart->xAxis->pixelToCoord(to.x()));
        const QCPRange wantedY(chart->yAxis->pixelToCoord(to.y()),
                               chart->yAxis->pixelToCoord(from.y()));

        drag(chart, Qt::LeftButton, {from, from + QPoint(60, 30), to});
        QVERIFY(chart->isZoomed());
        QCOMPARE(chart->xAxis->range(), wantedX);
        QCOMPARE(chart->yAxis->range(), wantedY);

        reopen();
        QCOMPARE(chart->xAxis->range(), wantedX);

        // 16 pixels high, 200 wide: nothing changes.
        drag(chart, Qt::LeftButton, {from, from + QPoint(200, 16)});
        QCOMPARE(chart->xAxis->range(), wantedX);

        // From lower right to upper left: back to the unzoomed scales.
        drag(chart, Qt::LeftButton, {to, from});
        QVERIFY(!chart->isZoomed());
        QCOMPARE(chart->xAxis->range(), unzoomedX);
        QCOMPARE(chart->yAxis->range(), unzoomedY);
    }

    void aRightDragPansUntilTheMouseLeavesThePlotArea()
    {
        m_grid.setSamples(400);
        open();
        ChartView *chart = m_form->Chart3;
        const QCPRange startX = chart->xAxis->range();
        const QCPRange startY = chart->yAxis->range();
        const QRect area = chart->plotArea();
        const QPoint from = area.center();
        const QPoint to = from + QPoint(40, -20);
        const double dx = chart->xAxis->pixelToCoord(to.x()) - chart->xAxis->pixelToCoord(from.x());
        const double dy = chart->yAxis->pixelToCoord(to.y()) - chart->yAxis->pixelToCoord(from.y());

        // Out of the plot area over the title, then back in: the pan ended on leaving.
        drag(chart, Qt::RightButton, {from, to, QPoint(to.x(), area.top() - 10), from});
        QVERIFY(chart->isZoomed());
        QCOMPARE(chart->xAxis->range(), startX - dx);
        QCOMPARE(chart->yAxis->range(), startY - dy);

        drag(chart, Qt::LeftButton, {to, from - QPoint(60, 60)});
        QCOMPARE(chart->xAxis->range(), startX);
        QCOMPARE(chart->yAxis->range(), startY);
    }

    void hoveringReadsOutTheNearestSampleAndAStillRightClickAsksForTheMenu()
    {
        m_grid.setSamples(50);
        open();
        ChartView *chart = m_form->Chart3;
        chart->replot();
        const QPoint onSix(int(chart->xAxis->coordToPixel(5)),
                           int(chart->yAxis->coordToPixel(600)));
        QCOMPARE(chart->readoutAt(onSix + QPoint(2, -20)),
                 QStringLiteral("Muestra 6 · 14/06/2012 12:00:00\nCanal 4: 600 µmol m⁻² s⁻¹"));
        QCOMPARE(chart->readoutAt(QPoint(1, 1)), QString()); // outside the plot

        QSignalSpy menu(chart, &ChartView::menuRequested);
        drag(chart, Qt::RightButton, {onSix, onSix + QPoint(30, 0), onSix}); // a pan
        QCOMPARE(menu.count(), 0);
        QTimer::singleShot(0, [] {
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
        });
        QTest::mouseClick(chart, Qt::RightButton, {}, onSix);
        QCOMPARE(menu.count(), 1);
    }

    void aChartPictureIsSavedAsPngOrPdf_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("scale");
        QTest::newRow("PNG") << 0 << 1;
        QTest::newRow("PNG at twice the size") << 1 << 2;
        QTest::newRow("PDF") << 2 << 0;
    }

    void aChartPictureIsSavedAsPngOrPdf()
    {
        QFETCH(int, filter);
        QFETCH(int, scale);
        m_grid.setSamples(100);
        open();
        QTemporaryDir dir;
        QString offered;
        m_form->executeFileDialog = [&](QFileDialog &dialog) {
            dialog.selectNameFilter(dialog.nameFilters().at(filter));
            offered = dialog.selectedFiles().value(0);
            return dir.filePath(QFileInfo(offered).fileName());
        };
        m_form->saveChartPicture(m_form->Chart2);
        QVERIFY2(QFileInfo(offered).fileName().startsWith(QStringLiteral("HUMEDAD RELATIVA AMB.")),
                 qPrintable(offered));
        QFile file(dir.filePath(QFileInfo(offered).fileName()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (scale == 0) {
            QVERIFY(bytes.startsWith("%PDF") && bytes.contains("/Count 1"));
            return;
        }
        const QImage image = QImage::fromData(bytes, "PNG");
        QCOMPARE(image.size(), m_form->Chart2->size() * scale);
        QVERIFY(image.pixel(image.width() / 2, image.height() / 2) != image.pixel(2, 2));
    }

    void copyPutsTheWholeChartOnTheClipboard()
    {
        m_grid.setSamples(100);
        open();
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("what was there"));

        QTest::mouseClick(m_form->ColBitBtn4, Qt::LeftButton);
        QImage copied = clipboard->image();
        QCOMPARE(copied.size(), m_form->Chart1->size());
        QVERIFY(clipboard->text().isEmpty());
        // The blue panel border and the red line of channel 1 are in it.
        QCOMPARE(copied.pixelColor(4, copied.height() / 2), QColor(0, 0, 255));
        int red = 0;
        for (int y = 0; y < copied.height(); ++y)
            for (int x = 0; x < copied.width(); ++x)
                red += copied.pixelColor(x, y) == QColor(255, 0, 0) ? 1 : 0;
        QVERIFY2(red > 300, qPrintable(QString::number(red)));

        // The chart alone: the buttons lying on the humidity chart are not part of its copy.
        QTest::mouseClick(m_form->ColBitBtn5, Qt::LeftButton);
        copied = clipboard->image();
        QCOMPARE(copied.size(), m_form->Chart2->size());
        const QPoint onButton = m_form->ColBitBtn5->geometry().center();
        const QImage screen = m_form->Chart2->grab().toImage();
        QVERIFY(copied.pixelColor(onButton) != screen.pixelColor(onButton));
    }

    void drawingAtAnotherSizeLeavesTheScreenLayoutAlone()
    {
        m_grid.setSamples(100);
        open();
        ChartView *chart = m_form->Chart1;
        const QRect area = chart->plotArea();
        QImage page(chart->size() * 2, QImage::Format_RGB32);
        chart->renderChart(page, QRectF(page.rect()), chart->size() * 2);
        QCOMPARE(chart->plotArea(), area);
    }

    void theHintsShowInAPlainBoxWithTheApplicationTitle()
    {
        open();
        QString text;
        onNextModal([&text](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), "Registrador");
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            QCOMPARE(box->standardButtons(), QMessageBox::Ok);
            text = box->text();
        });
        QTest::mouseClick(m_form->ColBitBtn8, Qt::LeftButton);
        QCOMPARE(text, "Botón derecho del mouse sobre el gráfico.");
    }

    void printShowsThePreviewOfItsChartWithoutRefillingAfterwards()
    {
        m_grid.setSamples(10);
        open();
        m_grid.setSamples(0);
        ChartView *shownChart = nullptr;
        onNextModal([&shownChart](QWidget *modal) {
            auto *preview = qobject_cast<TChartPreview *>(modal);
            QVERIFY(preview);
            QCOMPARE(preview->windowTitle(), "Chart Print Preview");
            QCOMPARE(preview->size(), QSize(551, 383));
            shownChart = preview->chart();
        });
        QTest::mouseClick(m_form->ColBitBtn3, Qt::LeftButton);
        QCOMPARE(shownChart, m_form->Chart3);
        QVERIFY(m_form->findChildren<TChartPreview *>().isEmpty());
        m_form->activateWindow();
        QTRY_VERIFY(m_form->isActiveWindow());
        QCOMPARE(m_form->Series1->dataCount(), 10);
    }

    void theThreeChartsPrintOnTheOnePrinterSetUpLast()
    {
        m_grid.setSamples(10);
        open();
        // What one chart's dialog sets up on the printer, the next chart's dialog finds.
        onNextModal([](QWidget *modal) {
            auto *preview = qobject_cast<TChartPreview *>(modal);
            QVERIFY(preview);
            preview->printer().setPageSize(QPageSize(QPageSize::A5));
            preview->printer().setCopyCount(3);
        });
        QTest::mouseClick(m_form->ColBitBtn1, Qt::LeftButton);
        for (ColourButton *print : {m_form->ColBitBtn2, m_form->ColBitBtn3}) {
            QPageSize::PageSizeId paper = QPageSize::A4;
            int copies = 0;
            onNextModal([&](QWidget *modal) {
                auto *preview = qobject_cast<TChartPreview *>(modal);
                QVERIFY(preview);
                paper = preview->printer().pageLayout().pageSize().id();
                copies = preview->printer().copyCount();
            });
            QTest::mouseClick(print, Qt::LeftButton);
            QCOMPARE(paper, QPageSize::A5);
            QCOMPARE(copies, 3);
        }
    }

    void theMenuSwitchesTheTimeAxisToTheGridsDatesAndBack()
    {
        const std::vector<qint64> times = quarterHours(288); // 05/12 04:15 to 08/12 04:00
        m_grid.setTimes(times);
        open();
        chooseFromMenu(m_form->Chart2, "Eje de tiempo: fecha y hora");
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(m_form->timeAxis(), TimeAxis::Dates);
        QCOMPARE(keysOf(m_form->Series1).first(), double(times.front()));
        QCOMPARE(keysOf(m_form->Series10).last(), double(times.back()));
        QCOMPARE(m_form->Series9->dataCount(), 288);
        for (ChartView *chart : {m_form->Chart1, m_form->Chart2, m_form->Chart3}) {
            QCOMPARE(chart->bottomAxisTitle(), "Fecha y hora");
            QCOMPARE(chart->periodLine(), "05/12/2026 04:15 – 08/12/2026 04:00, cada 15 minutos");
        }
        QCOMPARE(m_form->Chart1->title(), "TEMPERATURA DE AIRE Y SUELO");

        // The readout gives the sample's date and time; zoom and undo work on dates.
        ChartView *chart = m_form->Chart1;
        chart->replot();
        const QPoint onSix(qRound(chart->xAxis->coordToPixel(double(times[5]))),
                           qRound(chart->yAxis->coordToPixel(20.6)));
        QCOMPARE(chart->readoutAt(onSix + QPoint(0, -3)),
                 QStringLiteral("05/12/2026 05:30\nCanal 1: 20,6 ºC"));
        // The first and last samples and the extreme values stand off the axis lines.
        const QCPRange unzoomed = chart->xAxis->range();
        const double room = 0.02 * double(times.back() - times.front());
        QCOMPARE(unzoomed, QCPRange(double(times.front()) - room, double(times.back()) + room));
        for (ChartView *each : {m_form->Chart1, m_form->Chart2, m_form->Chart3}) {
            for (int i = 0; i < each->graphCount(); ++i) {
                bool found = false;
                const QCPRange values = each->graph(i)->data()->valueRange(found);
                if (!found)
                    continue;
                const QCPRange axis = each->yAxis->range();
                QVERIFY2(axis.lower < values.lower && axis.upper > values.upper,
                         qPrintable(each->objectName()));
            }
        }
        const QPoint from = chart->plotArea().topLeft() + QPoint(40, 20);
        drag(chart, Qt::LeftButton, {from, from + QPoint(100, 60)});
        QVERIFY(chart->xAxis->range().size() < unzoomed.size() / 2);
        drag(chart, Qt::LeftButton, {from + QPoint(100, 60), from});
        QCOMPARE(chart->xAxis->range(), unzoomed);

        // Dates stay on from one showing to the next.
        reopen();
        QCOMPARE(keysOf(m_form->Series2).first(), double(times.front()));

        chooseFromMenu(m_form->Chart1, "Eje de tiempo: número de muestra");
        QCOMPARE(m_form->timeAxis(), TimeAxis::SampleNumber);
        QCOMPARE(keysOf(m_form->Series1).last(), 287.0);
        QCOMPARE(m_form->Chart1->bottomAxisTitle(), "Muestra número (Tiempo)");
        QCOMPARE(m_form->Chart2->bottomAxisTitle(), "Muestra Número (tiempo)");
        QCOMPARE(m_form->Chart1->periodLine(), QString());
        QCOMPARE(m_form->Chart1->xAxis->range(), QCPRange(0, 287));
    }

    void aRowWithoutAValidDateKeepsTheSampleNumbersAndSaysSoOnce()
    {
        m_grid.setTimes(quarterHours(20));
        m_grid.rows[4][1] = QStringLiteral("31/11/2026");
        open();
        m_form->setTimeAxis(TimeAxis::Dates);
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.first().contains("fila 4"), qPrintable(m_errors.first()));
        QCOMPARE(m_form->timeAxis(), TimeAxis::SampleNumber);
        QCOMPARE(keysOf(m_form->Series9).last(), 19.0);
        QCOMPARE(m_form->Chart3->bottomAxisTitle(), "Muestra número (tiempo)");
        QCOMPARE(m_form->Chart3->periodLine(), QString());
    }

    void anArchivedStretchInTheGridBreaksAtItsGapOnEitherAxis()
    {
        const std::vector<qint64> times = quarterHours(10, 6, 10);
        m_grid.setTimes(times);
        m_grid.coverage = coverageOf(times);
        open();
        // Sample numbers: the break lies between the 10th and the 11th sample (x = 9 and 10).
        QCOMPARE(breaksOf(m_form->Series1), QVector<double> {9.5});
        QCOMPARE(breaksOf(m_form->Series10), QVector<double> {9.5});
        QCOMPARE(m_form->Series1->dataCount(), 21);

        m_form->setTimeAxis(TimeAxis::Dates);
        QCOMPARE(breaksOf(m_form->Series9), QVector<double> {(times[9] + times[10]) / 2.0});
        // Over the gap there is nothing to read; on the sample before it, that sample.
        ChartView *chart = m_form->Chart2;
        chart->replot();
        const int y = chart->plotArea().center().y();
        const double gapStart = chart->xAxis->coordToPixel(double(times[9]));
        const double gapEnd = chart->xAxis->coordToPixel(double(times[10]));
        for (const double x : {gapStart + 5, (gapStart + gapEnd) / 2, gapEnd - 5})
            QCOMPARE(chart->readoutAt(QPoint(qRound(x), y)), QString());
        QVERIFY(chart->readoutAt(QPoint(qRound(gapStart), y))
                    .startsWith(sampleDateText(times[9]) + " " + sampleTimeText(times[9]).left(5)));
    }

    void aRecordChartsInAWindowOfItsOwnWithABreakAtItsGap()
    {
        // Two days at 15 minutes, a day missing, a day more.
        const std::vector<qint64> times = quarterHours(192, 24, 96);
        ChartRecord record;
        record.station = QStringLiteral("Parcela 3");
        for (size_t k = 0; k < times.size(); ++k)
            record.samples.push_back({times[k], {234 + int(k % 7), -5, 812, 1500}});
        record.coverage = coverageOf(times);
        QWidget owner;
        QPointer<TForm6> chartWindow = openRecordChart(m_windows, std::move(record), &owner);
        QVERIFY(chartWindow && chartWindow != m_form);
        QVERIFY(chartWindow->isVisible() && !chartWindow->isModal());
        QCOMPARE(chartWindow->windowTitle(), "GRAFICO DE LOS VALORES DESCARGADOS – Parcela 3");
        QCOMPARE(chartWindow->timeAxis(), TimeAxis::Dates);

        const double gapMiddle = (times[191] + times[192]) / 2.0;
        for (const QCPGraph *series : {chartWindow->Series1, chartWindow->Series2,
                                       chartWindow->Series9, chartWindow->Series10}) {
            QCOMPARE(series->dataCount(), int(times.size()) + 1);
            QCOMPARE(breaksOf(series), QVector<double> {gapMiddle});
            QVERIFY(series->adaptiveSampling()); // years of samples are thinned per pixel
        }
        QCOMPARE(valuesOf(chartWindow->Series1).first(), 23.4);
        QCOMPARE(valuesOf(chartWindow->Series2).first(), -0.5);
        QCOMPARE(valuesOf(chartWindow->Series9).first(), 81.2);
        QCOMPARE(valuesOf(chartWindow->Series10).first(), 1500.0);
        QCOMPARE(chartWindow->Chart3->periodLine(),
                 "05/12/2026 04:15 – 09/12/2026 04:00, cada 15 minutos");

        // Four days of markers would bury the humidity line; a few hours in view show them.
        ChartView *humidity = chartWindow->Chart2;
        humidity->replot();
        QVERIFY(chartWindow->Series9->scatterStyle().isNone());
        humidity->xAxis->setRange(double(times[0]), double(times[20]));
        humidity->replot();
        QCOMPARE(chartWindow->Series9->scatterStyle().shape(), QCPScatterStyle::ssSquare);

        // Being activated again does not read the data window's grid.
        QVERIFY(QTest::qWaitForWindowExposed(chartWindow));
        chartWindow->FormActivate();
        QCOMPARE(chartWindow->Series1->dataCount(), int(times.size()) + 1);

        chartWindow->close();
        QTRY_VERIFY(!chartWindow);
    }

    void withDatesThePrintAndThePictureShowThePeriodAndTheDates()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is missing");
        m_grid.setTimes(quarterHours(288));
        open();
        m_form->setTimeAxis(TimeAxis::Dates);
        ChartView *chart = m_form->Chart2;
        chart->replot();
        QTemporaryDir dir;

        // As "Print" draws it on the printer, here a PDF file.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("page.pdf"));
        {
            QCPPainter painter(&printer);
            ChartView::choosePainterModes(painter);
            chart->renderChart(painter,
                               QRectF(printer.pageLayout().paintRectPixels(printer.resolution())),
                               chart->size());
        }
        ChartPicture::save(*chart, dir.filePath("picture.pdf"), ChartPicture::Kind::Pdf);

        for (const QString &file : {dir.filePath("page.pdf"), dir.filePath("picture.pdf")}) {
            const QString text = pdfText(file);
            QVERIFY2(text.contains("05/12/2026 04:15 – 08/12/2026 04:00, cada 15 minutos")
                         && text.contains("Fecha y hora") && text.contains("06/12"),
                     qPrintable(file + ":\n" + text));
            QVERIFY2(!text.contains("Muestra"), qPrintable(text));
        }
    }

    void theHumidityChartShowsTheSizingCursorOverItsPoints()
    {
        m_grid.setSamples(20);
        open();
        ChartView *chart = m_form->Chart2;
        const QPoint onPoint(qRound(chart->xAxis->coordToPixel(5)),
                             qRound(chart->yAxis->coordToPixel(valuesOf(m_form->Series9).at(5))));
        QTest::mouseMove(chart, onPoint + QPoint(1, -1));
        QCOMPARE(chart->cursor().shape(), Qt::SizeFDiagCursor);
        QTest::mouseMove(chart, chart->plotArea().topLeft() + QPoint(5, 5));
        QCOMPARE(chart->cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(TestChartWindow)
#include "tst_chart_window.moc"
