#pragma once

#include "app/program_windows.h"
#include "runtime/form.h"

/// The sample-rate dialog: sends the logger a new sample rate.
/// For now an empty window with its caption and size; its contents come later.
class TForm7 : public Form
{
    Q_OBJECT

public:
    explicit TForm7(ProgramWindows &windows, QWidget *parent = nullptr);

private:
    ProgramWindows &m_windows;
};
