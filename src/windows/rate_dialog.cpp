#include "windows/rate_dialog.h"

#include "link/sample_rate.h"
#include "runtime/centre_on_desktop.h"
#include "runtime/error_report.h"
#include "runtime/radio_group.h"
#include "runtime/window_fonts.h"
#include "windows/main_window.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

/// The check mark that an OK button carries, drawn for any size.
QIcon checkMarkIcon()
{
    QIcon icon;
    for (const int side : {16, 32}) {
        QPixmap glyph(side, side);
        glyph.fill(Qt::transparent);
        QPainter painter(&glyph);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(side / 16.0, side / 16.0);
        QPainterPath tick;
        tick.moveTo(2.5, 8.5);
        tick.lineTo(6.0, 12.5);
        tick.lineTo(13.5, 3.5);
        painter.setPen(
            QPen(QColor(0x00, 0x80, 0x00), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(tick);
        painter.end();
        icon.addPixmap(glyph);
    }
    return icon;
}

} // namespace

TForm7::TForm7(ProgramWindows &windows, QWidget *parent)
    : Form(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Cambio de tasa de muestreo"));
    setFixedSize(262, 203);
    setFont(WindowFonts::msSansSerif());
    QPalette moneyGreen = palette();
    moneyGreen.setColor(QPalette::Window, QColor(0xc0, 0xdc, 0xc0));
    setPalette(moneyGreen);

    Label1 = new QLabel(QStringLiteral("Seleccione la tasa deseada"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(WindowFonts::font(QStringLiteral("Arial"), 10, true));
    Label1->setAlignment(Qt::AlignCenter);

    RadioGroup1 = new RadioGroup(
        {QStringLiteral("15 MINUTOS"), QStringLiteral("30 MINUTOS"), QStringLiteral("60 MINUTOS")},
        this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setFixedWidth(150);

    BitBtn1 = new QPushButton(checkMarkIcon(), QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setFixedSize(75, 25);
    BitBtn1->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 14, 12, 14);
    layout->setSpacing(10);
    layout->addWidget(Label1);
    layout->addWidget(RadioGroup1, 1, Qt::AlignHCenter);
    layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);

    connect(RadioGroup1, &RadioGroup::clicked, this,
            [this] { ErrorReport::guard([this] { RadioGroup1Click(); }); });
    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { ErrorReport::guard([this] { BitBtn1Click(); }); });
}

void TForm7::showEvent(QShowEvent *event)
{
    centreOnDesktop(this);
    Form::showEvent(event);
}

void TForm7::FormActivate()
{
    RadioGroup1->setItemIndex(-1);
}

void TForm7::RadioGroup1Click()
{
    TForm1 *main = m_windows.Form1;
    const int chosen = RadioGroup1->ItemIndex();
    if (!main->connected() || chosen < 0)
        return;
    main->onLine([main, chosen] { main->SerialPort1.SendText(rateCommand(SampleRate(chosen))); });
}

void TForm7::BitBtn1Click()
{
    accept();
}
