// Covers the sample-rate and clock-set dialogs (what goes out on the line, the main window's
// flags), the online gauges window (its values, the button it hides, where both windows stand)
// and the about and help windows, each inside the whole set of windows with a scripted port.
#include "app/window_set.h"
#include "runtime/error_report.h"
#include "runtime/radio_group.h"
#include "scripted_serial_port.h"
#include "widgets/colour_button.h"
#include "widgets/rocker_switch.h"
#include "widgets/thermometer.h"
#include "windows/about_window.h"
#include "windows/clock_dialog.h"
#include "windows/gauges_window.h"
#include "windows/help_window.h"
#include "windows/main_window.h"
#include "windows/rate_dialog.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

const QByteArray exampleFrame = QByteArrayLiteral("3014061226052090402223020000706804210001023\r");

/// Once the next modal window is up and active, runs the steps on it, then closes it if they
/// have not.
void whileModal(std::function<void(QWidget *)> steps)
{
    QTimer::singleShot(0, [steps] {
        QTRY_VERIFY(QApplication::activeModalWidget()
                    && QApplication::activeModalWidget()->isActiveWindow());
        QWidget *modal = QApplication::activeModalWidget();
        steps(modal);
        if (modal->isVisible())
            modal->close();
    });
}

void clickItem(RadioGroup *group, int index)
{
    QTest::mouseClick(group->findChild<QRadioButton *>(QStringLiteral("item%1").arg(index)),
                      Qt::LeftButton);
}

} // namespace

class TestSmallWindows : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowSet> m_set;
    ScriptedSerialPort *m_port = nullptr;
    TForm1 *m_main = nullptr;
    QStringList m_errors;

    void start(bool connect)
    {
        m_main->show();
        QVERIFY(QTest::qWaitForWindowActive(m_main));
        if (connect) {
            QTest::mouseClick(m_main->RockerSwitch1, Qt::LeftButton);
            QVERIFY(m_port->Connected());
        }
        m_port->clearActions();
    }

    int portSetups() const
    {
        int count = 0;
        for (const auto &action : m_port->actions())
            count += action.kind == ScriptedSerialPort::Action::PortSetup;
        return count;
    }

    void openGauges()
    {
        QTest::mouseClick(m_main->ColBitBtn8, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowActive(m_set->windows.Form4));
    }

private slots:
    void init()
    {
        auto port = std::make_unique<ScriptedSerialPort>();
        m_port = port.get();
        m_set = std::make_unique<WindowSet>(std::move(port));
        m_main = m_set->windows.Form1;
        m_errors.clear();
        ErrorReport::setPresenter([this](const QString &message) { m_errors.append(message); });
    }

    void cleanup()
    {
        m_set.reset();
        ErrorReport::setPresenter({});
        QVERIFY(m_errors.isEmpty());
    }

    void eachChangeOfRateIsSentOnceWhileConnected()
    {
        start(true);
        TForm7 *dialog = m_set->windows.Form7;
        whileModal([this, dialog](QWidget *modal) {
            QCOMPARE(modal, dialog);
            QCOMPARE(dialog->RadioGroup1->ItemIndex(), -1);
            clickItem(dialog->RadioGroup1, 1);
            clickItem(dialog->RadioGroup1, 1);
            clickItem(dialog->RadioGroup1, 2);
            clickItem(dialog->RadioGroup1, 0);
            QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(m_main->ColBitBtn3, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(m_port->writes(), (QList<QByteArray> {"6", "7", "5"}));

        // Every opening starts with nothing chosen, whatever was chosen before.
        whileModal([dialog](QWidget *) { QCOMPARE(dialog->RadioGroup1->ItemIndex(), -1); });
        m_main->ColBitBtn3Click();
    }

    void aRateChosenWhileNotConnectedSendsNothing()
    {
        start(false);
        TForm7 *dialog = m_set->windows.Form7;
        whileModal([dialog](QWidget *) {
            clickItem(dialog->RadioGroup1, 2);
            QCOMPARE(dialog->RadioGroup1->ItemIndex(), 2);
        });
        m_main->ColBitBtn3Click();
        QVERIFY(m_port->writes().isEmpty());
    }

    void settingTheClockWhileConnectedGoesOutAfterTheNextReceiveEvent()
    {
        start(true);
        TForm8 *dialog = m_set->windows.Form8;
        QTest::mouseClick(m_main->ColBitBtn2, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QCOMPARE(QApplication::focusWidget(), dialog->BitBtn2);
        QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QVERIFY(m_main->clockSetPending && m_main->skipPortSetup);
        QVERIFY(m_port->writes().isEmpty());

        m_port->receive(exampleFrame.left(5));
        QTRY_COMPARE(m_port->writes().size(), 13);
        QCOMPARE(m_port->writes().first(), QByteArray("3"));
    }

    void settingTheClockWhileNotConnectedOnlyStopsThePortSetup()
    {
        start(false);
        const int setupsBefore = portSetups();
        TForm8 *dialog = m_set->windows.Form8;
        m_main->ColBitBtn2Click();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        dialog->BitBtn1Click();
        QVERIFY(!m_main->clockSetPending && m_main->skipPortSetup);
        QTRY_VERIFY(m_main->isActiveWindow());
        QTest::qWait(20);
        QCOMPARE(portSetups(), setupsBefore);

        QTest::mouseClick(m_main->RockerSwitch1, Qt::LeftButton);
        m_port->receive(exampleFrame);
        QTest::qWait(300);
        QVERIFY(m_port->writes().isEmpty());
    }

    void goingBackBeforeTheFirstConnectionShowsThePortSetupAgain()
    {
        start(false);
        const int setupsBefore = portSetups();
        TForm8 *dialog = m_set->windows.Form8;
        m_main->ColBitBtn2Click();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTest::keyClick(dialog, Qt::Key_Return); // "REGRESAR" has the focus
        QVERIFY(!dialog->isVisible());
        QVERIFY(!m_main->clockSetPending && !m_main->skipPortSetup);
        QTRY_COMPARE(portSetups(), setupsBefore + 1);
    }

    void theGaugesShowWhatTheMainWindowLastDecodedLimitedLikeItsIndicators()
    {
        TForm4 *gauges = m_set->windows.Form4;
        for (Thermometer *gauge : {gauges->Thermometer1, gauges->Thermometer2, gauges->Thermometer3,
                                   gauges->Thermometer4})
            QCOMPARE(gauge->value(), 50.0f);
        QCOMPARE(gauges->Thermometer3->scaleFrom(), 0.000001);

        start(true);
        QByteArray frame = exampleFrame;
        frame.replace(27, 5, "12135"); // 3207: 104,3 %
        m_port->receive(frame);
        QCOMPARE(gauges->Thermometer3->value(), 100.0f);
        frame.replace(27, 5, "01244"); // 500: below 0 %
        m_port->receive(frame);
        QCOMPARE(gauges->Thermometer3->value(), 0.0f);

        openGauges();
        // No caption in the title bar: an empty title would bring the program's name there.
        QVERIFY(!gauges->windowTitle().isEmpty());
        QVERIFY(gauges->windowTitle().trimmed().isEmpty());
        QCOMPARE(gauges->Thermometer1->text(), QStringLiteral("23,5"));
        QCOMPARE(gauges->Thermometer3->text(), QStringLiteral("0,0"));
        QCOMPARE(gauges->Thermometer4->text(), QStringLiteral("1234"));
    }

    void theGaugesStandBesideTheMainWindowWhichComesBackExactly()
    {
        start(false);
        m_main->skipPortSetup = true; // no port setup between the switches below
        TForm4 *gauges = m_set->windows.Form4;
        const QRect screen = m_main->screen()->availableGeometry();
        const QPoint home = m_main->pos();

        for (int round = 0; round < 2; ++round) {
            openGauges();
            QVERIFY(m_main->ColBitBtn8->isHidden());
            const QPoint opened = m_main->pos();
            QVERIFY(opened.x() > home.x());
            QCOMPARE(gauges->pos().y(), opened.y());
            QCOMPARE(gauges->height(), m_main->height());
            QVERIFY(screen.contains(gauges->frameGeometry()));
            QVERIFY(screen.contains(m_main->frameGeometry()));
            if (screen.width() >= gauges->frameGeometry().width() + m_main->frameGeometry().width())
                QCOMPARE(gauges->frameGeometry().right() + 1, opened.x());

            // Switching to the main window and back places the gauges again, moves nothing.
            m_main->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_main));
            gauges->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(gauges));
            QCOMPARE(m_main->pos(), opened);
            QVERIFY(m_main->ColBitBtn8->isHidden());

            gauges->close();
            QCOMPARE(m_main->pos(), home);
            QVERIFY(!m_main->ColBitBtn8->isHidden());
            QTRY_VERIFY(m_main->isActiveWindow());
        }
    }

    void theAboutWindowClosesWithEnterAndComesBackUnchanged()
    {
        start(false);
        TForm2 *about = m_set->windows.Form2;
        about->move(0, 0); // as if dragged there at its last showing: it comes back centred
        QCOMPARE(about->windowTitle(), QStringLiteral("ACERCA DE ALCOTÁN INSTRUMENTOS"));
        QString address = about->Label2->text();
        QCOMPARE(address.remove(QLatin1Char(' ')), QStringLiteral("WWW.ALCOTAN.EXAMPLE"));
        for (int round = 0; round < 2; ++round) {
            whileModal([about](QWidget *modal) {
                QCOMPARE(modal, about);
                const QPoint middle = about->screen()->availableGeometry().center();
                QVERIFY((about->frameGeometry().center() - middle).manhattanLength() <= 2);
                QTest::keyClick(about, Qt::Key_Return);
                QVERIFY(!about->isVisible());
            });
            QTest::mouseClick(m_main->ColBitBtn5, Qt::LeftButton);
        }
    }

    void theHelpTextIsAsWrittenAndKeepsWhatTheUserTyped()
    {
        const QStringList lines = TForm3::helpLines();
        QCOMPARE(lines.size(), 25);
        QVERIFY(lines[0].startsWith(QString(19, QLatin1Char(' ')) + QStringLiteral("KESTRA4 -  ")));
        QCOMPARE(lines[3], QStringLiteral("bits de www.alcotan.example."));
        QVERIFY(lines[11].endsWith(QStringLiteral(" logger \"ON")));
        QCOMPARE(lines[12], QStringLiteral("LINE\"."));

        start(false);
        TForm3 *help = m_set->windows.Form3;
        QCOMPARE(help->Memo1->toPlainText().split(QLatin1Char('\n')), lines);
        whileModal([help](QWidget *) {
            // The whole text shows at once, down to the last line, without scrolling.
            QCOMPARE(help->Memo1->verticalScrollBar()->value(), 0);
            QTextCursor end(help->Memo1->document());
            end.movePosition(QTextCursor::End);
            QVERIFY(help->Memo1->cursorRect(end).bottom() < help->Memo1->viewport()->height());
            QVERIFY(help->screen()->availableGeometry().contains(help->frameGeometry()));
            help->Memo1->moveCursor(QTextCursor::End);
            QTest::keyClicks(help->Memo1, QStringLiteral(" Notas del usuario"));
        });
        m_main->ColBitBtn6Click();
        whileModal([help](QWidget *) {
            QVERIFY(help->Memo1->toPlainText().endsWith(
                QStringLiteral("queda registrado. Notas del usuario")));
        });
        m_main->ColBitBtn6Click();
    }
};

QTEST_MAIN(TestSmallWindows)
#include "tst_small_windows.moc"
