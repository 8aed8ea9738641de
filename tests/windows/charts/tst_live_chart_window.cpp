// Covers the live chart window fed with scripted frames: the span it shows, breaks at gaps, the
// pause, the line while not connected, reconnections, the thinning of a day of frames, the
// readout, and its opening from the main window's and the gauges window's menus.
#include "app/window_set.h"
#include "runtime/error_report.h"
#include "scripted_serial_port.h"
#include "windows/archive_lines.h"
#include "windows/charts/live_chart_points.h"
#include "windows/charts/live_chart_view.h"
#include "windows/charts/live_chart_window.h"
#include "windows/gauges_window.h"
#include "windows/main_window.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

/// 10:00:00 UTC on a day in December.
const qint64 startMs = QDateTime(QDate(2026, 12, 8), QTime(10, 0), Qt::UTC).toMSecsSinceEpoch();

/// A frame at `second` seconds after the start, channel 1 at `tenths` tenths of ºC.
LiveFrame frameAt(qint64 second, std::int16_t tenths = 215)
{
    LiveFrame frame;
    frame.pcTime = startMs + second * 1000;
    frame.shown = {tenths, 183, 652, 1234};
    return frame;
}

/// Frames one a second from `first` to `last` seconds after the start.
void appendSeconds(LiveFrames &frames, qint64 first, qint64 last)
{
    for (qint64 second = first; second <= last; ++second)
        frames.append(frameAt(second));
}

double key(qint64 second)
{
    return double(startMs + second * 1000) / 1000.0;
}

QList<double> nanKeys(const QCPGraph *graph)
{
    QList<double> keys;
    for (auto point = graph->data()->constBegin(); point != graph->data()->constEnd(); ++point) {
        if (std::isnan(point->value))
            keys.append(point->key);
    }
    return keys;
}

} // namespace

class TestLiveChartWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LiveFrames> m_frames;
    std::unique_ptr<LiveChartWindow> m_window;
    bool m_connected = true;

    LiveChartView *chart(int index) const { return m_window->Charts.at(index); }

    static QCPRange timeAxis(const LiveChartView *chart) { return chart->xAxis->range(); }

private slots:
    void init()
    {
        m_frames = std::make_unique<LiveFrames>();
        m_connected = true;
        m_window = std::make_unique<LiveChartWindow>(*m_frames, [this] { return m_connected; });
        m_window->resize(900, 700);
    }

    void cleanup()
    {
        m_window.reset();
        m_frames.reset();
    }

    void eachSpanEndsAtTheNewestFrame_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("10 minutos") << 0 << qint64(600);
        QTest::newRow("1 hora") << 1 << qint64(3600);
        QTest::newRow("6 horas") << 2 << qint64(6 * 3600);
        QTest::newRow("24 horas") << 3 << qint64(24 * 3600);
    }

    void eachSpanEndsAtTheNewestFrame()
    {
        QFETCH(int, choice);
        QFETCH(qint64, seconds);
        // More than a day, so that the ring has wrapped.
        const qint64 newest = 25 * 3600;
        appendSeconds(*m_frames, 0, newest);
        m_window->show();
        m_window->SpanBox->setCurrentIndex(choice);
        QCOMPARE(m_window->SpanBox->currentText(), liveChartSpans().at(choice).label);
        for (const LiveChartView *view : std::as_const(m_window->Charts)) {
            QCOMPARE(timeAxis(view).lower, key(newest - seconds));
            QCOMPARE(timeAxis(view).upper, key(newest));
            // The ring holds a day of frames, one fewer than a day of seconds takes.
            const qint64 oldest = std::max(newest - seconds, newest - LiveFrames::fullCapacity + 1);
            const auto data = view->series(0)->data();
            QCOMPARE(data->constBegin()->key, key(oldest));
            QCOMPARE((data->constEnd() - 1)->key, key(newest));
        }
    }

    void aClockLabelNeverReachesPastTheChartsRightEdge()
    {
        // 10:10:00 stands 5 s, a few pixels, from the right end of 10 minutes.
        appendSeconds(*m_frames, 0, 605);
        m_window->show();
        for (LiveChartView *view : std::as_const(m_window->Charts)) {
            view->replot();
            const QVector<double> ticks = view->xAxis->tickVector();
            QVERIFY(ticks.contains(key(540)));
            QVERIFY(!ticks.contains(key(600)));
        }
    }

    void aGapBreaksTheLine()
    {
        appendSeconds(*m_frames, 0, 59);
        m_frames->markGap(); // a download: the next frame comes a second later all the same
        appendSeconds(*m_frames, 60, 119);
        appendSeconds(*m_frames, 130, 189); // ten frames missed
        m_window->show();
        for (const LiveChartView *view : std::as_const(m_window->Charts)) {
            for (int i = 0; i < view->seriesCount(); ++i) {
                const QList<double> breaks = nanKeys(view->series(i));
                QCOMPARE(breaks.size(), 2);
                QVERIFY(breaks[0] > key(59) && breaks[0] < key(60));
                QVERIFY(breaks[1] > key(119) && breaks[1] < key(130));
                // Every frame is still there: a break adds a point, it takes none away.
                QCOMPARE(view->series(i)->data()->size(), 180 + 2);
            }
        }
    }

    void pauseKeepsTheViewWhileFramesComeAndResumeJumpsToTheNewest()
    {
        appendSeconds(*m_frames, 0, 99);
        m_window->show();
        m_window->PauseButton->click();
        QVERIFY(m_window->PauseButton->isChecked());
        QCOMPARE(m_window->PauseButton->text(), QStringLiteral("Reanudar"));

        appendSeconds(*m_frames, 100, 199);
        m_window->framesChanged();
        QCOMPARE(timeAxis(chart(0)).upper, key(99));
        QCOMPARE((chart(0)->series(0)->data()->constEnd() - 1)->key, key(99));
        // A longer span while paused still ends where the view was paused.
        m_window->SpanBox->setCurrentIndex(1);
        QCOMPARE(timeAxis(chart(1)).upper, key(99));
        QCOMPARE(timeAxis(chart(1)).lower, key(99 - 3600));

        m_window->PauseButton->click();
        QCOMPARE(timeAxis(chart(0)).upper, key(199));
        QCOMPARE(m_window->PauseButton->text(), QStringLiteral("Pausa"));
        QCOMPARE((chart(2)->series(0)->data()->constEnd() - 1)->key, key(199));
    }

    void aPausedViewStartedAgainByAnotherLoggerGoesOnWithItsFrames()
    {
        m_frames->beginConnection(QStringLiteral("/dev/ttyUSB0"));
        appendSeconds(*m_frames, 0, 99);
        m_window->show();
        m_window->PauseButton->click();
        m_frames->beginConnection(QStringLiteral("/dev/ttyUSB1"));
        appendSeconds(*m_frames, 200, 209);
        m_window->framesChanged();
        QVERIFY(!m_window->PauseButton->isChecked());
        QCOMPARE(m_window->PauseButton->text(), QStringLiteral("Pausa"));
        QCOMPARE(chart(0)->series(0)->data()->size(), 10);
        QCOMPARE(timeAxis(chart(0)).upper, key(209));
    }

    void aHiddenWindowDrawsNothingUntilShownAgain()
    {
        appendSeconds(*m_frames, 0, 9);
        m_window->show();
        m_window->hide();
        appendSeconds(*m_frames, 10, 19);
        m_window->framesChanged();
        QCOMPARE((chart(0)->series(0)->data()->constEnd() - 1)->key, key(9));
        m_window->show();
        QCOMPARE((chart(0)->series(0)->data()->constEnd() - 1)->key, key(19));
    }

    void notConnectedSaysThatNoFramesCome()
    {
        m_connected = false;
        m_window->show();
        QVERIFY(m_window->StatusLabel->isVisible());
        QCOMPARE(m_window->StatusLabel->text(), QStringLiteral("Sin conexión: no llegan tramas"));
        QVERIFY(chart(0)->series(0)->data()->isEmpty());

        m_connected = true;
        m_frames->append(frameAt(0));
        m_window->framesChanged();
        QVERIFY(!m_window->StatusLabel->isVisible());
        QCOMPARE(chart(0)->series(0)->data()->size(), 1);
    }

    void aDayOfFramesIsThinnedWithoutLosingItsPeaks()
    {
        for (qint64 second = 0; second < LiveFrames::fullCapacity; ++second)
            m_frames->append(frameAt(second,
                                     second == 43'210       ? 901
                                         : second == 70'001 ? -52
                                                            : 215));
        const LiveSpan span = m_frames->latest(24 * 3600 * 1000);
        const LiveTimeRange range =
            liveTimeRange(frameAt(LiveFrames::fullCapacity - 1).pcTime, 24 * 3600 * 1000);
        const LivePoints points = liveChartPoints(span, 1, range, 800);
        QVERIFY(points.keys.size() <= 4 * 800);
        QVERIFY(std::is_sorted(points.keys.cbegin(), points.keys.cend()));
        QVERIFY(points.values.contains(90.1));
        QVERIFY(points.values.contains(-5.2));
        QCOMPARE(points.extent->highest, 90.1);
        QCOMPARE(points.extent->lowest, -5.2);
        QCOMPARE(points.keys.constFirst(), key(0));
        QCOMPARE(points.keys.constLast(), key(LiveFrames::fullCapacity - 1));
    }

    void aDaysSpanDrawsOncePerColumnAndEndsWithEveryFrame()
    {
        appendSeconds(*m_frames, 0, 0);
        m_window->show();
        m_window->SpanBox->setCurrentIndex(3); // 24 horas: a column holds about 100 s
        QCoreApplication::processEvents();
        int drawings = 0;
        connect(chart(0), &QCustomPlot::afterReplot, this, [&drawings] { ++drawings; });
        for (qint64 second = 1; second <= 600; ++second) {
            m_frames->append(frameAt(second, std::int16_t(second == 300 ? 260 : 215)));
            m_window->framesChanged();
            QCoreApplication::processEvents();
        }
        // Each new column and the new highest value, not each frame.
        QVERIFY2(drawings > 2 && drawings < 20, qPrintable(QString::number(drawings)));
        // What the chart holds is what a chart drawn anew from all the frames shows.
        const qint64 spanMs = 24 * 3600 * 1000;
        const LivePoints expected =
            liveChartPoints(m_frames->latest(spanMs), 1, liveTimeRange(frameAt(600).pcTime, spanMs),
                            chart(0)->width());
        QVector<double> keys;
        QVector<double> values;
        for (auto point = chart(0)->series(0)->data()->constBegin();
             point != chart(0)->series(0)->data()->constEnd(); ++point) {
            keys.append(point->key);
            values.append(point->value);
        }
        QCOMPARE(keys, expected.keys);
        QCOMPARE(values, expected.values);
        QCOMPARE(keys.constLast(), key(600));
    }

    void theReadoutGivesTheNearestFramesTimeAndValues()
    {
        appendSeconds(*m_frames, 0, 299);
        m_frames->append(frameAt(300, 237));
        appendSeconds(*m_frames, 301, 400);
        m_window->show();
        LiveChartView *temperature = chart(0);
        temperature->replot();
        // Within half a pixel of the frame of second 300, less than half a second at 10 minutes.
        const int x = int(std::lround(temperature->xAxis->coordToPixel(key(300))));
        const QString readout = temperature->readoutAt({x, temperature->plotArea().center().y()});
        const QString time = QDateTime::fromMSecsSinceEpoch(frameAt(300).pcTime)
                                 .toLocalTime()
                                 .toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        QCOMPARE(readout, time + QStringLiteral("\nCanal 1: 23,7 ºC\nCanal 2: 18,3 ºC"));
        QVERIFY(temperature->readoutAt({1, 1}).isEmpty()); // outside the plot
    }

    void theReadoutShownFollowsTheFramesUnderTheMouse()
    {
        appendSeconds(*m_frames, 0, 299);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        LiveChartView *temperature = chart(0);
        temperature->replot();
        const QPoint at(temperature->plotArea().right(), temperature->plotArea().center().y());
        QTest::mouseMove(temperature, at);
        QTRY_VERIFY(QToolTip::isVisible());
        const QString before = QToolTip::text();
        QCOMPARE(before, temperature->readoutAt(at));
        // Warmer frames come; the one before the newest stands under the mouse at the right edge.
        m_frames->append(frameAt(300, 237));
        m_frames->append(frameAt(301, 237));
        m_window->framesChanged();
        QVERIFY(QToolTip::isVisible());
        QVERIFY(QToolTip::text() != before);
        QCOMPARE(QToolTip::text(), temperature->readoutAt(at));
        QVERIFY(QToolTip::text().contains(QStringLiteral("23,7")));
    }

    void bothMenusOpenOneWindowThatFollowsTheFrames()
    {
        QStringList errors;
        ErrorReport::setPresenter([&errors](const QString &message) { errors.append(message); });
        auto *port = new ScriptedSerialPort;
        WindowSet set {std::unique_ptr<SerialPortSurface>(port)};
        TForm1 *form = set.windows.Form1;
        TForm4 *gauges = set.windows.Form4;
        auto *open = form->findChild<QAction *>(QStringLiteral("LiveChartAction"));
        QVERIFY(open);
        QCOMPARE(open->text(), QStringLiteral("Gráfico en vivo"));
        // The gauges window offers the main window's own entries.
        QVERIFY(gauges->actions().contains(open));
        QVERIFY(gauges->actions().contains(
            form->findChild<QAction *>(QStringLiteral("LiveRecordingAction"))));

        open->trigger();
        auto *window = form->findChild<LiveChartWindow *>();
        QVERIFY(window && window->isVisible());
        QVERIFY(window->StatusLabel->isVisible());
        window->close();
        gauges->actions().at(gauges->actions().indexOf(open))->trigger();
        QCOMPARE(form->findChildren<LiveChartWindow *>().size(), 1);
        QVERIFY(window->isVisible());

        form->RockerSwitch1Click();
        QVERIFY(!window->StatusLabel->isVisible());
        port->receive(QByteArrayLiteral("3014061226052090402223020000706804210001023\r"));
        QCOMPARE(window->Charts.at(0)->series(0)->data()->size(), 1);
        form->RockerSwitch1Click();
        QVERIFY(window->StatusLabel->isVisible());
        QVERIFY(errors.isEmpty());
        ErrorReport::setPresenter({});
    }

    void aReconnectionGoesOnForTheSamePortAndStartsAgainForAnother_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("kept");
        QTest::newRow("same port") << QStringLiteral("/dev/ttyUSB0") << true;
        QTest::newRow("another port") << QStringLiteral("/dev/ttyUSB1") << false;
    }

    void aReconnectionGoesOnForTheSamePortAndStartsAgainForAnother()
    {
        QFETCH(QString, port);
        QFETCH(bool, kept);
        QStringList errors;
        ErrorReport::setPresenter([&errors](const QString &message) { errors.append(message); });
        auto *serial = new ScriptedSerialPort(QStringLiteral("/dev/ttyUSB0"));
        WindowSet set {std::unique_ptr<SerialPortSurface>(serial)};
        TForm1 *form = set.windows.Form1;
        LiveChartWindow *window = LiveChartWindow::showFor(*form);
        const QByteArray frame = QByteArrayLiteral("3014061226052090402223020000706804210001023\r");

        form->RockerSwitch1Click();
        serial->receive(frame);
        serial->receive(frame);
        form->RockerSwitch1Click(); // the cable is pulled
        serial->setPort(port);
        form->RockerSwitch1Click();
        // Until a frame of this connection comes, a download has no clock offset to enter.
        QVERIFY(!ArchiveLines::clockOffsetOfNewest(form->liveFrames()));
        serial->receive(frame);
        QVERIFY(ArchiveLines::clockOffsetOfNewest(form->liveFrames()));

        const QCPGraph *channel1 = window->Charts.at(0)->series(0);
        QCOMPARE(channel1->data()->size(), kept ? 3 + 1 : 1);
        QCOMPARE(nanKeys(channel1).size(), kept ? 1 : 0);
        QCOMPARE(window->AnotherLoggerLabel->isVisible(), !kept);
        if (!kept)
            QCOMPARE(window->AnotherLoggerLabel->text(),
                     QStringLiteral("Otro logger en ttyUSB1: el gráfico empieza de nuevo"));
        QVERIFY(errors.isEmpty());
        ErrorReport::setPresenter({});
    }
};

QTEST_MAIN(TestLiveChartWindow)
#include "tst_live_chart_window.moc"
