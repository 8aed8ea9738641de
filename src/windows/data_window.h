#pragma once

#include "data/download_format_error.h"
#include "data/download_table.h"
#include "data/record_coverage.h"
#include "data/sample_timestamps.h"
#include "runtime/form.h"
#include "windows/program_windows.h"
#include "windows/string_grid.h"

#include <QFileDialog>

#include <functional>
#include <optional>
#include <vector>

struct ArchivedSample;
struct SavedRow;
class DailySummaryWindow;
class DownloadLines;
class GradientBackground;
class QLabel;
class QLineEdit;
class QToolButton;

/// The data window: the downloaded samples with their dates and times in a grid, rebuilt from
/// the main window's download text at every opening, saved as a text file or charted.
///
/// For the chart window: StringGrid1->cellText(visualColumn, visualRow) gives a cell's text as
/// the user sees the grid (moved columns and rows followed; row 0 the headings, column 0 the row
/// numbers), and sampleCount() the number of sample rows N.
class TForm5 : public Form
{
    Q_OBJECT

public:
    explicit TForm5(ProgramWindows &windows, QWidget *parent = nullptr);

    GradientBackground *Gradient1;
    QLabel *Label7;
    QLabel *Label8;
    QLabel *Label9;
    QLabel *Label10;
    /// Start date, start time and rate text of the download.
    QLineEdit *Edit1;
    QLineEdit *Edit2;
    QLineEdit *Edit8;
    QToolButton *SpeedButton2;
    QToolButton *SpeedButton1;
    StringGrid *StringGrid1;
    /// Made at the first "GUARDAR": a file dialog watches its folder from the moment it exists,
    /// and the folder the program was started in may change all the time.
    QFileDialog *SaveDialog1 = nullptr;

    /// The hidden labels: the start's year, month, day, hour, minute and second as decimal texts
    /// without leading zeros, from the header decoding to the timestamp pass.
    QString Label1;
    QString Label2;
    QString Label3;
    QString Label4;
    QString Label5;
    QString Label6;

    /// Shows SaveDialog1 and gives the chosen file, empty when the user cancels; tests may
    /// replace it.
    std::function<QString(QFileDialog &dialog)> executeSaveDialog;
    /// The same for the file dialogs of the window's menu (open, CSV export, summary export).
    std::function<QString(QFileDialog &dialog)> executeFileDialog;

    /// N: the number of samples shown: the download text's, or the opened file's.
    [[nodiscard]] int sampleCount() const;

    /// Runs at each opening: rebuilds everything from the download text, then empties the main
    /// window's status buffer. A saved file that the user opened stays as it is instead.
    void FormActivate() override;
    /// Shows the window modally with the download that has just ended, even after a file;
    /// `warning`, unless empty, is shown once the grid is filled.
    void showDownload(const QString &warning = {});

    /// "Ver datos" of the archive window: shows `samples` of `station`'s record (in time order,
    /// `coverage` theirs) in the grid, each row with its own date and time, modally as after a
    /// download, captioned with the station and the stretch.
    void showArchivedRange(const QString &station, std::vector<ArchivedSample> samples,
                           RecordCoverage coverage);
    /// The program's windows, for the windows this one opens.
    [[nodiscard]] ProgramWindows &windows() const { return m_windows; }

    /// "Abrir archivo…": asks for a saved data file and shows it in the grid in place of the
    /// download; false when the user cancelled. A file that cannot be read or is not such a
    /// file is reported and the grid keeps what it showed.
    bool openSavedFileDialog();
    /// Shows the saved data file `fileName` in the grid, or throws and changes nothing.
    void openSavedFile(const QString &fileName);
    /// "Exportar CSV…": the samples as a CSV file.
    void exportCsv();
    /// "Resumen diario…": the window of each day's figures.
    void showDailySummary();
    /// The rebuild pass: header and timestamps, headings, row numbers, sample values.
    void DOSCANALESLM35(const DownloadLines &lines);
    /// Header decoding: the start fields, the rate field and the matching timestamp pass.
    void OBTIENEFECHAYHORA(const DownloadLines &lines);
    /// Sample decoding: the four value columns of rows 1 … N.
    void MUESTRADATA(const DownloadLines &lines);

    void VERPOR1MINUTO(int samples) { stampRows(1, samples); }
    void VERPOR5MINUTOS(int samples) { stampRows(5, samples); }
    void VERPOR10MINUTOS(int samples) { stampRows(10, samples); }
    void VERPOR15MINUTOS(int samples) { stampRows(15, samples); }
    void VERPOR30MINUTOS(int samples) { stampRows(30, samples); }
    void VERPOR60MINUTOS(int samples) { stampRows(60, samples); }

    /// "GUARDAR": saves the grid as a text file.
    void SpeedButton1Click();
    /// "GRAFICAR": shows the chart window modally.
    void SpeedButton2Click();

    /// The coverage of the archived stretch the grid shows; none for a download or a file.
    [[nodiscard]] const std::optional<RecordCoverage> &shownRecordCoverage() const { return m_shownRecordCoverage; }

protected:
    /// Each opening puts the window in the middle of the desktop, wherever it was moved to.
    void showEvent(QShowEvent *event) override;

private:
    void buildComponents();
    /// Fills the grid with `rows` in place of the download text, and the start and rate fields.
    void showRows(const std::vector<SavedRow> &rows, const QString &rateText);
    /// The start and rate fields of `rows` rows shown in place of the download text, the first
    /// dated `date` and `time`.
    void showStart(int rows, const QString &date, const QString &time, const QString &rateText);
    /// The timestamp pass: dates and times of rows 1 … samples, stepMinutes apart.
    void stampRows(int stepMinutes, int samples);
    [[nodiscard]] LoggerTime startFromLabels() const;
    /// Writes into the grid while a rebuild refills it; nothing otherwise.
    [[nodiscard]] DownloadTable::CellSink cellSink();

    /// A file dialog of the menu, set up for `mode`, run through executeFileDialog.
    QString chooseFile(QFileDialog::AcceptMode mode, const QString &caption,
                       const QStringList &filters, const QString &suffix);

    ProgramWindows &m_windows;
    /// The grid shows a saved file of this many samples, not the download text.
    std::optional<int> m_fileSamples;
    /// Said once the next rebuild from the download text has filled the grid.
    QString m_downloadWarning;
    DailySummaryWindow *m_summary = nullptr;
    /// The grid's refill while a rebuild runs.
    StringGrid::Refill *m_refill = nullptr;
    /// A header whose start or rate the logger cannot have sent, reported once the rebuild ends.
    std::optional<DownloadFormatError> m_headerProblem;
    std::optional<RecordCoverage> m_shownRecordCoverage;
};
