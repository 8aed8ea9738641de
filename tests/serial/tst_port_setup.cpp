// Covers the port setup side of the serial layer: setting names and parsers, the list of
// ports (a made-up sysfs tree, a simulated logger's link beside its held lock, what the kernel
// says of a USB adapter), and the setup dialog: its lists, OK and Cancel, Escape, and a port
// name that is not listed.
#include "pty_pair.h"
#include "runtime/window_fonts.h"
#include "serial/os/custom_baud_rate.h"
#include "serial/port_list.h"
#include "serial/serial_names.h"
#include "serial/serial_port.h"
#include "serial/serial_setup_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <functional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// A link to a pty beside a lock file, as a running simulated logger leaves them.
class SimulatedLink
{
public:
    SimulatedLink(const QString &folder, const QString &name, const QString &target, bool hold)
        : m_link(folder + QLatin1Char('/') + name)
        , m_lock(m_link + QStringLiteral(".lock"))
    {
        QDir().mkpath(folder);
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        QFile::remove(m_link);
        QFile::link(target, m_link);
        m_lockFd =
            ::open(QFile::encodeName(m_lock).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (hold)
            flock(m_lockFd, LOCK_EX);
    }
    ~SimulatedLink()
    {
        QFile::remove(m_link);
        QFile::remove(m_lock);
        ::close(m_lockFd);
    }
    [[nodiscard]] QString path() const { return m_link; }

private:
    QString m_link;
    QString m_lock;
    int m_lockFd = -1;
};

void touch(const QString &path, const QByteArray &content = {})
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
}

/// Acts on the setup dialog once it is shown modally, then lets ShowPortSetup go on.
void whenDialogShows(std::function<void(TSerialSetupFrm &)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        auto *dialog = qobject_cast<TSerialSetupFrm *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        act(*dialog);
        // A failed check above returns early: the dialog must close all the same.
        if (dialog->isVisible())
            dialog->reject();
    });
    timer->start();
}

/// The user picks the entry with this text.
void pick(TSerialComboBox *combo, const QString &text)
{
    const int index = combo->findText(text, Qt::MatchFixedString);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

QString simulatorFolder()
{
    return comm::systemSerialDeviceRoots().simulatorFolders.value(0);
}

} // namespace

class TestPortSetup : public QObject
{
    Q_OBJECT

private slots:
    void parsersIgnoreCaseAndFallBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("stop");
        QTest::addColumn<int>("data");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("flow");
        QTest::newRow("known") << "115200" << int(br115200) << int(sbOneStopBit) << int(dbEight)
                               << int(prNone) << int(fcCustom);
        QTest::newRow("lower case") << "custom" << int(brCustom) << int(sbOneStopBit)
                                    << int(dbEight) << int(prNone) << int(fcCustom);
        QTest::newRow("1.5") << "1.5" << int(br9600) << int(sbOne5StopBits) << int(dbEight)
                             << int(prNone) << int(fcCustom);
        QTest::newRow("5") << "5" << int(br9600) << int(sbOneStopBit) << int(dbFive) << int(prNone)
                           << int(fcCustom);
        QTest::newRow("SPACE") << "SPACE" << int(br9600) << int(sbOneStopBit) << int(dbEight)
                               << int(prSpace) << int(fcCustom);
        QTest::newRow("none") << "none" << int(br9600) << int(sbOneStopBit) << int(dbEight)
                              << int(prNone) << int(fcNone);
        QTest::newRow("unknown") << "9999" << int(br9600) << int(sbOneStopBit) << int(dbEight)
                                 << int(prNone) << int(fcCustom);
    }

    void parsersIgnoreCaseAndFallBack()
    {
        QFETCH(QString, text);
        QFETCH(int, baud);
        QFETCH(int, stop);
        QFETCH(int, data);
        QFETCH(int, parity);
        QFETCH(int, flow);
        QCOMPARE(int(ParseBaudRate(text)), baud);
        QCOMPARE(int(ParseStopBits(text)), stop);
        QCOMPARE(int(ParseDataBits(text)), data);
        QCOMPARE(int(ParseParity(text)), parity);
        QCOMPARE(int(ParseFlowControl(text)), flow);
        QCOMPARE(BaudRateName(br256000), QStringLiteral("256000"));
    }

    void theListHoldsRealPortsAndLiveSimulators()
    {
        QTemporaryDir root;
        const QString tty = root.filePath(QStringLiteral("sys/class/tty"));
        const QString dev = root.filePath(QStringLiteral("dev"));
        const QString sim = root.filePath(QStringLiteral("sim"));
        QDir().mkpath(dev);
        QDir().mkpath(root.filePath(QStringLiteral("sys/devices/port")));
        struct Entry
        {
            const char *name;
            bool device;
            const char *type;
        };
        const Entry entries[] = {{"ttyS0", true, "0"}, // placeholder with no UART
                                 {"ttyS1", true, "4"}, // a 16550A
                                 {"ttyUSB0", true, nullptr}, // USB serial: no type file
                                 {"ttyACM0", true, nullptr}, // CDC ACM
                                 {"tty1", false, nullptr}}; // a virtual console
        for (const Entry &entry : entries) {
            const QString folder = tty + QLatin1Char('/') + QLatin1String(entry.name);
            QDir().mkpath(folder);
            if (entry.device)
                QFile::link(root.filePath(QStringLiteral("sys/devices/port")),
                            folder + QStringLiteral("/device"));
            if (entry.type)
                touch(folder + QStringLiteral("/type"), entry.type);
            touch(dev + QLatin1Char('/') + QLatin1String(entry.name));
        }
        PtyPair live;
        PtyPair crashed;
        const SimulatedLink running(sim, QStringLiteral("logger"), live.slavePath(), true);
        const SimulatedLink stale(sim, QStringLiteral("old"), crashed.slavePath(), false);
        const SimulatedLink notAPty(sim, QStringLiteral("file"), dev + QStringLiteral("/ttyS1"),
                                    true);

        comm::SerialDeviceRoots roots;
        roots.ttyClass = tty;
        roots.devices = dev;
        roots.simulatorFolders = {sim};
        QStringList names = {QStringLiteral("left over")};
        ListSerialPorts(names, roots);
        QCOMPARE(names,
                 (QStringList {running.path(), QStringLiteral("ttyACM0"), QStringLiteral("ttyS1"),
                               QStringLiteral("ttyUSB0")}));
    }

    void aPortIsDescribedByWhatTheKernelSaysOfItsAdapter()
    {
        // A USB device with an FTDI adapter (ttyUSB below its interface), one with a CDC modem
        // whose interface names itself (ttyACM at the interface), and a built-in UART.
        QTemporaryDir root;
        const QString tty = root.filePath(QStringLiteral("class/tty"));
        const QString usb = root.filePath(QStringLiteral("devices/usb1/1-1"));
        const QString acm = root.filePath(QStringLiteral("devices/usb1/1-2"));
        const QString uart = root.filePath(QStringLiteral("devices/platform/serial8250/tty/ttyS1"));
        for (const QString &folder :
             {usb + QStringLiteral("/1-1:1.0/ttyUSB0"), acm + QStringLiteral("/1-2:1.0"), uart})
            QDir().mkpath(folder);
        touch(usb + QStringLiteral("/idVendor"), "0403\n");
        touch(usb + QStringLiteral("/manufacturer"), "FTDI\n");
        touch(usb + QStringLiteral("/product"), "FT232R USB UART\n");
        touch(acm + QStringLiteral("/idVendor"), "2341\n");
        touch(acm + QStringLiteral("/product"), "Uno\n");
        touch(acm + QStringLiteral("/1-2:1.0/interface"), "Logger CDC\n");
        const std::pair<const char *, QString> links[] = {
            {"ttyUSB0", usb + QStringLiteral("/1-1:1.0/ttyUSB0")},
            {"ttyACM0", acm + QStringLiteral("/1-2:1.0")},
            {"ttyS1", uart}};
        for (const auto &[name, target] : links) {
            const QString folder = tty + QLatin1Char('/') + QLatin1String(name);
            QDir().mkpath(folder);
            QVERIFY(QFile::link(target, folder + QStringLiteral("/device")));
        }
        comm::SerialDeviceRoots roots;
        roots.ttyClass = tty;
        QCOMPARE(portDescription(QStringLiteral("ttyUSB0"), roots),
                 QStringLiteral("FTDI FT232R USB UART"));
        QCOMPARE(portDescription(QStringLiteral("ttyACM0"), roots), QStringLiteral("Logger CDC"));
        QCOMPARE(portDescription(QStringLiteral("ttyS1"), roots), QString());
        QCOMPARE(portDescription(QStringLiteral("/tmp/serial-sim-0/logger"), roots),
                 QStringLiteral("logger simulado"));
    }

    void namesSortIgnoringCaseAsText()
    {
        QStringList names = {QStringLiteral("ttyUSB2"), QStringLiteral("com2"),
                             QStringLiteral("COM10"), QStringLiteral("ttyS0"),
                             QStringLiteral("COM1")};
        sortPortNames(names);
        QCOMPARE(
            names,
            (QStringList {QStringLiteral("COM1"), QStringLiteral("COM10"), QStringLiteral("com2"),
                          QStringLiteral("ttyS0"), QStringLiteral("ttyUSB2")}));

        // Names equal but for case come in one order, whatever order the system listed them in.
        QStringList listed = {QStringLiteral("ttyUSB0"), QStringLiteral("com1"),
                              QStringLiteral("COM1"), QStringLiteral("Com1")};
        QStringList reversed(listed.crbegin(), listed.crend());
        sortPortNames(listed);
        sortPortNames(reversed);
        QCOMPARE(listed, reversed);
        QCOMPARE(listed.last(), QStringLiteral("ttyUSB0"));
    }

    void anUnreadableListIsError23()
    {
        comm::SerialDeviceRoots roots;
        roots.ttyClass = QStringLiteral("/nonexistent/class/tty");
        QStringList names;
        try {
            ListSerialPorts(names, roots);
            QFAIL("the list should have failed");
        } catch (const ESerialPort &error) {
            QCOMPARE(error.PortErrorCode(), 23);
            QCOMPARE(error.SystemErrorCode(), ENOENT);
            // The dialog passes it on as a read error of its first list.
            const EReadError wrapped(QStringLiteral("Combo1"), QStringLiteral("SerialProperty"),
                                     error);
            QCOMPARE(wrapped.message(),
                     QStringLiteral("Error reading Combo1.SerialProperty: "
                                    "Registry error (win error code: 2)"));
            QCOMPARE(wrapped.PortErrorCode(), 23);
        }
    }

    void theDialogShowsThePortAndCancelChangesNothing()
    {
        PtyPair pty;
        const SimulatedLink link(simulatorFolder(),
                                 QStringLiteral("brentavius-test-%1").arg(getpid()),
                                 pty.slavePath(), true);
        TSerialPort port;
        port.setPort(link.path());
        port.setBaudRate(brCustom);
        port.FlowControl().setControlRTS(rtsEnable);
        const LineSettings before = port.lineSettings();

        bool checked = false;
        whenDialogShows([&](TSerialSetupFrm &dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Setup"));
            QCOMPARE(dialog.GroupBox1->title(), QStringLiteral(" Settings "));
            QCOMPARE(dialog.Label6->text(), QStringLiteral("Flow control"));
            QCOMPARE(dialog.Button1->text(), QStringLiteral("OK"));
            QVERIFY(dialog.Button1->isDefault());
            QCOMPARE(dialog.Combo1->Text(), link.path());
            // The path is wider than the box: the box and its entry show it whole on hover.
            QVERIFY(dialog.Combo1->fontMetrics().horizontalAdvance(link.path())
                    > dialog.Combo1->width());
            QCOMPARE(dialog.Combo1->toolTip(), link.path());
            QCOMPARE(dialog.Combo1->itemData(dialog.Combo1->currentIndex(), Qt::ToolTipRole),
                     QVariant(link.path()));
            // The program's dialog face, and the lists below the group's frame line.
            QCOMPARE(dialog.font().family(), WindowFonts::msSansSerif().family());
            for (const TSerialComboBox *combo : {dialog.Combo1, dialog.Combo6})
                QVERIFY(dialog.GroupBox1->contentsRect().contains(combo->geometry()));
            QCOMPARE(dialog.Combo2->count(), 16);
            QCOMPARE(dialog.Combo2->Text(), QStringLiteral("Custom"));
            QCOMPARE(dialog.Combo3->Text(), QStringLiteral("8"));
            QCOMPARE(dialog.Combo5->itemText(4), QStringLiteral("Space"));
            QCOMPARE(dialog.Combo6->Text(), QStringLiteral("Custom"));
            pick(dialog.Combo2, QStringLiteral("300"));
            pick(dialog.Combo6, QStringLiteral("None"));
            // Escape closes nothing; the close box cancels.
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(dialog.isVisible());
            checked = true;
            dialog.close();
        });
        port.ShowPortSetup();
        QVERIFY(checked);
        QCOMPARE(port.lineSettings(), before);
        QCOMPARE(port.ControlRTS(), rtsEnable);
        QCOMPARE(port.Port(), link.path());
    }

    void okWithoutPickingKeepsAnUnlistedNameAndTheFields()
    {
        TSerialPort port; // "COM1" is never a device name here
        port.setCustomBaudRate(31250);
        port.setBaudRate(brCustom);
        port.FlowControl().setControlRTS(rtsEnable);
        port.FlowControl().setXonXoffIn(true);
        whenDialogShows([](TSerialSetupFrm &dialog) {
            QCOMPARE(dialog.Combo1->currentIndex(), -1);
            QVERIFY(dialog.Combo1->Text().isEmpty());
            dialog.Button1->click();
        });
        port.ShowPortSetup();
        QCOMPARE(port.Port(), QStringLiteral("COM1"));
        QCOMPARE(port.BaudRate(), brCustom);
        QCOMPARE(port.CustomBaudRate(), 31250);
        QCOMPARE(port.ControlRTS(), rtsEnable);
        QVERIFY(port.FlowControl().XonXoffIn());
    }

    void okAppliesThePicksAtOnceToAnOpenPort()
    {
        PtyPair pty;
        const SimulatedLink link(simulatorFolder(),
                                 QStringLiteral("Brentavius-Case-%1").arg(getpid()),
                                 pty.slavePath(), true);
        TSerialPort port;
        port.setPort(link.path());
        port.FlowControl().setControlRTS(rtsEnable);
        port.OpenPort();
        std::uint32_t rateAfterPicks = 0;
        whenDialogShows([&](TSerialSetupFrm &dialog) {
            pick(dialog.Combo2, QStringLiteral("57600"));
            pick(dialog.Combo5, QStringLiteral("Even"));
            pick(dialog.Combo6, QStringLiteral("None"));
            int error = 0;
            comm::custom_rate::readBaudRate(pty.masterFd(), rateAfterPicks, error);
            dialog.Button1->click();
        });
        port.ShowPortSetup();
        QCOMPARE(rateAfterPicks, 9600u); // nothing before OK
        std::uint32_t rate = 0;
        int error = 0;
        comm::custom_rate::readBaudRate(pty.masterFd(), rate, error);
        QCOMPARE(rate, 57600u);
        QCOMPARE(port.BaudRate(), br57600);
        QCOMPARE(port.Parity().Bits(), prEven);
        QCOMPARE(port.ControlRTS(), rtsDisable);
        QVERIFY(port.Connected());
    }

    void aNameDifferingOnlyInCaseTakesTheListedText()
    {
        PtyPair pty;
        const SimulatedLink link(simulatorFolder(),
                                 QStringLiteral("Brentavius-Case-%1").arg(getpid()),
                                 pty.slavePath(), true);
        TSerialPort port;
        port.setPort(link.path().toLower());
        whenDialogShows([&](TSerialSetupFrm &dialog) {
            QCOMPARE(dialog.Combo1->Text(), link.path());
            dialog.Button1->click();
        });
        port.ShowPortSetup();
        QCOMPARE(port.Port(), link.path());
    }
};

QTEST_MAIN(TestPortSetup)
#include "tst_port_setup.moc"
