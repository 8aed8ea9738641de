#include "serial/serial_combo_box.h"

#include "serial/port_list.h"
#include "serial/serial_names.h"
#include "serial/serial_port.h"

TSerialComboBox::TSerialComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(false);
    // Connected before anyone else can connect, so the pending value is stored before the
    // combo box's own change notices reach others.
    connect(this, &QComboBox::activated, this, &TSerialComboBox::userPicked);
    // A port's full path may be wider than the box: the box shows the chosen one whole on hover.
    connect(this, &QComboBox::currentIndexChanged, this,
            [this] { setToolTip(m_select.SerialProperty == cpPort ? Text() : QString()); });
}

void TSerialComboBox::setSerialPort(TCustomSerialPort *port)
{
    if (port == m_select.SerialPort)
        return;
    disconnect(m_portDestroyed);
    m_select.SerialPort = port;
    if (!port)
        return;
    m_portDestroyed = connect(port, &QObject::destroyed, this, [this] {
        m_select.SerialPort = nullptr;
        if (count() > 0)
            setCurrentIndex(0);
    });
    SelectCurrent();
}

void TSerialComboBox::setSerialProperty(TSerialProperty kind)
{
    m_select.SerialProperty = kind;
    clear();
    QStringList entries;
    switch (kind) {
    case cpNone:
        break;
    case cpPort:
        ListSerialPorts(entries);
        break;
    case cpBaudRate:
        entries = baudRateNames();
        break;
    case cpDataBits:
        entries = dataBitsNames();
        break;
    case cpStopBits:
        entries = stopBitsNames();
        break;
    case cpParity:
        entries = parityNames();
        break;
    case cpFlowControl:
        entries = flowControlNames();
        break;
    }
    addItems(entries);
    if (kind == cpPort) {
        // In the open list too, each port's whole name shows on hover.
        for (int i = 0; i < count(); ++i)
            setItemData(i, itemText(i), Qt::ToolTipRole);
    }
    if (count() == 0)
        return;
    if (m_select.SerialPort)
        SelectCurrent();
    else
        setCurrentIndex(0);
}

QString TSerialComboBox::Text() const
{
    return currentIndex() >= 0 ? itemText(currentIndex()) : QString();
}

void TSerialComboBox::setText(const QString &text)
{
    const int index = entryIndex(text);
    if (index >= 0)
        setCurrentIndex(index);
}

int TSerialComboBox::entryIndex(const QString &text) const
{
    for (int i = 0; i < count(); ++i)
        if (itemText(i).compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TSerialComboBox::SelectCurrent()
{
    const TCustomSerialPort *port = m_select.SerialPort;
    if (!port)
        return;
    QString current;
    switch (m_select.SerialProperty) {
    case cpNone:
        return;
    case cpPort:
        current = port->Port();
        break;
    case cpBaudRate:
        current = BaudRateName(port->BaudRate());
        break;
    case cpDataBits:
        current = DataBitsName(port->DataBits());
        break;
    case cpStopBits:
        current = StopBitsName(port->StopBits());
        break;
    case cpParity:
        current = ParityName(port->Parity().Bits());
        break;
    case cpFlowControl:
        current = FlowControlName(port->FlowControl().FlowControl());
        break;
    }
    const int index = entryIndex(current);
    setCurrentIndex(index);
    if (index >= 0)
        storePending(itemText(index));
}

void TSerialComboBox::storePending(const QString &text)
{
    switch (m_select.SerialProperty) {
    case cpNone:
        break;
    case cpPort:
        m_select.PortName = text;
        break;
    case cpBaudRate:
        m_select.BaudRate = ParseBaudRate(text);
        break;
    case cpDataBits:
        m_select.DataBits = ParseDataBits(text);
        break;
    case cpStopBits:
        m_select.StopBits = ParseStopBits(text);
        break;
    case cpParity:
        m_select.Parity = ParseParity(text);
        break;
    case cpFlowControl:
        m_select.FlowControl = ParseFlowControl(text);
        break;
    }
}

void TSerialComboBox::userPicked(int index)
{
    if (index < 0)
        return;
    storePending(itemText(index));
    if (m_select.AutoApply)
        ApplyPending();
}

void TSerialComboBox::ApplyPending()
{
    TCustomSerialPort *port = m_select.SerialPort;
    if (!port)
        return;
    switch (m_select.SerialProperty) {
    case cpNone:
        break;
    case cpPort:
        // An empty pending name means no listed name was ever chosen or matched (the port's
        // name is not among the devices present): the port keeps its name rather than losing
        // it to the empty text.
        if (!m_select.PortName.isEmpty())
            port->setPort(m_select.PortName);
        break;
    case cpBaudRate:
        port->setBaudRate(m_select.BaudRate);
        break;
    case cpDataBits:
        port->setDataBits(m_select.DataBits);
        break;
    case cpStopBits:
        port->setStopBits(m_select.StopBits);
        break;
    case cpParity:
        port->Parity().setBits(m_select.Parity);
        break;
    case cpFlowControl:
        port->FlowControl().setFlowControl(m_select.FlowControl);
        break;
    }
}
