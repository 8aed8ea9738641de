// Covers what the windows rely on in the instrument widgets: the rocker switch's order of
// toggle, click and mouse-up, colour button captions per state, focus frames only after the
// keyboard moved the focus, the readouts' texts, the clamping of needle and bar, the pie
// gauge's range, the coalesced repaints of the gauge and the LED (none for a blink undone before
// it was shown), the instruments' repaints of
// what a new value changes, and the clocks with an injected time.
// How the widgets look is left to tst_widgets_rendering.
#include "widgets/clocks.h"
#include "widgets/colour_button.h"
#include "widgets/dial_meter.h"
#include "widgets/gradient_background.h"
#include "widgets/led.h"
#include "widgets/pie_gauge.h"
#include "widgets/rocker_switch.h"
#include "widgets/thermometer.h"
#include "widgets/value_indicator.h"

#include <QLineEdit>
#include <QPaintEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QElapsedTimer>
#include <QTest>

#include <array>
#include <limits>
#include <numeric>

class TestWidgetsBehaviour : public QObject
{
    Q_OBJECT

private:
    /// Records the switch's signals in order, with its on state at each click.
    struct SwitchLog
    {
        explicit SwitchLog(RockerSwitch &rocker)
        {
            QObject::connect(&rocker, &RockerSwitch::clicked, [this, &rocker] {
                events << (rocker.isOn() ? QStringLiteral("clicked on")
                                         : QStringLiteral("clicked off"));
            });
            QObject::connect(&rocker, &RockerSwitch::mouseUp,
                             [this] { events << QStringLiteral("mouseUp"); });
        }
        QStringList events;
    };

    static void showAndWait(QWidget &widget)
    {
        widget.resize(160, 60);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
    }

private slots:
    void rockerPressTogglesBeforeTheClickHandlerRuns()
    {
        RockerSwitch rocker;
        showAndWait(rocker);
        SwitchLog log(rocker);

        QTest::mousePress(&rocker, Qt::LeftButton);
        QVERIFY(rocker.isOn());
        QVERIFY(log.events.isEmpty());
        QTest::mouseRelease(&rocker, Qt::LeftButton);
        QCOMPARE(log.events, (QStringList {"clicked on", "mouseUp"}));

        log.events.clear();
        QTest::mouseClick(&rocker, Qt::LeftButton);
        QVERIFY(!rocker.isOn());
        QCOMPARE(log.events, (QStringList {"clicked off", "mouseUp"}));
    }

    void rockerReleasedOutsideKeepsTheToggleButOnlyReportsMouseUp()
    {
        RockerSwitch rocker;
        showAndWait(rocker);
        SwitchLog log(rocker);

        QTest::mousePress(&rocker, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseRelease(&rocker, Qt::LeftButton, {}, QPoint(-20, 300));
        QVERIFY(rocker.isOn());
        QCOMPARE(log.events, QStringList {"mouseUp"});
    }

    void rockerIgnoresTheRightButtonButReportsItsRelease()
    {
        RockerSwitch rocker;
        showAndWait(rocker);
        SwitchLog log(rocker);

        QTest::mouseClick(&rocker, Qt::RightButton);
        QVERIFY(!rocker.isOn());
        QCOMPARE(log.events, QStringList {"mouseUp"});
    }

    void rockerSpaceTogglesAndClicksWithoutMouseUp()
    {
        RockerSwitch rocker;
        showAndWait(rocker);
        SwitchLog log(rocker);

        QTest::keyClick(&rocker, Qt::Key_Space);
        QTest::keyClick(&rocker, Qt::Key_Space);
        QCOMPARE(log.events, (QStringList {"clicked on", "clicked off"}));
    }

    void rockerSetByProgramDoesNotClick()
    {
        RockerSwitch rocker;
        SwitchLog log(rocker);
        rocker.setText(QStringLiteral("DESCONECTAR"));
        rocker.setOn(true);
        QVERIFY(rocker.isOn());
        QCOMPARE(rocker.text(), QStringLiteral("DESCONECTAR"));
        QVERIFY(log.events.isEmpty());
    }

    void focusFramesShowOnlyWhenReachedByKeyboardAndOnlyAroundTheSwitch()
    {
        QWidget window;
        auto *edit = new QLineEdit(&window);
        auto *rocker = new RockerSwitch(&window);
        rocker->setText(QStringLiteral("ON"));
        // Much more room than the switch and its caption need, as a layout may give it.
        rocker->setGeometry(0, 30, 400, 100);
        auto *hidden = new ColourButton(QStringLiteral("Indicadores gráficos"), &window);
        hidden->setGeometry(0, 130, 200, 24);
        auto *next = new ColourButton(QStringLiteral("CAMBIO DE TASA"), &window);
        next->setGeometry(200, 130, 200, 24);
        window.resize(400, 160);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QImage rockerUnfocused = rocker->grab().toImage();
        const QImage nextUnfocused = next->grab().toImage();

        QTest::mouseClick(rocker, Qt::LeftButton);
        QVERIFY(rocker->hasFocus());
        rocker->setOn(false);
        QCOMPARE(rocker->grab().toImage(), rockerUnfocused);
        // A clicked button that hides itself passes the focus on, which is no keyboard move.
        QTest::mouseClick(hidden, Qt::LeftButton);
        hidden->hide();
        QVERIFY(next->hasFocus());
        QCOMPARE(next->grab().toImage(), nextUnfocused);

        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Tab);
        QVERIFY(rocker->hasFocus());
        const QImage tabbed = rocker->grab().toImage();
        QVERIFY(tabbed != rockerUnfocused);
        // The frame stays near the switch: the far end of the widget's room is untouched.
        const QRect farEnd(300, 0, 100, 100);
        QCOMPARE(tabbed.copy(farEnd), rockerUnfocused.copy(farEnd));
    }

    void colourButtonShowsTheCaptionOfItsStateWithItsBlanks()
    {
        const QString offText = QStringLiteral("              VER DATOS");
        const QString onText = QStringLiteral("                VER DATOS");
        ColourButton button;
        button.setText(QStringLiteral("       DESCARGAR DATOS"));
        QCOMPARE(button.text(), QStringLiteral("       DESCARGAR DATOS"));
        button.setOn(true);
        QCOMPARE(button.text(), QStringLiteral("       DESCARGAR DATOS"));

        button.setOffText(offText);
        button.setOnText(onText);
        QCOMPARE(button.text(), onText);
        button.setOn(false);
        QCOMPARE(button.text(), offText);
        QCOMPARE(button.onText(), onText);
    }

    void colourButtonLeadingBlanksTakeRoom()
    {
        ColourButton padded(QStringLiteral("      CANALES EN LINEA"));
        ColourButton bare(QStringLiteral("CANALES EN LINEA"));
        QVERIFY(padded.sizeHint().width() > bare.sizeHint().width());
    }

    void colourButtonClickLeavesItsOnStateAlone()
    {
        ColourButton button(QStringLiteral("Copiar"));
        showAndWait(button);
        QSignalSpy clicks(&button, &ColourButton::clicked);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        QVERIFY(!button.isOn());
    }

    void readoutsShowTheValueInTheirFormat()
    {
        ValueIndicator indicator;
        indicator.setFormat(QStringLiteral("#0.0"));
        indicator.setValue(23.5f);
        QCOMPARE(indicator.text(), QStringLiteral("23,5"));
        indicator.setFormat(QStringLiteral("##00"));
        indicator.setValue(5.0f);
        QCOMPARE(indicator.text(), QStringLiteral("05"));
        indicator.setValue(1234.0f);
        QCOMPARE(indicator.text(), QStringLiteral("1234"));
        QCOMPARE(indicator.value(), 1234.0f);

        DialMeter dial;
        dial.setFormat(QStringLiteral("##0.0"));
        dial.setValue(95.0f);
        QCOMPARE(dial.text(), QStringLiteral("95,0"));

        Thermometer thermometer;
        thermometer.setFormat(QStringLiteral("#00"));
        thermometer.setValue(7.0f);
        QCOMPARE(thermometer.text(), QStringLiteral("07"));
    }

    void dialPinsTheNeedleOutsideItsScaleButShowsTheValue()
    {
        DialMeter dial;
        dial.setScale(75, 100, 5);
        dial.setValue(87.5f);
        QCOMPARE(dial.needlePosition(), 0.5);
        dial.setValue(60.0f);
        QCOMPARE(dial.needlePosition(), 0.0);
        QCOMPARE(dial.text(), QStringLiteral("60,0"));
        dial.setValue(104.0f);
        QCOMPARE(dial.needlePosition(), 1.0);
        QCOMPARE(dial.text(), QStringLiteral("104,0"));
    }

    void thermometerBarStopsAtTheEndsOfItsScale()
    {
        Thermometer thermometer;
        thermometer.setScale(-10, 45);
        thermometer.setValue(17.5f);
        QCOMPARE(thermometer.barLevel(), 0.5);
        thermometer.setValue(-20.0f);
        QCOMPARE(thermometer.barLevel(), 0.0);
        QCOMPARE(thermometer.text(), QStringLiteral("-20,0"));
        thermometer.setValue(50.0f);
        QCOMPARE(thermometer.barLevel(), 1.0);

        thermometer.setScale(0.000001, 100);
        thermometer.setValue(0.0f);
        QCOMPARE(thermometer.barLevel(), 0.0);
    }

    void degenerateScalesAndValuesDoNotBreakTheGauges()
    {
        Thermometer thermometer;
        thermometer.setScale(20, 20);
        thermometer.setValue(25.0f);
        QCOMPARE(thermometer.barLevel(), 0.0);
        thermometer.setScale(0, 100);
        thermometer.setValue(std::numeric_limits<float>::quiet_NaN());
        QCOMPARE(thermometer.barLevel(), 0.0);

        DialMeter dial;
        dial.setScale(75, 100, 0);
        QCOMPARE(dial.scaleSteps(), 1);
        dial.setValue(std::numeric_limits<float>::infinity());
        QCOMPARE(dial.needlePosition(), 1.0);
        for (QWidget *widget : std::initializer_list<QWidget *> {&thermometer, &dial}) {
            widget->resize(120, 160);
            QVERIFY(!widget->grab().isNull());
        }
    }

    void instrumentsRepaintOnlyWhatANewValueChangesAndShowTheSame()
    {
        // The logger repeats its readings every second: a repeated value repaints nothing, a
        // new one only the readout and the band the bar or needle moves through, and the screen
        // then shows exactly what a full repaint would.
        QWidget window;
        window.resize(440, 230);
        auto *thermometer = new Thermometer(&window);
        thermometer->setGeometry(0, 0, 113, 220);
        thermometer->setScale(-10, 45);
        thermometer->setName(QStringLiteral("Canal 1"));
        thermometer->setUnit(QStringLiteral("ºC"));
        auto *dial = new DialMeter(&window);
        dial->setGeometry(120, 0, 170, 170);
        dial->setScale(0, 100, 5);
        auto *indicator = new ValueIndicator(&window);
        indicator->setGeometry(300, 0, 130, 60);
        indicator->setName(QStringLiteral("Canal 1"));
        const std::array<Readout *, 3> readouts {thermometer, dial, indicator};
        // The indicator is mostly its readout; the panel and the name around it stay.
        const std::array<double, 3> largestShare {0.5, 0.5, 0.9};
        for (Readout *readout : readouts)
            readout->setValue(20.0f);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        struct RepaintLog : QObject
        {
            QRegion region;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    region += static_cast<QPaintEvent *>(event)->region();
                return false;
            }
        };
        std::array<RepaintLog, 3> logs;
        for (std::size_t i = 0; i < readouts.size(); ++i)
            readouts[i]->installEventFilter(&logs[i]);
        const auto settle = [] {
            for (int i = 0; i < 5; ++i) {
                QCoreApplication::sendPostedEvents();
                QCoreApplication::processEvents();
            }
        };

        for (Readout *readout : readouts)
            readout->setValue(20.0f);
        settle();
        for (const RepaintLog &log : logs)
            QVERIFY(log.region.isEmpty());

        for (Readout *readout : readouts)
            readout->setValue(21.3f);
        for (std::size_t i = 0; i < readouts.size(); ++i) {
            QTRY_VERIFY2_WITH_TIMEOUT(!logs[i].region.isEmpty(),
                                      readouts[i]->metaObject()->className(), 5000);
            const int repainted = std::accumulate(
                logs[i].region.begin(), logs[i].region.end(), 0,
                [](int sum, const QRect &r) { return sum + r.width() * r.height(); });
            const QRect whole = readouts[i]->rect();
            QVERIFY2(repainted < whole.width() * whole.height() * largestShare[i],
                     qPrintable(QStringLiteral("%1 repainted %2 of %3 pixels")
                                    .arg(readouts[i]->metaObject()->className())
                                    .arg(repainted)
                                    .arg(whole.width() * whole.height())));
        }
        settle();
        const QImage shown =
            window.screen()->grabWindow(window.winId()).toImage().convertToFormat(
                QImage::Format_RGB32);
        const QImage fresh = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), fresh.size());
        QVERIFY(shown == fresh);
    }

    void gradientBackgroundKeepsItsColoursAcrossPartialRepaints()
    {
        // The gradient is drawn once per size and copied into each repainted area: a part
        // repainted alone matches its neighbours, and new colours or a new size are not
        // served from the old picture.
        GradientBackground background;
        background.resize(120, 300);
        background.show();
        QVERIFY(QTest::qWaitForWindowExposed(&background));
        const auto shown = [&background] {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            return background.screen()
                ->grabWindow(background.winId())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        };
        background.setColors(QColor(255, 0, 0), QColor(0, 0, 255));
        QTRY_VERIFY_WITH_TIMEOUT(shown().pixelColor(5, 0).red() > 240, 5000);
        QVERIFY(shown().pixelColor(5, 299).blue() > 240);

        background.update(QRect(30, 140, 40, 20));
        const QImage afterPart = shown();
        QCOMPARE(afterPart, background.grab().toImage().convertToFormat(QImage::Format_RGB32));
        QCOMPARE(afterPart.pixelColor(40, 150), afterPart.pixelColor(10, 150));

        background.resize(120, 150);
        QTRY_VERIFY_WITH_TIMEOUT(shown().size() == QSize(120, 150)
                                     && shown().pixelColor(5, 149).blue() > 240,
                                 5000);
    }

    void pieGaugeKeepsItsProgressWithinRange()
    {
        PieGauge gauge;
        QCOMPARE(gauge.maximum(), 100);
        gauge.setMaximum(50);
        for (int i = 0; i < 49; ++i)
            gauge.addProgress(1);
        QCOMPARE(gauge.progress(), 49);
        gauge.addProgress(1);
        QCOMPARE(gauge.progress(), 50);
        gauge.addProgress(std::numeric_limits<int>::max());
        QCOMPARE(gauge.progress(), 50);
        gauge.setMaximum(10);
        QCOMPARE(gauge.progress(), 10);
        gauge.setProgress(-3);
        QCOMPARE(gauge.progress(), 0);
        gauge.setMaximum(0);
        QCOMPARE(gauge.maximum(), 1);
    }

    void gaugeAndLedPaintTheLatestStateWithoutAPaintPerChange()
    {
        // The receive handler turns the gauge and lights the LED with every chunk, each chunk
        // in its own pass of the event loop: the state must follow every change while the
        // screen is painted far less often, and in the end shows the last state.
        QWidget window;
        auto *gauge = new PieGauge(&window);
        auto *led = new Led(&window);
        gauge->setGeometry(0, 0, 40, 40);
        led->setGeometry(50, 0, 18, 18);
        gauge->setMaximum(50);
        showAndWait(window);
        struct PaintLog : QObject
        {
            int paints = 0;
            QList<int> painted; // the gauge's progress at each of its paints
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                if (event->type() == QEvent::Paint) {
                    ++paints;
                    if (auto *g = qobject_cast<PieGauge *>(watched))
                        painted << g->progress();
                }
                return false;
            }
        } gaugeLog, ledLog;
        gauge->installEventFilter(&gaugeLog);
        led->installEventFilter(&ledLog);

        constexpr int chunks = 400;
        for (int i = 1; i <= chunks; ++i) {
            gauge->setProgress(gauge->progress() + 1);
            if (gauge->progress() >= 50)
                gauge->setProgress(0);
            QCOMPARE(gauge->progress(), i % 50);
            led->setLit(i % 2 == 1);
            QCoreApplication::processEvents();
        }
        QVERIFY2(gaugeLog.paints < chunks / 4, qPrintable(QString::number(gaugeLog.paints)));
        QVERIFY2(ledLog.paints < chunks / 4, qPrintable(QString::number(ledLog.paints)));
        gauge->setProgress(7);
        QTRY_VERIFY_WITH_TIMEOUT(!gaugeLog.painted.isEmpty() && gaugeLog.painted.last() == 7,
                                 10000);
    }

    void ledBlinkUndoneBeforeTheScreenShowedItCostsNoPaint()
    {
        // A status frame read whole lights the LED and puts it out in one handler: the screen
        // stays as it was, with no repaint; a light that stays is painted lit.
        QWidget window;
        auto *led = new Led(&window);
        led->setGeometry(0, 0, 18, 18);
        showAndWait(window);
        QTest::qWait(100); // past a quiet spell
        struct PaintLog : QObject
        {
            QList<bool> painted; // the LED's state at each of its paints
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    painted << static_cast<Led *>(watched)->isLit();
                return false;
            }
        } log;
        led->installEventFilter(&log);
        for (int frame = 0; frame < 3; ++frame) {
            led->setLit(true);
            led->setLit(false);
            QTest::qWait(100);
        }
        QCOMPARE(log.painted, QList<bool>());
        led->setLit(true);
        QTRY_VERIFY(!log.painted.isEmpty() && log.painted.last());
    }

    void gaugeTurningAtASteadyPacePaintsInTheTurnOfEachChange()
    {
        // Changes that come about one paint interval (80 ms) apart, as every other chunk of a
        // download at line rate does: each paints in the pass of the event loop that brought
        // it, not in a pass of its own later.
        QWidget window;
        auto *gauge = new PieGauge(&window);
        gauge->setGeometry(0, 0, 40, 40);
        gauge->setMaximum(50);
        showAndWait(window);
        QList<int> painted;
        struct PaintLog : QObject
        {
            QList<int> &painted;
            explicit PaintLog(QList<int> &list) : painted(list) { }
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    painted << static_cast<PieGauge *>(watched)->progress();
                return false;
            }
        } log(painted);
        gauge->installEventFilter(&log);
        gauge->setProgress(1);
        QTRY_VERIFY(!painted.isEmpty() && painted.last() == 1);

        int inTheirOwnTurn = 0;
        for (int progress = 2; progress < 12; ++progress) {
            QTest::qSleep(82);
            gauge->setProgress(progress);
            // Well within the delay a burst would wait for.
            QElapsedTimer pass;
            pass.start();
            while (painted.last() != progress && pass.elapsed() < 4)
                QCoreApplication::processEvents();
            inTheirOwnTurn += painted.last() == progress ? 1 : 0;
            // A change that waits for a timer paints all the same, soon.
            while (painted.last() != progress && pass.elapsed() < 5000)
                QCoreApplication::processEvents();
            QCOMPARE(painted.last(), progress);
        }
        // A loaded machine may stretch a pause into a quiet spell now and then.
        QVERIFY2(inTheirOwnTurn >= 8, qPrintable(QString::number(inTheirOwnTurn)));
    }

    void clocksShowTheInjectedTime()
    {
        const QDateTime when(QDate(2026, 2, 1), QTime(9, 5, 3));
        DateClock date;
        TimeClock time;
        date.setNowSource([&] { return when; });
        time.setNowSource([&] { return when; });
        QCOMPARE(date.text(), QStringLiteral("01/02/2026"));
        QCOMPARE(time.text(), QStringLiteral("09:05:03"));
    }

    void clockFollowsItsSourceOnTheNextSecond()
    {
        QDateTime now(QDate(2026, 12, 6), QTime(14, 30, 5));
        TimeClock clock;
        clock.setNowSource([&] { return now; });
        now = now.addSecs(1);
        QTRY_COMPARE_WITH_TIMEOUT(clock.text(), QStringLiteral("14:30:06"), 5000);
    }

    void clocksSideBySideTickTogether()
    {
        // The date and the time beside it change at the same second: one timer event a second
        // for both, so that the program wakes once, not once per clock.
        struct TimerEvents : QObject
        {
            int count = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Timer)
                    ++count;
                return false;
            }
        } timerEvents;
        DateClock date;
        TimeClock time;
        QCoreApplication::instance()->installEventFilter(&timerEvents);
        QTest::qWait(3100);
        QCoreApplication::instance()->removeEventFilter(&timerEvents);
        QVERIFY2(timerEvents.count >= 2 && timerEvents.count <= 4,
                 qPrintable(QStringLiteral("%1 timer events in 3.1 s").arg(timerEvents.count)));
    }

    void clockWithoutASourceReadsThePcClock()
    {
        DateClock clock;
        clock.setNowSource(nullptr);
        QVERIFY(QDate::fromString(clock.text(), QStringLiteral("dd/MM/yyyy")).isValid());
    }
};

QTEST_MAIN(TestWidgetsBehaviour)
#include "tst_widgets_behaviour.moc"
