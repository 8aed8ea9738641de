#pragma once

#include "app/program_windows.h"
#include "runtime/form.h"

class Thermometer;

/// The online gauges window: the four channels as thermometers, written by the main window on
/// every status frame whether the window is shown or not.
/// For now the thermometers in a row; the window's layout and behaviour come later.
class TForm4 : public Form
{
    Q_OBJECT

public:
    explicit TForm4(ProgramWindows &windows, QWidget *parent = nullptr);

    Thermometer *Thermometer1;
    Thermometer *Thermometer2;
    Thermometer *Thermometer3;
    Thermometer *Thermometer4;

private:
    ProgramWindows &m_windows;
};
