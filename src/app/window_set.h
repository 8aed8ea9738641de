#pragma once

#include "windows/program_windows.h"

#include <memory>

class SerialPortSurface;
class TSerialPort;

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

/// The main window's serial port, named as --port names it among the window program's
/// arguments, so that the port setup dialog starts with it; else under its usual name.
[[nodiscard]] std::unique_ptr<TSerialPort> windowSerialPort(int argc, const char *const *argv);
