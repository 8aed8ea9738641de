#pragma once

#include "app/program_windows.h"
#include "runtime/form.h"

/// The chart window: the downloaded samples as three zoomable charts.
/// For now an empty window with its caption and size; its contents come later.
class TForm6 : public Form
{
    Q_OBJECT

public:
    explicit TForm6(ProgramWindows &windows, QWidget *parent = nullptr);

private:
    ProgramWindows &m_windows;
};
