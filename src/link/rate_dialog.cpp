#include "link/rate_dialog.h"

TForm7::TForm7(ProgramWindows &windows, QWidget *parent)
    : Form(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Cambio de tasa de muestreo"));
    setFixedSize(262, 203);
}
