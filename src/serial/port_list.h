#pragma once

#include "serial/os/comm_device.h"

#include <QStringList>

/// Replaces List's contents with the names of the serial ports present, as Port accepts them,
/// sorted ignoring case in the user's locale order. Raises error 23 with the system's error
/// number when the system's list of devices cannot be read.
void ListSerialPorts(QStringList &List);

/// The same, looking in the given places.
void ListSerialPorts(QStringList &List, const comm::SerialDeviceRoots &roots);

/// What the system says of a listed port: the USB adapter's description, "logger simulado"
/// for a simulated logger's link; empty when it says nothing.
[[nodiscard]] QString portDescription(const QString &name, const comm::SerialDeviceRoots &roots);

/// Sorts port names as text, ignoring case, in the user's locale order; names that differ only
/// in case come in a fixed order too, whatever order they came in.
void sortPortNames(QStringList &names);
