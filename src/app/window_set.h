#pragma once

#include "windows/program_windows.h"

#include <memory>

class SerialPortSurface;

/// Creates the program's eight windows in their fixed order (main, about, help, data, chart,
/// sample rate, clock set, online gauges) and keeps them until it is destroyed.
class WindowSet
{
public:
    explicit WindowSet(std::unique_ptr<SerialPortSurface> port);
    ~WindowSet();

    WindowSet(const WindowSet &) = delete;
    WindowSet &operator=(const WindowSet &) = delete;

    ProgramWindows windows;
};
