// Covers the chart window against a grid of texts standing in for the data window's: filling at
// each showing, the check boxes, zoom and pan through synthesised mouse events, copying to the
// clipboard, the two hints and the print preview hand-over.
#include "runtime/error_report.h"
#include "widgets/colour_button.h"
#include "windows/charts/chart_view.h"
#include "windows/charts/chart_window.h"
#include "windows/charts/print_preview_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

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

    static QString number(double value) { return QString::number(value, 'f', 1).replace('.', ','); }

    SampleGrid source()
    {
        return {[this] { return int(rows.size()) - 1; },
                [this](int column, int row) {
                    return rows.value(row).value(column);
                }};
    }
};

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
