#pragma once

#include "app/program_windows.h"
#include "runtime/form.h"

/// The help window: how to use the program.
/// For now an empty window with its caption and size; its contents come later.
class TForm3 : public Form
{
    Q_OBJECT

public:
    explicit TForm3(ProgramWindows &windows, QWidget *parent = nullptr);

private:
    ProgramWindows &m_windows;
};
