#include "windows/help_window.h"

#include "runtime/centre_on_desktop.h"
#include "runtime/window_fonts.h"
#include "widgets/gradient_background.h"
#include "windows/maker.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QTextBlock>

#include <algorithm>
#include <cmath>

namespace {

constexpr int initialWidth = 433;
constexpr int initialHeight = 350;
/// The text box's margins: 3 and 15 pixels at the left and top, and at the right and bottom
/// what a box of 418 × 295 leaves of an inner area a frame's width smaller than this window.
/// It keeps them as the window is resized.
const QMargins memoMargins(3, 15, 4, 6);

} // namespace

QStringList TForm3::helpLines()
{
    const QChar quote = QLatin1Char('"');
    return {
        QStringLiteral("                   KESTRA4 -  DATALOGGER DE 4 CANALES DE 12 BITS"),
        QString(),
        QStringLiteral(
            "Este software permite la descarga de datos de Los loggers de 4 canales de  12 "),
        QStringLiteral("bits de ") + Maker::webAddress + QStringLiteral("."),
        QStringLiteral("El uso de este programa es muy sencillo:"),
        QString(),
        QStringLiteral("*Conecte el cable INTERFASE al logger."),
        QStringLiteral("*Conecte el cable INTERFASE a la PC puerto serial libre disponible."),
        QStringLiteral("*Ejecute el software."),
        QStringLiteral("*Seleccione el puerto serial  (COM 1,2,3,4,5, etc) donde fue conectado "
                       "el logger."),
        QStringLiteral("*Haga click en Ok"),
        QStringLiteral("*Haga click en conectar. Aguarde 2 segundos y verá los canales del logger ")
            + quote + QStringLiteral("ON"),
        QStringLiteral("LINE") + quote + QStringLiteral("."),
        QString(),
        QStringLiteral("También verá las posiciones de memoria utilizadas y los datos de fecha "),
        QStringLiteral("reportados por el logger y los de la PC que está usando."),
        QStringLiteral(
            "Haciendo click en descargar podrña ver los datos descargados y ver un gráfico"),
        QStringLiteral("preliminar."),
        QStringLiteral("Podrá ver asimismo la tasa de muestreo, fecha y hora de inicio de logeo."),
        QStringLiteral("Los canales 1, 2, 3 y 4  son de milivoltios."),
        QStringLiteral("Puede registrar datos entre 0 y 4095 mV"),
        QString(),
        QStringLiteral("Los tiempos de muestreo son de 15,30 y 60 minutos."),
        QStringLiteral(
            "Con hacer click soble el número de su elección se transfiere ese dato al logger y"),
        QStringLiteral("queda registrado."),
    };
}

TForm3::TForm3(ProgramWindows &windows, QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Ayuda soble el uso del programa"));
    resize(initialWidth, initialHeight);
    setMinimumSize(initialWidth / 2, initialHeight / 2);
    setFont(WindowFonts::msSansSerif());

    Gradient1 = new GradientBackground(this);
    Gradient1->setObjectName(QStringLiteral("Gradient1"));
    Gradient1->setGradientEnabled(false);

    Memo1 = new QPlainTextEdit(Gradient1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setFont(WindowFonts::font(QStringLiteral("Arial"), 8));
    QPalette tooltipGround = Memo1->palette();
    tooltipGround.setColor(QPalette::Base, tooltipGround.color(QPalette::ToolTipBase));
    tooltipGround.setColor(QPalette::Text, tooltipGround.color(QPalette::ToolTipText));
    Memo1->setPalette(tooltipGround);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setPlainText(helpLines().join(QLatin1Char('\n')));
}

void TForm3::showEvent(QShowEvent *event)
{
    if (!m_grownToText) {
        m_grownToText = true;
        growToWholeText();
    }
    centreOnDesktop(this);
    Form::showEvent(event);
}

void TForm3::growToWholeText()
{
    // The same sum of block heights and margins by which the text box decides whether it has
    // to scroll, each block rounded up.
    const QTextDocument *document = Memo1->document();
    const QAbstractTextDocumentLayout *layout = document->documentLayout();
    const int margin = int(std::ceil(document->documentMargin()));
    int needed = margin + 1;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        needed += int(std::ceil(layout->blockBoundingRect(block).height()));
    const int missing = needed - Memo1->viewport()->height();
    if (missing <= 0)
        return;
    int tallest = height() + missing;
    if (const QScreen *screen = this->screen())
        tallest = std::min(tallest, screen->availableGeometry().height());
    resize(width(), std::max(height(), tallest));
}

void TForm3::resizeEvent(QResizeEvent *event)
{
    Form::resizeEvent(event);
    Gradient1->setGeometry(rect());
    Memo1->setGeometry(rect().marginsRemoved(memoMargins));
}
