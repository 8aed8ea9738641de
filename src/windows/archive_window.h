#pragma once

#include "archive/station_archive.h"
#include "data/record_coverage.h"
#include "windows/program_windows.h"

#include <QDialog>
#include <QFileDialog>
#include <QKeySequence>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class ArchiveReader;
class CoverageStrip;
class DailySummaryWindow;
class QDateTimeEdit;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class StatusLine;

/// "Archivo de estaciones…": the stations of the archive, and for the chosen one its downloads,
/// its coverage on a time line with the gaps and their list, its conflicts, and a range of its
/// record to see in the data window, chart, sum up by day or export. Old files are imported
/// from it. Not modal: everything that reads or writes the archive is done by a reader of its
/// own beside the window, which opens at once and fills as the answers come.
class ArchiveWindow : public QDialog
{
    Q_OBJECT

public:
    ArchiveWindow(ProgramWindows &windows, const QString &archivePath, QWidget *parent = nullptr);
    ~ArchiveWindow() override;

    /// The main window's archive window, made at the first call, shown and raised.
    static ArchiveWindow *showFor(ProgramWindows &windows);
    /// The shortcut of "Archivo de estaciones…" in the windows that offer it.
    [[nodiscard]] static QKeySequence shortcut();

    QTableWidget *StationsTable;
    QPushButton *ImportButton;
    /// What came of the last thing done: an import's progress and summary, a rename, a failure.
    /// A status bar at the bottom of the window, one line high whatever it says.
    StatusLine *ArchiveLine;
    QLabel *StationTitle;
    CoverageStrip *Strip;
    QDateTimeEdit *FromEdit;
    QDateTimeEdit *ToEdit;
    QPushButton *WholeButton;
    QPushButton *ShowDataButton;
    QPushButton *ChartButton;
    QPushButton *SummaryButton;
    QPushButton *CsvButton;
    QTabWidget *Tabs;
    QTableWidget *DownloadsTable;
    QTableWidget *GapsTable;
    QTableWidget *ConflictsTable;

    /// Asks the archive for its stations again, and for the chosen one's details.
    void refresh();
    /// Chooses `station` and asks for its downloads, coverage and conflicts.
    void chooseStation(const QString &station);
    [[nodiscard]] const QString &station() const { return m_station; }
    [[nodiscard]] const std::vector<StationSummary> &stations() const { return m_stations; }

    /// The range in the from and to fields, logger times, both included.
    [[nodiscard]] std::pair<qint64, qint64> range() const;
    void setRange(qint64 from, qint64 to);

    /// "Ver datos": the range in the data window, each row with its own date and time.
    void showRangeData();
    /// "Graficar": the range in a chart window of its own, with dates and a break at each gap.
    void chartRange();
    /// "Resumen diario": each day of the range.
    void summarizeRange();
    /// "Exportar CSV…": the range as the program's CSV.
    void exportRangeCsv();
    /// "Importar archivos…": saved files and CSVs, entered one by one under a station.
    void importFiles();
    /// Renames `from` to `to`; a name that exists asks whether to join the two stations.
    void renameStation(const QString &from, const QString &to);
    /// "Renombrar…" of the stations' menu, for the chosen station.
    void askRename();
    /// "Quitar descarga…" of the downloads' menu: asks, then removes the chosen download.
    void askRemoveDownload();
    /// "Mover a otra estación…" of the downloads' menu: asks for the station, then moves the
    /// chosen download there.
    void askMoveDownload();
    /// "Reconstruir archivo…" of the stations' menu: a new archive, named by the user, from the
    /// downloads this one keeps (see rebuildArchive).
    void askRebuild();

    [[nodiscard]] ArchiveReader &reader() const { return *m_reader; }
    [[nodiscard]] DailySummaryWindow *summaryWindow() const { return m_summary; }

    /// Runs a file dialog and gives the files chosen, none when the user cancelled. Tests replace
    /// it.
    std::function<QStringList(QFileDialog &dialog)> executeFileDialog;
    /// Asks for a station: title, question, known stations, the current one; none when the user
    /// cancelled. Tests replace it.
    std::function<std::optional<QString>(const QString &title, const QString &question,
                                         const QStringList &known, const QString &current)>
        askStation;
    /// Asks a yes-or-no question, with details below it. Tests replace it.
    std::function<bool(const QString &question, const QString &details)> askYesNo;

signals:
    /// The chosen station's coverage has been shown, its downloads and conflicts before it.
    void stationShown();
    /// An import has ended and its summary is shown.
    void importEnded();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildComponents();
    void showStations(std::vector<StationSummary> stations);
    /// The strip, the gaps and the title of the chosen station, and the whole record as range.
    void showCoverage(const QString &station, const RecordCoverage &coverage);
    void stationNameEdited(int row);
    /// Reads the range on the reader and hands its samples to `use`; `dropped`, when given, is
    /// run instead when the range holds no sample or the read fails (which is said as ever).
    void rangeDataAsked(const std::function<void(std::vector<ArchivedSample> samples,
                                                 RecordCoverage coverage)> &use,
                        const std::function<void()> &dropped = {});
    /// The key and arrival text of the download chosen in the downloads' table; none when none.
    [[nodiscard]] std::optional<std::pair<qint64, QString>> chosenDownload() const;
    void say(const QString &text);
    void fail(const QString &reason);
    void setRangeEnabled(bool enabled);
    /// A file dialog of the window, set up for `mode`, run through executeFileDialog.
    QStringList chooseFiles(QFileDialog::AcceptMode mode, QFileDialog::FileMode fileMode,
                            const QString &caption, const QStringList &filters,
                            const QString &suffix);

    ProgramWindows &m_windows;
    const QString m_archivePath;
    ArchiveReader *m_reader;
    std::vector<StationSummary> m_stations;
    QString m_station;
    /// Counts the station choices, so that the answer for one chosen before is dropped.
    int m_choice = 0;
    /// The chosen station's coverage, whole.
    RecordCoverage m_coverage;
    DailySummaryWindow *m_summary = nullptr;
    /// Fills the stations' table: its edits are not renames.
    bool m_filling = false;
};
