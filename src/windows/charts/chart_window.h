#pragma once

#include "runtime/form.h"
#include "windows/charts/chart_filling.h"
#include "windows/charts/chart_record.h"
#include "windows/program_windows.h"

#include <functional>
#include <memory>
#include <optional>

class ChartView;
class ColourButton;
class GradientBackground;
class QCheckBox;
class QFileDialog;
class QPrinter;
class QCPGraph;
enum class TimeAxis;

/// The chart window: the downloaded samples as three zoomable charts (the two temperatures,
/// humidity, PAR), rebuilt from the data window's grid each time the window is shown; each chart
/// can be printed and copied to the clipboard. A window of its own may chart a stretch of a
/// station's record instead (see openRecordChart).
class TForm6 : public Form
{
    Q_OBJECT

public:
    explicit TForm6(ProgramWindows &windows, QWidget *parent = nullptr);
    ~TForm6() override;

    /// Reads the samples from another grid than the data window's (for tests and benchmarks).
    void setSampleGrid(SampleGrid grid);
    /// Charts `record` from now on instead of a grid, with dates on the time axis; the window's
    /// caption names the station.
    void showRecord(ChartRecord record);
    /// Shows the window for a record of `station` still being read: its caption, and "Leyendo el
    /// archivo…" under each chart's title until showRecord fills it.
    void showRecordLoading(const QString &station);
    /// Whether the window waits for its record (see showRecordLoading).
    [[nodiscard]] bool isLoadingRecord() const { return m_loadingRecord; }

    /// "Eje de tiempo": the charts count the samples or give their dates, and are filled again.
    /// A grid row without a valid date keeps the sample numbers, which is said once.
    void setTimeAxis(TimeAxis axis);
    [[nodiscard]] TimeAxis timeAxis() const { return m_timeAxis; }

    GradientBackground *Gradient1;
    ChartView *Chart1;
    ChartView *Chart2;
    ChartView *Chart3;
    QCPGraph *Series1;
    QCPGraph *Series2;
    QCPGraph *Series3;
    QCPGraph *Series4;
    QCPGraph *Series9;
    QCPGraph *Series10;
    ColourButton *ColBitBtn4;
    QCheckBox *CheckBox1;
    QCheckBox *CheckBox2;
    QCheckBox *CheckBox3;
    QCheckBox *CheckBox4;
    ColourButton *ColBitBtn8;
    ColourButton *ColBitBtn7;
    ColourButton *ColBitBtn1;
    ColourButton *ColBitBtn5;
    ColourButton *ColBitBtn2;
    ColourButton *ColBitBtn6;
    ColourButton *ColBitBtn3;

    /// Shows a file dialog of the window and gives the chosen file, empty when the user
    /// cancels; tests may replace it.
    std::function<QString(QFileDialog &dialog)> executeFileDialog;
    /// "Guardar imagen…": a picture of the chart as PNG (at its size or twice it) or PDF.
    void saveChartPicture(ChartView *chart);
    /// Puts a bitmap of the whole chart at its on-screen size on the clipboard.
    void copyChart(ChartView *chart);

    /// Fills the charts from the grid; runs once per showing of the window. A record's window
    /// keeps what it charts.
    void FormActivate() override;

    // Handlers.
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void CheckBox4Click();
    void ColBitBtn1Click();
    void ColBitBtn2Click();
    void ColBitBtn3Click();
    void ColBitBtn4Click();
    void ColBitBtn5Click();
    void ColBitBtn6Click();
    void ColBitBtn7Click();
    void ColBitBtn8Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildComponents();
    /// Fills the charts from the record or the grid on the time axis chosen.
    void fill();
    void fillFromGrid();
    void fillFromRecord();
    /// Puts the charts' bottom axes on the time axis chosen, with its titles.
    void showTimeAxis();
    /// The period as the second line of the charts' titles when they give dates.
    void showPeriod(const std::vector<qint64> &times, const std::vector<int> &stepsMinutes);
    /// Clears one series and appends the values of a channel's grid column at `keys` (sample
    /// places when empty), its line broken after the samples `breaks` names; a cell that does
    /// not parse ends the filling with the conversion error, the values before it kept.
    void fillSeries(ChartView *chart, int seriesIndex, int channel, const QVector<double> &keys,
                    const std::vector<qsizetype> &breaks);
    /// Shows the print preview of a chart modally, then destroys it and repaints the chart.
    void printChart(ChartView *chart);
    /// The program's printer: the one chosen and set up last, for every chart, for the run.
    [[nodiscard]] QPrinter &printer();
    void showHint(const QString &text);
    [[nodiscard]] SampleGrid grid() const;

    ProgramWindows &m_windows;
    SampleGrid m_grid;
    std::optional<ChartRecord> m_record;
    bool m_loadingRecord = false;
    TimeAxis m_timeAxis;
    /// Made at the first print, so that the start never waits for the print system.
    std::unique_ptr<QPrinter> m_printer;
};
