#pragma once

#include "app/program_windows.h"
#include "runtime/form.h"

/// The data window: the downloaded samples in a grid, saved as text or charted.
/// For now an empty window with its caption and size; its contents come later.
class TForm5 : public Form
{
    Q_OBJECT

public:
    explicit TForm5(ProgramWindows &windows, QWidget *parent = nullptr);

private:
    ProgramWindows &m_windows;
};
