#include "windows/charts/print_preview_dialog.h"

#include "runtime/centre_on_desktop.h"
#include "runtime/english_toolkit_texts.h"
#include "runtime/error_report.h"
#include "runtime/radio_group.h"
#include "runtime/window_fonts.h"
#include "windows/charts/chart_view.h"
#include "windows/charts/preview_page.h"
#include "windows/charts/print_queue.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>

#include <stdexcept>

using namespace PrintMarginMath;

namespace {

constexpr int clientWidth = 551;
constexpr int clientHeight = 383;
constexpr int topPanelHeight = 38;
constexpr int sidePanelWidth = 112;

QFrame *makePanel(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(geometry);
    return panel;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption,
                        const QRect &geometry)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->setGeometry(geometry);
    return button;
}

QSpinBox *makeMarginBox(QWidget *parent, const char *name, QPoint at)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, 100);
    box->setGeometry(QRect(at, QSize(46, 21)));
    return box;
}

QCheckBox *makeCheckBox(QWidget *parent, const char *name, const QString &caption, QPoint at)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(true);
    box->move(at);
    box->adjustSize();
    return box;
}

/// The error of a print job that could not be started or finished.
std::runtime_error printError(const QString &message)
{
    return std::runtime_error(message.toStdString());
}

} // namespace

TChartPreview::TChartPreview(QWidget *owner, ChartView *chart, QPrinter &printer)
    : QDialog(owner)
    , m_chart(chart)
    , m_printer(printer)
{
    setObjectName(QStringLiteral("ChartPreview"));
    setWindowTitle(QStringLiteral("Chart Print Preview"));
    setFixedSize(clientWidth, clientHeight);
    setFont(WindowFonts::msSansSerif());
    buildComponents();
}

void TChartPreview::buildComponents()
{
    Panel1 = makePanel(this, "Panel1", QRect(0, 0, clientWidth, topPanelHeight));
    Label1 = new QLabel(QStringLiteral("P&rinter:"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setGeometry(3, 9, 50, 21);
    Printers = new QComboBox(Panel1);
    Printers->setObjectName(QStringLiteral("Printers"));
    Printers->setGeometry(57, 9, 195, 21);
    Label1->setBuddy(Printers);
    BSetupPrinter = makeButton(Panel1, "BSetupPrinter", QStringLiteral("Printer &Setup..."),
                               QRect(262, 7, 100, 23));
    BPrint = makeButton(Panel1, "BPrint", QStringLiteral("&Print"), QRect(371, 7, 69, 23));
    BClose = makeButton(Panel1, "BClose", QStringLiteral("Close"), QRect(451, 7, 69, 23));
    BClose->setDefault(true);

    Panel2 = makePanel(this, "Panel2",
                       QRect(0, topPanelHeight, sidePanelWidth, clientHeight - topPanelHeight));
    Orientation =
        new RadioGroup({QStringLiteral("P&ortrait"), QStringLiteral("&Landscape")}, Panel2);
    Orientation->setObjectName(QStringLiteral("Orientation"));
    Orientation->setTitle(QStringLiteral("Paper Orientation:"));
    Orientation->setGeometry(3, 3, 105, 57);

    GBMargins = new QGroupBox(QStringLiteral("Margins (%)"), Panel2);
    GBMargins->setObjectName(QStringLiteral("GBMargins"));
    GBMargins->setGeometry(3, 67, 105, 95);
    SETopMa = makeMarginBox(GBMargins, "SETopMa", QPoint(30, 17));
    SELeftMa = makeMarginBox(GBMargins, "SELeftMa", QPoint(5, 42));
    SERightMa = makeMarginBox(GBMargins, "SERightMa", QPoint(54, 42));
    SEBotMa = makeMarginBox(GBMargins, "SEBotMa", QPoint(30, 67));

    BReset = makeButton(Panel2, "BReset", QStringLiteral("Reset &Margins"), QRect(12, 171, 86, 25));
    BReset->setEnabled(false);
    ShowMargins = makeCheckBox(Panel2, "ShowMargins", QStringLiteral("&View Margins"), {13, 204});

    ChangeDetailGroup = new QGroupBox(QStringLiteral("Detail:"), Panel2);
    ChangeDetailGroup->setObjectName(QStringLiteral("ChangeDetailGroup"));
    ChangeDetailGroup->setGeometry(3, 229, 105, 66);
    auto *more = new QLabel(QStringLiteral("More"), ChangeDetailGroup);
    more->setGeometry(6, 18, 40, 16);
    auto *normal = new QLabel(QStringLiteral("Normal"), ChangeDetailGroup);
    normal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    normal->setGeometry(55, 18, 44, 16);
    Resolution = new QScrollBar(Qt::Horizontal, ChangeDetailGroup);
    Resolution->setObjectName(QStringLiteral("Resolution"));
    Resolution->setRange(-100, 0);
    Resolution->setPageStep(10);
    Resolution->setGeometry(6, 38, 93, 17);
    CBProp = makeCheckBox(Panel2, "CBProp", QStringLiteral("Proportional"), {13, 304});

    PreviewPage = new TPreviewPage(m_chart, this);
    PreviewPage->setGeometry(sidePanelWidth, topPanelHeight, clientWidth - sidePanelWidth,
                             clientHeight - topPanelHeight);
    connect(PreviewPage, &TPreviewPage::marginsDragged, this,
            [this] { ErrorReport::guard([this] { marginsDragged(); }); });

    const auto on = [this](auto *sender, auto signal, void (TChartPreview::*handler)()) {
        connect(sender, signal, this,
                [this, handler] { ErrorReport::guard([this, handler] { (this->*handler)(); }); });
    };
    on(Printers, &QComboBox::activated, &TChartPreview::PrintersChange);
    on(BSetupPrinter, &QPushButton::clicked, &TChartPreview::BSetupPrinterClick);
    on(BPrint, &QPushButton::clicked, &TChartPreview::BPrintClick);
    on(BClose, &QPushButton::clicked, &TChartPreview::BCloseClick);
    on(Orientation, &RadioGroup::clicked, &TChartPreview::OrientationClick);
    on(SETopMa, &QSpinBox::valueChanged, &TChartPreview::SETopMaChange);
    on(SELeftMa, &QSpinBox::valueChanged, &TChartPreview::SELeftMaChange);
    on(SERightMa, &QSpinBox::valueChanged, &TChartPreview::SERightMaChange);
    on(SEBotMa, &QSpinBox::valueChanged, &TChartPreview::SEBotMaChange);
    on(ShowMargins, &QCheckBox::clicked, &TChartPreview::ShowMarginsClick);
    on(BReset, &QPushButton::clicked, &TChartPreview::BResetClick);
    on(Resolution, &QScrollBar::valueChanged, &TChartPreview::ResolutionChange);
    on(CBProp, &QCheckBox::toggled, &TChartPreview::CBPropClick);
}

void TChartPreview::showEvent(QShowEvent *event)
{
    centreOnDesktop(this);
    if (!m_shown) {
        m_shown = true;
        ErrorReport::guard([this] { FormShow(); });
    }
    QDialog::showEvent(event);
}

void TChartPreview::FormShow()
{
    unsetCursor();
    fillPrinters();
    usePrintableArea();
    m_printer.setPageOrientation(QPageLayout::Landscape);
    PrintSettings &settings = m_chart->printSettings();
    m_silencePropClick = true;
    CBProp->setChecked(settings.proportional);
    m_silencePropClick = false;
    Resolution->setValue(settings.detail);
    m_savedMargins = settings.margins;
    recalculate();
    m_starting = false;
}

void TChartPreview::fillPrinters()
{
    const QStringList names = QPrinterInfo::availablePrinterNames();
    Printers->clear();
    Printers->addItems(names);
    if (names.isEmpty())
        return;
    int current = names.indexOf(m_printer.printerName());
    if (current < 0) {
        current = 0;
        m_printer.setPrinterName(names.first());
    }
    Printers->setCurrentIndex(current);
}

void TChartPreview::usePrintableArea()
{
    m_printer.setPageMargins(m_printer.pageLayout().minimumMargins(),
                             m_printer.pageLayout().units());
}

void TChartPreview::showPrinterOrientation()
{
    Orientation->setItemIndex(m_printer.pageLayout().orientation() == QPageLayout::Landscape ? 1
                                                                                             : 0);
}

void TChartPreview::recalculate()
{
    PrintSettings &settings = m_chart->printSettings();
    if (settings.proportional) {
        settings.margins = proportional();
        m_savedMargins = settings.margins;
    }
    showPrinterOrientation();
    writeMargins();
    PreviewPage->setPageShape(pageSize());
    PreviewPage->redraw();
    updateResetButton();
}

void TChartPreview::writeMargins()
{
    const PrintMargins margins = m_chart->printSettings().margins;
    m_updating = true;
    const auto done = qScopeGuard([this] { m_updating = false; });
    SETopMa->setValue(margins.top);
    SELeftMa->setValue(margins.left);
    SERightMa->setValue(margins.right);
    SEBotMa->setValue(margins.bottom);
}

void TChartPreview::updateResetButton()
{
    BReset->setEnabled(m_chart->printSettings().margins != m_savedMargins);
}

bool TChartPreview::hasPrinter() const
{
    return Printers->count() > 0;
}

QSize TChartPreview::pageSize() const
{
    if (!hasPrinter()) {
        const QScreen *screen = this->screen();
        return screen ? screen->size() : QSize();
    }
    return {m_printer.width(), m_printer.height()};
}

PrintMargins TChartPreview::proportional() const
{
    if (!hasPrinter()) {
        const QScreen *screen = this->screen();
        const double dpiX = screen ? screen->logicalDotsPerInchX() : 96.0;
        const double dpiY = screen ? screen->logicalDotsPerInchY() : 96.0;
        return proportionalMargins(m_chart->size(), pageSize(), dpiX, dpiY);
    }
    return proportionalMargins(m_chart->size(), pageSize(), m_printer.logicalDpiX(),
                               m_printer.logicalDpiY());
}

void TChartPreview::PrintersChange()
{
    m_printer.setPrinterName(Printers->currentText());
    usePrintableArea();
    showPrinterOrientation();
    OrientationClick();
}

void TChartPreview::BSetupPrinterClick()
{
    runPrinterSetup();
    fillPrinters();
    usePrintableArea();
    // A new orientation or paper gives the page another shape: the margins follow it as the
    // print will.
    recalculate();
}

void TChartPreview::runPrinterSetup()
{
    const EnglishToolkitTexts english;
    QPageSetupDialog setup(&m_printer, this);
    setup.setObjectName(QStringLiteral("PrinterSetupDialog1"));
    // Margins typed there would be thrown away: the page is the printable area and the chart's
    // margins lie inside it. The four fields share one group.
    if (auto *topMargin = setup.findChild<QDoubleSpinBox *>(QStringLiteral("topMargin")))
        topMargin->parentWidget()->hide();
    setup.exec();
}

void TChartPreview::OrientationClick()
{
    m_printer.setPageOrientation(Orientation->ItemIndex() == 0 ? QPageLayout::Portrait
                                                               : QPageLayout::Landscape);
    recalculate();
}

void TChartPreview::marginChanged(QSpinBox *box, int PrintMargins::*margin,
                                  int PrintMargins::*opposite)
{
    if (m_starting)
        return;
    PrintMargins &margins = m_chart->printSettings().margins;
    if (!marginFits(box->value(), margins.*opposite)) {
        box->setValue(margins.*margin);
        return;
    }
    margins.*margin = box->value();
    if (m_updating)
        return;
    PreviewPage->redraw();
    updateResetButton();
}

void TChartPreview::SETopMaChange()
{
    marginChanged(SETopMa, &PrintMargins::top, &PrintMargins::bottom);
}

void TChartPreview::SELeftMaChange()
{
    marginChanged(SELeftMa, &PrintMargins::left, &PrintMargins::right);
}

void TChartPreview::SERightMaChange()
{
    marginChanged(SERightMa, &PrintMargins::right, &PrintMargins::left);
}

void TChartPreview::SEBotMaChange()
{
    marginChanged(SEBotMa, &PrintMargins::bottom, &PrintMargins::top);
}

void TChartPreview::marginsDragged()
{
    writeMargins();
    m_chart->printSettings().proportional = false;
    m_silencePropClick = true;
    CBProp->setChecked(false);
    m_silencePropClick = false;
}

void TChartPreview::ShowMarginsClick()
{
    PreviewPage->setShowMargins(ShowMargins->isChecked());
}

void TChartPreview::BResetClick()
{
    m_chart->printSettings().margins = m_savedMargins;
    writeMargins();
    PreviewPage->redraw();
    BReset->setEnabled(false);
}

void TChartPreview::ResolutionChange()
{
    m_chart->printSettings().detail = Resolution->value();
    PreviewPage->redraw();
    showPrinterOrientation();
}

void TChartPreview::CBPropClick()
{
    if (m_silencePropClick)
        return;
    m_chart->printSettings().proportional = CBProp->isChecked();
    recalculate();
}

void TChartPreview::BPrintClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto normalCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    PrintSettings &settings = m_chart->printSettings();
    if (settings.proportional) {
        // Margins typed while "Proportional" is checked only last until the print.
        settings.margins = proportional();
        writeMargins();
        PreviewPage->redraw();
        updateResetButton();
    }
    // Without a printer the toolkit would write to a file nobody asked for and call it done.
    if (!hasPrinter())
        throw printError(QStringLiteral("There is no printer installed to print on."));
    // The toolkit hands the job over without a look at the answer: a queue that takes no jobs
    // is found before printing, a refused job after.
    if (const QString refused = PrintQueue::whyRefused(m_printer); !refused.isEmpty())
        throw printError(refused);
    const QRect target = printBox(pageSize(), settings.margins).toRect();
    m_printer.setDocName(m_chart->objectName());
    QCPPainter painter;
    if (!painter.begin(&m_printer))
        throw printError(
            QStringLiteral("Printing on %1 could not start.").arg(m_printer.printerName()));
    try {
        ChartView::choosePainterModes(painter);
        painter.setClipRect(target);
        m_chart->renderChart(painter, target, detailLayoutSize(m_chart->size(), settings.detail));
        if (!painter.end() || m_printer.printerState() == QPrinter::Error)
            throw printError(
                QStringLiteral("The print job on %1 failed.").arg(m_printer.printerName()));
    } catch (...) {
        m_printer.abort();
        if (painter.isActive())
            painter.end();
        throw;
    }
    if (const QString refused = PrintQueue::jobRefusal(m_printer); !refused.isEmpty())
        throw printError(refused);
}

void TChartPreview::BCloseClick()
{
    close();
}
