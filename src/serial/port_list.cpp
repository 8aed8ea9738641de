#include "serial/port_list.h"

#include "serial/serial_error.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

void sortPortNames(QStringList &names)
{
    QCollator collator {QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::stable_sort(names.begin(), names.end(), [&collator](const QString &a, const QString &b) {
        return collator.compare(a, b) < 0;
    });
}

void ListSerialPorts(QStringList &List, const comm::SerialDeviceRoots &roots)
{
    QStringList names;
    int error = 0;
    if (!comm::listSerialDevices(roots, names, error))
        throw ESerialPort(ESerialPort::RegistryError, error);
    sortPortNames(names);
    List = names;
}

void ListSerialPorts(QStringList &List)
{
    ListSerialPorts(List, comm::systemSerialDeviceRoots());
}
