// Measures the receive path with the logger's full memory: the simulated logger sends a forced
// download of 4000 samples (about 104 KB) over a pseudo-terminal as fast as the device takes
// it, and the program collects it through the serial port component and the main window's
// receive handler; the component alone, with a bare handler that only collects the bytes; and
// a plain Qt Serial Port reader of the same kind of line, in the same process,
// as the peer. For each it reports the throughput as a multiple of the 115200-baud line rate
// (11520 bytes/s), the process CPU time per byte, and whether every byte arrived; then, for the
// program and for the component alone, the median throughput as a share of the peer's (goal: at
// least 0.8) and the median CPU per byte as a multiple of the peer's (goal: at most 1.5), with
// the machine's load (/proc/loadavg) before and after. It reports; it never fails on a slow
// machine.
//
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_receive_path [runs] [--input-queue <bytes>]
//                                                               [--line-rate]
//   runs           runs of each reader, taken in turn (default 5)
//   --input-queue  the component's input queue size (default: the one the logger link asks for)
//   --line-rate    instead: the program's downloads served at line rate, with the process's
//                  CPU (getrusage) and each thread's (schedstat) per byte and as a share of one
//                  core, and the repaints of the gauge, the LED and the whole window per
//                  download (goal: the program under 1 % of a core)
//
// The transfer is timed from the first byte of the download text on the line to the end of the
// handling of its last chunk, in wall-clock and process CPU time. A thread that waits on the
// device notes the first byte; when that thread is scheduled too late to see it (on a busy
// machine), the reader's first notification after the PC threw away what came before the
// download is the start instead. A pseudo-terminal takes tens of kilobytes at once, so the
// figure is mostly the rate at which the reader drains what waits for it. The logger's pause
// before its lone end marker "A" (300 ms on the simulator) is left out, as it is the logger's
// waiting, not the receive path's work. Every run sends the same text (a fixed recording start
// and seed), so each reader's text is also compared byte for byte with the others.
#include "app/window_set.h"
#include "download_text_shape.h"
#include "link/logger_commands.h"
#include "modal_closer.h"
#include "runtime/error_report.h"
#include "serial/serial_port.h"
#include "simulator_process.h"
#include "widgets/colour_button.h"
#include "widgets/led.h"
#include "widgets/pie_gauge.h"
#include "windows/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTextStream>
#include <QLineEdit>
#include <QSerialPort>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr double lineBytesPerSecond = 11520.0;
/// The program's CPU during a download at line rate, in % of one core, at most.
constexpr double goalCpuPercent = 1.0;
/// A reader's median throughput as a share of the peer's, at least.
constexpr double goalThroughputRatio = 0.8;
/// A reader's median CPU per byte as a multiple of the peer's, at most.
constexpr double goalCpuRatio = 1.5;
constexpr int loggerSamples = 4000;
constexpr int boundMs = SimProcess::boundMs;
/// A chunk that is exactly the end marker after at least this silence ends the peer's reading.
constexpr qint64 endMarkerPauseNs = 100'000'000;
/// A fixed recording start and the default noise seed make every run send the same text.
const QString recordingStart = QStringLiteral("01/06/2012 00:00:00");

qint64 cpuNs()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

qint64 wallNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

/// Runs the event loop until `done` holds or the bound runs out; checks every few milliseconds
/// without spinning, so that waiting adds next to nothing to the measured CPU time.
bool waitUntil(const std::function<bool()> &done, int bound, int checkMs = 5)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    check.setInterval(checkMs);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(bound, &loop, &QEventLoop::quit);
    check.start();
    loop.exec();
    return done();
}

/// Notes when the first byte reaches the line's receiving side, the same way for both readers:
/// a thread waits on a second descriptor of the device for bytes to read, and reads none. The
/// descriptor is opened before the reader opens the device, so the reader's exclusive mode,
/// which only refuses later openings, is not in the way.
class ArrivalWatch
{
public:
    explicit ArrivalWatch(const QString &device)
        : m_fd(::open(QFile::encodeName(device).constData(),
                      O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
        , m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    { }
    ArrivalWatch(const ArrivalWatch &) = delete;
    ArrivalWatch &operator=(const ArrivalWatch &) = delete;
    ~ArrivalWatch()
    {
        disarm();
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_wake >= 0)
            ::close(m_wake);
    }

    /// Starts waiting for the next byte; the device's input must be empty now.
    void arm()
    {
        if (m_fd < 0 || m_wake < 0)
            return;
        m_thread = std::thread([this] {
            pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
            while (::poll(fds, 2, -1) < 0 && errno == EINTR) { }
            if (fds[0].revents & POLLIN) {
                m_cpu = cpuNs();
                m_wall = wallNs();
            }
        });
    }

    /// Ends the wait if no byte came; afterwards the stamps may be read.
    void disarm()
    {
        if (!m_thread.joinable())
            return;
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
        m_thread.join();
    }

    /// Wall and CPU clocks when the first byte was there; 0 when none was seen.
    [[nodiscard]] qint64 wall() const { return m_wall; }
    [[nodiscard]] qint64 cpu() const { return m_cpu; }

private:
    int m_fd;
    int m_wake;
    std::thread m_thread;
    qint64 m_wall = 0;
    qint64 m_cpu = 0;
};

/// The wall and CPU clocks at the first chunk and after the last chunk of download text.
struct Stamps
{
    bool started = false;
    qint64 wallStart = 0;
    qint64 cpuStart = 0;
    qint64 wallLast = 0;
    qint64 cpuLast = 0;
    int chunks = 0;
    /// Wall time spent inside the reader's handler for the chunks.
    qint64 inHandlerNs = 0;

    void start()
    {
        started = true;
        wallStart = wallNs();
        cpuStart = cpuNs();
    }
    /// A chunk's handling, entered at `entered`, is over.
    void chunkDone(qint64 entered)
    {
        ++chunks;
        wallLast = wallNs();
        cpuLast = cpuNs();
        inHandlerNs += wallLast - entered;
    }
};

/// What a thread of this process has run so far: its name, CPU time in ns and the number of
/// times it was put on a CPU (a wake-up, or its turn after being preempted).
struct ThreadRun
{
    QString name;
    qint64 ns = 0;
    qint64 slices = 0;
};

/// Every thread of this process so far, by thread id.
std::map<int, ThreadRun> threadCpu()
{
    std::map<int, ThreadRun> threads;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        QFile stat(tasks.filePath(tid + QStringLiteral("/schedstat")));
        if (!comm.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> fields = stat.readAll().trimmed().split(' ');
        threads[tid.toInt()] = {QString::fromUtf8(comm.readAll().trimmed()),
                                fields.value(0).toLongLong(), fields.value(2).toLongLong()};
    }
    return threads;
}

qint64 rusageNs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto ns = [](const timeval &t) {
        return qint64(t.tv_sec) * 1'000'000'000 + t.tv_usec * 1000;
    };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

/// What a line-rate download cost the program: CPU by getrusage and by thread, and repaints.
struct CpuFigures
{
    qint64 rusageStart = 0;
    qint64 rusageLast = 0;
    std::map<int, ThreadRun> threadsStart;
    std::map<int, ThreadRun> threadsLast;
    int gaugePaints = 0;
    int ledPaints = 0;
    int allPaints = 0;

    /// CPU ns and turns on a CPU between the two snapshots, per thread (named by its name and
    /// id, as threads often share a name).
    [[nodiscard]] std::map<QString, ThreadRun> byThread() const
    {
        std::map<QString, ThreadRun> spent;
        for (const auto &[tid, last] : threadsLast) {
            const auto start = threadsStart.find(tid);
            const bool before = start != threadsStart.end();
            ThreadRun &run = spent[QStringLiteral("%1 %2").arg(last.name).arg(tid)];
            run.ns = last.ns - (before ? start->second.ns : 0);
            run.slices = last.slices - (before ? start->second.slices : 0);
        }
        return spent;
    }
};

/// Counts the paint events of the gauge, the LED and every widget of the program.
class PaintCounter : public QObject
{
public:
    PaintCounter(CpuFigures &figures, const QObject *gauge, const QObject *led)
        : m_figures(figures)
        , m_gauge(gauge)
        , m_led(led)
    { }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_counting) {
            ++m_figures.allPaints;
            m_figures.gaugePaints += watched == m_gauge ? 1 : 0;
            m_figures.ledPaints += watched == m_led ? 1 : 0;
        }
        return false;
    }
    void setCounting(bool on) { m_counting = on; }

private:
    CpuFigures &m_figures;
    const QObject *m_gauge;
    const QObject *m_led;
    bool m_counting = false;
};

/// One download as one reader received it.
struct Transfer
{
    QString failure; ///< why the run gave no figures; empty when it did
    QByteArray text; ///< the download text, without the end marker
    qsizetype received = 0; ///< every byte collected, the end marker included
    bool endMarker = false;
    int samples = 0; ///< what the simulator says it sent
    Stamps stamps;
    CpuFigures cpu; ///< filled in line-rate runs of the program
    qint64 arrivalWall = 0; ///< the first byte on the line; 0 when not seen
    qint64 arrivalCpu = 0;
    QString problem; ///< what is wrong with the text; empty when complete

    [[nodiscard]] bool timed() const { return stamps.started && stamps.chunks > 0; }
    /// Whether the first byte was seen on the line before the reader was told of it; if the
    /// watching thread was late, the reader's first notification is the start instead.
    [[nodiscard]] bool arrivalSeen() const
    {
        return arrivalWall != 0 && arrivalWall <= stamps.wallStart;
    }
    /// From the first byte on the line to the end of the handling of the last chunk.
    [[nodiscard]] double seconds() const
    {
        return double(stamps.wallLast - (arrivalSeen() ? arrivalWall : stamps.wallStart)) / 1e9;
    }
    [[nodiscard]] double lineMultiple() const
    {
        return double(text.size()) / seconds() / lineBytesPerSecond;
    }
    [[nodiscard]] double cpuNsPerByte() const
    {
        return double(stamps.cpuLast - (arrivalSeen() ? arrivalCpu : stamps.cpuStart))
            / double(text.size());
    }
    /// From the first byte on the line to the reader's first notification, in µs.
    [[nodiscard]] double noticeUs() const
    {
        return arrivalSeen() ? double(stamps.wallStart - arrivalWall) / 1e3 : 0;
    }
    /// The share of the transfer's wall time spent inside the reader's handler, in %.
    [[nodiscard]] double inHandlerPercent() const
    {
        return 100.0 * double(stamps.inHandlerNs) / 1e9 / seconds();
    }
    [[nodiscard]] double meanChunk() const
    {
        return stamps.chunks ? double(text.size()) / stamps.chunks : 0;
    }
};

QStringList simulatorArguments(const char *reader, int run, const char *pace = "fast")
{
    return {QStringLiteral("--name"),
            QStringLiteral("bench-rx-%1-%2-%3")
                .arg(QCoreApplication::applicationPid())
                .arg(QLatin1String(reader))
                .arg(run),
            QStringLiteral("--pace"),
            QLatin1String(pace),
            QStringLiteral("--samples"),
            QString::number(loggerSamples),
            QStringLiteral("--start"),
            recordingStart,
            QStringLiteral("--frame-interval"),
            QStringLiteral("250")};
}

/// The sample count of the simulator's "download <n> samples" line, or −1.
int samplesSent(SimProcess &sim)
{
    for (const QString &line : sim.lines()) {
        if (line.startsWith(QStringLiteral("download "))
            && line.endsWith(QStringLiteral(" samples")))
            return line.section(u' ', 1, 1).toInt();
    }
    return -1;
}

/// What is wrong with the text the simulator said it sent, or nothing.
QString textProblem(const QByteArray &text, int samples)
{
    if (samples < 0)
        return QStringLiteral("the simulator did not say how many samples it sent");
    return downloadTextProblem(text, samples);
}

/// The program: the main window on the component, connected, asked for the whole memory.
Transfer programRun(int run, int inputQueue, bool lineRate = false)
{
    Transfer result;
    SimProcess sim(simulatorArguments("program", run, lineRate ? "line" : "fast"));
    if (!sim.waitUntilServing()) {
        result.failure = QStringLiteral("the simulator did not come up");
        return result;
    }
    ArrivalWatch arrival(sim.linkPath());
    QStringList errors;
    ErrorReport::setPresenter([&errors](const QString &message) { errors.append(message); });

    auto port = std::make_unique<TSerialPort>();
    port->setPort(sim.linkPath());
    TSerialPort &component = *port;
    {
        WindowSet program(std::move(port));
        TForm1 *form = program.windows.Form1;
        // The window gives the port the link's settings; a queue size asked for replaces its.
        if (inputQueue > 0)
            component.Buffer().setInputSize(inputQueue);
        form->skipPortSetup = true;
        form->show();
        ErrorReport::guard([form] { form->RockerSwitch1Click(); });
        // The first status frame shown: the line works.
        if (!form->SerialPort1.Connected()
            || !waitUntil([form] { return !form->Edit3->text().isEmpty(); }, boundMs)) {
            result.failure = QStringLiteral("no status frame after connecting: %1")
                                 .arg(errors.join(QStringLiteral("; ")));
            ErrorReport::setPresenter({});
            return result;
        }

        // The window's own handler, timed around: a chunk counts from the moment the window
        // collects download text again after throwing away what came before.
        Stamps &stamps = result.stamps;
        CpuFigures &cpu = result.cpu;
        PaintCounter paints(cpu, form->Gauge1, form->LED1);
        if (lineRate)
            QCoreApplication::instance()->installEventFilter(&paints);
        const SerialPortSurface::TRxCharEvent handler = form->SerialPort1.OnRxChar;
        form->SerialPort1.OnRxChar = [form, handler, &stamps, &cpu, &paints,
                                      lineRate](SerialPortSurface &sender, int count) {
            if (!stamps.started && form->downloading && !form->Timer2->isActive()
                && !form->dataDownloaded) {
                stamps.start();
                if (lineRate) {
                    cpu.threadsStart = threadCpu();
                    cpu.rusageStart = rusageNs();
                    paints.setCounting(true);
                }
            }
            // The end marker comes alone: the figures stop before it opens the data window.
            if (lineRate && stamps.started && count == 1 && !form->dataDownloaded) {
                cpu.threadsLast = threadCpu();
                cpu.rusageLast = rusageNs();
                paints.setCounting(false);
            }
            const qint64 entered = wallNs();
            handler(sender, count);
            // The end marker's call opens the data window before it returns: not timed.
            if (stamps.started && !form->dataDownloaded)
                stamps.chunkDone(entered);
        };

        // At line rate the waits look rarely, so that their own turns do not count as the
        // program's; the figures are taken in the handler either way.
        const int checkMs = lineRate ? 200 : 5;
        ModalCloser dataWindow(checkMs);
        form->CheckBox1->setChecked(true);
        ErrorReport::guard([form] { form->ColBitBtn4Click(); });
        // The logger holds the text back for a while after "X": nothing is on the line now.
        arrival.arm();
        const bool ended = waitUntil(
            [&] { return form->dataDownloaded && !dataWindow.closed().isEmpty(); }, 4 * boundMs,
            checkMs);
        arrival.disarm();
        result.arrivalWall = arrival.wall();
        result.arrivalCpu = arrival.cpu();

        const QByteArray collected = form->RichEdit1.text();
        result.received = collected.size();
        result.endMarker = form->dataDownloaded && collected.endsWith('A');
        result.text = result.endMarker ? collected.chopped(1) : collected;
        if (!ended)
            result.failure = QStringLiteral("no end of download after %1 s: %2 bytes collected, "
                                            "downloading %3%4")
                                 .arg(4 * boundMs / 1000)
                                 .arg(collected.size())
                                 .arg(form->downloading)
                                 .arg(errors.isEmpty() ? QString()
                                                       : QStringLiteral(", errors: ")
                                              + errors.join(QStringLiteral("; ")));
        else if (!errors.isEmpty())
            result.failure = QStringLiteral("errors: ") + errors.join(QStringLiteral("; "));
        form->SerialPort1.OnRxChar = handler;
        QCoreApplication::instance()->removeEventFilter(&paints);
        ErrorReport::guard([form] {
            if (form->SerialPort1.Connected())
                form->RockerSwitch1Click();
        });
    }
    ErrorReport::setPresenter({});
    result.samples = samplesSent(sim);
    result.problem = textProblem(result.text, result.samples);
    return result;
}

/// Collects a download read by `read` (which returns the bytes waiting) until a lone "A" after a
/// pause, timing every chunk.
void collectUntilEndMarker(Transfer &result, const std::function<QByteArray()> &read)
{
    Stamps &stamps = result.stamps;
    if (result.endMarker)
        return;
    if (!stamps.started)
        stamps.start();
    const qint64 entered = wallNs();
    const QByteArray chunk = read();
    result.received += chunk.size();
    if (chunk == "A" && wallNs() - stamps.wallLast >= endMarkerPauseNs) {
        result.endMarker = true;
        return;
    }
    result.text += chunk;
    stamps.chunkDone(entered);
}

/// The component alone: the link's settings, a handler that reads what each receive event
/// reports and keeps it, the same request, pause and discard as the program.
Transfer bareRun(int run, int inputQueue)
{
    Transfer result;
    SimProcess sim(simulatorArguments("bare", run));
    if (!sim.waitUntilServing()) {
        result.failure = QStringLiteral("the simulator did not come up");
        return result;
    }
    ArrivalWatch arrival(sim.linkPath());
    TSerialPort port;
    port.setPort(sim.linkPath());
    port.setLineSettings(LoggerCommands::loggerLineSettings());
    port.FlowControl().setControlRTS(rtsEnable);
    if (inputQueue > 0)
        port.Buffer().setInputSize(inputQueue);
    bool collecting = false;
    bool framed = false;
    port.OnRxChar = [&](SerialPortSurface &sender, int count) {
        if (!collecting) {
            QByteArray chunk;
            sender.ReceiveText(chunk, count);
            framed = true;
            return;
        }
        collectUntilEndMarker(result, [&] {
            QByteArray chunk;
            sender.ReceiveText(chunk, count);
            return chunk;
        });
    };
    try {
        port.OpenPort();
        if (!waitUntil([&] { return framed; }, boundMs)) {
            result.failure = QStringLiteral("no status frame after opening");
            return result;
        }
        port.SendText("E");
        QThread::msleep(1000);
        port.SendText("X");
        port.DiscardQueues(true, false);
        collecting = true;
        arrival.arm();
        if (!waitUntil([&result] { return result.endMarker; }, 4 * boundMs))
            result.failure = QStringLiteral("no end marker after %1 s: %2 bytes collected")
                                 .arg(4 * boundMs / 1000)
                                 .arg(result.received);
        arrival.disarm();
        port.ClosePort();
    } catch (const ESerialPort &error) {
        result.failure = error.message();
    }
    result.arrivalWall = arrival.wall();
    result.arrivalCpu = arrival.cpu();
    result.samples = samplesSent(sim);
    result.problem = textProblem(result.text, result.samples);
    return result;
}

/// The peer: a plain Qt Serial Port reader of the line, raw at 115200 baud, with the same
/// request, pause and discard as the program, reading until a lone "A" after a pause.
Transfer peerRun(int run)
{
    Transfer result;
    SimProcess sim(simulatorArguments("peer", run));
    if (!sim.waitUntilServing()) {
        result.failure = QStringLiteral("the simulator did not come up");
        return result;
    }
    ArrivalWatch arrival(sim.linkPath());
    QSerialPort port;
    port.setPortName(sim.linkPath());
    if (!port.open(QIODevice::ReadWrite) || !port.setBaudRate(QSerialPort::Baud115200)
        || !port.setDataBits(QSerialPort::Data8) || !port.setParity(QSerialPort::NoParity)
        || !port.setStopBits(QSerialPort::OneStop)
        || !port.setFlowControl(QSerialPort::NoFlowControl)) {
        result.failure = QStringLiteral("cannot open the line: ") + port.errorString();
        return result;
    }
    if (!waitUntil([&port] { return port.bytesAvailable() > 0; }, boundMs)) {
        result.failure = QStringLiteral("no status frame after opening");
        return result;
    }

    port.write("E");
    port.waitForBytesWritten(boundMs);
    QThread::msleep(1000);
    port.write("X");
    port.waitForBytesWritten(boundMs);
    port.clear(QSerialPort::Input);
    port.readAll();
    arrival.arm();

    QObject::connect(&port, &QSerialPort::readyRead, &port,
                     [&] { collectUntilEndMarker(result, [&port] { return port.readAll(); }); });
    if (!waitUntil([&result] { return result.endMarker; }, 4 * boundMs))
        result.failure = QStringLiteral("no end marker after %1 s: %2 bytes collected")
                             .arg(4 * boundMs / 1000)
                             .arg(result.received);
    arrival.disarm();
    result.arrivalWall = arrival.wall();
    result.arrivalCpu = arrival.cpu();
    port.close();
    result.samples = samplesSent(sim);
    result.problem = textProblem(result.text, result.samples);
    return result;
}

/// The first three fields of /proc/loadavg: the load over 1, 5 and 15 minutes.
QString machineLoad()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readAll()).section(u' ', 0, 2);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Summary
{
    int runs = 0;
    int complete = 0;
    qsizetype bytes = 0;
    std::vector<double> ms, multiple, cpu, chunk, inHandler, notice;
};

void printRun(const char *reader, int run, const Transfer &t)
{
    if (!t.failure.isEmpty())
        std::printf("  %-7s %d  FAILED: %s\n", reader, run, qPrintable(t.failure));
    if (!t.timed())
        return;
    const QString notice = t.arrivalSeen()
        ? QString::number(t.noticeUs(), 'f', 0) + QStringLiteral(" us")
        : t.arrivalWall ? QStringLiteral("late")
                        : QStringLiteral("unseen");
    std::printf(
        "  %-7s %d  %7lld B %8.2f ms %8.0f x line %7.1f ns/B CPU %5d chunks %4.0f %% in "
        "handler  first notice %-6s  %s\n",
        reader, run, static_cast<long long>(t.text.size()), t.seconds() * 1e3, t.lineMultiple(),
        t.cpuNsPerByte(), t.stamps.chunks, t.inHandlerPercent(), qPrintable(notice),
        t.problem.isEmpty() ? "complete" : qPrintable(QStringLiteral("INCOMPLETE: ") + t.problem));
}

void add(Summary &summary, const Transfer &t, const QByteArray &reference)
{
    ++summary.runs;
    if (!t.failure.isEmpty() || !t.timed())
        return;
    const bool complete = t.problem.isEmpty() && t.endMarker && t.text == reference;
    summary.complete += complete ? 1 : 0;
    summary.bytes = std::max(summary.bytes, t.text.size());
    summary.ms.push_back(t.seconds() * 1e3);
    summary.multiple.push_back(t.lineMultiple());
    summary.cpu.push_back(t.cpuNsPerByte());
    summary.chunk.push_back(t.meanChunk());
    summary.inHandler.push_back(t.inHandlerPercent());
    if (t.arrivalSeen())
        summary.notice.push_back(t.noticeUs());
}

void printSummary(const char *reader, const Summary &s)
{
    if (s.ms.empty()) {
        std::printf("%-24s no run gave figures\n", reader);
        return;
    }
    const QString notice =
        s.notice.empty() ? QStringLiteral("-") : QString::number(median(s.notice), 'f', 0);
    std::printf("%-24s %7lld %4d/%-3d %7.2f %7.2f %7.0f %7.0f %7.1f %7.1f %6.0f %5.0f %6s\n",
                reader, static_cast<long long>(s.bytes), s.complete, s.runs,
                *std::min_element(s.ms.begin(), s.ms.end()), median(s.ms),
                *std::max_element(s.multiple.begin(), s.multiple.end()), median(s.multiple),
                *std::min_element(s.cpu.begin(), s.cpu.end()), median(s.cpu), median(s.chunk),
                median(s.inHandler), qPrintable(notice));
}

/// The program's downloads at line rate: what they cost in CPU, and how often they repaint.
int lineRateReport(int runs, int inputQueue)
{
    std::printf("Receive path at line rate: forced download of %d samples, simulator at --pace "
                "line, %d runs, %d CPUs\n",
                loggerSamples, runs, QThread::idealThreadCount());
    std::vector<double> shares;
    for (int run = 1; run <= runs; ++run) {
        const Transfer t = programRun(run, inputQueue, true);
        if (!t.failure.isEmpty() || !t.timed() || t.cpu.rusageLast == 0) {
            std::printf("  run %d  FAILED: %s\n", run, qPrintable(t.failure));
            continue;
        }
        const double seconds = double(t.stamps.wallLast - t.stamps.wallStart) / 1e9;
        const double cpu = double(t.cpu.rusageLast - t.cpu.rusageStart);
        const double share = 100.0 * cpu / 1e9 / seconds;
        shares.push_back(share);
        std::printf("  run %d  %lld B in %.2f s (%.2f x line) in %d chunks, %s; process %.2f %% "
                    "of a core, %.0f ns/B; repaints per download: gauge %d, LED %d, all widgets "
                    "%d\n",
                    run, static_cast<long long>(t.text.size()), seconds,
                    double(t.text.size()) / seconds / lineBytesPerSecond, t.stamps.chunks,
                    t.problem.isEmpty() ? "complete" : qPrintable(t.problem), share,
                    cpu / double(t.text.size()), t.cpu.gaugePaints, t.cpu.ledPaints,
                    t.cpu.allPaints);
        for (const auto &[name, spent] : t.cpu.byThread())
            if (spent.ns > 0)
                std::printf("          thread %-22s %7.2f %% of a core, %6.0f ns/B, %5.0f turns "
                            "on a CPU per s\n",
                            qPrintable(name), 100.0 * double(spent.ns) / 1e9 / seconds,
                            double(spent.ns) / double(t.text.size()),
                            double(spent.slices) / seconds);
        std::fflush(stdout);
    }
    if (!shares.empty())
        std::printf("\nprocess CPU during the download: min %.2f, median %.2f, max %.2f %% of "
                    "one core; goal at most %.0f %%: %s\n",
                    *std::min_element(shares.begin(), shares.end()), median(shares),
                    *std::max_element(shares.begin(), shares.end()), goalCpuPercent,
                    median(shares) <= goalCpuPercent ? "met" : "NOT met");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ErrorReportingApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    int runs = 5;
    int inputQueue = 0;
    bool lineRate = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--input-queue") == 0 && i + 1 < argc)
            inputQueue = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--line-rate") == 0)
            lineRate = true;
        else
            runs = std::max(1, std::atoi(argv[i]));
    }
    if (lineRate)
        return lineRateReport(runs, inputQueue);
    const int queueSize = inputQueue > 0 ? inputQueue : LoggerCommands::receiveQueueSize;
    const QString loadBefore = machineLoad();

    std::printf("Receive path: forced download of %d samples, simulator at --pace fast, "
                "%d runs each, input queue %d bytes%s, %d CPUs\n",
                loggerSamples, runs, queueSize, inputQueue > 0 ? "" : " (the link's)",
                QThread::idealThreadCount());
    std::vector<Transfer> program, bare, peer;
    for (int run = 1; run <= runs; ++run) {
        // Taken in turn, so that a change in the machine's load falls on all alike.
        program.push_back(programRun(run, inputQueue));
        printRun("program", run, program.back());
        bare.push_back(bareRun(run, inputQueue));
        printRun("bare", run, bare.back());
        peer.push_back(peerRun(run));
        printRun("peer", run, peer.back());
        std::fflush(stdout);
    }

    // Every run sends the same text: the first one that is whole is the reference for all.
    QByteArray reference;
    for (const std::vector<Transfer> *transfers : {&peer, &program, &bare})
        for (const Transfer &t : *transfers)
            if (reference.isEmpty() && t.failure.isEmpty() && t.problem.isEmpty() && t.endMarker)
                reference = t.text;
    Summary programSummary, bareSummary, peerSummary;
    for (const Transfer &t : program)
        add(programSummary, t, reference);
    for (const Transfer &t : bare)
        add(bareSummary, t, reference);
    for (const Transfer &t : peer)
        add(peerSummary, t, reference);

    std::printf("\n%-24s %7s %8s %7s %7s %7s %7s %7s %7s %6s %5s %6s\n", "", "text", "whole", "ms",
                "ms", "x line", "x line", "CPU ns", "CPU ns", "chunk", "% in", "notice");
    std::printf("%-24s %7s %8s %7s %7s %7s %7s %7s %7s %6s %5s %6s\n", "reader", "bytes", "runs",
                "min", "median", "best", "median", "/B min", "/B med", "mean", "handl", "us");
    printSummary("program (component+form)", programSummary);
    printSummary("component, bare handler", bareSummary);
    printSummary("peer (QSerialPort)", peerSummary);

    if (peerSummary.multiple.empty())
        return 0;
    const QString loadAfter = machineLoad();
    const auto judge = [&](const char *reader, const Summary &summary) {
        if (summary.multiple.empty())
            return;
        std::vector<double> ratios;
        for (const double multiple : summary.multiple)
            ratios.push_back(multiple / median(peerSummary.multiple));
        const double ratio = median(summary.multiple) / median(peerSummary.multiple);
        const double cpuRatio = median(summary.cpu) / median(peerSummary.cpu);
        const bool whole = summary.complete == summary.runs;
        std::printf("\n%s against the peer (medians of the same run, %.1f x line rate):\n",
                    reader, median(summary.multiple));
        std::printf("  throughput  %.2f of the peer's (runs against the peer's median: min %.2f, "
                    "max %.2f); goal at least %.1f: %s\n",
                    ratio, *std::min_element(ratios.begin(), ratios.end()),
                    *std::max_element(ratios.begin(), ratios.end()), goalThroughputRatio,
                    ratio >= goalThroughputRatio ? "met" : "NOT met");
        std::printf("  CPU per byte %.2f times the peer's (%.1f against %.1f ns/B); goal at most "
                    "%.1f: %s\n",
                    cpuRatio, median(summary.cpu), median(peerSummary.cpu), goalCpuRatio,
                    cpuRatio <= goalCpuRatio ? "met" : "NOT met");
        std::printf("  every byte, in order: %s (%d of %d runs complete)\n",
                    whole ? "yes" : "NO", summary.complete, summary.runs);
    };
    judge("program", programSummary);
    judge("component alone", bareSummary);
    std::printf("\nload (1, 5, 15 min): %s before, %s after\n", qPrintable(loadBefore),
                qPrintable(loadAfter));
    return 0;
}
