// Covers what only a real serial port can show: modem lines, RTS and DTR, parity and data
// bits read back by the driver, and a rate without a B constant. Runs when
// BRENTAVIUS_SERIAL_PORT names a port (such as ttyUSB0); skipped otherwise.
#include "serial/serial_port.h"

#include <QTest>

class TestSerialHardware : public QObject
{
    Q_OBJECT

private:
    QString m_name;

private slots:
    void initTestCase()
    {
        m_name = qEnvironmentVariable("BRENTAVIUS_SERIAL_PORT");
        if (m_name.isEmpty())
            QSKIP("no real port named in BRENTAVIUS_SERIAL_PORT");
    }

    void everyLineSettingIsAcceptedByTheDriver_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("data");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stop");
        QTest::newRow("115200 8N1")
            << int(br115200) << int(dbEight) << int(prNone) << int(sbOneStopBit);
        QTest::newRow("9600 7E2") << int(br9600) << int(dbSeven) << int(prEven)
                                  << int(sbTwoStopBits);
        QTest::newRow("19200 8O1")
            << int(br19200) << int(dbEight) << int(prOdd) << int(sbOneStopBit);
        QTest::newRow("56000 8M1")
            << int(br56000) << int(dbEight) << int(prMark) << int(sbOneStopBit);
        QTest::newRow("1200 5S1.5")
            << int(br1200) << int(dbFive) << int(prSpace) << int(sbOne5StopBits);
    }

    void everyLineSettingIsAcceptedByTheDriver()
    {
        QFETCH(int, baud);
        QFETCH(int, data);
        QFETCH(int, parity);
        QFETCH(int, stop);
        TSerialPort port;
        port.setPort(m_name);
        port.setEvents({});
        port.OpenPort();
        // Each setter re-applies at once; the device reads the settings back and refuses a
        // mismatch, so no exception means the driver took them.
        port.HoldSettings();
        port.setBaudRate(TBaudRate(baud));
        port.setDataBits(TDataBits(data));
        port.Parity().setBits(TParityBits(parity));
        port.Parity().setCheck(parity != prNone);
        port.setStopBits(TStopBits(stop));
        port.ReleaseSettings();
        port.ClosePort();
    }

    void modemLinesAndRtsDtrChangesWork()
    {
        TSerialPort port;
        port.setPort(m_name);
        QList<bool> cts;
        port.OnCTSChange = [&](TCustomSerialPort &, bool on) {
            cts << on;
        };
        port.FlowControl().setControlRTS(rtsEnable);
        port.FlowControl().setControlDTR(dtrEnable);
        port.OpenPort();
        QCOMPARE(cts.size(), 1); // the report at open
        (void)port.LineSignals();
        port.FlowControl().setControlRTS(rtsDisable);
        port.FlowControl().setControlDTR(dtrDisable);
        QCOMPARE(port.SendText("U"), 1);
        port.ClosePort();
        QCOMPARE(cts.size(), 2);
        QCOMPARE(cts.last(), false);
    }
};

QTEST_GUILESS_MAIN(TestSerialHardware)
#include "tst_serial_hardware.moc"
