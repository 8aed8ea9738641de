#pragma once

#include "serial/serial_types.h"

class TCustomSerialPort;

/// The five time-outs of a port, in ms. A change re-applies the time-outs of the owning port.
class TSerialTimeouts
{
public:
    explicit TSerialTimeouts(TCustomSerialPort *port = nullptr)
        : m_port(port)
    { }
    TSerialTimeouts(const TSerialTimeouts &) = delete;
    TSerialTimeouts &operator=(const TSerialTimeouts &) = delete;

    /// Copies every field of source, then re-applies the time-outs.
    void Assign(const TSerialTimeouts &source);

    /// -1 stands for the platform's all-ones value.
    [[nodiscard]] int ReadInterval() const { return m_readInterval; }
    void setReadInterval(int value);
    [[nodiscard]] int ReadTotalMultiplier() const { return m_readTotalMultiplier; }
    void setReadTotalMultiplier(int value);
    [[nodiscard]] int ReadTotalConstant() const { return m_readTotalConstant; }
    void setReadTotalConstant(int value);
    [[nodiscard]] int WriteTotalMultiplier() const { return m_writeTotalMultiplier; }
    void setWriteTotalMultiplier(int value);
    [[nodiscard]] int WriteTotalConstant() const { return m_writeTotalConstant; }
    void setWriteTotalConstant(int value);

private:
    void changed();
    void set(int &field, int value);

    TCustomSerialPort *m_port;
    int m_readInterval = -1;
    int m_readTotalMultiplier = 0;
    int m_readTotalConstant = 0;
    int m_writeTotalMultiplier = 100;
    int m_writeTotalConstant = 1000;
};

/// The flow-control fields of a port, and the preset they add up to. A change re-applies the
/// line settings of the owning port.
class TSerialFlowControl
{
public:
    explicit TSerialFlowControl(TCustomSerialPort *port = nullptr)
        : m_port(port)
    { }
    TSerialFlowControl(const TSerialFlowControl &) = delete;
    TSerialFlowControl &operator=(const TSerialFlowControl &) = delete;

    /// Copies every field of source, then re-applies the line settings.
    void Assign(const TSerialFlowControl &source);

    /// The preset that the fields add up to; fcCustom when they match none.
    [[nodiscard]] TFlowControl FlowControl() const;
    /// Sets the fields of a preset (fcCustom sets none) and always re-applies, even for the
    /// value it already has.
    void setFlowControl(TFlowControl value);

    [[nodiscard]] bool OutCTSFlow() const { return m_outCTSFlow; }
    void setOutCTSFlow(bool value);
    [[nodiscard]] bool OutDSRFlow() const { return m_outDSRFlow; }
    void setOutDSRFlow(bool value);
    [[nodiscard]] TDTRFlowControl ControlDTR() const { return m_controlDTR; }
    void setControlDTR(TDTRFlowControl value);
    [[nodiscard]] TRTSFlowControl ControlRTS() const { return m_controlRTS; }
    void setControlRTS(TRTSFlowControl value);
    [[nodiscard]] bool XonXoffOut() const { return m_xonXoffOut; }
    void setXonXoffOut(bool value);
    [[nodiscard]] bool XonXoffIn() const { return m_xonXoffIn; }
    void setXonXoffIn(bool value);
    [[nodiscard]] bool DSRSensitivity() const { return m_dsrSensitivity; }
    void setDSRSensitivity(bool value);
    [[nodiscard]] bool TxContinueOnXoff() const { return m_txContinueOnXoff; }
    void setTxContinueOnXoff(bool value);
    [[nodiscard]] char XonChar() const { return m_xonChar; }
    void setXonChar(char value);
    [[nodiscard]] char XoffChar() const { return m_xoffChar; }
    void setXoffChar(char value);

private:
    void changed();
    template<typename T>
    void set(T &field, T value);

    TCustomSerialPort *m_port;
    bool m_outCTSFlow = false;
    bool m_outDSRFlow = false;
    TDTRFlowControl m_controlDTR = dtrDisable;
    TRTSFlowControl m_controlRTS = rtsDisable;
    bool m_xonXoffOut = false;
    bool m_xonXoffIn = false;
    bool m_dsrSensitivity = false;
    bool m_txContinueOnXoff = false;
    char m_xonChar = 17;
    char m_xoffChar = 19;
};

/// The parity of a port. A change re-applies the line settings of the owning port.
class TSerialParity
{
public:
    explicit TSerialParity(TCustomSerialPort *port = nullptr)
        : m_port(port)
    { }
    TSerialParity(const TSerialParity &) = delete;
    TSerialParity &operator=(const TSerialParity &) = delete;

    /// Copies every field of source, then re-applies the line settings.
    void Assign(const TSerialParity &source);

    [[nodiscard]] TParityBits Bits() const { return m_bits; }
    void setBits(TParityBits value);
    /// Parity is tested on receive and parity errors are reported.
    [[nodiscard]] bool Check() const { return m_check; }
    void setCheck(bool value);
    /// Bytes with parity errors are replaced by ReplaceChar (only with Check).
    [[nodiscard]] bool Replace() const { return m_replace; }
    void setReplace(bool value);
    [[nodiscard]] char ReplaceChar() const { return m_replaceChar; }
    void setReplaceChar(char value);

private:
    void changed();
    template<typename T>
    void set(T &field, T value);

    TCustomSerialPort *m_port;
    TParityBits m_bits = prNone;
    bool m_check = false;
    bool m_replace = false;
    char m_replaceChar = 0;
};

/// The queue sizes of a port, in bytes. A change re-applies the queue sizes of the owning port.
class TSerialBuffer
{
public:
    explicit TSerialBuffer(TCustomSerialPort *port = nullptr)
        : m_port(port)
    { }
    TSerialBuffer(const TSerialBuffer &) = delete;
    TSerialBuffer &operator=(const TSerialBuffer &) = delete;

    /// Copies every field of source, then re-applies the queue sizes.
    void Assign(const TSerialBuffer &source);

    [[nodiscard]] int InputSize() const { return m_inputSize; }
    /// A positive odd value is stored one less.
    void setInputSize(int value);
    [[nodiscard]] int OutputSize() const { return m_outputSize; }
    /// A positive odd value is stored one less.
    void setOutputSize(int value);

private:
    void changed();
    void set(int &field, int value);

    TCustomSerialPort *m_port;
    int m_inputSize = 1024;
    int m_outputSize = 1024;
};
