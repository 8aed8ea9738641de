#include "windows/chart_window.h"

TForm6::TForm6(ProgramWindows &windows, QWidget *parent)
    : Form(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("GRAFICO DE LOS VALORES DESCARGADOS"));
    setFixedSize(733, 581);
}
