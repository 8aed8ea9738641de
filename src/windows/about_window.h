#pragma once

#include "app/program_windows.h"
#include "runtime/form.h"

/// The about window: the program, its version and its maker.
/// For now an empty window with its caption and size; its contents come later.
class TForm2 : public Form
{
    Q_OBJECT

public:
    explicit TForm2(ProgramWindows &windows, QWidget *parent = nullptr);

private:
    ProgramWindows &m_windows;
};
