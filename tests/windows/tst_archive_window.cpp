// Covers the archive window against a temporary archive: three saved files imported one by one
// (and one refused) make a station whose single gap shows on the coverage strip, in its tip and
// in the list with its length; "Ver datos" puts a range in the data window with each row's own
// date across the gap, and shows, copies, saves and exports the very texts the grid held when
// it kept one per cell (tests/data/expected/archived_*), its dates, times and values written as
// the archive writes them; "GUARDAR" refuses a range with a gap and offers CSV, and saves a range
// of one run as a saved file, which reads back to the same grid; renaming a station to a name
// that exists asks before joining the two, and then shows the merge and its conflicts; a download
// is moved to another station and removed from the downloads' menu; "Reconstruir archivo…"
// makes a new archive of the downloads and never goes over a file; Enter in the import's
// question takes the station its field shows, or offers the one a typed name is like; the
// downloads' "Enviada" shows only with a shared archive set; the daily summary of a range at
// 60 and 1 minute counts each sample for its own step.
#include "app/window_set.h"
#include "archive/archived_samples.h"
#include "archive/station_archive.h"
#include "archive_test_support.h"
#include "download_text.h"
#include "runtime/error_report.h"
#include "scripted_serial_port.h"
#include "station_question.h"
#include "windows/archive_reader.h"
#include "windows/archive_texts.h"
#include "windows/archive_window.h"
#include "windows/charts/chart_view.h"
#include "windows/charts/chart_window.h"
#include "windows/archived_range_cells.h"
#include "windows/coverage_strip.h"
#include "windows/daily_summary_window.h"
#include "windows/data_window.h"
#include "windows/main_window.h"
#include "windows/status_line.h"
#include "windows/string_grid.h"
#include "windows/window_archiving.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>

namespace {

constexpr qint64 step = 900;
constexpr int perFile = 96;
/// The one gap: from the last sample of the second file to the first of the third.
constexpr qint64 gapLength = 3 * 86400 + 4 * 3600;

const QDateTime start(QDate(2025, 12, 30), QTime(0, 0, 7), Qt::UTC);

qint64 firstOf(int file)
{
    const qint64 first = start.toSecsSinceEpoch() + qint64(file) * perFile * step;
    return file < 2 ? first : first - step + gapLength;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

/// Once a modal window of type Window named `name` is up, from whatever event loop runs then,
/// hands it to `act`, which closes it.
template<typename Window>
void whenModal(const QString &name, std::function<void(Window *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, name, act] {
        auto *window = qobject_cast<Window *>(QApplication::activeModalWidget());
        if (!window || window->objectName() != name || !window->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(window);
    });
    timer->start();
}

} // namespace

class TestArchiveWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowSet> m_set;
    std::unique_ptr<QTemporaryDir> m_dir;
    ArchiveWindow *m_window = nullptr;
    TForm5 *m_data = nullptr;
    QStringList m_errors;
    QStringList m_files;
    /// The window's own question for a station, before importAll answers it for the tests.
    std::function<std::optional<QString>(const QString &, const QString &, const QStringList &,
                                         const QString &)>
        m_askStation;

    /// Saved files of three downloads of 96 samples at 15 minutes: the first two one after the
    /// other, the third after a gap; and a file that is none.
    void writeFiles()
    {
        for (int file = 0; file < 3; ++file) {
            const QDateTime from = QDateTime::fromSecsSinceEpoch(firstOf(file), Qt::UTC);
            const QString path = m_dir->filePath(QStringLiteral("descarga%1.txt").arg(file + 1));
            writeFile(path, savedFileText(ArchiveTest::plainDownload(from, perFile),
                                          RawKind::DownloadText));
            m_files.append(path);
        }
        const QString bad = m_dir->filePath(QStringLiteral("malo.txt"));
        writeFile(bad, "esto no es un archivo de datos\r\n");
        m_files.append(bad);
    }

    void importAll()
    {
        m_window->executeFileDialog = [this](QFileDialog &) { return m_files; };
        m_window->askStation = [](const QString &, const QString &, const QStringList &,
                                  const QString &) { return QStringLiteral("Parcela 3"); };
        QSignalSpy ended(m_window, &ArchiveWindow::importEnded);
        QSignalSpy shown(m_window, &ArchiveWindow::stationShown);
        m_window->importFiles();
        QVERIFY(ended.wait(10000));
        QTRY_COMPARE(m_window->station(), QStringLiteral("Parcela 3"));
        QTRY_VERIFY(m_window->reader().pending() == 0 && !shown.isEmpty());
    }

    /// Runs `inside` while the data window that `open` shows is up, then closes it.
    void whileDataWindowShows(const std::function<void()> &open, const std::function<void()> &inside)
    {
        bool ran = false;
        whenModal<QDialog>(QStringLiteral("Form5"), [&](QDialog *window) {
            inside();
            ran = true;
            window->close();
        });
        open();
        QTRY_VERIFY_WITH_TIMEOUT(ran, 10000);
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("BRENTAVIUS4")); }

    void init()
    {
        m_set = std::make_unique<WindowSet>(std::make_unique<ScriptedSerialPort>());
        m_set->windows.Form1->skipPortSetup = true;
        m_data = m_set->windows.Form5;
        m_dir = std::make_unique<QTemporaryDir>();
        m_errors.clear();
        ErrorReport::setPresenter([this](const QString &message) { m_errors.append(message); });
        m_files.clear();
        writeFiles();
        m_window = new ArchiveWindow(m_set->windows,
                                     m_dir->filePath(QStringLiteral("estaciones.sqlite")),
                                     m_set->windows.Form1);
        m_window->show();
        m_askStation = m_window->askStation;
        importAll();
    }

    void cleanup()
    {
        delete m_window;
        m_set.reset();
        ErrorReport::setPresenter({});
    }

    void threeImportedFilesWithOneGapShowItOnTheStripInItsTipAndInTheList()
    {
        QVERIFY(m_window->ArchiveLine->text().startsWith(
            QStringLiteral("Importados 3 de 4 archivos en «Parcela 3»: 288 muestras nuevas, 0 ya "
                           "archivadas, 0 conflictos.\nRechazados: malo.txt (")));
        QCOMPARE(m_window->StationsTable->rowCount(), 1);
        QCOMPARE(m_window->StationsTable->item(0, 3)->text(), QStringLiteral("288"));

        const RecordCoverage &coverage = m_window->Strip->coverage();
        QCOMPARE(coverage.periods.size(), std::size_t(2));
        QCOMPARE(coverage.gaps.size(), std::size_t(1));
        const RecordGap gap = coverage.gaps.front();
        QCOMPARE(gap.lastBefore, firstOf(2) - gapLength);
        QCOMPARE(gap.firstAfter, firstOf(2));

        QCOMPARE(m_window->GapsTable->rowCount(), 1);
        QCOMPARE(m_window->GapsTable->item(0, 0)->text(), ArchiveTexts::moment(gap.lastBefore));
        QCOMPARE(m_window->GapsTable->item(0, 2)->text(), QStringLiteral("3 días 4 h"));

        // Hovering the middle of the gap says it; over a covered stretch nothing is said.
        const CoverageStrip &strip = *m_window->Strip;
        const int middle = strip.xOf(gap.lastBefore + gap.length() / 2);
        QCOMPARE(strip.tipAt(middle),
                 QStringLiteral("Hueco de 3 días 4 h\ndesde %1\nhasta %2")
                     .arg(ArchiveTexts::moment(gap.lastBefore),
                          ArchiveTexts::moment(gap.firstAfter)));
        QCOMPARE(strip.tipAt(strip.xOf(firstOf(0) + step * 10)), QString());
        QCOMPARE(m_errors, QStringList());
    }

    void aMessageMovesNoControlAndItsWholeTextIsOneClickAway()
    {
        const auto buttonPlace = [this] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            return QRect(m_window->ShowDataButton->mapTo(m_window, QPoint(0, 0)),
                         m_window->ShowDataButton->size());
        };
        m_window->ArchiveLine->say({});
        const QRect quiet = buttonPlace();
        QVERIFY(!m_window->ArchiveLine->DetailsButton->isVisible());

        // A second import says its summary and the refused file on two lines.
        importAll();
        const QString said = m_window->ArchiveLine->text();
        QVERIFY2(said.contains(QStringLiteral("\nRechazados: malo.txt")), qPrintable(said));
        QCOMPARE(buttonPlace(), quiet);
        QCOMPARE(m_window->ArchiveLine->height(), m_window->ArchiveLine->sizeHint().height());
        QCOMPARE(m_window->ArchiveLine->toolTip(), said);

        QVERIFY(m_window->ArchiveLine->DetailsButton->isVisible());
        m_window->ArchiveLine->DetailsButton->click();
        auto *box = m_window->findChild<QMessageBox *>(QStringLiteral("DetailsBox"));
        QVERIFY(box);
        QCOMPARE(box->text(), said);
        box->close();
    }

    void aWholeDateTypedOrPastedOverTheFieldIsTakenAsWritten_data()
    {
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("exists");
        QTest::newRow("typed") << false << QStringLiteral("01/03/2000 18:37:45") << true;
        QTest::newRow("pasted") << true << QStringLiteral(" 01/03/2000 18:37:45\n") << true;
        QTest::newRow("31 February typed") << false << QStringLiteral("31/02/2026 10:00:00") << false;
        QTest::newRow("31 February pasted") << true << QStringLiteral("31/02/2026 10:00:00") << false;
        QTest::newRow("hour 25 pasted") << true << QStringLiteral("01/03/2000 25:00:00") << false;
    }

    void aWholeDateTypedOrPastedOverTheFieldIsTakenAsWritten()
    {
        QFETCH(bool, paste);
        QFETCH(QString, text);
        QFETCH(bool, exists);
        QDateTimeEdit *field = m_window->FromEdit;
        const QString before = field->text();
        const qint64 to = m_window->range().second;
        field->setFocus();
        field->selectAll();
        if (paste) {
            QApplication::clipboard()->setText(text);
            QTest::keySequence(field, QKeySequence::Paste);
        } else {
            // As a keyboard types it: Shift goes down alone before ':'.
            for (const QChar c : text) {
                if (c == u':')
                    QTest::keyClick(field, Qt::Key_Shift);
                QTest::keyClicks(field, QString(c));
            }
        }
        if (exists) {
            QCOMPARE(field->text(), text.trimmed());
            const qint64 from = QDateTime(QDate(2000, 3, 1), QTime(18, 37, 45), Qt::UTC)
                                    .toSecsSinceEpoch();
            QCOMPARE(m_window->range(), std::make_pair(from, to));
        } else {
            QCOMPARE(field->text(), before);
            QVERIFY2(field->toolTip().contains(text),
                     qPrintable(field->toolTip() + u'|' + m_window->ArchiveLine->text()));
            QCOMPARE(m_window->ArchiveLine->text(),
                     QStringLiteral("No existe la fecha y hora «%1»: el campo sigue como estaba.")
                         .arg(text));
        }
        QCOMPARE(field->palette().color(QPalette::Base) != QApplication::palette().color(QPalette::Base),
                 !exists);
    }

    void aNameThatExistsAsksBeforeJoiningAndShowsTheMergesConflicts()
    {
        {
            // Another name for the first day, each value of channel 4 one higher.
            StationArchive archive = StationArchive::openFile(
                m_dir->filePath(QStringLiteral("estaciones.sqlite")));
            const QDateTime from = QDateTime::fromSecsSinceEpoch(firstOf(0), Qt::UTC);
            const QByteArray other = ArchiveTest::downloadText(from, 4, [&from](int i) {
                std::array<int, 4> readings = ArchiveTest::plainReadings(from, i);
                ++readings[3];
                return readings;
            });
            archive.enter(QStringLiteral("Parcela 3 vieja"),
                          {other, RawKind::DownloadText, 0, 4, std::nullopt});
        }
        QSignalSpy shown(m_window, &ArchiveWindow::stationShown);
        m_window->refresh();
        QTRY_COMPARE(m_window->StationsTable->rowCount(), 2);

        QStringList asked;
        bool join = false;
        m_window->askYesNo = [&](const QString &question, const QString &) {
            asked.append(question);
            return join;
        };
        m_window->renameStation(QStringLiteral("Parcela 3 vieja"), QStringLiteral("Parcela 3"));
        QCOMPARE(asked, QStringList {QStringLiteral("¿Unir las dos estaciones?")});
        QTest::qWait(50);
        QCOMPARE(m_window->reader().pending(), 0);
        QCOMPARE(m_window->StationsTable->rowCount(), 2);

        join = true;
        shown.clear();
        m_window->renameStation(QStringLiteral("Parcela 3 vieja"), QStringLiteral("Parcela 3"));
        QTRY_VERIFY(!shown.isEmpty() && m_window->reader().pending() == 0);
        QCOMPARE(m_window->StationsTable->rowCount(), 1);
        QCOMPARE(m_window->ArchiveLine->text(),
                 QStringLiteral("«Parcela 3 vieja» y «Parcela 3» son ahora una estación, "
                                "«Parcela 3»: 0 muestras pasaron, 0 ya archivadas, 4 no coinciden"));
        QCOMPARE(m_window->ConflictsTable->rowCount(), 4);
        QCOMPARE(m_window->Tabs->currentWidget(), m_window->ConflictsTable);
        QCOMPARE(m_window->ConflictsTable->item(0, 0)->text(), ArchiveTexts::moment(firstOf(0)));
        QCOMPARE(m_window->ConflictsTable->item(0, 5)->text().toInt(),
                 m_window->ConflictsTable->item(0, 9)->text().toInt() + 1);
        QCOMPARE(m_errors, QStringList());
    }

    void aDownloadIsMovedAndRemovedFromItsMenu()
    {
        writeFiles();
        importAll();
        QTRY_COMPARE(m_window->DownloadsTable->rowCount(), 3);
        const auto trigger = [this](const char *name, int row) {
            m_window->DownloadsTable->setCurrentCell(row, 0);
            auto *action = m_window->DownloadsTable->findChild<QAction *>(QLatin1String(name));
            QVERIFY(action);
            QVERIFY(m_window->DownloadsTable->actions().contains(action));
            QSignalSpy shown(m_window, &ArchiveWindow::stationShown);
            action->trigger();
            QTRY_VERIFY(!shown.isEmpty() && m_window->reader().pending() == 0);
        };
        QStringList known;
        m_window->askStation = [&known](const QString &, const QString &, const QStringList &list,
                                        const QString &) {
            known = list;
            return QStringLiteral("Parcela 4");
        };
        trigger("MoveDownloadAction", 2);
        QCOMPARE(known, QStringList());
        QVERIFY2(m_window->ArchiveLine->text().startsWith(QStringLiteral("La descarga ")),
                 qPrintable(m_window->ArchiveLine->text()));
        QCOMPARE(m_window->StationsTable->rowCount(), 2);
        QCOMPARE(m_window->station(), QStringLiteral("Parcela 4"));
        QCOMPARE(m_window->DownloadsTable->rowCount(), 1);

        QStringList asked;
        m_window->askYesNo = [&asked](const QString &question, const QString &) {
            asked.append(question);
            return true;
        };
        trigger("RemoveDownloadAction", 0);
        QCOMPARE(asked.size(), 1);
        QVERIFY2(m_window->ArchiveLine->text().endsWith(
                     QStringLiteral("«Parcela 4» quedó sin descargas y se quitó")),
                 qPrintable(m_window->ArchiveLine->text()));
        QCOMPARE(m_window->StationsTable->rowCount(), 1);
        QCOMPARE(m_errors, QStringList());
    }

    void reconstruirArchivoMakesANewArchiveOfTheDownloadsAndNeverGoesOverAFile()
    {
        auto *rebuild =
            m_window->StationsTable->findChild<QAction *>(QStringLiteral("RebuildAction"));
        QVERIFY(rebuild);
        QCOMPARE(rebuild->text(), QStringLiteral("Reconstruir archivo…"));
        const QString rebuilt = m_dir->filePath(QStringLiteral("nuevo.sqlite"));
        m_window->executeFileDialog = [&rebuilt](QFileDialog &) { return QStringList {rebuilt}; };
        rebuild->trigger();
        QTRY_VERIFY(m_window->reader().pending() == 0);
        QCOMPARE(m_errors, QStringList());
        QVERIFY2(m_window->ArchiveLine->text().startsWith(
                     QStringLiteral("Archivo %1 reconstruido desde").arg(rebuilt)),
                 qPrintable(m_window->ArchiveLine->text()));
        QCOMPARE(StationArchive::openFile(rebuilt).downloads().size(), std::size_t(3));

        // Asked again for the same name: refused, the file left as it is.
        const auto bytes = [&rebuilt] {
            QFile file(rebuilt);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray before = bytes();
        rebuild->trigger();
        QTRY_VERIFY(m_window->reader().pending() == 0);
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.front().contains(QStringLiteral("ya existe")),
                 qPrintable(m_errors.front()));
        QVERIFY(bytes() == before);
    }

    void enterInTheImportQuestionTakesTheStationItsFieldShows_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("offered");
        QTest::newRow("the chosen station, shown") << QString() << false;
        QTest::newRow("a name like it, typed") << QStringLiteral("PARCELA 3") << true;
    }

    void enterInTheImportQuestionTakesTheStationItsFieldShows()
    {
        QFETCH(QString, typed);
        QFETCH(bool, offered);
        const QString path = m_dir->filePath(QStringLiteral("estaciones.sqlite"));
        // A station listed before the chosen one.
        StationArchive::openFile(path).enter(
            QStringLiteral("Alfa"),
            {ArchiveTest::plainDownload(start.addDays(40), 4), RawKind::DownloadText, 0, 4, {}});
        m_window->refresh();
        m_window->chooseStation(QStringLiteral("Parcela 3"));
        QTRY_VERIFY(m_window->stations().size() == 2 && m_window->reader().pending() == 0);
        QCOMPARE(m_window->station(), QStringLiteral("Parcela 3"));

        const QString file = m_dir->filePath(QStringLiteral("nueva.txt"));
        writeFile(file, savedFileText(ArchiveTest::plainDownload(start.addDays(60), 4),
                                      RawKind::DownloadText));
        m_window->executeFileDialog = [&file](QFileDialog &) { return QStringList {file}; };
        m_window->askStation = m_askStation;
        bool saidLike = false;
        StationQuestion::whenAsked([&](QDialog *dialog, QComboBox *names) {
            if (!typed.isEmpty())
                StationQuestion::type(names, typed);
            StationQuestion::pressEnter(names);
            if (!dialog->isVisible())
                return;
            // Still open: a name like a station's is offered as it, and Enter again takes it.
            const auto *problem = dialog->findChild<QLabel *>(QStringLiteral("StationProblem"));
            saidLike = problem->isVisible()
                && problem->text().contains(QStringLiteral("«Parcela 3»"))
                && names->currentText() == QStringLiteral("Parcela 3");
            StationQuestion::pressEnter(names);
        });
        QSignalSpy ended(m_window, &ArchiveWindow::importEnded);
        m_window->importFiles();
        QVERIFY(ended.wait(10000));
        QCOMPARE(saidLike, offered);
        QCOMPARE(StationArchive::openFile(path).downloads().back().station,
                 QStringLiteral("Parcela 3"));
    }

    void theMainAndDataWindowsOpenOneArchiveWindowByTheirShortcut()
    {
        TForm1 &form = *m_set->windows.Form1;
        form.archiving().setArchivePath(m_dir->filePath(QStringLiteral("estaciones.sqlite")));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        m_window->hide();
        // No right click has been made: the shortcut works all the same.
        QTest::keyClick(&form, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        auto *opened = form.findChild<ArchiveWindow *>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(opened, m_window);
        QVERIFY(opened->isVisible());
        opened->hide();

        // From the data window, which closes first, the same window comes back.
        whileDataWindowShows([this] { m_data->showModal(); }, [this] {
            QTest::keyClick(m_data, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        });
        QTRY_VERIFY(opened->isVisible());
        QVERIFY(!m_data->isVisible());
        QCOMPARE(form.findChildren<ArchiveWindow *>(QString(), Qt::FindDirectChildrenOnly).size(),
                 1);
    }

    void theSpanOfAGapIsSaidInItsTwoLargestUnits_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("seconds") << qint64(59) << QStringLiteral("59 s");
        QTest::newRow("minutes") << qint64(30 * 60 + 5) << QStringLiteral("30 min 5 s");
        QTest::newRow("whole hours") << qint64(7200) << QStringLiteral("2 h");
        QTest::newRow("one day") << qint64(86400 + 59) << QStringLiteral("1 día");
        QTest::newRow("days and hours") << gapLength << QStringLiteral("3 días 4 h");
    }

    void theSpanOfAGapIsSaidInItsTwoLargestUnits()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(ArchiveTexts::span(seconds), text);
    }

    /// The chart windows the archive window has opened and not yet destroyed.
    QList<TForm6 *> chartWindows() const { return m_window->findChildren<TForm6 *>(); }

    void graficarShowsTheWindowAtOnceAndFillsItAsTheRecordAlone()
    {
        m_window->ChartButton->click();
        // Before the reader answers: the caption and a word that the archive is being read.
        QCOMPARE(chartWindows().size(), 1);
        TForm6 *chart = chartWindows().constFirst();
        QVERIFY(chart->isVisible());
        QCOMPARE(chart->windowTitle(),
                 QStringLiteral("GRAFICO DE LOS VALORES DESCARGADOS – Parcela 3"));
        QCOMPARE(chart->Chart1->periodLine(), QStringLiteral("Leyendo el archivo…"));
        QVERIFY(chart->Series1->data()->isEmpty());

        QTRY_VERIFY(m_window->reader().pending() == 0);
        // The same chart as one opened on the range's record read at once.
        StationArchive archive =
            StationArchive::openFile(m_dir->filePath(QStringLiteral("estaciones.sqlite")));
        const qint64 from = m_window->FromEdit->dateTime().toSecsSinceEpoch();
        const qint64 to = m_window->ToEdit->dateTime().toSecsSinceEpoch();
        TForm6 *alone =
            openRecordChart(m_set->windows,
                            ChartRecord {QStringLiteral("Parcela 3"),
                                         archive.samples(QStringLiteral("Parcela 3"), from, to),
                                         archive.coverage(QStringLiteral("Parcela 3"), from, to)});
        const auto points = [](const QCPGraph *series) {
            QList<std::pair<double, double>> points;
            for (auto point = series->data()->constBegin(); point != series->data()->constEnd();
                 ++point)
                points.append({point->key, std::isnan(point->value) ? -1e300 : point->value});
            return points;
        };
        QCOMPARE(points(chart->Series1).size(), 3 * perFile + 1); // the gap breaks the line
        for (const auto &[shown, read] : {std::pair {chart->Series1, alone->Series1},
                                          {chart->Series2, alone->Series2},
                                          {chart->Series9, alone->Series9},
                                          {chart->Series10, alone->Series10}})
            QCOMPARE(points(shown), points(read));
        QCOMPARE(chart->Chart1->periodLine(), alone->Chart1->periodLine());
        QVERIFY(m_errors.isEmpty());
        delete alone;
    }

    void aChartWindowClosedOrUnreadableDuringTheReadIsLeftAlone_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("errors");
        QTest::newRow("closed by the user") << QStringLiteral("close") << 0;
        QTest::newRow("no samples in the range") << QStringLiteral("gap") << 0;
        QTest::newRow("the read fails") << QStringLiteral("fail") << 1;
    }

    void aChartWindowClosedOrUnreadableDuringTheReadIsLeftAlone()
    {
        QFETCH(QString, how);
        QFETCH(int, errors);
        if (how == QStringLiteral("gap")) {
            m_window->FromEdit->setDateTime(
                QDateTime::fromSecsSinceEpoch(firstOf(2) - gapLength + step, Qt::UTC));
            m_window->ToEdit->setDateTime(
                QDateTime::fromSecsSinceEpoch(firstOf(2) - step, Qt::UTC));
        } else if (how == QStringLiteral("fail")) {
            // Renamed behind the window's back: the station it reads is gone.
            (void)StationArchive::openFile(m_dir->filePath(QStringLiteral("estaciones.sqlite")))
                .renameStation(QStringLiteral("Parcela 3"), QStringLiteral("Parcela 4"));
        }
        m_window->ChartButton->click();
        QCOMPARE(chartWindows().size(), 1);
        if (how == QStringLiteral("close"))
            chartWindows().constFirst()->close();
        QTRY_VERIFY(m_window->reader().pending() == 0);
        QTRY_VERIFY(chartWindows().isEmpty());
        QCOMPARE(m_errors.size(), errors);
        if (errors)
            QVERIFY(m_window->ArchiveLine->text().startsWith(
                QStringLiteral("No se pudo leer el archivo de estaciones: ")));
    }

    void verDatosGivesEachRowItsOwnDateAcrossTheGap()
    {
        whileDataWindowShows([this] { m_window->showRangeData(); }, [this] {
            QCOMPARE(m_data->sampleCount(), 3 * perFile);
            StringGrid &grid = *m_data->StringGrid1;
            const int last = 2 * perFile;
            QCOMPARE(grid.cell(0, last + 1), QString::number(last + 1));
            QCOMPARE(grid.cell(1, last) + QLatin1Char(' ') + grid.cell(2, last),
                     ArchiveTexts::moment(firstOf(2) - gapLength));
            QCOMPARE(grid.cell(1, last + 1) + QLatin1Char(' ') + grid.cell(2, last + 1),
                     ArchiveTexts::moment(firstOf(2)));
            QCOMPARE(m_data->Edit1->text(), sampleDateText(firstOf(0)));
            QCOMPARE(m_data->windowTitle(),
                     QStringLiteral("DATOS DESCARGADOS – Parcela 3, del %1 al %2")
                         .arg(sampleDateText(firstOf(0)),
                              sampleDateText(firstOf(2) + (perFile - 1) * step)));
            QVERIFY(m_data->shownRecordCoverage());
            QCOMPARE(m_data->shownRecordCoverage()->gaps.size(), std::size_t(1));
        });
    }

    void guardarRefusesARangeWithAGapAndWritesCsvOnlyWhenAccepted_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("yes") << QMessageBox::Yes;
        QTest::newRow("no") << QMessageBox::No;
    }

    void guardarRefusesARangeWithAGapAndWritesCsvOnlyWhenAccepted()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        const QString txt = m_dir->filePath(QStringLiteral("rango.txt"));
        const QString csv = m_dir->filePath(QStringLiteral("rango.csv"));
        m_data->executeSaveDialog = [txt](QFileDialog &) { return txt; };
        m_data->executeFileDialog = [csv](QFileDialog &) { return csv; };
        whileDataWindowShows([this] { m_window->showRangeData(); }, [&] {
            whenModal<QMessageBox>(QStringLiteral("RangeAsCsvQuestion"),
                                   [answer](QMessageBox *box) { box->button(answer)->click(); });
            m_data->SpeedButton1Click();
        });
        QVERIFY(!QFileInfo::exists(txt));
        QCOMPARE(QFileInfo::exists(csv), answer == QMessageBox::Yes);
        if (answer == QMessageBox::Yes) {
            const QList<QByteArray> lines = readFile(csv).split('\n');
            QCOMPARE(lines.size(), 1 + 3 * perFile + 1);
            QVERIFY(lines[1 + 2 * perFile].startsWith(
                QDateTime::fromSecsSinceEpoch(firstOf(2), Qt::UTC)
                    .toString(Qt::ISODate)
                    .chopped(1)
                    .toUtf8()));
        }
        QCOMPARE(m_errors, QStringList());
    }

    void theGridOfAStretchWritesEachSampleAsTheArchiveDoes_data()
    {
        QTest::addColumn<qint64>("t");
        QTest::addColumn<int>("value");
        const qint64 y2016 = QDateTime(QDate(2016, 1, 1), QTime(0, 0, 7), Qt::UTC).toSecsSinceEpoch();
        QTest::newRow("1970, zero") << qint64(0) << 0;
        QTest::newRow("a second before 1970, below zero") << qint64(-1) << -5;
        QTest::newRow("2016, tenths") << y2016 << 7;
        QTest::newRow("last second of 2099, negative") << qint64(4102444799) << -1234;
        QTest::newRow("29 February 2024 noon, large") << qint64(1709208000) << 40950;
        QTest::newRow("year 999, whole tens") << qint64(-30610224000) << 250;
    }

    /// Made as the grid shows them, the date, time and value texts are those the archive gives.
    void theGridOfAStretchWritesEachSampleAsTheArchiveDoes()
    {
        QFETCH(qint64, t);
        QFETCH(int, value);
        const ArchivedRangeCells cells(std::vector {ArchivedSample {t, {value, value, value, value}}});
        QCOMPARE(cells.cell(1, 1), sampleDateText(t));
        QCOMPARE(cells.cell(2, 1), sampleTimeText(t));
        for (int channel = 0; channel < 4; ++channel)
            QCOMPARE(cells.cell(3 + channel, 1), archivedValueText(value, channel));
    }

    void verDatosShowsCopiesAndSavesTheTextsTheGridHeldBefore_data()
    {
        QTest::addColumn<bool>("wholeRecord");
        QTest::addColumn<QString>("fixture");
        QTest::newRow("the record, across its gap") << true << QStringLiteral("archived_range");
        QTest::newRow("one run") << false << QStringLiteral("archived_run");
    }

    /// Every cell as the user sees it, the copy of a cell of the last row, and the bytes of
    /// "GUARDAR" (or of its CSV for a stretch with a gap) are those the grid gave when it held
    /// a text per cell: tests/data/expected/archived_*.
    void verDatosShowsCopiesAndSavesTheTextsTheGridHeldBefore()
    {
        QFETCH(bool, wholeRecord);
        QFETCH(QString, fixture);
        if (!wholeRecord)
            m_window->setRange(firstOf(0), firstOf(2) - gapLength);
        const QString txt = m_dir->filePath(QStringLiteral("rango.txt"));
        const QString csv = m_dir->filePath(QStringLiteral("rango.csv"));
        m_data->executeSaveDialog = [txt](QFileDialog &) { return txt; };
        m_data->executeFileDialog = [csv](QFileDialog &) { return csv; };
        QByteArray cells;
        QString copied;
        const int rows = wholeRecord ? 3 * perFile : 2 * perFile;
        whileDataWindowShows([this] { m_window->showRangeData(); }, [&] {
            StringGrid &grid = *m_data->StringGrid1;
            QCOMPARE(grid.RowCount(), 1 + rows);
            for (int row = 0; row <= rows + 1; ++row) {
                QStringList line;
                for (int column = 0; column <= grid.ColCount(); ++column)
                    line.append(grid.cellText(column, row));
                cells += line.join(QLatin1Char('\t')).toUtf8() + '\n';
            }
            grid.scrollToBottom();
            grid.setCurrentIndex(grid.model()->index(rows - 1, grid.ColCount() - 2));
            QApplication::clipboard()->clear();
            QTest::keySequence(&grid, QKeySequence::Copy);
            copied = QApplication::clipboard()->text();
            if (!wholeRecord)
                m_data->SpeedButton1Click();
            else
                m_data->exportCsv();
        });
        QCOMPARE(copied, m_data->StringGrid1->cell(6, rows));
        const auto expected = [&fixture](const QString &suffix) {
            return readFile(QFINDTESTDATA(QStringLiteral("../data/expected/") + fixture + suffix));
        };
        QCOMPARE(cells, expected(QStringLiteral("_cells.txt")));
        QCOMPARE(readFile(wholeRecord ? csv : txt),
                 expected(wholeRecord ? QStringLiteral(".csv") : QStringLiteral(".txt")));
        QCOMPARE(m_errors, QStringList());
    }

    void aRangeOfOneRunSavesAsADownloadAndReadsBackToTheSameGrid()
    {
        m_window->setRange(firstOf(0), firstOf(2) - gapLength);
        const QString txt = m_dir->filePath(QStringLiteral("seguido.txt"));
        m_data->executeSaveDialog = [txt](QFileDialog &) { return txt; };
        QStringList shown;
        const auto gridText = [this] {
            QStringList cells;
            for (int row = 0; row <= m_data->sampleCount(); ++row)
                for (int column = 0; column < 7; ++column)
                    cells.append(m_data->StringGrid1->cell(column, row));
            return cells << m_data->Edit1->text() << m_data->Edit2->text()
                         << m_data->Edit8->text();
        };
        whileDataWindowShows([this] { m_window->showRangeData(); }, [&] {
            QVERIFY(m_data->shownRecordCoverage()->isSingleRun());
            m_data->SpeedButton1Click();
            shown = gridText();
        });
        QCOMPARE(m_data->sampleCount(), 2 * perFile);
        QVERIFY(readFile(txt).startsWith("FECHA          HORA     CH1   CH2   CH3   CH4\r\n\r\n"));

        m_data->openSavedFile(txt);
        QVERIFY(!m_data->shownRecordCoverage());
        QCOMPARE(gridText(), shown);
        QCOMPARE(m_errors, QStringList());
    }

    void sentShowsOnlyWithASharedArchiveAndTheDownloadsFitTheWindow()
    {
        QTableWidget &table = *m_window->DownloadsTable;
        constexpr int sent = 8;
        QCOMPARE(table.rowCount(), 3);
        QVERIFY(table.isColumnHidden(sent));
        QVERIFY(table.horizontalHeader()->length() <= table.viewport()->width());

        StationArchive::openFile(m_dir->filePath(QStringLiteral("estaciones.sqlite")))
            .setServerUrl(QStringLiteral("postgresql://laboratorio/estaciones"));
        m_window->chooseStation(QStringLiteral("Parcela 3"));
        QTRY_VERIFY(!table.isColumnHidden(sent));
        QCOMPARE(table.item(0, sent)->text(), QStringLiteral("no"));
        QVERIFY(table.horizontalHeader()->length() <= table.viewport()->width());
    }

    void theDailySummaryCountsEachSampleForItsOwnRate()
    {
        // A whole day at 60 minutes, then 30 samples at 1 minute the next day, PAR 1443 all
        // through: 1443 × 3600 × 24 ÷ 10⁶ = 124.6752 and 1443 × 60 × 30 ÷ 10⁶ = 2.5974.
        const auto readings = [](int) { return std::array<int, 4> {700, 680, 1500, 1443}; };
        const QDateTime hourly(QDate(2026, 2, 1), QTime(0, 0, 7), Qt::UTC);
        const QDateTime everyMinute(QDate(2026, 2, 2), QTime(10, 0, 7), Qt::UTC);
        m_files.clear();
        for (const auto &[start, rateCode, count] :
             {std::tuple {hourly, 6, 24}, std::tuple {everyMinute, 1, 30}}) {
            QByteArray text = DownloadText::header(start, rateCode) + "SAMPLES "
                + QByteArray::number(count) + "\r\n";
            for (int i = 0; i < count; ++i)
                text += DownloadText::sampleLine(readings(i));
            const QString path = m_dir->filePath(QStringLiteral("tasa%1.txt").arg(rateCode));
            writeFile(path, savedFileText(text + "A", RawKind::DownloadText));
            m_files.append(path);
        }
        importAll();
        m_window->setRange(hourly.toSecsSinceEpoch(), everyMinute.addDays(1).toSecsSinceEpoch());
        m_window->summarizeRange();
        QTRY_VERIFY(m_window->summaryWindow() && m_window->summaryWindow()->isVisible());
        const auto *table = m_window->summaryWindow()->findChild<QTableWidget *>(
            QStringLiteral("Table"));
        QCOMPARE(table->rowCount(), 2);
        const auto cells = [table](int row) {
            return QStringList {table->item(row, 1)->text(), table->item(row, 14)->text(),
                                table->item(row, 15)->text()};
        };
        QCOMPARE(cells(0), (QStringList {"24", "124,675", "sí"}));
        QCOMPARE(cells(1), (QStringList {"30", "2,597", "incompleto"}));
        // Nothing was assumed: the title says no step.
        QCOMPARE(m_window->summaryWindow()->windowTitle(),
                 QStringLiteral("Resumen diario de «Parcela 3»"));
        QCOMPARE(m_errors, QStringList());
    }
};

QTEST_MAIN(TestArchiveWindow)
#include "tst_archive_window.moc"
