#include "windows/about_window.h"

#include "app/maker.h"

TForm2::TForm2(ProgramWindows &windows, QWidget *parent)
    : Form(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("ACERCA DE ") + Maker::name.toUpper());
    setFixedSize(301, 233);
}
