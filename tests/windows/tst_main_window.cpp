// Covers the main window against the scripted serial port: what goes out on the line and
// when, what each status frame shows, the download and its hand-over, the clock-set timing,
// the port setup at activation, connecting, disconnecting and closing, the live frames and the
// live recording.
#include "app/window_set.h"
#include "menu_entry.h"
#include "runtime/error_report.h"
#include "runtime/radio_group.h"
#include "scripted_serial_port.h"
#include "widgets/colour_button.h"
#include "widgets/dial_meter.h"
#include "widgets/gradient_background.h"
#include "widgets/led.h"
#include "widgets/pie_gauge.h"
#include "widgets/rocker_switch.h"
#include "widgets/thermometer.h"
#include "widgets/value_indicator.h"
#include "windows/clock_dialog.h"
#include "windows/data_window.h"
#include "windows/gauges_window.h"
#include "windows/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using Action = ScriptedSerialPort::Action;

namespace {

/// A timer may fire this much before its interval is up.
constexpr qint64 timerSlackMs = 5;

const QByteArray exampleFrame = QByteArrayLiteral("3014061226052090402223020000706804210001023\r");

QList<Action::Kind> kindsOf(const QList<Action> &actions)
{
    QList<Action::Kind> kinds;
    for (const Action &action : actions)
        kinds.append(action.kind);
    return kinds;
}

/// Closes the next modal window once it is up and active, and notes its object name.
void closeNextModal(QString *name = nullptr)
{
    QTimer::singleShot(0, [name] {
        QTRY_VERIFY(QApplication::activeModalWidget()
                    && QApplication::activeModalWidget()->isActiveWindow());
        if (name)
            *name = QApplication::activeModalWidget()->objectName();
        QApplication::activeModalWidget()->close();
    });
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowSet> m_set;
    ScriptedSerialPort *m_port = nullptr;
    TForm1 *m_form = nullptr;
    QStringList m_errors;

    /// Shows the main window; the port setup dialog that its activation shows is scripted.
    void start()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QTRY_COMPARE(setupCount(), 1);
    }

    void connectSwitch()
    {
        QTest::mouseClick(m_form->RockerSwitch1, Qt::LeftButton);
        QVERIFY(m_port->Connected());
    }

    int setupCount() const { return int(kindsOf(m_port->actions()).count(Action::PortSetup)); }

    /// The live recording's entry as the window's menu shows it: the menu is opened as a right
    /// click opens it, and closed again.
    QAction *liveRecordingEntry()
    {
        return menuEntry(*m_form, QStringLiteral("LiveRecordingAction"));
    }

    /// Starts a live recording into `path` through the menu's entry, its file dialog scripted.
    void startLiveRecording(const QString &path)
    {
        m_form->executeFileDialog = [path](QFileDialog &) { return path; };
        QAction *entry = liveRecordingEntry();
        QVERIFY(entry && entry->isEnabled());
        QCOMPARE(entry->text(), QStringLiteral("Grabar en vivo…"));
        entry->trigger();
        QVERIFY(m_form->liveRecording());
    }

    /// Connects, records into "datos.csv" in `dir` and receives one frame; gives the file's path.
    QString recordOneFrame(const QTemporaryDir &dir)
    {
        const QString path = dir.filePath(QStringLiteral("datos.csv"));
        start();
        connectSwitch();
        startLiveRecording(path);
        m_port->receive(exampleFrame);
        return path;
    }

    /// The live recording's line as read, on one line or two.
    QString liveLine() const { return m_form->LiveRecordingLabel->text().simplified(); }

    static QList<QByteArray> fileLines(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> lines = file.readAll().split('\n');
        lines.removeLast(); // the empty rest after the last line end
        return lines;
    }

private slots:
    void init()
    {
        auto port = std::make_unique<ScriptedSerialPort>();
        m_port = port.get();
        m_set = std::make_unique<WindowSet>(std::move(port));
        m_form = m_set->windows.Form1;
        m_errors.clear();
        ErrorReport::setPresenter([this](const QString &message) { m_errors.append(message); });
    }

    void cleanup()
    {
        m_set.reset();
        ErrorReport::setPresenter({});
    }

    void theWindowCarriesItsTextsAndTheLinksSettings()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("TORVELINDA-12BITS - 4 CANALES  V 3.2 "));
        QCOMPARE(m_form->size(), QSize(604, 435));
        QCOMPARE(m_form->RockerSwitch1->text(), QStringLiteral("CONECTAR"));
        QCOMPARE(m_form->ColBitBtn4->text(), QStringLiteral("       DESCARGAR DATOS"));
        QCOMPARE(m_form->ColBitBtn7->text(), QStringLiteral("      CANALES EN LINEA"));
        QCOMPARE(m_form->CheckBox1->toolTip(), QStringLiteral("SOLO SI SE QUEDÓ SIN PILAS"));
        QCOMPARE(m_form->Edit4->text(), QStringLiteral("DD/MM/AAAA"));
        QCOMPARE(m_form->Edit1->text(), QStringLiteral("0000"));
        QCOMPARE(m_port->lineSettings().BaudRate, br115200);
        QCOMPARE(m_port->lineSettings().ReadInterval, 1);
        QCOMPARE(m_port->ControlRTS(), rtsDisable);
    }

    void portSetupAtEachActivationUntilTheFirstConnection()
    {
        start();
        // Closing a modal window over the main window is no new activation.
        closeNextModal();
        m_form->ColBitBtn3Click();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QTest::qWait(20);
        QCOMPARE(setupCount(), 1);

        // Coming back from a window that is not modal is.
        TForm8 *clockDialog = m_set->windows.Form8;
        clockDialog->show();
        clockDialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(clockDialog));
        clockDialog->close();
        m_form->activateWindow();
        QTRY_COMPARE(setupCount(), 2);

        connectSwitch();
        clockDialog->show();
        clockDialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(clockDialog));
        clockDialog->close();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QTest::qWait(20);
        QCOMPARE(setupCount(), 2);
    }

    void skipPortSetupStopsTheDialog()
    {
        m_form->skipPortSetup = true;
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QTest::qWait(20);
        QCOMPARE(setupCount(), 0);
    }

    void connectRaisesRtsBeforeOpeningAndDisconnectDropsItBeforeClosing()
    {
        start();
        m_port->clearActions();
        connectSwitch();
        QVERIFY(m_form->connectedOnce);
        QVERIFY(m_form->RockerSwitch1->isOn());
        QCOMPARE(m_form->RockerSwitch1->text(), QStringLiteral("DESCONECTAR"));
        QVERIFY(m_form->ColBitBtn1->isOn() && m_form->ColBitBtn7->isOn());

        QTest::mouseClick(m_form->RockerSwitch1, Qt::LeftButton);
        QVERIFY(!m_port->Connected());
        QCOMPARE(kindsOf(m_port->actions()),
                 (QList<Action::Kind> {Action::Rts, Action::Open, Action::Rts, Action::Close}));
        QCOMPARE(m_port->actions()[0].rts, rtsEnable);
        QCOMPARE(m_port->actions()[2].rts, rtsDisable);
        QVERIFY(!m_form->RockerSwitch1->isOn());
        QCOMPARE(m_form->RockerSwitch1->text(), QStringLiteral("CONECTAR"));
        QVERIFY(!m_form->ColBitBtn1->isOn() && !m_form->ColBitBtn7->isOn());
    }

    void aPortThatCannotOpenIsReportedAndTheSwitchTurnsOffAgain()
    {
        start();
        m_port->failNextOpen(2);
        QTest::mouseClick(m_form->RockerSwitch1, Qt::LeftButton);
        QCOMPARE(m_errors,
                 QStringList {QStringLiteral("Unable to open com port (win error code: 2)")});
        QVERIFY(!m_form->RockerSwitch1->isOn());
        QCOMPARE(m_form->RockerSwitch1->text(), QStringLiteral("CONECTAR"));
        QCOMPARE(m_port->ControlRTS(), rtsDisable);
        QVERIFY(!m_form->connectedOnce);
        QVERIFY(!m_form->ColBitBtn1->isOn());
        // The download button takes the link for what it is: not connected, nothing sent.
        m_form->ColBitBtn4Click();
        QVERIFY(m_errors.size() == 1 && m_port->writes().isEmpty());
    }

    void aStatusFrameIsShownEverywhere()
    {
        start();
        connectSwitch();
        m_port->receiveEach({exampleFrame.left(10), exampleFrame.mid(10, 20)});
        QVERIFY(m_form->LED1->isLit());
        m_port->receive(exampleFrame.mid(30));
        QVERIFY(!m_form->LED1->isLit());
        QCOMPARE(m_form->ValueInd1->text(), QStringLiteral("23,5"));
        QCOMPARE(m_form->ValueInd2->text(), QStringLiteral("1,2"));
        QCOMPARE(m_form->ValueInd3->text(), QStringLiteral("50,0"));
        QCOMPARE(m_form->ValueInd4->text(), QStringLiteral("1234"));
        TForm4 *gauges = m_set->windows.Form4;
        QVERIFY(!gauges->isVisible());
        QCOMPARE(gauges->Thermometer1->value(), 23.5f);
        QCOMPARE(gauges->Thermometer4->value(), 1234.0f);
        QCOMPARE(m_form->Edit1->text(), QStringLiteral("33"));
        QCOMPARE(m_form->Edit4->text(), QStringLiteral("06/12/2026"));
        QCOMPARE(m_form->Edit3->text(), QStringLiteral("14:30:05"));
        QCOMPARE(m_form->DialMeter1->text(), QStringLiteral("95,0"));
        QCOMPARE(m_form->RadioGroup1->ItemIndex(), 0);
        QVERIFY(m_form->Edit2.text().isEmpty());
    }

    void humidityAboveTheScaleShowsAHundredOnBothDisplays()
    {
        start();
        connectSwitch();
        QByteArray frame = exampleFrame;
        frame.replace(27, 5, "12128"); // 12 × 256 + 128 = 3200
        m_port->receive(frame);
        QCOMPARE(m_form->ValueInd3->text(), QStringLiteral("100,0"));
        QCOMPARE(m_set->windows.Form4->Thermometer3->value(), 100.0f);
    }

    void aBadFrameIsReportedAndReceptionGoesOn()
    {
        start();
        connectSwitch();
        QByteArray bad = exampleFrame;
        bad.replace(17, 5, "01244"); // channel 1 reading 500: 0,0 ºC
        bad[39] = 'Z';
        m_port->receive(bad);
        QCOMPARE(m_errors, QStringList {QStringLiteral("'Z' is not a valid integer value")});
        QCOMPARE(m_form->ValueInd1->text(), QStringLiteral("0,0")); // channels came first
        QCOMPARE(m_form->Edit4->text(), QString()); // the rest did not
        m_port->receive(exampleFrame);
        QCOMPARE(m_form->Edit4->text(), QStringLiteral("06/12/2026"));
    }

    void aFrameWithAnUnknownRateCodeLeavesTheRateShown()
    {
        start();
        connectSwitch();
        QByteArray frame = exampleFrame;
        frame[16] = '5';
        m_port->receive(frame);
        QCOMPARE(m_form->RadioGroup1->ItemIndex(), 1);
        frame[16] = '7';
        m_port->receive(frame);
        QCOMPARE(m_form->RadioGroup1->ItemIndex(), 1);
    }

    void theLoggersDateAndTimeAreEmptiedAgainAfterConnecting()
    {
        start();
        QElapsedTimer sinceConnecting;
        sinceConnecting.start();
        connectSwitch();
        QVERIFY(m_form->Edit4->text().isEmpty());
        m_port->receive(exampleFrame);
        QCOMPARE(m_form->Edit3->text(), QStringLiteral("14:30:05"));
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Edit3->text().isEmpty(), 5000);
        QVERIFY(sinceConnecting.elapsed() >= 1500 - timerSlackMs);
        QVERIFY(m_form->Edit4->text().isEmpty());
        QVERIFY(!m_form->Timer4->isActive());
    }

    void downloadRequestPausesBetweenItsTwoCharacters_data()
    {
        QTest::addColumn<bool>("forced");
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("from the memory pointer") << false << QByteArray("8");
        QTest::newRow("forced complete") << true << QByteArray("E");
    }

    void downloadRequestPausesBetweenItsTwoCharacters()
    {
        QFETCH(bool, forced);
        QFETCH(QByteArray, request);
        start();
        connectSwitch();
        m_form->CheckBox1->setChecked(forced);
        m_port->clearActions();
        QTest::mouseClick(m_form->ColBitBtn4, Qt::LeftButton);

        const QList<Action> &actions = m_port->actions();
        QCOMPARE(kindsOf(actions),
                 (QList<Action::Kind> {Action::Purge, Action::Write, Action::Write}));
        QVERIFY(actions[0].input && !actions[0].output);
        QCOMPARE(actions[1].bytes, request);
        QCOMPARE(actions[2].bytes, QByteArray("X"));
        QVERIFY(actions[2].atMs - actions[1].atMs >= 1000);
        QVERIFY(m_form->downloading);

        // The discard timer's tick comes as soon as the window is free again, and empties twice.
        QTRY_VERIFY(!m_form->Timer2->isActive());
        QCOMPARE(kindsOf(actions).mid(3), (QList<Action::Kind> {Action::Purge, Action::Purge}));
    }

    void aDownloadIsCollectedAndHandedToTheDataWindow()
    {
        start();
        connectSwitch();
        m_form->ColBitBtn4Click();
        QTRY_VERIFY(!m_form->Timer2->isActive());

        const QByteArray text = " 26/12/06 05:30:14  4\r\n0279\r\n000220000002000226000001\r\n";
        m_port->receiveEach({text.left(20), text.mid(20)});
        QCOMPARE(m_form->Gauge1->progress(), 2);
        QVERIFY(m_form->Gauge1->isVisible());
        QVERIFY(!m_form->dataDownloaded);

        QString shown;
        closeNextModal(&shown);
        m_port->receive("A");
        QCOMPARE(shown, QStringLiteral("Form5"));
        QCOMPARE(m_form->RichEdit1.text(), text + "A");
        QVERIFY(m_form->dataDownloaded && !m_form->downloading);
        QVERIFY(!m_form->Gauge1->isVisible());
        QCOMPARE(m_form->ColBitBtn4->offText(), QStringLiteral("              VER DATOS"));
        QCOMPARE(m_form->ColBitBtn4->onText(), QStringLiteral("                VER DATOS"));

        // From now on the button shows the data again and sends nothing, after reconnecting too.
        QTest::mouseClick(m_form->RockerSwitch1, Qt::LeftButton);
        connectSwitch();
        m_port->clearActions();
        closeNextModal(&shown);
        shown.clear();
        QTest::mouseClick(m_form->ColBitBtn4, Qt::LeftButton);
        QCOMPARE(shown, QStringLiteral("Form5"));
        QVERIFY(m_port->writes().isEmpty());
    }

    void anEndMarkerSharingAReadEndsTheDownloadAndTheFrameAfterItIsShown_data()
    {
        const QByteArray text = " 26/12/06 05:30:14  4\r\n0279\r\n000220000002000226000001\r\n";
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::newRow("with the last line and the frame")
            << QList<QByteArray> {text.chopped(5), text.last(5) + "A" + exampleFrame};
        QTest::newRow("with part of the frame")
            << QList<QByteArray> {text, "A" + exampleFrame.first(20), exampleFrame.sliced(20)};
    }

    void anEndMarkerSharingAReadEndsTheDownloadAndTheFrameAfterItIsShown()
    {
        QFETCH(QList<QByteArray>, reads);
        start();
        connectSwitch();
        m_form->ColBitBtn4Click();
        QTRY_VERIFY(!m_form->Timer2->isActive());
        QString shown;
        closeNextModal(&shown);
        m_port->receiveEach(reads);
        QCOMPARE(shown, QStringLiteral("Form5"));
        const QByteArray all = reads.join();
        QCOMPARE(m_form->RichEdit1.text(), all.first(all.indexOf("\nA") + 2));
        QVERIFY(m_form->dataDownloaded && !m_form->downloading);
        // The frame after the marker is shown as a frame that came on its own.
        QCOMPARE(m_form->Edit1->text(), QStringLiteral("33"));
        QCOMPARE(m_form->ValueInd1->text(), QStringLiteral("23,5"));
        QVERIFY(!m_form->LED1->isLit());
        QVERIFY(m_errors.isEmpty());
    }

    void aDownloadShorterThanReportedIsSaidOverTheData()
    {
        start();
        connectSwitch();
        m_port->receive(exampleFrame); // the logger holds 33 samples
        m_form->ColBitBtn4Click();
        QTRY_VERIFY(!m_form->Timer2->isActive());
        closeNextModal();
        m_port->receiveEach({" 26/12/06 05:30:14  4\r\n0279\r\n000220000002000226000001\r\n", "A"});
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.first().contains(QStringLiteral("informó 33 muestras y llegaron 1")));
    }

    void theProgressLineFollowsTheDownloadAndGoesAtItsEnd()
    {
        start();
        connectSwitch();
        m_port->receive(exampleFrame); // the logger holds 33 samples
        const QRect indicatorPlace = m_form->ColBitBtn1->geometry();
        m_form->ColBitBtn4Click();
        QTRY_VERIFY(!m_form->Timer2->isActive());
        const QByteArray sample = "000220000002000226000001\r\n";
        m_port->receive(" 26/12/06 05:30:14  4\r\n0279\r\n" + sample + sample);
        QTRY_COMPARE(m_form->ProgressLabel->text(),
                     QStringLiteral("Descargando 2 de 33 muestras (6 %), quedan 1 s"));
        QVERIFY(m_form->ProgressLabel->isVisible());
        QCOMPARE(m_form->ColBitBtn1->geometry(), indicatorPlace);
        closeNextModal();
        m_port->receive("A");
        QVERIFY(!m_form->ProgressLabel->isVisible());
    }

    void theProgressLineShowsTheLastCountWhenChunksStopJustAfterARefresh()
    {
        start();
        connectSwitch();
        m_port->receive(exampleFrame); // the logger holds 33 samples
        m_form->ColBitBtn4Click();
        QTRY_VERIFY(!m_form->Timer2->isActive());
        const QByteArray sample = "000220000002000226000001\r\n";
        m_port->receive(" 26/12/06 05:30:14  4\r\n0279\r\n" + sample);
        QTRY_VERIFY(m_form->ProgressLabel->isVisible());
        // Too soon for a refresh of their own, and the last before a pause.
        m_port->receive(sample + sample);
        QTRY_COMPARE(m_form->ProgressLabel->text(),
                     QStringLiteral("Descargando 3 de 33 muestras (9 %), quedan 1 s"));
        closeNextModal();
        m_port->receive("A");
    }

    void theProgressLineHoldsItsLongestText()
    {
        start();
        connectSwitch();
        m_form->CheckBox1->setChecked(true); // all 4000 positions
        m_form->ColBitBtn4Click();
        QTRY_VERIFY(!m_form->Timer2->isActive());
        QByteArray download = " 26/12/06 05:30:14  4\r\n0279\r\n";
        for (int i = 0; i < 4000; ++i)
            download += "000220000002000226000001\r\n";
        m_port->receive(download);
        const QString longest =
            QStringLiteral("Descargando 4000 de 4000 muestras (100 %), quedan 0 s");
        QTRY_COMPARE(m_form->ProgressLabel->text(), longest);
        const QLabel *label = m_form->ProgressLabel;
        QVERIFY2(label->fontMetrics().horizontalAdvance(longest) <= label->contentsRect().width(),
                 qPrintable(QStringLiteral("%1 px of text in %2 px")
                                .arg(label->fontMetrics().horizontalAdvance(longest))
                                .arg(label->contentsRect().width())));
        QVERIFY(label->geometry().left() >= 0);
        QVERIFY(label->geometry().right() < m_form->Gradient1->width());
    }

    void aPulledCableLeavesTheLedDark()
    {
        start();
        connectSwitch();
        m_port->receive(exampleFrame.left(20)); // a frame cut short by the pull
        QVERIFY(m_form->LED1->isLit());
        m_port->unplug();
        m_port->reportErrors(errDevice);
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(!m_form->RockerSwitch1->isOn());
        QVERIFY(!m_form->LED1->isLit());
    }

    void downloadingAgainReplacesTheDataOnlyWhenItEnds()
    {
        start();
        connectSwitch();
        m_form->ColBitBtn4Click();
        QTRY_VERIFY(!m_form->Timer2->isActive());
        const QByteArray first = " 26/12/06 05:30:14  4\r\n0279\r\n000220000002000226000001\r\n";
        closeNextModal();
        m_port->receiveEach({first, "A"});
        QVERIFY(m_form->dataDownloaded);

        // Given up half-way, the first download is what the data window shows again.
        m_port->clearActions();
        m_form->downloadAgain();
        QCOMPARE(m_port->writes(), (QList<QByteArray> {"8", "X"}));
        QTRY_VERIFY(m_form->downloading);
        m_port->receive(" 26/12/07 05:30:14  4\r\n");
        QTest::mouseClick(m_form->RockerSwitch1, Qt::LeftButton);
        QCOMPARE(m_form->RichEdit1.text(), first + "A");

        connectSwitch();
        m_form->downloadAgain();
        QTRY_VERIFY(m_form->downloading);
        const QByteArray second = " 26/12/07 05:30:14  4\r\n0279\r\n";
        QString shown;
        closeNextModal(&shown);
        m_port->receiveEach({second, "A"});
        QCOMPARE(shown, QStringLiteral("Form5"));
        QCOMPARE(m_form->RichEdit1.text(), second + "A");
        QVERIFY(m_errors.isEmpty());
    }

    void aDownloadRequestedRightAfterConnectingIsNotCancelled()
    {
        start();
        connectSwitch();
        m_form->ColBitBtn4Click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->Timer4->isActive(), 5000);
        QVERIFY(m_form->downloading);
        QString shown;
        closeNextModal(&shown);
        m_port->receiveEach({" 26/12/06 05:30:14  4\r\n", "A"});
        QCOMPARE(shown, QStringLiteral("Form5"));
        QVERIFY(m_form->dataDownloaded);
    }

    void aVanishedDeviceIsReportedOnceAndTheLineCloses()
    {
        start();
        connectSwitch();
        m_form->ColBitBtn4Click();
        QTRY_VERIFY(!m_form->Timer2->isActive());
        m_port->receive("000220000002000226000001\r\n");

        m_port->reportErrors(errFraming); // a damaged byte alone changes nothing
        QVERIFY(m_errors.isEmpty() && m_form->downloading);

        m_port->unplug();
        m_port->reportErrors(errDevice);
        QCOMPARE(m_errors,
                 QStringList {QStringLiteral("ReadFile function failed (win error code: 5)")});
        QVERIFY(!m_form->downloading && !m_form->dataDownloaded);
        QVERIFY(!m_form->Gauge1->isVisible());
        QVERIFY(!m_port->Connected());
        QVERIFY(!m_form->RockerSwitch1->isOn());
        QCOMPARE(m_form->RockerSwitch1->text(), QStringLiteral("CONECTAR"));

        // Nothing more is said: not by the download button, not by the next connection.
        m_form->ColBitBtn4Click();
        connectSwitch();
        m_port->receive(exampleFrame);
        QCOMPARE(m_form->Edit4->text(), QStringLiteral("06/12/2026"));
        QCOMPARE(m_errors.size(), 1);
    }

    void disconnectingFromAVanishedDeviceSaysNothingMore()
    {
        start();
        connectSwitch();
        m_port->unplug();
        QTest::mouseClick(m_form->RockerSwitch1, Qt::LeftButton);
        QVERIFY(!m_port->Connected());
        QVERIFY(!m_form->RockerSwitch1->isOn());
        m_port->reportErrors(errDevice); // the closed port's late news
        QCOMPARE(m_errors, QStringList());
    }

    void aCablePulledDuringTheRequestIsReportedOnce_data()
    {
        QTest::addColumn<QByteArray>("pulledAfter");
        QTest::addColumn<QString>("message");
        QTest::newRow("idle, before the request")
            << QByteArray() << QStringLiteral("PurgeComm function failed (win error code: 5)");
        QTest::newRow("in the pause before X")
            << QByteArray("8") << QStringLiteral("WriteFile function failed (win error code: 5)");
        QTest::newRow("before the discard timer's tick")
            << QByteArray("X") << QStringLiteral("PurgeComm function failed (win error code: 5)");
    }

    void aCablePulledDuringTheRequestIsReportedOnce()
    {
        QFETCH(QByteArray, pulledAfter);
        QFETCH(QString, message);
        start();
        connectSwitch();
        if (pulledAfter.isEmpty())
            m_port->unplug();
        m_port->afterAction = [pulledAfter](ScriptedSerialPort &port, const Action &action) {
            if (action.kind == Action::Write && action.bytes == pulledAfter)
                port.unplug();
        };
        ErrorReport::guard([this] { m_form->ColBitBtn4Click(); });
        QTRY_VERIFY(!m_port->Connected());
        QTest::qWait(1000); // two intervals of every timer: none may come back
        QCOMPARE(m_errors, QStringList {message});
        QVERIFY(!m_form->downloading);
        QVERIFY(!m_form->Timer2->isActive());
        QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!m_form->RockerSwitch1->isOn());

        // A good logger afterwards is on line again, and can be asked for its data.
        m_port->afterAction = {};
        connectSwitch();
        m_port->receive(exampleFrame);
        QCOMPARE(m_form->Edit3->text(), QStringLiteral("14:30:05"));
        m_form->ColBitBtn4Click();
        QTRY_VERIFY(m_form->downloading && !m_form->Timer2->isActive());
        QCOMPARE(m_errors.size(), 1);
    }

    void disconnectingMidCollectionKeepsTheTextAndAsksAgainLater()
    {
        start();
        connectSwitch();
        m_form->ColBitBtn4Click();
        QTRY_VERIFY(!m_form->Timer2->isActive());
        const QByteArray text = " 26/12/06 05:30:14  4\r\n0279\r\n";
        m_port->receive(text);
        QTest::mouseClick(m_form->RockerSwitch1, Qt::LeftButton);
        QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor); // released over the switch
        QVERIFY(!m_form->downloading && !m_form->dataDownloaded);
        QCOMPARE(m_form->RichEdit1.text(), text);

        connectSwitch();
        m_port->receive(exampleFrame); // a frame, not download text
        QCOMPARE(m_form->RichEdit1.text(), text);
        QCOMPARE(m_form->Edit3->text(), QStringLiteral("14:30:05"));
        m_port->clearActions();
        m_form->ColBitBtn4Click();
        QCOMPARE(m_port->writes(), (QList<QByteArray> {"8", "X"}));
    }

    void theCursorWaitsFromTheRequestToTheEndMarker()
    {
        start();
        connectSwitch();
        QList<Qt::CursorShape> atWrites;
        m_port->afterAction = [this, &atWrites](ScriptedSerialPort &, const Action &action) {
            if (action.kind == Action::Write)
                atWrites.append(m_form->cursor().shape());
        };
        m_form->ColBitBtn4Click();
        QCOMPARE(atWrites, (QList<Qt::CursorShape> {Qt::WaitCursor, Qt::WaitCursor}));
        QTRY_VERIFY(!m_form->Timer2->isActive());
        m_port->receive(" 26/12/06 05:30:14  4\r\n");
        QCOMPARE(m_form->cursor().shape(), Qt::WaitCursor);
        closeNextModal();
        m_port->receive("A");
        QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor);
    }

    void thePieGaugeTurnsWithEveryChunk()
    {
        start();
        connectSwitch();
        m_form->downloading = true;
        for (int chunk = 0; chunk < 120; ++chunk)
            m_port->receive("000220000002000226000001\r\n");
        QCOMPARE(m_form->Gauge1->progress(), 20);
    }

    void theDownloadButtonWhileNotConnectedSendsNothing()
    {
        start();
        m_form->ColBitBtn4Click();
        QVERIFY(m_form->Gauge1->isVisible());
        QVERIFY(m_port->writes().isEmpty());
        QVERIFY(!m_form->Timer2->isActive());
    }

    void theControlsStayPutWhenThePieGaugeShows()
    {
        start();
        QVERIFY(!m_form->Gauge1->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const QList<QWidget *> controls = {m_form->ColBitBtn4, m_form->CheckBox1, m_form->Edit1};
        QList<QRect> before;
        for (const QWidget *control : controls)
            before.append(control->geometry());
        m_form->ColBitBtn4Click();
        QVERIFY(m_form->Gauge1->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        for (int i = 0; i < controls.size(); ++i)
            QCOMPARE(controls[i]->geometry(), before[i]);
    }

    void theClockIsSetShortlyAfterTheNextReceiveEvent()
    {
        start();
        connectSwitch();
        m_form->clockSetPending = true;
        QTest::qWait(300);
        QVERIFY(m_port->writes().isEmpty()); // no byte in, nothing out

        QElapsedTimer sinceReceiving;
        sinceReceiving.start();
        m_port->receive(exampleFrame.left(10));
        QVERIFY(m_form->Timer3->isActive());
        QTRY_COMPARE(m_port->writes().size(), 13);
        QVERIFY(sinceReceiving.elapsed() >= 100 - timerSlackMs);
        QCOMPARE(m_port->writes().first(), QByteArray("3"));
        QVERIFY(!m_form->clockSetPending);
        QVERIFY(m_form->Edit2.text().isEmpty()); // the partial frame was dropped
        const QDateTime now = QDateTime::currentDateTime();
        const QByteArray digits = m_port->written().mid(1);
        QVERIFY(digits.startsWith(now.toString(QStringLiteral("HH")).toLatin1())
                || now.time().minute() == 0);
        QVERIFY(digits.endsWith(now.toString(QStringLiteral("yy")).toLatin1()));
    }

    void aClockSetDueAfterDisconnectingSendsNothing()
    {
        start();
        connectSwitch();
        m_form->clockSetPending = true;
        m_port->receive(exampleFrame.left(10));
        QVERIFY(m_form->Timer3->isActive());
        QTest::mouseClick(m_form->RockerSwitch1, Qt::LeftButton);
        QTest::qWait(350);
        QCOMPARE(m_errors, QStringList());
        QVERIFY(m_port->writes().isEmpty());
        QVERIFY(!m_form->Timer3->isActive());
    }

    void theLiveFramesKeepEachFrameWithAGapWhereNoneCouldCome()
    {
        start();
        connectSwitch();
        m_port->receive(exampleFrame);
        m_port->receive(exampleFrame);
        QCOMPARE(m_form->liveFrames().size(), 2);
        QCOMPARE(m_form->liveFrames().latest(60'000)[1].shown[0], 235);

        // A download: the frame that follows its end marker starts a new line. A recording goes
        // on through it, on its one line.
        QTemporaryDir dir;
        startLiveRecording(dir.filePath(QStringLiteral("datos.csv")));
        m_form->ColBitBtn4Click();
        QTRY_VERIFY(!m_form->Timer2->isActive());
        closeNextModal();
        m_port->receive(" 26/12/06 05:30:14  4\r\n0279\r\n000220000002000226000001\r\nA"
                        + exampleFrame);
        QCOMPARE(m_form->liveFrames().size(), 3);
        QCOMPARE(liveLine(), QStringLiteral("Grabando en vivo: 1 trama, datos.csv"));
        QCOMPARE(m_form->findChildren<QLabel *>(QStringLiteral("LiveRecordingLabel")).size(), 1);
        const LiveSpan afterDownload = m_form->liveFrames().latest(60'000);
        QVERIFY(!afterDownload.breaksBefore(1));
        QVERIFY(afterDownload.breaksBefore(2));

        // A pulled cable ends the run of frames too; a reconnection on the same port goes on
        // after a break.
        m_port->unplug();
        m_port->reportErrors(errDevice);
        connectSwitch();
        QCOMPARE(m_form->liveFrames().size(), 3);
        m_port->receive(exampleFrame);
        QCOMPARE(m_form->liveFrames().size(), 4);
        QVERIFY(m_form->liveFrames().latest(60'000).breaksBefore(3));
    }

    void aLiveRecordingWritesALinePerFrameAndEndsWithTheLine_data()
    {
        QTest::addColumn<bool>("cablePulled");
        QTest::newRow("DESCONECTAR") << false;
        QTest::newRow("a pulled cable") << true;
    }

    void aLiveRecordingWritesALinePerFrameAndEndsWithTheLine()
    {
        QFETCH(bool, cablePulled);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("datos.csv"));
        start();
        QVERIFY(!liveRecordingEntry()->isEnabled());
        connectSwitch();
        m_port->receive(exampleFrame); // before the recording: not in the file
        startLiveRecording(path);
        QCOMPARE(liveLine(), QStringLiteral("Grabando en vivo: 0 tramas, datos.csv"));
        QVERIFY(m_form->LiveRecordingLabel->isVisible());
        const QRect indicatorPlace = m_form->ColBitBtn1->geometry();
        m_port->receive(exampleFrame);
        m_port->receive(exampleFrame.left(20)); // half a frame writes nothing yet
        m_port->receive(exampleFrame.mid(20));
        QCOMPARE(liveLine(), QStringLiteral("Grabando en vivo: 2 tramas, datos.csv"));
        QList<QByteArray> lines = fileLines(path);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith("pc_time,"));
        QVERIFY(lines[2].contains(",2026-12-06T14:30:05,23.5,1.2,50.0,1234,95.0,33\r"));
        QCOMPARE(m_form->ColBitBtn1->geometry(), indicatorPlace);

        if (cablePulled) {
            m_port->unplug();
            m_port->reportErrors(errDevice);
        } else {
            QTest::mouseClick(m_form->RockerSwitch1, Qt::LeftButton);
        }
        QVERIFY(!m_form->liveRecording());
        QCOMPARE(liveLine(), QStringLiteral("Grabación en vivo terminada: 2 tramas en datos.csv"));
        QVERIFY(m_form->LiveRecordingLabel->isVisible());

        // The next connection records nothing unless asked, and clears the line.
        connectSwitch();
        QVERIFY(!m_form->LiveRecordingLabel->isVisible());
        m_port->receive(exampleFrame);
        QCOMPARE(fileLines(path).size(), 3);
        QCOMPARE(m_errors.size(), cablePulled ? 1 : 0);
    }

    void theMenuStopsTheLiveRecordingAndAStartAgainAppends()
    {
        QTemporaryDir dir;
        const QString path = recordOneFrame(dir);
        QAction *entry = liveRecordingEntry();
        QCOMPARE(entry->text(), QStringLiteral("Detener grabación en vivo"));
        entry->trigger();
        QVERIFY(!m_form->liveRecording());
        QCOMPARE(liveLine(), QStringLiteral("Grabación en vivo terminada: 1 trama en datos.csv"));
        m_port->receive(exampleFrame);
        startLiveRecording(path);
        m_port->receive(exampleFrame);
        QCOMPARE(fileLines(path).size(), 3); // one heading, two frames
    }

    void aFailingLiveRecordingStopsWithOneErrorAndTheFrameIsShown()
    {
        QTemporaryDir dir;
        const QString path = recordOneFrame(dir);
        QVERIFY(QFile::remove(path)); // as a disk cleaned up under the recording
        m_form->clockSetPending = true;
        QByteArray cold = exampleFrame;
        cold.replace(17, 5, "01244"); // channel 1 reading 500: 0,0 ºC
        m_port->receive(cold);
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.first().startsWith(QStringLiteral("Se detuvo la grabación en vivo en ")));
        QCOMPARE(m_form->ValueInd1->text(), QStringLiteral("0,0"));
        QCOMPARE(m_set->windows.Form4->Thermometer1->value(), 0.0f);
        QCOMPARE(m_form->liveFrames().size(), 2);
        QVERIFY(m_form->Timer3->isActive()); // the rest of the handler was done
        QVERIFY(!m_form->liveRecording());
        QCOMPARE(liveLine(),
                 QStringLiteral("Grabación en vivo interrumpida: 1 trama en datos.csv"));

        m_port->receive(exampleFrame);
        QCOMPARE(m_form->ValueInd1->text(), QStringLiteral("23,5"));
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_form->connected());
    }

    void closingWhileConnectedDropsRtsAndClosesThePort()
    {
        start();
        connectSwitch();
        m_port->clearActions();
        QSignalSpy closed(m_form, &TForm1::closed);
        m_form->close();
        QCOMPARE(kindsOf(m_port->actions()), (QList<Action::Kind> {Action::Rts, Action::Close}));
        QCOMPARE(closed.count(), 1);
        QVERIFY(!m_form->RockerSwitch1->isOn());
    }

    void closingWhileNotConnectedClosesNothing()
    {
        start();
        m_port->clearActions();
        m_form->close();
        QVERIFY(!kindsOf(m_port->actions()).contains(Action::Close));
        QVERIFY(m_errors.isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
