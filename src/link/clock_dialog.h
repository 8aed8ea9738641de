#pragma once

#include "app/program_windows.h"
#include "runtime/form.h"

/// The clock-set dialog: confirms setting the logger's clock from the PC's.
/// For now an empty window with its caption and size; its contents come later.
class TForm8 : public Form
{
    Q_OBJECT

public:
    explicit TForm8(ProgramWindows &windows, QWidget *parent = nullptr);

private:
    ProgramWindows &m_windows;
};
