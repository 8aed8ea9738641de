#include "data/data_window.h"

TForm5::TForm5(ProgramWindows &windows, QWidget *parent)
    : Form(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("DATOS DESCARGADOS"));
    setFixedSize(564, 446);
}
