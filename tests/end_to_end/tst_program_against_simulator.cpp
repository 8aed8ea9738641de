// Covers the whole program on a real line: the main window with the serial port component,
// talking to the simulated logger over a pseudo-terminal: live values, the clock set, a rate
// change, a download handed to the data window, and a cable pulled out mid-download.
// With BRENTAVIUS_SCREENSHOT set to a file name, it also saves a picture of the main window
// showing live values.
#include "app/window_set.h"
#include "link/status_frame.h"
#include "modal_closer.h"
#include "runtime/error_report.h"
#include "runtime/radio_group.h"
#include "serial/serial_port.h"
#include "simulator_process.h"
#include "widgets/colour_button.h"
#include "widgets/rocker_switch.h"
#include "windows/main_window.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

namespace {

constexpr int samples = 40;
constexpr int boundMs = SimProcess::boundMs;

} // namespace

class TestProgramAgainstSimulator : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<WindowSet> m_program;
    TForm1 *m_form = nullptr;
    QStringList m_errors;
    int m_run = 0;

    /// Starts a simulator and the program's windows on its line, and connects.
    void startConnected(const QStringList &simulatorOptions = {})
    {
        m_sim = std::make_unique<SimProcess>(
            QStringList {
                QStringLiteral("--name"),
                QStringLiteral("e2e-%1-%2").arg(QCoreApplication::applicationPid()).arg(++m_run),
                QStringLiteral("--frame-interval"), QStringLiteral("250"),
                QStringLiteral("--samples"), QString::number(samples), QStringLiteral("--pace"),
                QStringLiteral("fast")}
            + simulatorOptions);
        QVERIFY(m_sim->waitUntilServing());

        auto port = std::make_unique<TSerialPort>();
        port->setPort(m_sim->linkPath());
        m_program = std::make_unique<WindowSet>(std::move(port));
        m_form = m_program->windows.Form1;
        m_form->skipPortSetup = true;
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        QTest::mouseClick(m_form->RockerSwitch1, Qt::LeftButton);
        QVERIFY(m_form->SerialPort1.Connected());
        QVERIFY(m_errors.isEmpty());
    }

    /// Whether the simulator has printed a line that starts so; waits for nothing.
    bool served(const QString &start)
    {
        const QStringList lines = m_sim->lines();
        return std::any_of(lines.begin(), lines.end(),
                           [&start](const QString &line) { return line.startsWith(start); });
    }

    /// The texts of every frame the simulator says it served, decoded as the PC decodes them.
    QList<StatusDetails> servedFrames()
    {
        QList<StatusDetails> frames;
        for (const QString &line : m_sim->lines()) {
            if (!line.startsWith(QStringLiteral("frame ")))
                continue;
            const StatusFrameDecoding decoded = decodeStatusFrame(line.mid(6, 43).toLatin1());
            if (decoded.details)
                frames.append(*decoded.details);
        }
        return frames;
    }

private slots:
    void init()
    {
        m_errors.clear();
        ErrorReport::setPresenter([this](const QString &message) { m_errors.append(message); });
    }

    void cleanup()
    {
        if (QTest::currentTestFailed() && m_sim)
            qDebug().noquote()
                << m_sim->lines().filter(QRegularExpression("^(?!frame)")).join('\n');
        m_program.reset();
        m_sim.reset();
        ErrorReport::setPresenter({});
    }

    void liveValuesAreThoseTheLoggerSent()
    {
        startConnected();
        // The after-connect timer empties the logger's clock once; wait past it.
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->Timer4->isActive() && !m_form->Edit3->text().isEmpty(),
                                 boundMs);
        const QString time = m_form->Edit3->text();
        const QString memory = m_form->Edit1->text();
        bool served = false;
        for (const StatusDetails &frame : servedFrames())
            served = served || (frame.loggerTime == time && frame.memoryText == memory);
        QVERIFY2(served, qPrintable(time));
        QCOMPARE(memory, QString::number(samples));
        QCOMPARE(m_form->RadioGroup1->ItemIndex(), 0);

        if (const QString picture = qEnvironmentVariable("BRENTAVIUS_SCREENSHOT");
            !picture.isEmpty())
            QVERIFY(m_form->grab().save(picture));
    }

    void theClockIsSetAndTheRateChanged()
    {
        startConnected();
        m_form->clockSetPending = true;
        QTRY_VERIFY_WITH_TIMEOUT(served(QStringLiteral("clock ")), boundMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_form->Edit1->text(), QStringLiteral("0"), boundMs);

        m_form->SerialPort1.SendText("6");
        QTRY_COMPARE_WITH_TIMEOUT(m_form->RadioGroup1->ItemIndex(), 1, boundMs);
        QVERIFY(m_errors.isEmpty());
    }

    void aDownloadIsCollectedAndHandedToTheDataWindow()
    {
        startConnected();
        ModalCloser dataWindow;
        QTest::mouseClick(m_form->ColBitBtn4, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(m_form->dataDownloaded, 4 * boundMs);
        QTRY_COMPARE_WITH_TIMEOUT(dataWindow.closed(), QStringLiteral("Form5"), boundMs);

        const QByteArray text = m_form->RichEdit1.text();
        QVERIFY(text.endsWith("\r\nA"));
        const QList<QByteArray> lines = text.split('\n');
        QCOMPARE(lines.size(), samples + 3);
        QCOMPARE(lines[0].size(), qsizetype(21 + 1)); // the header and its CR
        for (int k = 2; k < samples + 2; ++k)
            QCOMPARE(lines[k].size(), qsizetype(24 + 1));
        QVERIFY(m_errors.isEmpty());

        // The line goes on after the download: frames are shown again.
        m_form->Edit3->clear();
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->Edit3->text().isEmpty(), boundMs);
    }

    void aCablePulledOutMidDownloadIsReportedAndTheProgramCanDisconnect()
    {
        startConnected({QStringLiteral("--fault"), QStringLiteral("hangup")});
        m_form->CheckBox1->setChecked(true); // the whole memory, so the hangup comes mid-stream
        QTest::mouseClick(m_form->ColBitBtn4, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->process().state() == QProcess::NotRunning, 4 * boundMs);
        QTRY_VERIFY2_WITH_TIMEOUT(!m_errors.isEmpty(),
                                  qPrintable(QStringLiteral("downloading %1, %2 bytes collected")
                                                 .arg(m_form->downloading)
                                                 .arg(m_form->RichEdit1.text().size())),
                                  boundMs);
        QVERIFY(!m_form->dataDownloaded);

        // Disconnecting works and leaves the program in order.
        m_errors.clear();
        if (m_form->SerialPort1.Connected())
            QTest::mouseClick(m_form->RockerSwitch1, Qt::LeftButton);
        QVERIFY2(!m_form->SerialPort1.Connected(), qPrintable(m_errors.join('\n')));
        QVERIFY(!m_form->RockerSwitch1->isOn());
    }
};

QTEST_MAIN(TestProgramAgainstSimulator)
#include "tst_program_against_simulator.moc"
