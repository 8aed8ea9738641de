#include "windows/gauges_window.h"

#include "runtime/error_report.h"
#include "runtime/window_fonts.h"
#include "widgets/colour_button.h"
#include "widgets/gradient_background.h"
#include "widgets/thermometer.h"
#include "windows/gauges_placement.h"
#include "windows/main_window.h"
#include "windows/main_window_menu.h"

#include <QCloseEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int windowWidth = 257;
/// The height before the main window lends its own.
constexpr int initialHeight = 395;
/// The rows of thermometers: the first starts at 36, a gap of 12 between the rows and
/// 27 below the second; the rows share whatever height the window has.
constexpr int firstRowTop = 36;
constexpr int rowGap = 12;
constexpr int bottomMargin = 27;

/// The part of the desktop that windows may use, on the main window's screen.
QRect availableArea(const QWidget *window)
{
    const QScreen *screen = window->screen();
    return screen ? screen->availableGeometry() : QRect(window->frameGeometry());
}

} // namespace

TForm4::TForm4(ProgramWindows &windows, QWidget *parent)
    : Form(parent,
           Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
               | Qt::MSWindowsFixedSizeDialogHint)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form4"));
    // No caption: the toolkit gives a window with an empty title the program's name in the
    // title bar, a single blank it passes on as it is.
    setWindowTitle(QStringLiteral(" "));
    // The window takes the main window's height whenever it is placed; it has it from the start.
    setFixedSize(windowWidth, m_windows.Form1 ? m_windows.Form1->height() : initialHeight);
    setFont(WindowFonts::msSansSerif());
    if (m_windows.Form1)
        installGaugesWindowMenu(*this, *m_windows.Form1);

    Gradient1 = new GradientBackground(this);
    Gradient1->setObjectName(QStringLiteral("Gradient1"));
    Gradient1->setGradientEnabled(false);
    auto *fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(Gradient1);

    Label1 = new QLabel(QStringLiteral("VALORES PUNTUALES ON-LINE"), Gradient1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(WindowFonts::font(QStringLiteral("Arial"), 10, true));
    QPalette teal = Label1->palette();
    teal.setColor(QPalette::WindowText, QColor(0x00, 0x80, 0x80));
    Label1->setPalette(teal);
    Label1->setGeometry(36, 8, 200, 16);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    const struct
    {
        Thermometer **thermometer;
        QRect geometry;
        const char *name;
        QString unit;
        double from;
        double to;
        const char *format;
        QColor bar;
    } gauges[] = {
        {&Thermometer1,
         {8, 36, 109, 160},
         "Canal 1",
         QStringLiteral("ºC"),
         -10,
         45,
         "#0.0",
         QColor(0x00, 0x00, 0xff)},
        {&Thermometer2,
         {128, 36, 113, 160},
         "Canal 2",
         QStringLiteral("ºC"),
         -10,
         45,
         "#0.0",
         QColor(0xff, 0xff, 0x00)},
        // The scales start just above 0, not at 0.
        {&Thermometer3,
         {12, 208, 113, 160},
         "Canal 3",
         QStringLiteral("HºRº"),
         0.000001,
         100,
         "##0.0",
         QColor(0x00, 0xff, 0x00)},
        {&Thermometer4,
         {132, 208, 113, 160},
         "Canal 4",
         QStringLiteral("PAR"),
         0.000001,
         2500,
         "#00",
         QColor(0xff, 0x00, 0xff)},
    };
    const QFont gaugeFont = WindowFonts::font(QStringLiteral("Arial"), 8);
    for (int i = 0; i < 4; ++i) {
        const auto &look = gauges[i];
        auto *thermometer = new Thermometer(Gradient1);
        thermometer->setObjectName(QStringLiteral("Thermometer%1").arg(i + 1));
        thermometer->setGeometry(look.geometry);
        thermometer->setFont(gaugeFont);
        thermometer->setName(QString::fromLatin1(look.name));
        thermometer->setUnit(look.unit);
        thermometer->setScale(look.from, look.to);
        thermometer->setFormat(QString::fromLatin1(look.format));
        thermometer->setBarColor(look.bar);
        thermometer->setValue(50.0f);
        *look.thermometer = thermometer;
    }
}

void TForm4::resizeEvent(QResizeEvent *event)
{
    Form::resizeEvent(event);
    const int rowHeight = std::max(0, (height() - firstRowTop - rowGap - bottomMargin) / 2);
    const int secondRowTop = firstRowTop + rowHeight + rowGap;
    for (Thermometer *gauge : {Thermometer1, Thermometer2})
        gauge->setGeometry(gauge->x(), firstRowTop, gauge->width(), rowHeight);
    for (Thermometer *gauge : {Thermometer3, Thermometer4})
        gauge->setGeometry(gauge->x(), secondRowTop, gauge->width(), rowHeight);
}

void TForm4::showEvent(QShowEvent *event)
{
    // Placed before it appears, so that it does not show up elsewhere first; its activation
    // places it again, by then with its frame known.
    ErrorReport::guard([this] { FormActivate(); });
    Form::showEvent(event);
}

void TForm4::FormActivate()
{
    TForm1 *main = m_windows.Form1;
    main->ColBitBtn8->hide();
    if (height() != main->height())
        setFixedHeight(main->height());
    const QRect screen = availableArea(main);
    if (!m_mainMove) {
        const GaugesPlacement::Placement placement =
            GaugesPlacement::opening(screen, main->frameGeometry(), frameGeometry().size());
        m_mainMove = MainWindowMove {main->pos(), placement.main};
        main->move(placement.main);
        move(placement.gauges);
    } else {
        move(GaugesPlacement::beside(screen, main->frameGeometry(), frameGeometry().size()));
    }
}

void TForm4::FormClose()
{
    TForm1 *main = m_windows.Form1;
    if (m_mainMove) {
        main->move(GaugesPlacement::closing(availableArea(main), main->frameGeometry(),
                                            m_mainMove->before, m_mainMove->opened));
        m_mainMove.reset();
    }
    main->ColBitBtn8->show();
}

void TForm4::closeEvent(QCloseEvent *event)
{
    ErrorReport::guard([this] { FormClose(); });
    Form::closeEvent(event);
    // The main window is the one to come back to; a window manager may not know that.
    if (!isVisible() && m_windows.Form1->isVisible())
        m_windows.Form1->activateWindow();
}
