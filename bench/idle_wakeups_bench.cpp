// Measures how often the program wakes up while it is connected and idle: the simulated logger
// sends its status frame once a second, the main window shows it and the online gauges window
// is open, as the user opens it with "Indicadores gráficos". Over a measured interval it reports
// each thread's wake-ups per second (voluntary and involuntary context switches from
// /proc/self/task/*/status, threads named by their comm), their total against the goal of at most
// 10 a second, and the process's CPU (utime + stime of /proc/self/stat) as a share of one core.
// It reports; it never fails on a slow machine.
//
// Run: build/bench/bench_idle_wakeups [seconds] [--live-chart] [--span LABEL]
//   seconds       the measured interval (default 60), after a few seconds to settle
//   --live-chart  also open the live chart window through the main window's entry
//                 "Gráfico en vivo", where this build has it (BRENTAVIUS_LIVE_CHART=1 does the same)
//   --span LABEL  the live chart shows this span ("10 minutos", the window's first, by default;
//                 "24 horas" is the longest): at a long span a pixel column holds a minute of
//                 frames, at 10 minutes every frame is a new column
//
// Offscreen by default. For figures as on a desktop, run it under Xvfb with a window manager:
//   xvfb-run -a -s '-screen 0 1280x1024x24'
//       sh -c 'openbox & sleep 1; QT_QPA_PLATFORM=xcb build/bench/bench_idle_wakeups'
#include "app/window_set.h"
#include "runtime/error_report.h"
#include "serial/serial_port.h"
#include "windows/charts/live_chart_view.h"
#include "windows/charts/live_chart_window.h"
#include "windows/gauges_window.h"
#include "windows/main_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include <unistd.h>

namespace {

constexpr double goalWakeUpsPerSecond = 10.0;
constexpr int settleMs = 3000;
constexpr int boundMs = 8000;
const QString liveChartText = QStringLiteral("Gráfico en vivo");

/// What one thread of this process has done so far.
struct ThreadCount
{
    QString name;
    long long voluntary = 0; ///< the thread waited and was woken
    long long involuntary = 0; ///< the thread was put off a CPU while it ran
};

/// Every thread of this process now, by thread id.
std::map<int, ThreadCount> threadSwitches()
{
    std::map<int, ThreadCount> threads;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        QFile status(tasks.filePath(tid + QStringLiteral("/status")));
        if (!comm.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
            continue;
        ThreadCount count {QString::fromUtf8(comm.readAll().trimmed())};
        for (const QByteArray &line : status.readAll().split('\n')) {
            const long long value = line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
            if (line.startsWith("voluntary_ctxt_switches:"))
                count.voluntary = value;
            else if (line.startsWith("nonvoluntary_ctxt_switches:"))
                count.involuntary = value;
        }
        threads[tid.toInt()] = count;
    }
    return threads;
}

/// The process's user and system CPU time so far, in clock ticks.
long long processTicks()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // The command name may hold blanks: fields are counted after its closing parenthesis.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name and state.
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

/// Runs the event loop for ms without a timer of its own in between.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

/// Runs the event loop until done holds, looking every 50 ms, or the bound runs out.
bool waitUntil(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
    look.start(50);
    if (!done())
        loop.exec();
    return done();
}

/// The simulated logger, quiet but for its device and link lines, at one frame a second.
class QuietSimulator
{
public:
    QuietSimulator()
    {
        m_process.start(QStringLiteral(BRENTAVIUS_SIM_PATH),
                        {QStringLiteral("--name"),
                         QStringLiteral("bench-idle-%1").arg(QCoreApplication::applicationPid())});
    }
    ~QuietSimulator()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(boundMs))
            m_process.kill();
        m_process.waitForFinished(boundMs);
    }

    /// The link to its device, or empty when it did not come up.
    QString waitForLink()
    {
        QDeadlineTimer bound(boundMs);
        while (!bound.hasExpired() && m_process.state() != QProcess::NotRunning) {
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                if (line.startsWith(QStringLiteral("link ")))
                    return line.mid(5);
            }
            m_process.waitForReadyRead(50);
        }
        return {};
    }

private:
    QProcess m_process;
};

/// Opens the live chart window through its menu entry; false where this build has none.
bool openLiveChart(TForm1 &form)
{
    const QList<QAction *> actions = form.findChildren<QAction *>();
    const auto entry = std::find_if(actions.begin(), actions.end(), [](const QAction *action) {
        return action->text().remove(u'&').startsWith(liveChartText);
    });
    if (entry == actions.end())
        return false;
    (*entry)->trigger();
    return true;
}

/// Counts the repaints of each top-level window (its update requests, one per pass that
/// paints and sends the window's changed parts to the screen) while `counting`.
class WindowRepaints : public QObject
{
public:
    WindowRepaints() { qApp->installEventFilter(this); }
    ~WindowRepaints() override { qApp->removeEventFilter(this); }

    bool counting = false;
    std::map<QString, int> counts;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (counting && event->type() == QEvent::UpdateRequest) {
            if (auto *widget = qobject_cast<QWidget *>(watched); widget && widget->isWindow())
                ++counts[QString::fromLatin1(widget->metaObject()->className())];
        }
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ErrorReportingApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    int seconds = 60;
    bool liveChart = qEnvironmentVariableIntValue("BRENTAVIUS_LIVE_CHART") != 0;
    QString span;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--live-chart") == 0)
            liveChart = true;
        else if (std::strcmp(argv[i], "--span") == 0 && i + 1 < argc)
            span = QString::fromLocal8Bit(argv[++i]);
        else
            seconds = std::max(1, std::atoi(argv[i]));
    }

    QStringList errors;
    ErrorReport::setPresenter([&errors](const QString &message) { errors.append(message); });
    QuietSimulator sim;
    const QString link = sim.waitForLink();
    if (link.isEmpty()) {
        std::printf("the simulator did not come up\n");
        return 0;
    }

    auto port = std::make_unique<TSerialPort>();
    port->setPort(link);
    WindowSet program(std::move(port));
    TForm1 *form = program.windows.Form1;
    form->skipPortSetup = true;
    form->show();
    ErrorReport::guard([form] { form->RockerSwitch1Click(); });
    if (!form->SerialPort1.Connected()
        || !waitUntil([form] { return !form->Edit3->text().isEmpty(); })) {
        std::printf("no status frame after connecting: %s\n",
                    qPrintable(errors.join(QStringLiteral("; "))));
        return 0;
    }
    ErrorReport::guard([form] { form->ColBitBtn8Click(); });
    QString liveChartState = QStringLiteral("not asked for");
    int liveChartDrawings = 0;
    bool countingDrawings = false;
    if (liveChart) {
        liveChartState = openLiveChart(*form)
            ? QStringLiteral("open")
            : QStringLiteral("not in this build (no \"Gráfico en vivo\" entry)");
        if (auto *window = form->findChild<LiveChartWindow *>()) {
            if (!span.isEmpty())
                window->SpanBox->setCurrentIndex(std::max(0, window->SpanBox->findText(span)));
            liveChartState += QStringLiteral(" at \"%1\", %2 × %3 pixels")
                                  .arg(window->SpanBox->currentText())
                                  .arg(window->width())
                                  .arg(window->height());
            for (LiveChartView *chart : std::as_const(window->Charts))
                QObject::connect(chart, &QCustomPlot::afterReplot,
                                 [&] { liveChartDrawings += countingDrawings ? 1 : 0; });
        }
    }

    runFor(settleMs);
    WindowRepaints repaints;
    const std::map<int, ThreadCount> before = threadSwitches();
    const long long ticksBefore = processTicks();
    countingDrawings = true;
    repaints.counting = true;
    runFor(seconds * 1000);
    countingDrawings = false;
    repaints.counting = false;
    const std::map<int, ThreadCount> after = threadSwitches();
    const long long ticksAfter = processTicks();

    std::printf("Connected and idle for %d s (platform %s, %d CPUs): main window, gauges window "
                "open, live chart window %s; the simulator sends a status frame a second\n",
                seconds, qPrintable(QGuiApplication::platformName()), QThread::idealThreadCount(),
                qPrintable(liveChartState));
    std::printf("  %-28s %14s %14s %14s\n", "thread", "wake-ups/s", "voluntary/s",
                "involuntary/s");
    double total = 0;
    double totalInvoluntary = 0;
    double xEventReplies = 0;
    for (const auto &[tid, last] : after) {
        const auto first = before.find(tid);
        const bool old = first != before.end();
        const double voluntary =
            double(last.voluntary - (old ? first->second.voluntary : 0)) / seconds;
        const double involuntary =
            double(last.involuntary - (old ? first->second.involuntary : 0)) / seconds;
        total += voluntary + involuntary;
        totalInvoluntary += involuntary;
        if (last.name == QStringLiteral("QXcbEventQueue"))
            xEventReplies += voluntary;
        std::printf("  %-20s %7d %14.2f %14.2f %14.2f\n", qPrintable(last.name), tid,
                    voluntary + involuntary, voluntary, involuntary);
    }
    const double cpuPercent =
        100.0 * double(ticksAfter - ticksBefore) / double(sysconf(_SC_CLK_TCK)) / seconds;
    std::printf("\nwhole process: %.2f wake-ups/s (%.2f of them involuntary: a busy machine "
                "adds those), goal at most %.0f: %s; CPU %.2f %% of one core\n",
                total, totalInvoluntary, goalWakeUpsPerSecond,
                total <= goalWakeUpsPerSecond ? "met" : "NOT met", cpuPercent);
    if (liveChart)
        std::printf("the live chart's three charts were drawn %.2f times a second between them "
                    "(a status frame comes once a second)\n",
                    double(liveChartDrawings) / seconds);
    // Each window repainted costs, on X11, a wait for the X server's answer (see below). The main
    // window repaints twice a second: the PC's clock and the logger's status frame change it at
    // moments of their own.
    std::printf("windows repainted a second:");
    for (const auto &[window, count] : repaints.counts)
        std::printf(" %s %.2f", qPrintable(window), double(count) / seconds);
    std::printf("\n");
    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    if (loadAverage.open(QIODevice::ReadOnly))
        std::printf("load average (1, 5, 15 min): %s\n",
                    loadAverage.readAll().split(' ').mid(0, 3).join(' ').constData());
    if (QGuiApplication::platformName() == QStringLiteral("xcb")) {
        // Before it paints over a part of a window that it last sent through shared memory,
        // Qt's X11 backing store waits for the X server to answer a request: the window's
        // thread sleeps for the answer and Qt's X event thread wakes to read it, once per
        // window repainted. The X server, woken by each request, mostly runs on this
        // thread's core and puts it off the CPU: the involuntary switches.
        std::printf("on X11: %.2f a second are answers from the X server that the window's "
                    "thread waited for (one per window repainted), and as many of its own waits; "
                    "%.2f are the X server taking this process's core after a request; "
                    "without them about %.2f, as offscreen\n",
                    xEventReplies, totalInvoluntary,
                    std::max(0.0, total - 2 * xEventReplies - totalInvoluntary));
    }
    if (!errors.isEmpty())
        std::printf("errors shown meanwhile: %s\n", qPrintable(errors.join(QStringLiteral("; "))));
    ErrorReport::setPresenter({});
    return 0;
}
