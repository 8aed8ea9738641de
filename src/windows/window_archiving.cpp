#include "windows/window_archiving.h"

#include "archive/archive_error.h"
#include "archive/archive_sync.h"
#include "archive/download_archiving.h"
#include "archive/server_address.h"
#include "runtime/archive_files.h"
#include "archive/server_password.h"
#include "runtime/error_report.h"
#include "widgets/colour_button.h"
#include "widgets/gradient_background.h"
#include "windows/archive_lines.h"
#include "windows/main_window.h"
#include "windows/shared_archive_dialog.h"
#include "windows/station_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

const QString downloadQuestion = QStringLiteral("¿De qué estación es esta descarga?");

/// `text` broken at blanks into lines of `width` at most, no more than `most` of them; the last
/// one gives way at its end when the text goes on.
QStringList wrappedLines(const QFontMetrics &metrics, const QString &text, int width, int most)
{
    QStringList lines;
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype next = 0; next < words.size() && lines.size() < most;) {
        QString line = words[next++];
        while (next < words.size()
               && metrics.horizontalAdvance(line + QLatin1Char(' ') + words[next]) <= width)
            line += QLatin1Char(' ') + words[next++];
        if (lines.size() == most - 1 && next < words.size())
            line = metrics.elidedText(line + QStringLiteral(" …"), Qt::ElideRight, width);
        lines.append(metrics.elidedText(line, Qt::ElideRight, width));
    }
    return lines;
}

/// Over the data window when it is open, so that it stays in front of the main window.
QWidget *dialogParent(TForm1 &form)
{
    QWidget *modal = QApplication::activeModalWidget();
    return modal ? modal : &form;
}

} // namespace

WindowArchiving::WindowArchiving(TForm1 &form)
    : QObject(&form)
    , m_form(form)
{
    m_line = new QLabel(form.Gradient1);
    m_line->setObjectName(QStringLiteral("ArchiveLabel"));
    m_line->setAlignment(Qt::AlignCenter);
    m_line->hide();
    m_progressLine = form.ProgressLabel;
    form.ProgressLabel->installEventFilter(this);
    askStation = [this](const QString &title, const QString &question, const QStringList &known,
                        const QString &current) -> std::optional<QString> {
        StationDialog dialog(title, question, known, current, dialogParent(m_form));
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.station();
    };
    askYesNo = [this](const QString &question, const QString &details) {
        QMessageBox box(QMessageBox::Question, ErrorReport::applicationTitle(), question,
                        QMessageBox::Yes | QMessageBox::No, dialogParent(m_form));
        box.setInformativeText(details);
        return box.exec() == QMessageBox::Yes;
    };
    askServer = [this](const QString &keptUrl) -> std::optional<QString> {
        SharedArchiveDialog dialog(keptUrl, dialogParent(m_form));
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.url();
    };
}

WindowArchiving::~WindowArchiving()
{
    // Work under way cannot be cut short: an entry takes a fraction of a second, a sync at most
    // the server's connect timeout. What it would say goes nowhere; work not begun is dropped.
    if (m_worker)
        m_worker->wait();
}

void WindowArchiving::setArchivePath(const QString &path)
{
    m_path = path;
    m_sharedArchiveSet.reset();
    // No save of the windows goes over it, opened yet or not.
    if (!path.isEmpty())
        ArchiveFiles::noteInUse(path);
}

void WindowArchiving::downloadEnded(const QByteArray &text, std::optional<int> samplesReported)
{
    if (!enabled())
        return;
    // Taken now: the frames after the download, and the time the user spends naming the
    // station, change neither.
    const DownloadEntry entry = finishedDownload(
        text, samplesReported, ArchiveLines::clockOffsetOfNewest(m_form.liveFrames()));
    const QString port = m_form.SerialPort1.Port();
    QTimer::singleShot(0, this, [this, entry, port] {
        ErrorReport::guard([this, &entry, &port] { enter(entry, port); });
    });
}

void WindowArchiving::enter(const DownloadEntry &entry, const QString &port)
{
    QString station;
    try {
        StationArchive archive = StationArchive::openFile(m_path);
        // Nothing is asked for a download that cannot be entered.
        if (archive.readOnly())
            throw ArchiveError(QStringLiteral("el archivo %1 es de solo lectura; nada se archivó")
                                   .arg(archive.shownName()));
        station = archive.stationForPort(port);
    } catch (const ArchiveError &error) {
        fail(error.message());
        return;
    }
    if (!station.isEmpty()) {
        enterAside(entry, port, station);
        return;
    }
    // The question waits until the data window has been looked at and closed, so that the
    // grid is filled and shown without waiting for an answer.
    whenNoModal([this, entry, port] {
        QStringList known;
        try {
            known = StationArchive::openFile(m_path).stationNames();
        } catch (const ArchiveError &error) {
            fail(error.message());
            return;
        }
        const std::optional<QString> chosen =
            askStation(QStringLiteral("Archivar la descarga"), downloadQuestion, known, {});
        if (chosen)
            enterAside(entry, port, *chosen);
        else
            showEntryLine(ArchiveLines::noStation());
    });
}

void WindowArchiving::whenNoModal(const std::function<void()> &action)
{
    auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!modal) {
        action();
        return;
    }
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = connect(modal, &QDialog::finished, this, [this, action, once] {
        disconnect(*once);
        // Once the closed window has gone, or the next one that is still open.
        QTimer::singleShot(0, this, [this, action] {
            ErrorReport::guard([this, &action] { whenNoModal(action); });
        });
    });
}

void WindowArchiving::enterAside(const DownloadEntry &entry, const QString &port,
                                 const QString &station)
{
    // Entering thousands of samples takes longer than the window may wait: the connection of
    // the worker's own does it.
    runAside([path = m_path, station, entry, port]() -> Done {
        std::optional<EntryResult> result;
        QString serverUrl;
        QString failure;
        bool remembered = true;
        try {
            StationArchive archive = StationArchive::openFile(path);
            result = archive.enter(station, entry);
            serverUrl = archive.serverUrl();
            // Remembered once the download is in: a failure to remember costs only a question
            // at the next download, and is said. Bytes archived under another station tell
            // nothing of this port's.
            try {
                if (!result->archivedElsewhere())
                    archive.setStationForPort(port, station);
            } catch (const ArchiveError &) {
                remembered = false;
            }
        } catch (const std::exception &) {
            failure = ArchiveLines::currentFailure();
        }
        return [result, serverUrl, failure, remembered, port](WindowArchiving &self) {
            if (!result) {
                self.fail(failure);
                return;
            }
            self.showEntryLine(
                result->line()
                + (remembered ? QString()
                              : QStringLiteral("; la estación del puerto no se pudo recordar")));
            if (result->archivedElsewhere()) {
                self.offerMove(*result, port);
                return;
            }
            if (!serverUrl.isEmpty())
                self.startSync(false);
        };
    });
}

void WindowArchiving::offerMove(const EntryResult &result, const QString &port)
{
    whenNoModal([this, result, port] {
        if (!askYesNo(QStringLiteral("¿Pasar la descarga a «%1»?").arg(result.askedStation),
                      QStringLiteral("Esta descarga ya está archivada en «%1». Si es de «%2», "
                                     "pasa a «%2»: sus muestras salen de «%1», salvo las que "
                                     "otra descarga de «%1» también trajo.")
                          .arg(result.station, result.askedStation)))
            return;
        runAside([path = m_path, result, port]() -> Done {
            std::optional<DownloadMove> move;
            QString failure;
            try {
                StationArchive archive = StationArchive::openFile(path);
                move = archive.moveDownload(result.downloadId, result.askedStation);
                archive.setStationForPort(port, result.askedStation);
            } catch (const std::exception &) {
                failure = ArchiveLines::currentFailure();
            }
            return [move, failure](WindowArchiving &self) {
                if (move)
                    self.showEntryLine(move->line());
                else
                    self.fail(failure);
            };
        });
    });
}

void WindowArchiving::runAside(Work work)
{
    m_work.push_back(std::move(work));
    startWork();
}

void WindowArchiving::startWork()
{
    if (m_worker || m_work.empty())
        return;
    Work work = std::move(m_work.front());
    m_work.pop_front();
    m_worker.reset(QThread::create([this, work = std::move(work)] {
        Done done = work();
        QMetaObject::invokeMethod(
            this,
            [this, done = std::move(done)] {
                m_worker->wait();
                m_worker.reset();
                ErrorReport::guard([this, &done] { done(*this); });
                startWork();
            },
            Qt::QueuedConnection);
    }));
    m_worker->start();
}

void WindowArchiving::fail(const QString &reason)
{
    const QString text = ArchiveLines::failure(reason);
    showEntryLine(text);
    // Over the main window, once the data window is closed: the grid is never kept waiting.
    whenNoModal([text] {
        ErrorReport::show(text
                          + QStringLiteral(".\nLa descarga sigue en la ventana de datos (VER "
                                           "DATOS) y puede guardarse con GUARDAR."));
    });
}

void WindowArchiving::chooseStation()
{
    if (!enabled())
        return;
    const QString port = m_form.SerialPort1.Port();
    if (port.isEmpty())
        throw ArchiveError(QStringLiteral("elija antes el puerto con «Configurar puerto…»"));
    StationArchive archive = StationArchive::openFile(m_path);
    const QString portName = QFileInfo(port).fileName();
    const std::optional<QString> chosen =
        askStation(QStringLiteral("Estación del puerto %1").arg(portName),
                   QStringLiteral("¿De qué estación son las descargas de este puerto?"),
                   archive.stationNames(), archive.stationForPort(port));
    if (!chosen)
        return;
    archive.setStationForPort(port, *chosen);
    showEntryLine(QStringLiteral("Las descargas de %1 se archivan en «%2»")
                      .arg(portName, checkedStationName(*chosen)));
}

void WindowArchiving::chooseSharedArchive()
{
    if (!enabled())
        return;
    StationArchive archive = StationArchive::openFile(m_path);
    // The dialog never shows the password; it keeps it when none is typed.
    const std::optional<QString> url =
        askServer(ServerPassword::withKeptPassword(archive.serverUrl()));
    if (!url)
        return;
    archive.setServerUrl(ServerPassword::keptApart(*url));
    m_sharedArchiveSet = !url->isEmpty();
    showSyncLine(
        url->isEmpty()
            ? QStringLiteral("Sin archivo compartido: las descargas quedan en este PC")
            : QStringLiteral("Archivo compartido: %1").arg(parseServerAddress(*url).shownText()));
}

void WindowArchiving::syncNow()
{
    if (enabled())
        startSync(true);
}

bool WindowArchiving::sharedArchiveSet()
{
    if (!m_sharedArchiveSet) {
        try {
            m_sharedArchiveSet = !StationArchive::openFile(m_path).serverUrl().isEmpty();
        } catch (const ArchiveError &) {
            return true;
        }
    }
    return *m_sharedArchiveSet;
}

void WindowArchiving::connectionChanged()
{
    if (m_entryLine.isEmpty())
        return;
    m_entryLine.clear();
    placeLine();
}

void WindowArchiving::startSync(bool asked)
{
    if (m_syncing) {
        m_syncAgain = m_syncAgain.value_or(false) || asked;
        return;
    }
    m_syncing = true;
    showSyncLine(QStringLiteral("Enviando al archivo compartido…"));
    // Its own connections, to the file and to the server: a server that does not answer keeps
    // only the worker waiting.
    runAside([path = m_path, asked]() -> Done {
        SyncResult result;
        try {
            result = syncArchive(path);
        } catch (const std::exception &error) {
            result.failure = QString::fromLocal8Bit(error.what());
        }
        return [result, asked](WindowArchiving &self) {
            self.finishSync(result, asked);
        };
    });
}

void WindowArchiving::finishSync(const SyncResult &result, bool asked)
{
    m_syncing = false;
    const QString text = ArchiveLines::sync(result);
    showSyncLine(text);
    // After a download the line says it; asked for, it is said once more in a box.
    if (!result.succeeded() && asked)
        ErrorReport::show(text);
    if (const std::optional<bool> again = std::exchange(m_syncAgain, std::nullopt))
        startSync(*again);
    emit syncEnded();
}

void WindowArchiving::showEntryLine(const QString &text)
{
    m_entryLine = text;
    placeLine();
}

void WindowArchiving::showSyncLine(const QString &text)
{
    m_syncLine = text;
    placeLine();
}

void WindowArchiving::placeLine()
{
    // Below the switch, where its housing leaves room for two lines above the logger's
    // indicators, over the place of a download's progress line, which it leaves to that line
    // while a download runs; nothing moves. The archive's line takes both lines when it is
    // alone, else each takes one; what does not fit gives way at its end, and the whole of both
    // is in the tip.
    const QRect below = m_form.ColBitBtn1->geometry();
    const QFontMetrics metrics = m_line->fontMetrics();
    constexpr int lines = 2;
    const int height = lines * metrics.lineSpacing() + 2;
    m_line->setFixedSize(below.width(), height);
    m_line->move(below.left(), below.top() - 2 - height);
    QStringList shown =
        wrappedLines(metrics, m_entryLine, below.width(), m_syncLine.isEmpty() ? lines : 1);
    shown += wrappedLines(metrics, m_syncLine, below.width(), lines - int(shown.size()));
    m_line->setText(shown.join(QLatin1Char('\n')));
    m_line->setToolTip(lineText());
    m_line->setVisible(!shown.isEmpty() && !m_form.ProgressLabel->isVisible());
}

QString WindowArchiving::lineText() const
{
    QStringList whole;
    for (const QString &text : {m_entryLine, m_syncLine})
        if (!text.isEmpty())
            whole.append(text);
    return whole.join(QLatin1Char('\n'));
}

bool WindowArchiving::eventFilter(QObject *watched, QEvent *event)
{
    // The progress line and the archive's share their place: the one of the running download
    // goes first, the archive's comes back once it has gone.
    // It is asked nothing of the main window, which may be on its way out.
    if (watched == m_progressLine
        && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        m_line->setVisible(event->type() == QEvent::Hide && !m_line->text().isEmpty());
    return false;
}
