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
    // Names equal but for letter case keep a fixed order of their own, not the order in which
    // the system happened to list them.
    std::sort(names.begin(), names.end(), [&collator](const QString &a, const QString &b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
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

QString portDescription(const QString &name, const comm::SerialDeviceRoots &roots)
{
    if (name.contains(QLatin1Char('/')))
        return QStringLiteral("logger simulado");
    return comm::serialDeviceDescription(roots, name);
}
