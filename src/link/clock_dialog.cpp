#include "link/clock_dialog.h"

TForm8::TForm8(ProgramWindows &windows, QWidget *parent)
    : Form(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("PUESTA EN HORA DEL LOGGER"));
    setFixedSize(544, 137);
}
