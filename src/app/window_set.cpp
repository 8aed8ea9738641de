#include "app/window_set.h"

#include "app/command_line_options.h"
#include "serial/serial_port.h"
#include "windows/about_window.h"
#include "windows/charts/chart_window.h"
#include "windows/clock_dialog.h"
#include "windows/data_window.h"
#include "windows/gauges_window.h"
#include "windows/help_window.h"
#include "windows/main_window.h"
#include "windows/rate_dialog.h"

WindowSet::WindowSet(std::unique_ptr<SerialPortSurface> port)
{
    windows.Form1 = new TForm1(windows, std::move(port));
    windows.Form2 = new TForm2(windows);
    windows.Form3 = new TForm3(windows);
    windows.Form5 = new TForm5(windows);
    windows.Form6 = new TForm6(windows);
    windows.Form7 = new TForm7(windows);
    windows.Form8 = new TForm8(windows);
    windows.Form4 = new TForm4(windows);
}

WindowSet::~WindowSet()
{
    // In the reverse order of creation; the main window, owner of the port, goes last.
    delete windows.Form4;
    delete windows.Form8;
    delete windows.Form7;
    delete windows.Form6;
    delete windows.Form5;
    delete windows.Form3;
    delete windows.Form2;
    delete windows.Form1;
}

std::unique_ptr<TSerialPort> windowSerialPort(int argc, const char *const *argv)
{
    auto port = std::make_unique<TSerialPort>();
    if (const QString name = CommandLine::windowPort(argc, argv); !name.isEmpty())
        port->setPort(name);
    return port;
}
