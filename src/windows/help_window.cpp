#include "windows/help_window.h"

TForm3::TForm3(ProgramWindows &windows, QWidget *parent)
    : Form(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Ayuda soble el uso del programa"));
    setFixedSize(433, 350);
}
