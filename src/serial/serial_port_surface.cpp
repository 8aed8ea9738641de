#include "serial/serial_port_surface.h"

SerialPortSurface::~SerialPortSurface() = default;
