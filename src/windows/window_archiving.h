#pragma once

#include "archive/station_archive.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QThread;
class TForm1;
struct SyncResult;

/// The main window's station archive: every finished download is entered into the local
/// archive under the station of its port (asked once per port), a line in free space says what
/// came of it, and the lab's shared archive, when one is set, is sent the new downloads. That
/// work is done aside, one piece after another, each on a thread with its own connections, so
/// that the window never waits for it. Nothing of the download depends on it: a failure is
/// said once and loses nothing.
class WindowArchiving : public QObject
{
    Q_OBJECT

public:
    explicit WindowArchiving(TForm1 &form);
    ~WindowArchiving() override;

    /// Archives every download from now on into the SQLite file `path` (the user's own archive
    /// for the window program); empty, as at the start, archives nothing.
    void setArchivePath(const QString &path);
    [[nodiscard]] const QString &archivePath() const { return m_path; }
    [[nodiscard]] bool enabled() const { return !m_path.isEmpty(); }

    /// A download has ended and been checked: it is entered as soon as the window's event loop
    /// runs again, so that the data window is not kept waiting.
    void downloadEnded(const QByteArray &text, std::optional<int> samplesReported);

    /// "Estación…": names the station of the current port's downloads.
    void chooseStation();
    /// "Archivo compartido…": the lab's server, kept in the archive's settings.
    void chooseSharedArchive();
    /// "Sincronizar ahora": sends the archive to the lab's server.
    void syncNow();
    /// A shared archive is set in the archive's settings (read once, then kept up to date by
    /// "Archivo compartido…"); an archive that cannot be read is taken to have one, so that
    /// the sync says what is wrong.
    [[nodiscard]] bool sharedArchiveSet();
    /// A new connection: what the line said of the last logger's download goes.
    void connectionChanged();
    [[nodiscard]] bool syncing() const { return m_syncing; }

    /// The line in free space, hidden until there is something to say.
    QLabel *line() const { return m_line; }
    /// What the line says, whole: what came of the last download, then of the last sync.
    [[nodiscard]] QString lineText() const;

    bool eventFilter(QObject *watched, QEvent *event) override;

    /// Asks for a station: title, question, known stations, the current one; none when the user
    /// cancelled. Tests replace it.
    std::function<std::optional<QString>(const QString &title, const QString &question,
                                         const QStringList &known, const QString &current)>
        askStation;
    /// Asks for the shared archive's URL given the one kept; none when the user cancelled.
    /// Tests replace it.
    std::function<std::optional<QString>(const QString &keptUrl)> askServer;
    /// Asks a yes-or-no question with its details; true for yes. Tests replace it.
    std::function<bool(const QString &question, const QString &details)> askYesNo;

signals:
    /// A sync has ended and its line is shown.
    void syncEnded();

private:
    /// What is done on the window's thread once work done aside has ended.
    using Done = std::function<void(WindowArchiving &self)>;
    /// Work done aside, on a thread with its own connections.
    using Work = std::function<Done()>;

    /// Asks for the port's station when it has none, then enters the download aside.
    void enter(const DownloadEntry &entry, const QString &port);
    void enterAside(const DownloadEntry &entry, const QString &port, const QString &station);
    /// For a download archived before under another station than its port's: offers to move
    /// it to the port's station, and moves it aside when the user agrees.
    void offerMove(const EntryResult &result, const QString &port);
    /// Runs `action` now when no modal window is open, else once none is.
    void whenNoModal(const std::function<void()> &action);
    /// Runs `work` in a thread of its own once the work before it has ended, and what it gives
    /// back on the window's thread.
    void runAside(Work work);
    void startWork();
    /// Says that the archive could not be written: the line, and one error box.
    void fail(const QString &reason);
    /// Starts a sync in a thread of its own, or one more after the one running.
    void startSync(bool asked);
    void finishSync(const SyncResult &result, bool asked);
    void showEntryLine(const QString &text);
    void showSyncLine(const QString &text);
    void placeLine();

    TForm1 &m_form;
    QString m_path;
    /// Made after the main window's progress line, so gone only after it.
    QLabel *m_line;
    /// The main window's progress line, whose place the line shares; only compared, as it may
    /// be on its way out when its last events come.
    const QObject *m_progressLine;
    QString m_entryLine;
    QString m_syncLine;
    /// The work under way, and the work waiting for it, in order.
    std::unique_ptr<QThread> m_worker;
    std::deque<Work> m_work;
    /// A sync waits or runs.
    bool m_syncing = false;
    /// Whether a shared archive is set, once read.
    std::optional<bool> m_sharedArchiveSet;
    /// Another sync was asked for meanwhile; whether the user asked for it.
    std::optional<bool> m_syncAgain;
};
