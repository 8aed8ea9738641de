// Measures the data window's rebuild for the logger's full memory (4000 samples): the time
// from the activation handler's start to a painted grid, as a share of the time that download
// takes on the wire at 115200 baud (11,520 bytes per second). It reports and never fails.
//
// Run:  cmake --build <build> --target bench_data_window
//       QT_QPA_PLATFORM=offscreen <build>/bench/bench_data_window [runs]
//
// For the choice of grid it also fills the same finished texts into the window's grid (a
// light model and view) and into a QTableWidget.
#include "app/window_set.h"
#include "download_text.h"
#include "memory_model.h"
#include "serial/serial_port_surface.h"
#include "weather_model.h"
#include "windows/data_window.h"
#include "windows/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr double wireBytesPerSecond = 11520.0;
constexpr int fullMemory = 4000;

/// A port that is never opened: the main window needs one to exist.
class IdlePort : public SerialPortSurface
{
public:
    QString Port() const override { return QStringLiteral("COM1"); }
    LineSettings lineSettings() const override { return m_settings; }
    void setLineSettings(const LineSettings &settings) override { m_settings = settings; }
    TRTSFlowControl ControlRTS() const override { return m_rts; }
    void setControlRTS(TRTSFlowControl control) override { m_rts = control; }
    bool Connected() const override { return false; }
    void OpenPort() override { }
    void ClosePort() override { }
    int SendText(const QByteArray &) override { return 0; }
    int ReceiveText(QByteArray &Str, int) override { return int(Str.size()); }
    void DiscardQueues(bool, bool) override { }
    void ShowPortSetup() override { }

private:
    LineSettings m_settings;
    TRTSFlowControl m_rts = rtsDisable;
};

struct Figures
{
    double median;
    double best;
};

template<typename Step>
Figures measure(int runs, Step &&step)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

void report(const char *what, const Figures &figures, double wireMs)
{
    std::printf("%-44s median %8.2f ms (best %8.2f ms) = %6.3f %% of the wire time\n", what,
                figures.median, figures.best, 100.0 * figures.median / wireMs);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20;

    const QDateTime now(QDate(2026, 12, 6), QTime(14, 30, 5), Qt::UTC);
    const MemoryModel memory = MemoryModel::endingAt(now, 15, fullMemory);
    const QByteArray text = DownloadText::build(memory, WeatherModel(1), fullMemory) + "A";
    const double wireMs = 1000.0 * double(text.size()) / wireBytesPerSecond;

    WindowSet program(std::make_unique<IdlePort>());
    (void)program.windows.Form1->RichEdit1.append(text);
    TForm5 *window = program.windows.Form5;
    window->show();
    QApplication::processEvents();

    std::printf("download of %d samples: %lld bytes, %.2f s on the wire at 115200 baud\n",
                fullMemory, static_cast<long long>(text.size()), wireMs / 1000.0);
    std::printf("%d runs each\n", runs);

    report("rebuild (activation handler)", measure(runs, [window] { window->FormActivate(); }),
           wireMs);
    report("rebuild and paint of the window",
           measure(runs,
                   [window] {
                       window->FormActivate();
                       (void)window->grab();
                   }),
           wireMs);

    // The grid alone, filled with texts already made, against QTableWidget items.
    std::vector<QString> cells;
    for (int row = 0; row <= fullMemory; ++row) {
        for (int column = 0; column < 7; ++column)
            cells.push_back(window->StringGrid1->cellText(column, row));
    }
    StringGrid grid(7);
    grid.resize(535, 302);
    report("same cells into the window's grid",
           measure(runs,
                   [&grid, &cells] {
                       StringGrid::Refill refill(grid, fullMemory + 1);
                       for (int row = 0; row <= fullMemory; ++row) {
                           for (int column = 0; column < 7; ++column)
                               refill.setCell(column, row, cells[std::size_t(row * 7 + column)]);
                       }
                   }),
           wireMs);
    QTableWidget table(1, 7);
    table.resize(535, 302);
    report("same cells into a QTableWidget",
           measure(runs,
                   [&table, &cells] {
                       table.clearContents();
                       table.setRowCount(fullMemory + 1);
                       for (int row = 0; row <= fullMemory; ++row) {
                           for (int column = 0; column < 7; ++column)
                               table.setItem(
                                   row, column,
                                   new QTableWidgetItem(cells[std::size_t(row * 7 + column)]));
                       }
                   }),
           wireMs);
    return 0;
}
