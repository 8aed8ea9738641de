#include "windows/clock_dialog.h"

#include "runtime/centre_on_desktop.h"
#include "runtime/error_report.h"
#include "runtime/window_fonts.h"
#include "windows/main_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TForm8::TForm8(ProgramWindows &windows, QWidget *parent)
    : Form(parent,
           Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("PUESTA EN HORA DEL LOGGER"));
    setFixedSize(544, 137);
    QFont boldFont = WindowFonts::msSansSerif();
    boldFont.setBold(true);
    setFont(boldFont);
    QPalette whiteAndRed = palette();
    whiteAndRed.setColor(QPalette::Window, Qt::white);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText})
        whiteAndRed.setColor(role, Qt::red);
    setPalette(whiteAndRed);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(2);
    const QString warning[] = {
        QStringLiteral("LA PUESTA EN HORA DEL LOGGER IMPLICA LA TRANSFERENCIA DE DÍA Y HORA"),
        QStringLiteral("DE LA PC AL LOGGER. TAMBIEN PONE A CERO LA CANTIDAD DE MEMORIA UTILIZADA"),
        QStringLiteral("ASEGÚRESE DE DESCARGAR LOS DATOS ANTES DE PROCEDER CON ESTE PUNTO"),
    };
    QLabel **labels[] = {&Label1, &Label2, &Label3};
    for (int i = 0; i < 3; ++i) {
        *labels[i] = new QLabel(warning[i], this);
        (*labels[i])->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        (*labels[i])->setAlignment(Qt::AlignCenter);
        layout->addWidget(*labels[i]);
    }
    layout->addStretch(1);

    BitBtn1 = new QPushButton(QStringLiteral("PONER EN HORA"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("REGRESAR"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *button : {BitBtn1, BitBtn2}) {
        button->setFixedSize(130, 25);
        buttons->addWidget(button);
        buttons->addStretch(1);
    }
    layout->addLayout(buttons);
    // "REGRESAR" comes first, so that a hasty Enter changes nothing.
    setTabOrder(BitBtn2, BitBtn1);

    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { ErrorReport::guard([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this,
            [this] { ErrorReport::guard([this] { BitBtn2Click(); }); });
}

void TForm8::BitBtn1Click()
{
    TForm1 *main = m_windows.Form1;
    if (main->connected())
        main->clockSetPending = true;
    main->skipPortSetup = true;
    close();
}

void TForm8::BitBtn2Click()
{
    close();
}

void TForm8::showEvent(QShowEvent *event)
{
    centreOnDesktop(this);
    Form::showEvent(event);
    BitBtn2->setFocus();
}

void TForm8::closeEvent(QCloseEvent *event)
{
    Form::closeEvent(event);
    // The main window is the one to come back to (its activation runs again); a window manager
    // may not know that.
    if (!isVisible() && m_windows.Form1->isVisible())
        m_windows.Form1->activateWindow();
}
