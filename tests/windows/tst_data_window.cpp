// Covers the data window: the rebuild at each opening from the main window's
// download text (rate carried over, failures part-way, rejected starts, a full memory from the
// simulated logger), the grid as the user rearranges it, "GUARDAR" with its dialog, overwrite
// question, exact file bytes and failed writes, and "GRAFICAR"; a grid of a million rows that
// makes only the texts it shows.
#include "app/window_set.h"
#include "data/download_decoding.h"
#include "data/download_format_error.h"
#include "download_text.h"
#include "runtime/error_report.h"
#include "scripted_serial_port.h"
#include "weather_model.h"
#include "windows/daily_summary_window.h"
#include "windows/data_window.h"
#include "windows/main_window.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QTableWidget>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray headingLine = "FECHA          HORA     CH1   CH2   CH3   CH4";

/// A download text as the logger sends it, with the end marker the main window appends.
QByteArray download(const QByteArray &header, const QList<std::array<int, 4>> &samples)
{
    QByteArray text = header + "\r\n" + "SAMPLES " + QByteArray::number(samples.size()) + "\r\n";
    for (const std::array<int, 4> &readings : samples)
        text += DownloadText::sampleLine(readings);
    return text + "A";
}

/// Three samples from 31/12/2008 23:59:30 at one a minute: the file in tests/data/expected/three_samples.
QByteArray threeSamples()
{
    return download(" 08/12/31 30:59:23  1",
                    {{735, 495, 1860, 0}, {500, 0, 3200, 4095}, {4095, 884, 600, 1234}});
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray expectedFile(const QString &name)
{
    return readFile(QFINDTESTDATA(QStringLiteral("../data/expected/") + name));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

/// Once a modal window of type Window is up, hands it to `act`, which must close it.
template<typename Window>
void answerNextModal(std::function<void(Window *)> act)
{
    QTimer::singleShot(0, [act] {
        Window *window = nullptr;
        (void)QTest::qWaitFor(
            [&window] {
                window = qobject_cast<Window *>(QApplication::activeModalWidget());
                return window != nullptr;
            },
            5000);
        if (window)
            act(window);
    });
}

} // namespace

class TestDataWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowSet> m_set;
    TForm1 *m_main = nullptr;
    TForm5 *m_form = nullptr;
    QStringList m_errors;
    std::unique_ptr<QTemporaryDir> m_dir;

    void setDownload(const QByteArray &text)
    {
        m_main->RichEdit1.clear();
        (void)m_main->RichEdit1.append(text);
    }

    /// One opening's rebuild, with an exception that leaves it reported as the window does.
    void rebuild()
    {
        ErrorReport::guard([this] { m_form->FormActivate(); });
    }

    QString cell(int column, int row) const { return m_form->StringGrid1->cellText(column, row); }

    QStringList row(int row) const
    {
        QStringList cells;
        for (int column = 0; column < 7; ++column)
            cells << cell(column, row);
        return cells;
    }

    /// Shows the data window modally, runs `whileOpen` once it is active, then closes it.
    void openDataWindow(const std::function<void()> &whileOpen)
    {
        bool ran = false;
        QTimer::singleShot(0, [this, &ran, whileOpen] {
            const auto close = qScopeGuard([this] { m_form->close(); });
            const bool active = QTest::qWaitFor(
                [this] {
                    return QApplication::activeModalWidget() == m_form && m_form->isActiveWindow();
                },
                5000);
            if (!active)
                return;
            whileOpen();
            ran = true;
        });
        m_form->showModal();
        QVERIFY(ran);
    }

    /// Saves through "GUARDAR" to `path` (the dialog's choice), answering an overwrite
    /// question, if one comes, with `answer`; returns the question's text or an empty text.
    QString saveAs(const QString &path, QMessageBox::StandardButton answer = QMessageBox::Yes)
    {
        m_form->executeSaveDialog = [path](QFileDialog &) {
            return path;
        };
        QString question;
        if (QFileInfo::exists(path)) {
            answerNextModal<QMessageBox>([&question, answer](QMessageBox *box) {
                question = box->windowTitle() + QLatin1Char('|') + box->text();
                box->button(answer)->click();
            });
        }
        m_form->SpeedButton1->click();
        QTest::qWait(0);
        return question;
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("BRENTAVIUS4")); }

    void init()
    {
        m_set = std::make_unique<WindowSet>(std::make_unique<ScriptedSerialPort>());
        m_main = m_set->windows.Form1;
        m_form = m_set->windows.Form5;
        m_errors.clear();
        ErrorReport::setPresenter([this](const QString &message) { m_errors.append(message); });
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup()
    {
        m_set.reset();
        m_dir.reset();
        ErrorReport::setPresenter({});
    }

    void anOpeningRebuildsEverythingFromTheDownloadText()
    {
        setDownload(threeSamples());
        (void)m_main->Edit2.append("3014061226");
        rebuild();
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(m_form->Edit1->text(), QStringLiteral("31/12/2008"));
        QCOMPARE(m_form->Edit2->text(), QStringLiteral("23:59:30"));
        QCOMPARE(m_form->Edit8->text(), QStringLiteral("CADA 1 MINUTO"));
        QCOMPARE((QStringList {m_form->Label1, m_form->Label2, m_form->Label3, m_form->Label4,
                               m_form->Label5, m_form->Label6}),
                 (QStringList {"8", "12", "31", "23", "59", "30"}));
        QCOMPARE(m_form->StringGrid1->RowCount(), 4);
        QCOMPARE(row(1),
                 (QStringList {"1", "31/12/2008", "23:59:30", "23,5", "-0,5", "50,0", "0"}));
        QCOMPARE(row(2),
                 (QStringList {"2", "01/01/2009", "00:00:30", "0,0", "-50,0", "100,0", "4095"}));
        QCOMPARE(row(3),
                 (QStringList {"3", "01/01/2009", "00:01:30", "359,5", "38,4", "0,0", "1234"}));
        QVERIFY(m_main->Edit2.text().isEmpty());

        // A shorter download replaces everything; no row of the longer one is left.
        setDownload(download(" 09/06/01 00:10:07  6", {{600, 600, 620, 7}}));
        rebuild();
        QCOMPARE(m_form->StringGrid1->RowCount(), 2);
        QCOMPARE(row(1), (QStringList {"1", "01/06/2009", "07:10:00", "10,0", "10,0", "0,0", "7"}));
        QCOMPARE(cell(1, 2), QString());
        QCOMPARE(m_form->Edit8->text(), QStringLiteral("CADA 60 MINUTOS"));
    }

    void everyOpeningStandsInTheMiddleOfTheDesktop()
    {
        setDownload(threeSamples());
        m_form->move(5, 5); // as if dragged there at its last opening
        openDataWindow([this] {
            const QPoint middle = m_form->screen()->availableGeometry().center();
            QVERIFY((m_form->frameGeometry().center() - middle).manhattanLength() <= 2);
        });
        QCOMPARE(m_errors, QStringList());
    }

    void aDownloadWithoutSamplesShowsItsStartAndHeadingsOnly()
    {
        setDownload(" 07/01/02 05:04:03  5\r\nSAMPLES 0\r\nA");
        rebuild();
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(m_form->Edit1->text(), QStringLiteral("02/01/2007"));
        QCOMPARE(m_form->Edit2->text(), QStringLiteral("03:04:05"));
        QCOMPARE(m_form->Edit8->text(), QStringLiteral("CADA 30 MINUTOS"));
        QCOMPARE(m_form->StringGrid1->RowCount(), 1);
        QCOMPARE(cell(3, 0), QStringLiteral("CANAL 1"));
    }

    void anUnknownRateCodeKeepsTheRateShownBeforeAndSaysSo()
    {
        const QByteArray header = " 09/03/01 00:50:10  ";
        const QList<std::array<int, 4>> samples(3, {500, 500, 620, 0});

        // As the very first download: no rate, so no pass, and no dates or times.
        setDownload(download(header + "9", samples));
        rebuild();
        QCOMPARE(m_errors, QStringList {DownloadFormatError::unknownRateCode(9, {}).message()});
        QVERIFY(m_errors.first().contains(QStringLiteral("sin fecha ni hora")));
        QCOMPARE(m_form->Edit8->text(), QString());
        QCOMPARE(m_form->Edit1->text(), QStringLiteral("01/03/2009"));
        QCOMPARE(cell(1, 1), QString());
        QCOMPARE(cell(2, 3), QString());
        QCOMPARE(cell(3, 3), QStringLiteral("0,0"));

        setDownload(download(header + "4", samples));
        rebuild();
        m_errors.clear();
        setDownload(download(header + "9", samples));
        rebuild();
        QCOMPARE(m_errors, QStringList {DownloadFormatError::unknownRateCode(
                                           9, QStringLiteral("CADA 15 MINUTOS"))
                                           .message()});
        QCOMPARE(m_form->Edit8->text(), QStringLiteral("CADA 15 MINUTOS"));
        QCOMPARE(cell(2, 1), QStringLiteral("10:50:00"));
        QCOMPARE(cell(2, 3), QStringLiteral("11:20:00"));
    }

    void aBadCharacterStopsTheRebuildAndKeepsTheRowsBeforeIt()
    {
        QByteArray second = DownloadText::sampleLine({500, 0, 3200, 4095});
        QByteArray text = threeSamples();
        QVERIFY(text.contains(second));
        text.replace(second, second.left(9) + ' ' + second.mid(10)); // position 10
        setDownload(text);
        (void)m_main->Edit2.append("301406");
        rebuild();
        QCOMPARE(m_errors, QStringList {"' ' is not a valid integer value"});
        QCOMPARE(row(1),
                 (QStringList {"1", "31/12/2008", "23:59:30", "23,5", "-0,5", "50,0", "0"}));
        QCOMPARE(row(2), (QStringList {"2", "01/01/2009", "00:00:30", "", "", "", ""}));
        QCOMPARE(row(3), (QStringList {"3", "01/01/2009", "00:01:30", "", "", "", ""}));
        // The rest of the rebuild is abandoned, the emptying of the status buffer with it.
        QCOMPARE(m_main->Edit2.text(), QByteArray("301406"));
    }

    void aBadHeaderCharacterSetsNothing()
    {
        setDownload(threeSamples());
        rebuild();
        QByteArray text = threeSamples();
        text[2] = 'O';
        setDownload(text);
        rebuild();
        QCOMPARE(m_errors, QStringList {"'O' is not a valid integer value"});
        QCOMPARE(m_form->Edit1->text(), QStringLiteral("31/12/2008"));
        QCOMPARE(m_form->Edit8->text(), QStringLiteral("CADA 1 MINUTO"));
        QCOMPARE(row(1), QStringList(7));
    }

    void shortAndEmptyLinesAreReportedByLine_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("rowsWithValues");
        const QByteArray header = " 08/12/31 30:59:23  1\r\nSAMPLES\r\n";
        const QByteArray sample = "002223001239001860000000\r\n";
        QTest::newRow("short header")
            << QByteArray(" 08/12/31 30:59:23\r\nx\r\n" + sample + "A")
            << DownloadFormatError::lineTooShort(1, 18, 21).message() << 0;
        QTest::newRow("nothing but the end marker")
            << QByteArray("A") << DownloadFormatError::lineTooShort(1, 1, 21).message() << 0;
        QTest::newRow("short sample line")
            << QByteArray(header + sample + "00222300123900186000000\r\n" + sample + "A")
            << DownloadFormatError::lineTooShort(4, 23, 24).message() << 1;
        QTest::newRow("empty sample line")
            << QByteArray(header + sample + sample + "\r\n" + sample + "A")
            << DownloadFormatError::lineTooShort(5, 0, 24).message() << 2;
    }

    void shortAndEmptyLinesAreReportedByLine()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        QFETCH(int, rowsWithValues);
        setDownload(text);
        rebuild();
        QCOMPARE(m_errors, QStringList {message});
        for (int k = 1; k < m_form->StringGrid1->RowCount(); ++k)
            QCOMPARE(cell(3, k), k <= rowsWithValues ? QStringLiteral("23,5") : QString());
    }

    void aStartOutsideTheCalendarLeavesDatesAndTimesEmpty_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("field");
        QTest::newRow("month 13") << QByteArray(" 08/13/01 00:00:00  4") << "(mes 13)";
        QTest::newRow("minute 60") << QByteArray(" 08/01/01 00:60:00  4") << "(minuto 60)";
    }

    void aStartOutsideTheCalendarLeavesDatesAndTimesEmpty()
    {
        QFETCH(QByteArray, header);
        QFETCH(QString, field);
        setDownload(download(header, {{735, 735, 1860, 9}, {736, 736, 1861, 10}}));
        (void)m_main->Edit2.append("30");
        rebuild();
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors[0].contains(field), qPrintable(m_errors[0]));
        QCOMPARE(m_form->Edit1->text(), QString());
        QCOMPARE(m_form->Edit2->text(), QString());
        QCOMPARE(m_form->Edit8->text(), QString());
        // The samples themselves are sound: they keep their numbers and values.
        QCOMPARE(row(1), (QStringList {"1", "", "", "23,5", "23,5", "50,0", "9"}));
        QCOMPARE(row(2), (QStringList {"2", "", "", "23,6", "23,6", "50,0", "10"}));
        QVERIFY(m_main->Edit2.text().isEmpty());
    }

    void aFullMemoryFromTheLoggerDecodesAndStampsEveryRow_data()
    {
        QTest::addColumn<int>("rateCode");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("step");
        QTest::addColumn<QDateTime>("start");
        // Each run of 4000 samples crosses month ends, and the longer ones a new year and
        // 29 February.
        QTest::newRow("1 min") << 1 << "CADA 1 MINUTO" << 1
                               << QDateTime(QDate(2008, 2, 27), QTime(23, 1, 9), Qt::UTC);
        QTest::newRow("5 min") << 2 << "CADA 5 MINUTOS" << 5
                               << QDateTime(QDate(2011, 12, 25), QTime(8, 2, 0), Qt::UTC);
        QTest::newRow("10 min") << 3 << "CADA 10 MINUTOS" << 10
                                << QDateTime(QDate(2011, 12, 20), QTime(6, 7, 8), Qt::UTC);
        QTest::newRow("15 min") << 4 << "CADA 15 MINUTOS" << 15
                                << QDateTime(QDate(2012, 1, 30), QTime(0, 0, 0), Qt::UTC);
        QTest::newRow("30 min") << 5 << "CADA 30 MINUTOS" << 30
                                << QDateTime(QDate(2023, 12, 1), QTime(13, 30, 45), Qt::UTC);
        QTest::newRow("60 min") << 6 << "CADA 60 MINUTOS" << 60
                                << QDateTime(QDate(2007, 11, 2), QTime(17, 10, 0), Qt::UTC);
    }

    void aFullMemoryFromTheLoggerDecodesAndStampsEveryRow()
    {
        QFETCH(int, rateCode);
        QFETCH(QString, rate);
        QFETCH(int, step);
        QFETCH(QDateTime, start);
        const WeatherModel weather(7);
        QList<std::array<int, 4>> samples;
        for (int k = 1; k <= 4000; ++k)
            samples << weather.readingsAt(start.addSecs(qint64(k - 1) * step * 60));
        setDownload(download(DownloadText::header(start, rateCode).chopped(2), samples));
        rebuild();
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(m_form->sampleCount(), 4000);
        QCOMPARE(m_form->StringGrid1->RowCount(), 4001);
        QCOMPARE(m_form->Edit8->text(), rate);
        for (int k = 1; k <= 4000; ++k) {
            const QDateTime taken = start.addSecs(qint64(k - 1) * step * 60);
            const std::array<QString, 4> values = sampleValueTexts(samples[k - 1]);
            const QStringList expected {QString::number(k),
                                        taken.toString(QStringLiteral("dd/MM/yyyy")),
                                        taken.toString(QStringLiteral("hh:mm:ss")),
                                        values[0],
                                        values[1],
                                        values[2],
                                        values[3]};
            if (row(k) != expected)
                QFAIL(qPrintable(QStringLiteral("row %1: %2, expected %3")
                                     .arg(k)
                                     .arg(row(k).join(u'|'), expected.join(u'|'))));
        }
    }

    void theGridIsReadAsTheUserRearrangedIt()
    {
        setDownload(threeSamples());
        rebuild();
        StringGrid *grid = m_form->StringGrid1;
        grid->horizontalHeader()->moveSection(2, 5); // "CANAL 1" to the last place
        grid->verticalHeader()->moveSection(2, 0); // row 3 to the top
        QCOMPARE(
            row(0),
            (QStringList {"", " FECHA:", " HORA:", "CANAL 2", "CANAL 3", "CANAL 4", "CANAL 1"}));
        QCOMPARE(row(1),
                 (QStringList {"3", "01/01/2009", "00:01:30", "38,4", "0,0", "1234", "359,5"}));
        QCOMPARE(row(2),
                 (QStringList {"1", "31/12/2008", "23:59:30", "-0,5", "50,0", "0", "23,5"}));
        QCOMPARE(cell(7, 1), QString());
        QCOMPARE(cell(1, 4), QString());

        // The next opening starts again from the download text, in the grid's own order.
        rebuild();
        QCOMPARE(row(1),
                 (QStringList {"1", "31/12/2008", "23:59:30", "23,5", "-0,5", "50,0", "0"}));
        QCOMPARE(cell(6, 0), QStringLiteral("CANAL 4"));
    }

    void savingWritesTheFileByteForByte_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("three samples") << threeSamples() << "three_samples.txt";
        QTest::newRow("no samples")
            << QByteArray(" 07/01/02 05:04:03  5\r\nSAMPLES 0\r\nA") << "no_samples.txt";
    }

    void savingWritesTheFileByteForByte()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        setDownload(text);
        rebuild();
        const QString path = m_dir->filePath(QStringLiteral("datos.txt"));
        QCOMPARE(saveAs(path), QString());
        QCOMPARE(m_errors, QStringList());
        const QByteArray bytes = expectedFile(expected);
        QVERIFY(bytes.startsWith(headingLine + "\r\n\r\n"));
        QCOMPARE(readFile(path), bytes);
    }

    void savingWritesTheColumnsWhereTheUserPutThem()
    {
        setDownload(threeSamples());
        rebuild();
        m_form->StringGrid1->horizontalHeader()->moveSection(0, 1); // time before date
        const QString path = m_dir->filePath(QStringLiteral("datos.txt"));
        saveAs(path);
        QCOMPARE(readFile(path).split('\n').at(2),
                 QByteArray("23:59:30  31/12/2008   23,5    -0,5    50,0    0  \r"));
    }

    void theOverwriteQuestionGuardsAnExistingFile_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("yes") << QMessageBox::Yes << true;
        QTest::newRow("no") << QMessageBox::No << false;
        QTest::newRow("cancel") << QMessageBox::Cancel << false;
    }

    void theOverwriteQuestionGuardsAnExistingFile()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, replaced);
        setDownload(threeSamples());
        rebuild();
        const QString path = m_dir->filePath(QStringLiteral("datos.txt"));
        const QByteArray old(5000, 'x'); // longer than the new file: a replacement leaves none
        writeFile(path, old);
        QCOMPARE(saveAs(path, answer),
                 QStringLiteral("BRENTAVIUS4|El archivo existe, sobreescribo?"));
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(readFile(path), replaced ? expectedFile("three_samples.txt") : old);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList {"datos.txt"});
    }

    void theSaveDialogStartsAtHomeAndAddsTheTxtExtension()
    {
        // A file dialog watches its folder while it exists: none stands before the first save.
        QVERIFY(m_form->findChildren<QFileDialog *>().isEmpty());
        setDownload(threeSamples());
        bool cancelled = false;
        openDataWindow([this, &cancelled] {
            StringGrid *grid = m_form->StringGrid1;
            grid->horizontalHeader()->moveSection(0, 1);
            // Cancelled: nothing is written, and closing the dialog is no new opening.
            answerNextModal<QFileDialog>([&cancelled](QFileDialog *dialog) {
                cancelled = dialog->directory() == QDir::home();
                dialog->reject();
            });
            m_form->SpeedButton1->click();
            QCOMPARE(grid->cellText(1, 0), QStringLiteral(" HORA:"));

            QString shownIn;
            const QString base = m_dir->filePath(QStringLiteral("registro"));
            answerNextModal<QFileDialog>([&shownIn, base](QFileDialog *dialog) {
                shownIn = dialog->directory().absolutePath();
                dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(base);
                static_cast<QDialog *>(dialog)->accept();
            });
            m_form->SpeedButton1->click();
            QCOMPARE(shownIn, QDir::homePath());
            QCOMPARE(m_form->SaveDialog1->defaultSuffix(), QStringLiteral("txt"));
        });
        QVERIFY(cancelled);
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList {"registro.txt"});
    }

    void aFileThatCannotBeCreatedShowsTheRuntimeMessage()
    {
        setDownload(threeSamples());
        rebuild();
        saveAs(m_dir->filePath(QStringLiteral("missing/datos.txt")));
        QCOMPARE(m_errors, QStringList {"File not found"});
        writeFile(m_dir->filePath(QStringLiteral("plain")), "x");
        saveAs(m_dir->filePath(QStringLiteral("plain/datos.txt")));
        QCOMPARE(m_errors.last(), QStringLiteral("Invalid filename"));
    }

    void aFifoIsRefusedWithoutTheOverwriteQuestion()
    {
        setDownload(threeSamples());
        rebuild();
        const QString path = m_dir->filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        QCOMPARE(saveAs(path), QString());
        QCOMPARE(m_errors,
                 QStringList {QStringLiteral("No se guarda en %1: es una tubería "
                                             "(FIFO), no un archivo.")
                                  .arg(path)});
        struct stat after
        {
        };
        QVERIFY(::lstat(QFile::encodeName(path).constData(), &after) == 0
                && S_ISFIFO(after.st_mode));
    }

    void aFileInAFolderThatTakesNoNewFileIsRewrittenInPlace()
    {
        setDownload(threeSamples());
        rebuild();
        const QString path = m_dir->filePath(QStringLiteral("datos.txt"));
        writeFile(path, QByteArray(5000, 'x'));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions(0x6666)));
        QVERIFY(QFile::setPermissions(m_dir->path(), QFileDevice::Permissions(0x5555)));
        const auto writable = qScopeGuard([this] {
            QFile::setPermissions(m_dir->path(), QFileDevice::Permissions(0x7777));
        });
        // The superuser writes anywhere: save as an ordinary user, as the program's users do.
        const bool root = geteuid() == 0;
        QVERIFY(!root || seteuid(65534) == 0);
        saveAs(path);
        QVERIFY(!root || seteuid(0) == 0);
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(readFile(path), expectedFile("three_samples.txt"));

        saveAs(m_dir->path()); // a folder is refused as a file the user may not write
        QCOMPARE(m_errors, QStringList {"File access denied"});
        QVERIFY(QFileInfo(m_dir->path()).isDir());
    }

    void aWriteThatFailsPartWayKeepsTheOldFile()
    {
        const QList<std::array<int, 4>> samples(4000, {735, 735, 1860, 1234});
        setDownload(download(" 08/12/31 30:59:23  4", samples));
        rebuild();
        const QString path = m_dir->filePath(QStringLiteral("datos.txt"));
        const QByteArray old = "the old file\r\n";
        writeFile(path, old);

        // The file size limit makes the write fail after 64 KiB, as a full disk would.
        rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        {
            const auto restore = qScopeGuard([&saved, oldHandler] {
                setrlimit(RLIMIT_FSIZE, &saved);
                std::signal(SIGXFSZ, oldHandler);
            });
            saveAs(path);
        }
        QCOMPARE(m_errors, QStringList {QStringLiteral("I/O error %1").arg(EFBIG)});
        QCOMPARE(readFile(path), old);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList {"datos.txt"});
    }

    void aSavedFileOpensAgainAndSavesToTheSameBytes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("across a year end") << threeSamples();
        QTest::newRow("across a leap day")
            << download(" 28/02/28 07:45:23  4", QList<std::array<int, 4>>(200, {735, 0, 1860, 4}));
    }

    void aSavedFileOpensAgainAndSavesToTheSameBytes()
    {
        QFETCH(QByteArray, text);
        setDownload(text);
        rebuild();
        const QString first = m_dir->filePath(QStringLiteral("first.txt"));
        saveAs(first);
        const QString rate = m_form->Edit8->text();
        const int samples = m_form->sampleCount();
        setDownload(download(" 09/03/01 00:50:10  6", QList<std::array<int, 4>>(2, {0, 0, 0, 0})));
        rebuild();

        m_form->executeFileDialog = [first](QFileDialog &) { return first; };
        QVERIFY(m_form->openSavedFileDialog());
        rebuild(); // an opening keeps the file, not the download text
        QCOMPARE(m_form->sampleCount(), samples);
        QCOMPARE(m_form->Edit8->text(), rate);
        const QString second = m_dir->filePath(QStringLiteral("second.txt"));
        saveAs(second);
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(readFile(second), readFile(first));

        // The CSV of the opened file has a record per sample, stamped as the grid is.
        const QString csv = m_dir->filePath(QStringLiteral("datos.csv"));
        m_form->executeFileDialog = [csv](QFileDialog &) { return csv; };
        m_form->exportCsv();
        const QList<QByteArray> records = readFile(csv).split('\n');
        QCOMPARE(records.size(), samples + 2); // the heading, and nothing after the last end
        const QString date = m_form->StringGrid1->cell(1, 1);
        QVERIFY(records[1].startsWith(QStringLiteral("%1-%2-%3T%4,")
                                          .arg(date.mid(6), date.mid(3, 2), date.left(2),
                                               m_form->StringGrid1->cell(2, 1))
                                          .toLatin1()));
    }

    void aFileThatIsNoSavedFileLeavesTheGridAsItWas()
    {
        setDownload(threeSamples());
        rebuild();
        const QString path = m_dir->filePath(QStringLiteral("otro.txt"));
        writeFile(path, QByteArray(headingLine + "\r\n\r\n31/12/2008  23:59:30   x  \r\n"));
        m_form->executeFileDialog = [path](QFileDialog &) { return path; };
        ErrorReport::guard([this] { (void)m_form->openSavedFileDialog(); });
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.first().contains(QStringLiteral("la línea 3 ")));
        QVERIFY(m_errors.first().startsWith(QStringLiteral("«%1»: ").arg(path)));
        QCOMPARE(cell(3, 1), QStringLiteral("23,5"));
        QCOMPARE(m_form->sampleCount(), 3);
    }

    void aFifoIsRefusedWithoutWaitingForAWriter()
    {
        setDownload(threeSamples());
        rebuild();
        const QString path = m_dir->filePath(QStringLiteral("tubería.txt"));
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        m_form->executeFileDialog = [path](QFileDialog &) { return path; };
        ErrorReport::guard([this] { (void)m_form->openSavedFileDialog(); });
        QCOMPARE(m_errors,
                 QStringList {QStringLiteral("No se puede abrir «%1»: es una tubería (FIFO), no "
                                             "un archivo.")
                                  .arg(path)});
        QCOMPARE(m_form->sampleCount(), 3);
    }

    void theDailySummaryCountsTheGridsDays()
    {
        setDownload(threeSamples());
        rebuild();
        m_form->showDailySummary();
        auto *summary = m_form->findChild<DailySummaryWindow *>();
        QVERIFY(summary && summary->isVisible());
        QCOMPARE(summary->Table->rowCount(), 2);
        summary->copyTable();
        const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
        QVERIFY(lines[1].startsWith(QStringLiteral("31/12/2008\t1\t23,5\t23,50\t23,5\t")));
        QVERIFY(lines[2].endsWith(QStringLiteral("\tincompleto")));
    }

    void chartingLeavesTheGridAsItWasUntilTheNextOpening()
    {
        setDownload(threeSamples());
        QString chart;
        openDataWindow([this, &chart] {
            QCOMPARE(cell(3, 1), QStringLiteral("23,5"));
            m_form->StringGrid1->horizontalHeader()->moveSection(2, 5);
            m_form->StringGrid1->horizontalHeader()->resizeSection(1, 120);
            answerNextModal<QDialog>([&chart](QDialog *window) {
                chart = window->objectName();
                window->close();
            });
            m_form->SpeedButton2->click();
            QTest::qWait(50);
            QCOMPARE(cell(6, 1), QStringLiteral("23,5"));
            QCOMPARE(m_form->StringGrid1->ColWidths(2), 117);
        });
        QCOMPARE(chart, QStringLiteral("Form6"));

        setDownload(download(" 09/06/01 00:10:07  6", {{600, 600, 620, 7}}));
        openDataWindow([this] {
            QCOMPARE(row(1),
                     (QStringList {"1", "01/06/2009", "07:10:00", "10,0", "10,0", "0,0", "7"}));
            QCOMPARE(m_form->StringGrid1->ColWidths(2), 117);
        });
        QCOMPARE(m_errors, QStringList());
    }

    /// A grid of a million rows makes the texts of the rows it shows, not one per cell, and a
    /// refill afterwards holds its own texts again.
    void aLongGridMakesOnlyTheTextsItShows()
    {
        struct CountedCells : GridCells
        {
            int *made;
            int rowCount() const override { return 1'000'001; }
            QString cell(int column, int row) const override
            {
                ++*made;
                return QStringLiteral("%1:%2").arg(column).arg(row);
            }
        };
        int made = 0;
        auto cells = std::make_unique<CountedCells>();
        cells->made = &made;
        StringGrid grid(7);
        grid.resize(535, 302);
        grid.showCells(std::move(cells));
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.scrollToBottom();
        (void)grid.grab();
        QVERIFY2(made < 2000, qPrintable(QString::number(made)));
        QCOMPARE(grid.RowCount(), 1'000'001);
        QCOMPARE(grid.cellText(6, 1'000'000), QStringLiteral("6:1000000"));
        QCOMPARE(grid.cellText(6, 1'000'001), QString());
        QCOMPARE(grid.model()->headerData(999'999, Qt::Vertical).toString(),
                 QStringLiteral("0:1000000"));

        {
            StringGrid::Refill refill(grid, 2);
            refill.setCell(3, 1, QStringLiteral("23,5"));
        }
        QCOMPARE(grid.RowCount(), 2);
        QCOMPARE(grid.cellText(3, 1), QStringLiteral("23,5"));
        QCOMPARE(grid.cellText(4, 1), QString());
    }
};

QTEST_MAIN(TestDataWindow)
#include "tst_data_window.moc"
