#include "windows/archive_window.h"

#include "archive/archive_error.h"
#include "archive/archive_import.h"
#include "archive/archive_rebuild.h"
#include "archive/station_name.h"
#include "data/daily_summary.h"
#include "data/text_export.h"
#include "runtime/error_report.h"
#include "runtime/run_file_dialog.h"
#include "windows/archive_lines.h"
#include "windows/archive_reader.h"
#include "windows/archive_tables.h"
#include "windows/archive_texts.h"
#include "windows/charts/chart_record.h"
#include "windows/charts/chart_window.h"
#include "windows/coverage_strip.h"
#include "windows/daily_summary_window.h"
#include "windows/data_window.h"
#include "windows/date_time_field.h"
#include "windows/main_window.h"
#include "windows/station_dialog.h"
#include "windows/status_line.h"
#include "windows/window_archiving.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

const QString windowName = QStringLiteral("ArchiveWindow");
const QString dateTimeFormat = QStringLiteral("dd/MM/yyyy hh:mm:ss");

QDateTime loggerDateTime(qint64 t)
{
    return QDateTime::fromSecsSinceEpoch(t, Qt::UTC);
}

DateTimeField *makeDateTimeEdit(QWidget *parent, const char *name)
{
    auto *edit = new DateTimeField(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setTimeSpec(Qt::UTC);
    edit->setDisplayFormat(dateTimeFormat);
    edit->setCalendarPopup(true);
    return edit;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

/// What an import of several files has done so far.
struct ImportTally
{
    QString station;
    int files = 0;
    int done = 0;
    int entered = 0;
    qint64 newSamples = 0;
    qint64 alreadyArchived = 0;
    qint64 conflicts = 0;
    QStringList refused;

    [[nodiscard]] QString progress(const QString &file) const
    {
        return QStringLiteral("Importando en «%1»: %2 de %3 archivos (%4)…")
            .arg(station)
            .arg(done)
            .arg(files)
            .arg(file);
    }

    [[nodiscard]] QString summary() const
    {
        QString text = QStringLiteral("Importados %1 de %2 archivos en «%3»: %4 muestras nuevas, "
                                      "%5 ya archivadas, %6 conflictos")
                           .arg(entered)
                           .arg(files)
                           .arg(station)
                           .arg(newSamples)
                           .arg(alreadyArchived)
                           .arg(conflicts);
        if (!refused.isEmpty())
            text += QStringLiteral(".\nRechazados: ") + refused.join(QStringLiteral("; "));
        return text;
    }
};

} // namespace

ArchiveWindow::ArchiveWindow(ProgramWindows &windows, const QString &archivePath, QWidget *parent)
    : QDialog(parent, Qt::Window)
    , executeFileDialog([](QFileDialog &dialog) {
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    })
    , m_windows(windows)
    , m_archivePath(archivePath)
{
    setObjectName(windowName);
    setWindowTitle(QStringLiteral("Archivo de estaciones"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(960, 680);
    m_reader = new ArchiveReader(
        archivePath,
        [this](const QString &reason) { fail(reason); }, this);
    askStation = [this](const QString &title, const QString &question, const QStringList &known,
                        const QString &current) -> std::optional<QString> {
        StationDialog dialog(title, question, known, current, this);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.station();
    };
    askYesNo = [this](const QString &question, const QString &details) {
        QMessageBox box(QMessageBox::Question, ErrorReport::applicationTitle(), question,
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setInformativeText(details);
        return box.exec() == QMessageBox::Yes;
    };
    buildComponents();
    setRangeEnabled(false);
}

ArchiveWindow::~ArchiveWindow()
{
    // The reader's work under way ends before anything of the window goes; its answer is then
    // dropped.
    delete m_reader;
}

ArchiveWindow *ArchiveWindow::showFor(ProgramWindows &windows)
{
    TForm1 &form = *windows.Form1;
    auto *window = form.findChild<ArchiveWindow *>(windowName, Qt::FindDirectChildrenOnly);
    if (!window) {
        if (!form.archiving().enabled())
            throw ArchiveError(QStringLiteral("no hay archivo de estaciones"));
        window = new ArchiveWindow(windows, form.archiving().archivePath(), &form);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QKeySequence ArchiveWindow::shortcut()
{
    // Ctrl+E exports CSV in the data window.
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E);
}

void ArchiveWindow::buildComponents()
{
    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    auto *stationsLabel = new QLabel(QStringLiteral("<b>Estaciones</b>"), this);
    top->addWidget(stationsLabel);
    top->addStretch();
    ImportButton = makeButton(this, "ImportButton", QStringLiteral("Importar archivos…"));
    top->addWidget(ImportButton);
    layout->addLayout(top);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    StationsTable = ArchiveTables::make(
        splitter, "StationsTable",
        {QStringLiteral("Estación"), QStringLiteral("Primera muestra"),
         QStringLiteral("Última muestra"), QStringLiteral("Muestras"),
         QStringLiteral("Descargas"), QStringLiteral("Última descarga"),
         QStringLiteral("Reloj del logger en la última descarga")});
    StationsTable->setEditTriggers(QAbstractItemView::DoubleClicked
                                   | QAbstractItemView::EditKeyPressed);
    StationsTable->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *rename = new QAction(QStringLiteral("Renombrar…"), StationsTable);
    rename->setObjectName(QStringLiteral("RenameAction"));
    StationsTable->addAction(rename);
    auto *rebuild = new QAction(QStringLiteral("Reconstruir archivo…"), StationsTable);
    rebuild->setObjectName(QStringLiteral("RebuildAction"));
    StationsTable->addAction(rebuild);
    splitter->addWidget(StationsTable);

    auto *station = new QWidget(splitter);
    auto *stationLayout = new QVBoxLayout(station);
    stationLayout->setContentsMargins(0, 0, 0, 0);
    StationTitle = new QLabel(QStringLiteral("Elija una estación"), station);
    StationTitle->setObjectName(QStringLiteral("StationTitle"));
    StationTitle->setWordWrap(true);
    stationLayout->addWidget(StationTitle);
    Strip = new CoverageStrip(station);
    stationLayout->addWidget(Strip);

    auto *rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(QStringLiteral("Desde"), station));
    DateTimeField *from = makeDateTimeEdit(station, "FromEdit");
    FromEdit = from;
    rangeRow->addWidget(FromEdit);
    rangeRow->addWidget(new QLabel(QStringLiteral("hasta"), station));
    DateTimeField *to = makeDateTimeEdit(station, "ToEdit");
    ToEdit = to;
    rangeRow->addWidget(ToEdit);
    for (DateTimeField *field : {from, to})
        connect(field, &DateTimeField::refused, this, [this](const QString &text) {
            say(QStringLiteral("No existe la fecha y hora «%1»: el campo sigue como estaba.")
                    .arg(text));
        });
    WholeButton = makeButton(station, "WholeButton", QStringLiteral("Todo"));
    WholeButton->setToolTip(QStringLiteral("Todo el registro de la estación"));
    rangeRow->addWidget(WholeButton);
    rangeRow->addStretch();
    ShowDataButton = makeButton(station, "ShowDataButton", QStringLiteral("Ver datos"));
    ChartButton = makeButton(station, "ChartButton", QStringLiteral("Graficar"));
    SummaryButton = makeButton(station, "SummaryButton", QStringLiteral("Resumen diario"));
    CsvButton = makeButton(station, "CsvButton", QStringLiteral("Exportar CSV…"));
    for (QPushButton *button : {ShowDataButton, ChartButton, SummaryButton, CsvButton})
        rangeRow->addWidget(button);
    stationLayout->addLayout(rangeRow);

    Tabs = new QTabWidget(station);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    DownloadsTable = ArchiveTables::make(
        Tabs, "DownloadsTable",
        {QStringLiteral("Llegada"), QStringLiteral("Muestras"), QStringLiteral("Nuevas"),
         QStringLiteral("Ya archivadas"), QStringLiteral("Conflictos"), QStringLiteral("Tasa"),
         QStringLiteral("Reloj del logger"), QStringLiteral("Comprobación"),
         QStringLiteral("Enviada")});
    GapsTable = ArchiveTables::make(
        Tabs, "GapsTable",
        {QStringLiteral("Última muestra antes"), QStringLiteral("Primera muestra después"),
         QStringLiteral("Duración")});
    ConflictsTable = ArchiveTables::make(
        Tabs, "ConflictsTable",
        {QStringLiteral("Fecha y hora"), QStringLiteral("Descarga de"),
         QStringLiteral("Traído canal 1"), QStringLiteral("Traído canal 2"),
         QStringLiteral("Traído canal 3"), QStringLiteral("Traído canal 4"),
         QStringLiteral("Archivado canal 1"), QStringLiteral("Archivado canal 2"),
         QStringLiteral("Archivado canal 3"), QStringLiteral("Archivado canal 4")});
    DownloadsTable->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *removeDownload = new QAction(QStringLiteral("Quitar descarga…"), DownloadsTable);
    removeDownload->setObjectName(QStringLiteral("RemoveDownloadAction"));
    auto *moveDownload = new QAction(QStringLiteral("Mover a otra estación…"), DownloadsTable);
    moveDownload->setObjectName(QStringLiteral("MoveDownloadAction"));
    DownloadsTable->addActions({removeDownload, moveDownload});
    Tabs->addTab(DownloadsTable, QStringLiteral("Descargas"));
    Tabs->addTab(GapsTable, QStringLiteral("Huecos"));
    Tabs->addTab(ConflictsTable, QStringLiteral("Conflictos"));
    stationLayout->addWidget(Tabs, 1);
    splitter->addWidget(station);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 3);
    layout->addWidget(splitter, 1);

    // Messages come and go at the bottom, where they move nothing.
    auto *statusRow = new QHBoxLayout;
    ArchiveLine = new StatusLine(this);
    ArchiveLine->setObjectName(QStringLiteral("ArchiveLine"));
    statusRow->addWidget(ArchiveLine, 1);
    statusRow->addWidget(ArchiveLine->DetailsButton);
    layout->addLayout(statusRow);

    const auto on = [this](QPushButton *button, void (ArchiveWindow::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { ErrorReport::guard([this, handler] { (this->*handler)(); }); });
    };
    on(ImportButton, &ArchiveWindow::importFiles);
    on(ShowDataButton, &ArchiveWindow::showRangeData);
    on(ChartButton, &ArchiveWindow::chartRange);
    on(SummaryButton, &ArchiveWindow::summarizeRange);
    on(CsvButton, &ArchiveWindow::exportRangeCsv);
    connect(WholeButton, &QPushButton::clicked, this, [this] {
        if (!m_coverage.periods.empty())
            setRange(m_coverage.periods.front().first, m_coverage.periods.back().last);
    });
    connect(rename, &QAction::triggered, this,
            [this] { ErrorReport::guard([this] { askRename(); }); });
    connect(removeDownload, &QAction::triggered, this,
            [this] { ErrorReport::guard([this] { askRemoveDownload(); }); });
    connect(moveDownload, &QAction::triggered, this,
            [this] { ErrorReport::guard([this] { askMoveDownload(); }); });
    connect(rebuild, &QAction::triggered, this,
            [this] { ErrorReport::guard([this] { askRebuild(); }); });
    connect(StationsTable, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetItem *> chosen = StationsTable->selectedItems();
        if (m_filling || chosen.isEmpty())
            return;
        const QTableWidgetItem *name = StationsTable->item(chosen.front()->row(), 0);
        const QString station = name ? name->data(Qt::UserRole).toString() : QString();
        if (station != m_station) {
            // What the line said was about the station chosen before.
            say({});
            chooseStation(station);
        }
    });
    connect(StationsTable, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (!m_filling && item->column() == 0)
            ErrorReport::guard([this, item] { stationNameEdited(item->row()); });
    });
    connect(Strip, &CoverageStrip::rangeSelected, this,
            [this](qint64 from, qint64 to) { setRange(from, to); });
    // Fields changed by hand are drawn on the strip as well.
    for (QDateTimeEdit *edit : {FromEdit, ToEdit})
        connect(edit, &QDateTimeEdit::dateTimeChanged, this,
                [this] { Strip->setSelection(range()); });
}

void ArchiveWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        refresh();
}

void ArchiveWindow::refresh()
{
    m_reader->ask([this](StationArchive &archive) -> ArchiveReader::Answer {
        return [this, stations = archive.stations()]() mutable {
            showStations(std::move(stations));
        };
    });
}

void ArchiveWindow::showStations(std::vector<StationSummary> stations)
{
    m_stations = std::move(stations);
    {
        m_filling = true;
        const QSignalBlocker quiet(StationsTable);
        ArchiveTables::fillStations(*StationsTable, m_stations);
        m_filling = false;
    }
    // The station chosen before stays chosen while it exists; else the first one is.
    int row = 0;
    for (std::size_t i = 0; i < m_stations.size(); ++i)
        if (m_stations[i].name == m_station)
            row = int(i);
    if (m_stations.empty()) {
        StationTitle->setText(QStringLiteral("El archivo no tiene estaciones todavía: "
                                             "«Importar archivos…» entra archivos guardados."));
        return;
    }
    {
        const QSignalBlocker quiet(StationsTable);
        StationsTable->selectRow(row);
    }
    chooseStation(m_stations[std::size_t(row)].name);
}

void ArchiveWindow::chooseStation(const QString &station)
{
    m_station = station;
    const int choice = ++m_choice;
    StationTitle->setText(QStringLiteral("«%1»: leyendo…").arg(station));
    setRangeEnabled(false);
    // The downloads and conflicts come at once; the coverage of a long record takes longer,
    // so it is asked for apart and fills the strip, the gaps and the title when it comes.
    struct Lists
    {
        std::vector<DownloadSummary> downloads;
        std::vector<ConflictRow> conflicts;
        bool shared = false;
    };
    m_reader->ask([this, station, choice](StationArchive &archive) -> ArchiveReader::Answer {
        auto lists = std::make_shared<Lists>(Lists {archive.downloads(station),
                                                    archive.conflicts(station),
                                                    !archive.serverUrl().isEmpty()});
        return [this, choice, lists] {
            if (choice != m_choice)
                return;
            ArchiveTables::fillDownloads(*DownloadsTable, lists->downloads, lists->shared);
            ArchiveTables::fillConflicts(*ConflictsTable, lists->conflicts);
            Tabs->setTabText(2, QStringLiteral("Conflictos (%1)").arg(lists->conflicts.size()));
        };
    });
    m_reader->ask([this, station, choice](StationArchive &archive) -> ArchiveReader::Answer {
        auto coverage = std::make_shared<RecordCoverage>(archive.coverage(station));
        return [this, choice, station, coverage] {
            if (choice == m_choice)
                showCoverage(station, *coverage);
        };
    });
}

void ArchiveWindow::showCoverage(const QString &station, const RecordCoverage &coverage)
{
    m_coverage = coverage;
    Strip->setCoverage(coverage);
    ArchiveTables::fillGaps(*GapsTable, coverage.gaps);
    Tabs->setTabText(1, QStringLiteral("Huecos (%1)").arg(coverage.gaps.size()));
    if (coverage.periods.empty()) {
        StationTitle->setText(QStringLiteral("«%1»: sin muestras").arg(station));
    } else {
        const QString rate = stepsText(coverage.stepsMinutes);
        const std::size_t gaps = coverage.gaps.size();
        StationTitle->setText(
            QStringLiteral("«%1»: %2 muestras del %3 al %4%5; %6")
                .arg(station)
                .arg(coverage.samples())
                .arg(ArchiveTexts::moment(coverage.periods.front().first),
                     ArchiveTexts::moment(coverage.periods.back().last),
                     rate.isEmpty() ? QString() : QStringLiteral(", ") + rate,
                     gaps == 0   ? QStringLiteral("sin huecos")
                     : gaps == 1 ? QStringLiteral("1 hueco")
                                 : QStringLiteral("%1 huecos").arg(gaps)));
        setRange(coverage.periods.front().first, coverage.periods.back().last);
        setRangeEnabled(true);
    }
    emit stationShown();
}

std::pair<qint64, qint64> ArchiveWindow::range() const
{
    const qint64 from = FromEdit->dateTime().toSecsSinceEpoch();
    const qint64 to = ToEdit->dateTime().toSecsSinceEpoch();
    return {std::min(from, to), std::max(from, to)};
}

void ArchiveWindow::setRange(qint64 from, qint64 to)
{
    FromEdit->setDateTime(loggerDateTime(from));
    ToEdit->setDateTime(loggerDateTime(to));
    Strip->setSelection(std::pair {from, to});
}

void ArchiveWindow::setRangeEnabled(bool enabled)
{
    for (QWidget *widget : std::initializer_list<QWidget *> {
             FromEdit, ToEdit, WholeButton, ShowDataButton, ChartButton, SummaryButton, CsvButton})
        widget->setEnabled(enabled);
}

void ArchiveWindow::rangeDataAsked(
    const std::function<void(std::vector<ArchivedSample> samples, RecordCoverage coverage)> &use,
    const std::function<void()> &dropped)
{
    if (m_station.isEmpty())
        return;
    const auto [from, to] = range();
    const QString station = m_station;
    say(QStringLiteral("Leyendo «%1» del %2 al %3…")
            .arg(station, ArchiveTexts::moment(from), ArchiveTexts::moment(to)));
    m_reader->ask([this, station, from, to, use,
                   dropped](StationArchive &archive) -> ArchiveReader::Answer {
        auto samples = std::make_shared<std::vector<ArchivedSample>>();
        auto coverage = std::make_shared<RecordCoverage>();
        try {
            *samples = archive.samples(station, from, to);
            *coverage = archive.coverage(station, from, to);
        } catch (const std::exception &) {
            if (!dropped)
                throw;
            const QString reason = ArchiveLines::currentFailure();
            return [this, dropped, reason] {
                dropped();
                fail(reason);
            };
        }
        return [this, station, from, to, use, dropped, samples, coverage] {
            if (samples->empty()) {
                if (dropped)
                    dropped();
                say(QStringLiteral("«%1» no tiene muestras del %2 al %3")
                        .arg(station, ArchiveTexts::moment(from), ArchiveTexts::moment(to)));
                return;
            }
            say({});
            use(std::move(*samples), std::move(*coverage));
        };
    });
}

void ArchiveWindow::showRangeData()
{
    rangeDataAsked([this, station = m_station](std::vector<ArchivedSample> samples,
                                               RecordCoverage coverage) {
        // The data window is modal: one already open is left as it is.
        if (m_windows.Form5->isVisible()) {
            say(QStringLiteral("La ventana de datos está abierta: ciérrela y pulse de nuevo "
                               "«Ver datos»."));
            return;
        }
        m_windows.Form5->showArchivedRange(station, std::move(samples), std::move(coverage));
    });
}

void ArchiveWindow::chartRange()
{
    if (m_station.isEmpty())
        return;
    // The chart window shows at once and says that it reads; it is filled when the read is
    // done, unless the user closed it meanwhile.
    QPointer<TForm6> chart = openLoadingRecordChart(m_windows, m_station, this);
    const auto open = [chart] {
        return chart && chart->isVisible();
    };
    rangeDataAsked(
        [chart, open, station = m_station](std::vector<ArchivedSample> samples,
                                           RecordCoverage coverage) {
            if (open())
                chart->showRecord(ChartRecord {station, std::move(samples), std::move(coverage)});
        },
        [chart, open] {
            if (open())
                chart->close();
        });
}

void ArchiveWindow::summarizeRange()
{
    rangeDataAsked([this, station = m_station](std::vector<ArchivedSample> archived,
                                               RecordCoverage coverage) {
        // Each sample counts for the step of the download that brought it.
        const SummarySteps steps = summarySteps(coverage.times);
        if (steps.minutes.empty())
            throw ArchiveError(QStringLiteral("sin tasa de muestreo no hay resumen diario"));
        if (steps.minutes.size() != archived.size())
            throw ArchiveError(QStringLiteral("el archivo cambió mientras se leía: pida de nuevo "
                                              "el resumen diario"));
        std::vector<SummarySample> samples;
        samples.reserve(archived.size());
        for (const ArchivedSample &sample : archived) {
            SummarySample summary;
            summary.day = QDateTime::fromSecsSinceEpoch(sample.t, Qt::UTC).date();
            for (int channel = 0; channel < 4; ++channel) {
                const int value = sample.values[std::size_t(channel)];
                summary.values[std::size_t(channel)] = channel < 3 ? value / 10.0 : value;
            }
            summary.stepMinutes = steps.minutes[samples.size()];
            samples.push_back(summary);
        }
        if (!m_summary) {
            m_summary = new DailySummaryWindow(this);
            m_summary->exportRequested = [this] {
                const QStringList files = chooseFiles(
                    QFileDialog::AcceptSave, QFileDialog::AnyFile,
                    QStringLiteral("Exportar resumen diario"), {QStringLiteral("CSV (*.csv)")},
                    QStringLiteral("csv"));
                return files.isEmpty() ? QString() : files.first();
            };
        }
        m_summary->setDays(dailySummary(samples));
        const QString title =
            QStringLiteral("Resumen diario de «%1»").arg(station) + assumedStepsText(steps);
        m_summary->setWindowTitle(title);
        m_summary->show();
        m_summary->raise();
        m_summary->activateWindow();
    });
}

void ArchiveWindow::exportRangeCsv()
{
    if (m_station.isEmpty())
        return;
    const QStringList files =
        chooseFiles(QFileDialog::AcceptSave, QFileDialog::AnyFile, QStringLiteral("Exportar CSV"),
                    {QStringLiteral("CSV (*.csv)")}, QStringLiteral("csv"));
    if (files.isEmpty())
        return;
    const QString fileName = files.first();
    // Refused before the archive is read: a device or a FIFO is no file to write.
    TextExport::refuseNonFile(fileName);
    const auto [from, to] = range();
    const QString station = m_station;
    say(QStringLiteral("Exportando «%1»…").arg(station));
    m_reader->ask([this, station, from, to, fileName](StationArchive &archive)
                      -> ArchiveReader::Answer {
        auto text = std::make_shared<QByteArray>(archive.csvText(station, from, to));
        return [this, text, fileName] {
            TextExport::writeFile(fileName, *text);
            say(QStringLiteral("Exportado a %1").arg(QFileInfo(fileName).fileName()));
        };
    });
}

void ArchiveWindow::importFiles()
{
    const QStringList files = chooseFiles(
        QFileDialog::AcceptOpen, QFileDialog::ExistingFiles, QStringLiteral("Importar archivos"),
        {QStringLiteral("Datos guardados y CSV (*.txt *.csv)"),
         QStringLiteral("Todos los archivos (*)")},
        {});
    if (files.isEmpty())
        return;
    QStringList known;
    for (const StationSummary &station : m_stations)
        known.append(station.name);
    const std::optional<QString> chosen =
        askStation(QStringLiteral("Importar archivos"),
                   QStringLiteral("¿De qué estación son estos archivos?"), known, m_station);
    if (!chosen)
        return;
    const QString station = checkedStationName(*chosen);

    auto tally = std::make_shared<ImportTally>();
    tally->station = station;
    tally->files = int(files.size());
    ImportButton->setEnabled(false);
    say(tally->progress(QFileInfo(files.first()).fileName()));
    // One question per file: the line moves on with each, and the window's other questions
    // are answered between them.
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        const QString next = i + 1 < files.size() ? QFileInfo(files[i + 1]).fileName() : QString();
        m_reader->ask([this, station, path, next, tally](StationArchive &archive)
                          -> ArchiveReader::Answer {
            std::optional<EntryResult> result;
            QString refusal;
            try {
                result = importFile(archive, station, path);
            } catch (const std::exception &) {
                refusal = ArchiveLines::currentFailure();
            }
            return [this, path, next, tally, result, refusal] {
                ++tally->done;
                if (result) {
                    ++tally->entered;
                    tally->newSamples += result->newSamples;
                    tally->alreadyArchived += result->alreadyArchived;
                    tally->conflicts += result->conflicts;
                } else {
                    tally->refused.append(
                        QStringLiteral("%1 (%2)").arg(QFileInfo(path).fileName(), refusal));
                }
                if (tally->done < tally->files) {
                    say(tally->progress(next));
                    return;
                }
                say(tally->summary());
                ImportButton->setEnabled(true);
                m_station = tally->station;
                refresh();
                emit importEnded();
            };
        });
    }
}

void ArchiveWindow::askRename()
{
    if (m_station.isEmpty())
        return;
    bool ok = false;
    const QString name = QInputDialog::getText(
        this, QStringLiteral("Renombrar estación"),
        QStringLiteral("Nuevo nombre de «%1»:").arg(m_station), QLineEdit::Normal, m_station, &ok);
    if (ok)
        renameStation(m_station, name);
}

void ArchiveWindow::askRebuild()
{
    const QStringList files =
        chooseFiles(QFileDialog::AcceptSave, QFileDialog::AnyFile,
                    QStringLiteral("Reconstruir archivo"),
                    {QStringLiteral("Archivo de estaciones (*.sqlite)")}, QStringLiteral("sqlite"));
    if (files.isEmpty())
        return;
    const QString fileName = files.first();
    if (QFileInfo::exists(fileName) || QFileInfo(fileName).isSymLink())
        throw ArchiveError(
            QStringLiteral("%1 ya existe: la reconstrucción va a un archivo nuevo").arg(fileName));
    say(QStringLiteral("Reconstruyendo el archivo en %1…").arg(QFileInfo(fileName).fileName()));
    // The archive may be too damaged to open as the reader opens it: the rebuild reads it its
    // own way.
    m_reader->askAside([this, fileName]() -> ArchiveReader::Answer {
        const RebuildResult result = rebuildArchive(m_archivePath, fileName);
        return [this, result] {
            say(result.line());
            if (!result.complete())
                ErrorReport::show(result.line());
        };
    });
}

void ArchiveWindow::stationNameEdited(int row)
{
    QTableWidgetItem *item = StationsTable->item(row, 0);
    if (!item)
        return;
    const QString from = item->data(Qt::UserRole).toString();
    const QString to = item->text();
    {
        // The cell shows the archive's name until the archive has taken the new one.
        const QSignalBlocker quiet(StationsTable);
        item->setText(from);
    }
    renameStation(from, to);
}

void ArchiveWindow::renameStation(const QString &from, const QString &to)
{
    const QString typed = checkedStationName(to);
    if (typed == from)
        return;
    // A name like another station (see stationKey) is that station: joining is asked as for it.
    QStringList others;
    for (const StationSummary &station : m_stations) {
        if (station.name != from)
            others.append(station.name);
    }
    const QString name = lookAlikeStation(typed, others).value_or(typed);
    const bool exists = std::any_of(m_stations.begin(), m_stations.end(),
                                    [&name](const StationSummary &s) { return s.name == name; });
    if (exists
        && !askYesNo(QStringLiteral("¿Unir las dos estaciones?"),
                     QStringLiteral("«%1» ya existe. Las descargas y muestras de «%2» pasan a «%1»; "
                                    "las muestras que «%1» ya tiene con otros valores quedan como "
                                    "conflictos, y «%1» conserva las suyas.")
                         .arg(name, from)))
        return;
    m_reader->ask([this, from, name](StationArchive &archive) -> ArchiveReader::Answer {
        const StationMerge merge = archive.renameStation(from, name);
        return [this, merge, name] {
            say(merge.line());
            m_station = name;
            refresh();
            if (merge.conflicts > 0)
                Tabs->setCurrentWidget(ConflictsTable);
        };
    });
}

std::optional<std::pair<qint64, QString>> ArchiveWindow::chosenDownload() const
{
    const QTableWidgetItem *arrival = DownloadsTable->item(DownloadsTable->currentRow(), 0);
    if (!arrival || m_station.isEmpty())
        return std::nullopt;
    return std::pair(arrival->data(Qt::UserRole).toLongLong(), arrival->text());
}

void ArchiveWindow::askRemoveDownload()
{
    const auto chosen = chosenDownload();
    if (!chosen
        || !askYesNo(QStringLiteral("¿Quitar del archivo la descarga de %1?").arg(chosen->second),
                     QStringLiteral("Sus muestras que ninguna otra descarga de «%1» trajo salen "
                                    "del registro; las demás quedan. Sus conflictos se van con "
                                    "ella.")
                         .arg(m_station)))
        return;
    m_reader->ask([this, id = chosen->first](StationArchive &archive) -> ArchiveReader::Answer {
        const DownloadRemoval removal = archive.removeDownload(id);
        return [this, removal] {
            say(removal.line());
            if (removal.stationRemoved)
                m_station.clear();
            refresh();
        };
    });
}

void ArchiveWindow::askMoveDownload()
{
    const auto chosen = chosenDownload();
    if (!chosen)
        return;
    QStringList known;
    for (const StationSummary &station : m_stations) {
        if (station.name != m_station)
            known.append(station.name);
    }
    const std::optional<QString> answer =
        askStation(QStringLiteral("Mover a otra estación"),
                   QStringLiteral("¿A qué estación pasa la descarga de %1?").arg(chosen->second),
                   known, {});
    if (!answer)
        return;
    const QString station = checkedStationName(*answer);
    m_reader->ask([this, id = chosen->first, station](StationArchive &archive)
                      -> ArchiveReader::Answer {
        const DownloadMove move = archive.moveDownload(id, station);
        return [this, move] {
            say(move.line());
            m_station = move.entry.station;
            refresh();
        };
    });
}

void ArchiveWindow::say(const QString &text)
{
    ArchiveLine->say(text);
}

void ArchiveWindow::fail(const QString &reason)
{
    const QString text = QStringLiteral("No se pudo leer el archivo de estaciones: %1").arg(reason);
    say(text);
    ErrorReport::show(text);
}

QStringList ArchiveWindow::chooseFiles(QFileDialog::AcceptMode mode, QFileDialog::FileMode fileMode,
                                       const QString &caption, const QStringList &filters,
                                       const QString &suffix)
{
    QFileDialog dialog(this, caption, QDir::homePath());
    dialog.setObjectName(QStringLiteral("ArchiveFileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(fileMode);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffix);
    return executeFileDialog(dialog);
}
