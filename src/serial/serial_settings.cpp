#include "serial/serial_settings.h"

#include "serial/serial_port.h"

// ---- TSerialTimeouts

void TSerialTimeouts::changed()
{
    if (m_port)
        m_port->ApplyTimeoutSettings();
}

void TSerialTimeouts::set(int &field, int value)
{
    if (field == value)
        return;
    field = value;
    changed();
}

void TSerialTimeouts::Assign(const TSerialTimeouts &source)
{
    m_readInterval = source.m_readInterval;
    m_readTotalMultiplier = source.m_readTotalMultiplier;
    m_readTotalConstant = source.m_readTotalConstant;
    m_writeTotalMultiplier = source.m_writeTotalMultiplier;
    m_writeTotalConstant = source.m_writeTotalConstant;
    changed();
}

void TSerialTimeouts::setReadInterval(int value)
{
    set(m_readInterval, value);
}
void TSerialTimeouts::setReadTotalMultiplier(int value)
{
    set(m_readTotalMultiplier, value);
}
void TSerialTimeouts::setReadTotalConstant(int value)
{
    set(m_readTotalConstant, value);
}
void TSerialTimeouts::setWriteTotalMultiplier(int value)
{
    set(m_writeTotalMultiplier, value);
}
void TSerialTimeouts::setWriteTotalConstant(int value)
{
    set(m_writeTotalConstant, value);
}

// ---- TSerialFlowControl

void TSerialFlowControl::changed()
{
    if (m_port)
        m_port->ApplyLineSettings();
}

template<typename T>
void TSerialFlowControl::set(T &field, T value)
{
    if (field == value)
        return;
    field = value;
    changed();
}

void TSerialFlowControl::Assign(const TSerialFlowControl &source)
{
    m_outCTSFlow = source.m_outCTSFlow;
    m_outDSRFlow = source.m_outDSRFlow;
    m_controlDTR = source.m_controlDTR;
    m_controlRTS = source.m_controlRTS;
    m_xonXoffOut = source.m_xonXoffOut;
    m_xonXoffIn = source.m_xonXoffIn;
    m_dsrSensitivity = source.m_dsrSensitivity;
    m_txContinueOnXoff = source.m_txContinueOnXoff;
    m_xonChar = source.m_xonChar;
    m_xoffChar = source.m_xoffChar;
    changed();
}

TFlowControl TSerialFlowControl::FlowControl() const
{
    const bool xonXoff = m_xonXoffIn || m_xonXoffOut;
    if (m_controlRTS == rtsHandshake && m_outCTSFlow && !xonXoff)
        return fcHardware;
    if (m_controlRTS == rtsDisable && !m_outCTSFlow && m_xonXoffIn && m_xonXoffOut)
        return fcSoftware;
    if (m_controlRTS == rtsDisable && !m_outCTSFlow && !xonXoff)
        return fcNone;
    return fcCustom;
}

void TSerialFlowControl::setFlowControl(TFlowControl value)
{
    // The fields of a preset change together and reach the device once, so the line never
    // passes through a mix of the old and the new preset.
    if (value != fcCustom) {
        m_controlRTS = rtsDisable;
        m_outCTSFlow = false;
        m_xonXoffIn = false;
        m_xonXoffOut = false;
    }
    if (value == fcHardware) {
        m_controlRTS = rtsHandshake;
        m_outCTSFlow = true;
    } else if (value == fcSoftware) {
        m_xonXoffIn = true;
        m_xonXoffOut = true;
    }
    changed();
}

void TSerialFlowControl::setOutCTSFlow(bool value)
{
    set(m_outCTSFlow, value);
}
void TSerialFlowControl::setOutDSRFlow(bool value)
{
    set(m_outDSRFlow, value);
}
void TSerialFlowControl::setControlDTR(TDTRFlowControl value)
{
    set(m_controlDTR, value);
}
void TSerialFlowControl::setControlRTS(TRTSFlowControl value)
{
    set(m_controlRTS, value);
}
void TSerialFlowControl::setXonXoffOut(bool value)
{
    set(m_xonXoffOut, value);
}
void TSerialFlowControl::setXonXoffIn(bool value)
{
    set(m_xonXoffIn, value);
}
void TSerialFlowControl::setDSRSensitivity(bool value)
{
    set(m_dsrSensitivity, value);
}
void TSerialFlowControl::setTxContinueOnXoff(bool value)
{
    set(m_txContinueOnXoff, value);
}
void TSerialFlowControl::setXonChar(char value)
{
    set(m_xonChar, value);
}
void TSerialFlowControl::setXoffChar(char value)
{
    set(m_xoffChar, value);
}

// ---- TSerialParity

void TSerialParity::changed()
{
    if (m_port)
        m_port->ApplyLineSettings();
}

template<typename T>
void TSerialParity::set(T &field, T value)
{
    if (field == value)
        return;
    field = value;
    changed();
}

void TSerialParity::Assign(const TSerialParity &source)
{
    m_bits = source.m_bits;
    m_check = source.m_check;
    m_replace = source.m_replace;
    m_replaceChar = source.m_replaceChar;
    changed();
}

void TSerialParity::setBits(TParityBits value)
{
    set(m_bits, value);
}
void TSerialParity::setCheck(bool value)
{
    set(m_check, value);
}
void TSerialParity::setReplace(bool value)
{
    set(m_replace, value);
}
void TSerialParity::setReplaceChar(char value)
{
    set(m_replaceChar, value);
}

// ---- TSerialBuffer

void TSerialBuffer::changed()
{
    if (m_port)
        m_port->ApplyQueueSizes();
}

void TSerialBuffer::set(int &field, int value)
{
    if (value > 0 && value % 2 != 0)
        --value;
    if (field == value)
        return;
    field = value;
    changed();
}

void TSerialBuffer::Assign(const TSerialBuffer &source)
{
    m_inputSize = source.m_inputSize;
    m_outputSize = source.m_outputSize;
    changed();
}

void TSerialBuffer::setInputSize(int value)
{
    set(m_inputSize, value);
}
void TSerialBuffer::setOutputSize(int value)
{
    set(m_outputSize, value);
}
