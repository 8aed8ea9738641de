// Covers the chart print preview: showing with proportional margins, the margin boxes and the
// reset button, settings kept per chart, the page's hit test and drags through mouse events,
// lines on a printer, real prints on the CUPS PDF printer (skipped without one) and the path
// without a printer. The arithmetic itself is covered in tst_print_margins.
#include "modal_closer.h"
#include "runtime/error_report.h"
#include "runtime/radio_group.h"
#include "windows/charts/chart_view.h"
#include "windows/charts/preview_page.h"
#include "windows/charts/print_preview_dialog.h"
#include "windows/charts/print_queue.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLibraryInfo>
#include <QPageSetupDialog>
#include <QPaintEngine>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <memory>

using namespace PrintMarginMath;

namespace {

constexpr auto pdfPrinter = "PDF";

/// A chart of the chart window at its on-screen size, with a few points in every series.
std::unique_ptr<ChartView> makeChart(ChartDescription description, QSize size)
{
    auto chart = std::make_unique<ChartView>(std::move(description));
    chart->resize(size);
    chart->show(); // laid out at its size, as in the chart window
    for (int i = 0; i < chart->seriesCount(); ++i)
        chart->setSeriesValues(i, {10.0 + i, 40.0, 25.0 + 3 * i, 60.0, 35.0});
    if (!QTest::qWaitForWindowExposed(chart.get()))
        return {};
    chart->replot();
    return chart;
}

/// The margins as the four boxes show them.
PrintMargins boxes(const TChartPreview &dialog)
{
    return {dialog.SELeftMa->value(), dialog.SETopMa->value(), dialog.SERightMa->value(),
            dialog.SEBotMa->value()};
}

/// A press, moves with the button held, and a release on the preview page.
void drag(QWidget *page, const QList<QPoint> &path)
{
    QTest::mousePress(page, Qt::LeftButton, {}, path.first());
    for (const QPoint &at : path.mid(1)) {
        QMouseEvent move(QEvent::MouseMove, at, page->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(page, &move);
    }
    QTest::mouseRelease(page, Qt::LeftButton, {}, path.last());
}

void hover(QWidget *page, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, page->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(page, &move);
}

/// Runs a check on the printer setup dialog once it is up; accepts it when the check returns
/// true, else closes it.
void onPrinterSetup(std::function<bool(QPageSetupDialog *)> check)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, check] {
        auto *setup = qobject_cast<QPageSetupDialog *>(QApplication::activeModalWidget());
        if (!setup || !setup->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        if (check(setup))
            setup->accept();
        else
            setup->reject();
    });
    timer->start();
}

/// Runs a program and returns its standard output; empty when it cannot run.
QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

/// The bounding box of the pixels that are not (nearly) white.
QRect inkBox(const QImage &image, const std::function<bool(QRgb)> &isInk)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (isInk(line[x]))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

bool notWhite(QRgb pixel)
{
    return qRed(pixel) < 240 || qGreen(pixel) < 240 || qBlue(pixel) < 240;
}

/// The chart's title colour, pure blue; nothing else on the humidity chart is.
bool titleBlue(QRgb pixel)
{
    return qRed(pixel) < 90 && qGreen(pixel) < 90 && qBlue(pixel) > 170;
}

/// A paint engine that notes the pen of every line, polygon and path drawn with one.
class PenRecorder : public QPaintEngine
{
public:
    PenRecorder()
        : QPaintEngine(AllFeatures)
    { }

    QList<QPen> pens;

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState &state) override
    {
        if (state.state() & DirtyPen)
            m_pen = state.pen();
    }
    void drawLines(const QLineF *, int) override { note(); }
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override { note(); }
    void drawPath(const QPainterPath &) override { note(); }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override { }

private:
    void note()
    {
        if (m_pen.style() != Qt::NoPen)
            pens.append(m_pen);
    }

    QPen m_pen;
};

/// A vector device at printer resolution, as far as the painter can tell.
class PenRecordingDevice : public QPaintDevice
{
public:
    mutable PenRecorder engine;

    QPaintEngine *paintEngine() const override { return &engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return 4000;
        case PdmHeight:
            return 3000;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 600;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        case PdmDepth:
            return 32;
        default:
            return QPaintDevice::metric(metric) ? QPaintDevice::metric(metric) : 1;
        }
    }
};

} // namespace

class TestPrintPreview : public QObject
{
    Q_OBJECT

private:
    QStringList m_errors;
    /// The program's printer, as the chart window lends it to every dialog; new for each case.
    std::unique_ptr<QPrinter> m_printer;

    /// Shows a dialog for a chart, not modally, so that the test can drive it.
    std::unique_ptr<TChartPreview> open(ChartView *chart)
    {
        auto dialog = std::make_unique<TChartPreview>(nullptr, chart, *m_printer);
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog.get()))
            return {};
        return dialog;
    }

    /// Shows a dialog for a chart with the PDF printer chosen in its list.
    std::unique_ptr<TChartPreview> openOnPdfPrinter(ChartView *chart)
    {
        auto dialog = open(chart);
        if (dialog) {
            dialog->Printers->setCurrentIndex(dialog->Printers->findText(pdfPrinter));
            dialog->PrintersChange();
        }
        return dialog;
    }

    [[nodiscard]] static bool hasPdfPrinter()
    {
        return QPrinterInfo::availablePrinterNames().contains(QLatin1String(pdfPrinter));
    }

    /// Prints a chart on the PDF printer and returns the rendered page at 72 dpi (one pixel a
    /// point), after checking the file: named after the job, one landscape page.
    QImage printAndRender(TChartPreview &dialog, const QString &title)
    {
        const QDir out(qEnvironmentVariable("BRENTAVIUS_PDF_OUT"));
        for (const QString &old : out.entryList({title + "*.pdf"}))
            QFile::remove(out.filePath(old));
        dialog.BPrint->click();
        if (!m_errors.isEmpty()) {
            qWarning() << m_errors;
            return {};
        }
        QString file;
        // cups-pdf creates the file empty and fills it a second or so later.
        const auto finished = [&] {
            const QStringList found = out.entryList({title + "*.pdf"});
            if (found.isEmpty())
                return false;
            file = out.filePath(found.first());
            return run("lpstat", {"-o", pdfPrinter}).trimmed().isEmpty()
                && QFileInfo(file).size() > 0
                && run("pdfinfo", {file}).contains(QLatin1String("Pages:"));
        };
        if (!QTest::qWaitFor(finished, 60000)) {
            qWarning() << "no finished print of" << title << "in" << out.path();
            return {};
        }
        if (!run("pdfinfo", {file}).contains(QRegularExpression("Pages:\\s+1\\n"))) {
            qWarning() << "not one page:" << run("pdfinfo", {file});
            return {};
        }
        QTemporaryDir pictures;
        run("pdftoppm", {"-png", "-r", "72", "-singlefile", file, pictures.filePath("page")});
        QImage page(pictures.filePath("page.png"));
        // The printer puts a landscape page on its A4 sheet turned, as paper goes through a
        // printer: turned back, the chart's title must stand at the top.
        if (page.width() < page.height())
            page = page.transformed(QTransform().rotate(90));
        return page.convertToFormat(QImage::Format_RGB32);
    }

    /// Why the prints cannot be checked here; empty when they can.
    [[nodiscard]] static QString whyNoPrints()
    {
        if (qEnvironmentVariableIsEmpty("BRENTAVIUS_PDF_OUT"))
            return "no CUPS PDF printer: run the tests through scripts/with-cups, as root with "
                   "CUPS and printer-driver-cups-pdf installed";
        if (!hasPdfPrinter())
            return "the CUPS scheduler does not offer the printer PDF";
        if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
            return "pdftoppm (poppler-utils) is missing";
        return {};
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
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }

    void showingTurnsThePrinterToLandscapeWithProportionalMargins()
    {
        if (!hasPdfPrinter())
            QSKIP("needs the CUPS PDF printer (scripts/with-cups, as root)");
        const auto chart = makeChart(ChartDescriptions::temperature(), QSize(600, 300));
        TChartPreview dialog(nullptr, chart.get(), *m_printer);
        dialog.printer().setPrinterName(pdfPrinter);
        dialog.printer().setPageOrientation(QPageLayout::Portrait);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.printer().pageLayout().orientation(), QPageLayout::Landscape);
        QCOMPARE(dialog.Orientation->ItemIndex(), 1);
        QCOMPARE(dialog.Printers->currentText(), pdfPrinter);
        // A4 landscape: R(100 − 0.6 × 842 × (300 ÷ 600) × 100 ÷ 595) = R(57.55) = 58, halved 29.
        const PrintMargins expected {15, 29, 15, 29};
        QCOMPARE(chart->printSettings().margins, expected);
        QCOMPARE(boxes(dialog), expected);
        QVERIFY(!dialog.BReset->isEnabled());
        // The paper on the page has the landscape page's shape.
        const PixelBox paper = dialog.PreviewPage->paper();
        QVERIFY(qAbs(double(paper.width()) / paper.height() - 842.0 / 595.0) < 0.01);
    }

    void aMarginLeavingNoRoomSpringsBackAndResetBringsBackTheOpeningMargins()
    {
        const auto chart = makeChart(ChartDescriptions::humidity(), QSize(349, 250));
        chart->printSettings() = {{15, 15, 40, 15}, false, 0};
        const auto dialog = open(chart.get());
        QVERIFY(dialog);
        QVERIFY(!dialog->BReset->isEnabled());
        dialog->SELeftMa->setValue(60);
        QCOMPARE(dialog->SELeftMa->value(), 15);
        QCOMPARE(chart->printSettings().margins.left, 15);
        QVERIFY(!dialog->BReset->isEnabled());

        dialog->SELeftMa->setValue(59);
        QCOMPARE(chart->printSettings().margins.left, 59);
        QVERIFY(dialog->BReset->isEnabled());
        QVERIFY(!dialog->CBProp->isChecked()); // typing leaves "Proportional" alone
        dialog->SELeftMa->setValue(15);
        QVERIFY(!dialog->BReset->isEnabled()); // back where it opened

        dialog->SETopMa->setValue(30);
        dialog->BReset->click();
        QCOMPARE(chart->printSettings().margins, (PrintMargins {15, 15, 40, 15}));
        QCOMPARE(boxes(*dialog), (PrintMargins {15, 15, 40, 15}));
        QVERIFY(!dialog->BReset->isEnabled());
    }

    void theSettingsStayWithTheirChartAcrossOpenings()
    {
        const auto humidity = makeChart(ChartDescriptions::humidity(), QSize(349, 250));
        const auto par = makeChart(ChartDescriptions::par(), QSize(353, 250));
        {
            const auto dialog = open(humidity.get());
            QVERIFY(dialog);
            dialog->CBProp->click();
            dialog->SERightMa->setValue(20);
            dialog->Resolution->setValue(-40);
        }
        {
            const auto dialog = open(humidity.get());
            QVERIFY(dialog);
            QVERIFY(!dialog->CBProp->isChecked());
            QCOMPARE(dialog->SERightMa->value(), 20);
            QCOMPARE(dialog->Resolution->value(), -40);
        }
        const auto dialog = open(par.get());
        QVERIFY(dialog);
        QVERIFY(dialog->CBProp->isChecked());
        QCOMPARE(dialog->Resolution->value(), 0);
        QCOMPARE(par->printSettings().detail, 0);
        QVERIFY(par->printSettings().proportional);
    }

    void draggingTheMarginsThroughTheMouse()
    {
        const auto chart = makeChart(ChartDescriptions::par(), QSize(353, 250));
        const auto dialog = open(chart.get());
        QVERIFY(dialog);
        TPreviewPage *page = dialog->PreviewPage;
        const PrintMargins opened = chart->printSettings().margins;
        const PixelBox paper = page->paper();
        PixelBox margin = page->margin();

        // Hovering shows the part's cursor.
        hover(page, {margin.left + 2, (margin.top + margin.bottom) / 2});
        QCOMPARE(page->cursor().shape(), Qt::SplitHCursor);
        hover(page, {margin.right, margin.bottom});
        QCOMPARE(page->cursor().shape(), Qt::SizeFDiagCursor);
        hover(page, {(margin.left + margin.right) / 2, (margin.top + margin.bottom) / 2});
        QCOMPARE(page->cursor().shape(), Qt::PointingHandCursor);

        // The left edge, dragged half way to the paper's edge.
        const int middle = (margin.top + margin.bottom) / 2;
        const int newLeft = (paper.left + margin.left) / 2;
        drag(page, {{margin.left, middle}, {margin.left - 3, middle}, {newLeft, middle}});
        const int leftPercent = mulDivRound(newLeft - paper.left, 100, paper.width());
        QCOMPARE(chart->printSettings().margins.left, leftPercent);
        QCOMPARE(dialog->SELeftMa->value(), leftPercent);
        QCOMPARE(chart->printSettings().margins.top, opened.top);
        QVERIFY(!dialog->CBProp->isChecked());
        QVERIFY(!chart->printSettings().proportional);
        QVERIFY(!dialog->BReset->isEnabled()); // a drag leaves it as it was

        // The bottom-right corner, dragged out; the page was redrawn on release.
        margin = page->margin();
        drag(page, {{margin.right, margin.bottom}, {paper.right - 2, paper.bottom - 2}});
        QCOMPARE(chart->printSettings().margins.right, mulDivRound(2, 100, paper.width()));
        QCOMPARE(chart->printSettings().margins.bottom, mulDivRound(2, 100, paper.height()));

        // The whole rectangle, pushed far beyond the top-left: it stops at the paper.
        margin = page->margin();
        const QPoint inside {(margin.left + margin.right) / 2, (margin.top + margin.bottom) / 2};
        drag(page, {inside, inside - QPoint(4, 4), {paper.left, paper.top}});
        const PixelBox moved = page->margin();
        QCOMPARE(moved.left, paper.left);
        QCOMPARE(moved.top, paper.top);
        QVERIFY(qAbs(moved.width() - margin.width()) <= 2);
        QVERIFY(qAbs(moved.height() - margin.height()) <= 2);

        // Typing a margin afterwards weighs the margins against the opening ones again.
        dialog->SETopMa->setValue(3);
        QVERIFY(dialog->BReset->isEnabled());
        dialog->BReset->click();
        QCOMPARE(chart->printSettings().margins, opened);
    }

    void printerSetupComesBackToTheChosenPrinterInItsOrientation()
    {
        const auto chart = makeChart(ChartDescriptions::par(), QSize(353, 250));
        const auto dialog = open(chart.get());
        QVERIFY(dialog);
        const QString printer = dialog->Printers->currentText();
        ModalCloser closer;
        dialog->BSetupPrinter->click();
        QVERIFY(!closer.closed().isEmpty());
        QCOMPARE(dialog->Printers->currentText(), printer);
        QCOMPARE(dialog->Orientation->ItemIndex(), 1);
    }

    void printerSetupShowsThePrintersPageInTheDialogsLanguageWithoutMarginFields()
    {
        // The program installs Qt's Spanish texts; this dialog speaks English all through.
        QTranslator spanish;
        if (!spanish.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QSKIP("Qt's Spanish texts (qt6-translations-l10n) are not installed");
        QCoreApplication::installTranslator(&spanish);
        const auto removeSpanish =
            qScopeGuard([&spanish] { QCoreApplication::removeTranslator(&spanish); });
        const auto chart = makeChart(ChartDescriptions::par(), QSize(353, 250));
        const auto dialog = open(chart.get());
        QVERIFY(dialog);
        QString title;
        QString orientationTitle;
        bool marginsShown = true;
        onPrinterSetup([&](QPageSetupDialog *setup) {
            title = setup->windowTitle();
            const auto *portrait = setup->findChild<QRadioButton *>(QStringLiteral("portrait"));
            if (const auto *group =
                    portrait ? qobject_cast<QGroupBox *>(portrait->parentWidget()) : nullptr)
                orientationTitle = group->title();
            const auto *topMargin = setup->findChild<QDoubleSpinBox *>(QStringLiteral("topMargin"));
            marginsShown = !topMargin || topMargin->isVisibleTo(setup);
            return false;
        });
        dialog->BSetupPrinter->click();
        QCOMPARE(title, QStringLiteral("Page Setup"));
        QCOMPARE(orientationTitle, QStringLiteral("Orientation"));
        QVERIFY(!marginsShown);
        // Qt's own texts elsewhere are Spanish again.
        QCOMPARE(QCoreApplication::translate("QPageSetupWidget", "Orientation"),
                 QStringLiteral("Orientación"));
    }

    void afterPrinterSetupThePreviewShowsTheMarginsThePrintUses()
    {
        if (const QString why = whyNoPrints(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const auto chart = makeChart(ChartDescriptions::temperature(), QSize(706, 246));
        const auto dialog = openOnPdfPrinter(chart.get());
        QVERIFY(dialog);
        const PrintMargins landscape = boxes(*dialog);
        onPrinterSetup([](QPageSetupDialog *setup) {
            auto *portrait = setup->findChild<QRadioButton *>(QStringLiteral("portrait"));
            if (portrait)
                portrait->click();
            return portrait != nullptr;
        });
        dialog->BSetupPrinter->click();
        QCOMPARE(dialog->printer().pageLayout().orientation(), QPageLayout::Portrait);
        QCOMPARE(dialog->Orientation->ItemIndex(), 0);
        const PrintMargins shown = boxes(*dialog);
        QVERIFY(shown != landscape);
        const PixelBox paper = dialog->PreviewPage->paper();
        QVERIFY(paper.width() < paper.height());

        QVERIFY(!printAndRender(*dialog, chart->objectName()).isNull());
        QCOMPARE(chart->printSettings().margins, shown);
    }

    void aPrintTheQueueRefusesIsReported_data()
    {
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<QString>("allow");
        QTest::addColumn<QString>("said");
        QTest::newRow("rejecting jobs") << "cupsreject"
                                        << "cupsaccept"
                                        << "no acepta trabajos";
        QTest::newRow("stopped") << "cupsdisable"
                                 << "cupsenable"
                                 << "está detenida";
    }

    void aPrintTheQueueRefusesIsReported()
    {
        QFETCH(QString, refuse);
        QFETCH(QString, allow);
        QFETCH(QString, said);
        if (const QString why = whyNoPrints(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const auto chart = makeChart(ChartDescriptions::humidity(), QSize(349, 250));
        const auto dialog = openOnPdfPrinter(chart.get());
        QVERIFY(dialog);
        const QDir out(qEnvironmentVariable("BRENTAVIUS_PDF_OUT"));
        for (const QString &old : out.entryList({chart->objectName() + "*.pdf"}))
            QFile::remove(out.filePath(old));

        QVERIFY(QProcess::execute(refuse, {pdfPrinter}) == 0);
        const auto restore = qScopeGuard([&allow] { QProcess::execute(allow, {pdfPrinter}); });
        dialog->BPrint->click();
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.first().contains(said) && m_errors.first().contains(pdfPrinter),
                 qPrintable(m_errors.first()));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(dialog->isVisible());
        QVERIFY(run("lpstat", {"-o", pdfPrinter}).trimmed().isEmpty());
        QVERIFY(out.entryList({chart->objectName() + "*.pdf"}).isEmpty());
    }

    void aJobRefusedOnItsWayIsFoundAfterwards()
    {
        if (const QString why = whyNoPrints(); !why.isEmpty())
            QSKIP(qPrintable(why));
        // The queue closes between the look before printing and the job itself.
        m_printer->setPrinterName(pdfPrinter);
        QVERIFY(PrintQueue::whyRefused(*m_printer).isEmpty());
        QVERIFY(QProcess::execute("cupsreject", {pdfPrinter}) == 0);
        const auto restore = qScopeGuard([] { QProcess::execute("cupsaccept", {pdfPrinter}); });
        QPainter painter;
        QVERIFY(painter.begin(m_printer.get()));
        painter.drawLine(0, 0, 100, 100);
        QVERIFY(painter.end());
        const QString refusal = PrintQueue::jobRefusal(*m_printer);
        QVERIFY2(refusal.contains(pdfPrinter), qPrintable(refusal));
    }

    void onAPrinterTheDottedGridStaysAHairlineWhileSolidLinesScale()
    {
        const auto chart = makeChart(ChartDescriptions::humidity(), QSize(349, 250));
        PenRecordingDevice printer;
        chart->renderChart(printer, QRectF(0, 0, 3490, 2500), chart->size());
        const QList<QPen> &pens = printer.engine.pens;
        const auto dotted = [](const QPen &pen) {
            return pen.style() == Qt::DotLine;
        };
        const auto solidBlack = [](const QPen &pen) {
            return pen.style() == Qt::SolidLine && pen.color() == Qt::black;
        };
        QVERIFY(std::any_of(pens.begin(), pens.end(), dotted));
        for (const QPen &pen : pens) {
            if (dotted(pen))
                QVERIFY(pen.isCosmetic());
            if (solidBlack(pen))
                QVERIFY(!pen.isCosmetic() && pen.widthF() >= 1.0);
        }
        QVERIFY(std::any_of(pens.begin(), pens.end(), solidBlack));
    }

    void printsEachChartInsideItsPrintRectangleOnThePdfPrinter()
    {
        if (const QString why = whyNoPrints(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QList<std::pair<ChartDescription, QSize>> charts {
            {ChartDescriptions::temperature(), QSize(706, 246)},
            {ChartDescriptions::humidity(), QSize(349, 250)},
            {ChartDescriptions::par(), QSize(353, 250)}};
        for (const auto &[description, size] : charts) {
            const auto chart = makeChart(description, size);
            const auto dialog = open(chart.get());
            QVERIFY(dialog);
            const int index = dialog->Printers->findText(pdfPrinter);
            dialog->Printers->setCurrentIndex(index);
            dialog->PrintersChange();
            // Margins typed with "Proportional" checked give way to the proportional ones.
            const PrintMargins proportional = chart->printSettings().margins;
            dialog->SELeftMa->setValue(3);
            const QImage page = printAndRender(*dialog, description.name);
            QVERIFY(!page.isNull());
            QCOMPARE(chart->printSettings().margins, proportional);
            QCOMPARE(dialog->SELeftMa->value(), proportional.left);

            const PixelBox box = printBox(QSize(page.width(), page.height()), proportional);
            const QRect ink = inkBox(page, notWhite);
            const QRect expected = box.toRect();
            const auto near = [](int a, int b) {
                return qAbs(a - b) <= 3;
            };
            QVERIFY2(near(ink.left(), expected.left()) && near(ink.top(), expected.top())
                         && near(ink.right(), expected.right())
                         && near(ink.bottom(), expected.bottom()),
                     qPrintable(QString("%1: ink %2,%3 %4x%5, print rectangle %6,%7 %8x%9")
                                    .arg(description.name)
                                    .arg(ink.x())
                                    .arg(ink.y())
                                    .arg(ink.width())
                                    .arg(ink.height())
                                    .arg(expected.x())
                                    .arg(expected.y())
                                    .arg(expected.width())
                                    .arg(expected.height())));
            QVERIFY(m_errors.isEmpty());
        }
    }

    void moreDetailPrintsSmallerText()
    {
        if (const QString why = whyNoPrints(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const auto chart = makeChart(ChartDescriptions::humidity(), QSize(349, 250));
        QList<int> titleHeights;
        for (int detail : {0, -100}) {
            const auto dialog = open(chart.get());
            QVERIFY(dialog);
            dialog->Printers->setCurrentIndex(dialog->Printers->findText(pdfPrinter));
            dialog->PrintersChange();
            dialog->Resolution->setValue(detail);
            const QImage page = printAndRender(*dialog, chart->objectName());
            QVERIFY(!page.isNull());
            const QRect title = inkBox(page, titleBlue);
            const QRect ink = inkBox(page, notWhite);
            QVERIFY2(title.isValid() && title.center().y() < ink.top() + ink.height() / 4,
                     "the page is upside down or on its side");
            titleHeights.append(title.height());
        }
        QVERIFY2(titleHeights[1] * 4 < titleHeights[0] * 3,
                 qPrintable(QString("title %1 px high at detail 0, %2 px at -100")
                                .arg(titleHeights[0])
                                .arg(titleHeights[1])));
    }

    void withoutAPrinterThePageTakesTheScreensShapeAndPrintSaysSo()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("a printer is installed; ctest runs this case again with CUPS out of reach");
        const auto chart = makeChart(ChartDescriptions::par(), QSize(353, 250));
        const auto dialog = open(chart.get());
        QVERIFY(dialog);
        QCOMPARE(dialog->Printers->count(), 0);
        const QSize screen = dialog->screen()->size();
        QCOMPARE(dialog->PreviewPage->paper(), paperBox(dialog->PreviewPage->size(), screen));
        dialog->BPrint->click();
        QCOMPARE(m_errors, QStringList {"There is no printer installed to print on."});
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(dialog->isVisible());
    }
};

QTEST_MAIN(TestPrintPreview)
#include "tst_print_preview.moc"
