#pragma once

#include "archive/archived_samples.h"
#include "archive/server_address.h"
#include "data/record_coverage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class ArchiveDatabase;

/// A finished download (or an old file) to be entered, with what is known of it.
struct DownloadEntry
{
    /// The bytes as they came: the download text, or the old file's bytes.
    QByteArray raw;
    RawKind kind = RawKind::DownloadText;
    /// When the download ended (or the file was saved), UTC milliseconds since 1970.
    qint64 arrivedUtcMs = 0;
    /// The samples the logger reported before the download; none when no status frame told.
    std::optional<int> samplesReported;
    /// clockOffsetSeconds() of the last status frame before the download, when there was one.
    std::optional<qint64> clockOffsetSeconds;
};

/// What entering one download did.
struct EntryResult
{
    /// The station it is archived under: the one asked for, or for the same bytes entered
    /// before, the one they were archived under then.
    QString station;
    qint64 downloadId = 0;
    /// The same bytes (same SHA-256) were archived before: nothing changed.
    bool alreadyEntered = false;
    int newSamples = 0;
    /// Samples archived before with the same values (for a download entered before, all).
    int alreadyArchived = 0;
    /// Samples whose station and time are archived with other values: kept apart, the
    /// archived sample left as it was.
    int conflicts = 0;
    /// Rows not entered: damaged lines and samples without a date.
    int notEntered = 0;
    bool checkPassed = true;
    /// Rows of a download text whose check failed that were not entered (see
    /// DecodedEntry::leftInDownload); they stay in the kept download and on the logger.
    int leftInDownload = 0;
    /// Samples only downloads whose check failed had brought, replaced by this one's values.
    int replaced = 0;
    /// The station it was asked to be archived under.
    QString askedStation;

    /// The same bytes were archived before under another station than the one asked.
    [[nodiscard]] bool archivedElsewhere() const
    {
        return alreadyEntered && station != askedStation;
    }
    /// The line that says it: "Archivada en «Parcela 3»: 2688 nuevas, 1312 ya archivadas", or
    /// for conflicts "N muestras no coinciden con lo archivado para «Parcela 3»: ¿es otro
    /// logger?", or for the same bytes under another station "Esta descarga ya está archivada
    /// en «A»; no se archivó en «B»".
    [[nodiscard]] QString line() const;
};

/// What entering under a new name that looks like an archived station's (see stationKey) does.
enum class LookAlikeName {
    Refused, ///< the user's own entry: "ya hay una estación «X»; use ese nombre"
    TakesArchivedSpelling, ///< another archive's download: entered under the archived spelling
};

/// One station of the archive, as --archive-list shows it.
struct StationSummary
{
    QString name;
    std::optional<qint64> firstSample; ///< t of the first and last samples
    std::optional<qint64> lastSample;
    qint64 samples = 0;
    int downloads = 0;
    /// The clock offset of the latest download that measured one.
    std::optional<qint64> lastClockOffsetSeconds;
    /// When the latest download arrived, UTC milliseconds; none for a station without one.
    std::optional<qint64> lastDownloadUtcMs;
};

/// One archived download, as a list of them shows it.
struct DownloadSummary
{
    qint64 id = 0;
    QString station;
    QString sha256;
    qint64 arrivedUtcMs = 0;
    RawKind kind = RawKind::DownloadText;
    int samplesReceived = 0;
    bool checkPassed = true;
    int newSamples = 0;
    int alreadyArchived = 0;
    int conflicts = 0;
    bool sent = false;
    /// The minutes between its samples; none when its header did not tell.
    std::optional<int> stepMinutes;
    /// The samples the logger reported before the download; none when no status frame told.
    std::optional<int> samplesReported;
    /// The logger's clock against the PC's when it was downloaded (see clockOffsetSeconds).
    std::optional<qint64> clockOffsetSeconds;
    /// Rows not entered: damaged lines and samples without a date.
    int damagedRows = 0;
};

/// A sample a download brought with other values than the station's record keeps.
struct ConflictRow
{
    qint64 t = 0;
    qint64 downloadId = 0;
    qint64 arrivedUtcMs = 0; ///< of that download
    std::array<int, 4> brought {}; ///< the values the download brought
    std::array<int, 4> archived {}; ///< the values the record keeps
    friend bool operator==(const ConflictRow &, const ConflictRow &) = default;
};

/// What renaming a station did.
struct StationMerge
{
    bool merged = false; ///< `to` existed: two stations became one
    qint64 moved = 0; ///< samples that moved to `to`
    qint64 alreadyArchived = 0;
    qint64 conflicts = 0;
    QString from; ///< the names before and after
    QString to;
    /// The line that says it: "«A» se llama ahora «B»", or "«A» y «B» son ahora una estación:
    /// «B»; …" with the counts of the merge.
    [[nodiscard]] QString line() const;
};

/// A download as stored, enough to enter it again elsewhere (on the server).
struct StoredDownload
{
    QString station;
    QString sha256;
    DownloadEntry entry;
};

/// What removing a download did.
struct DownloadRemoval
{
    qint64 downloadId = 0;
    QString station;
    /// Samples that left the record: no other download had brought them.
    int removed = 0;
    /// Samples another download had brought too, now credited to it.
    int kept = 0;
    /// The station had no other download and is gone.
    bool stationRemoved = false;
    /// "Se quitó la descarga 12 de «Parcela 3»: 40 muestras quitadas, 10 quedan por otras
    /// descargas".
    [[nodiscard]] QString line() const;
};

/// What moving a download to another station did.
struct DownloadMove
{
    DownloadRemoval removal;
    EntryResult entry;
    /// "La descarga 12 pasó de «A» a «B»: …" with what entering it there did.
    [[nodiscard]] QString line() const;
};

/// The station archive: every download entered once, its samples merged into one record per
/// station, in a local SQLite file or on a lab's PostgreSQL server, through the same code.
/// Like the connection it holds, an archive is used on the thread that opened it; open one per
/// thread (they may all be open at once).
class StationArchive
{
public:
    /// Opens (and on first use creates, 0600) the SQLite file `path`, or the user's own archive
    /// when `path` is empty. Throws ArchiveError.
    [[nodiscard]] static StationArchive openFile(const QString &path = {});
    /// Opens the shared archive on a server, making its tables on first use. Throws ArchiveError.
    [[nodiscard]] static StationArchive openServer(const ServerAddress &address);

    StationArchive(StationArchive &&) noexcept;
    StationArchive &operator=(StationArchive &&) noexcept;
    ~StationArchive();

    /// The file's path or the server's URL without its password.
    [[nodiscard]] QString shownName() const;
    [[nodiscard]] bool isServer() const;
    /// A file that may not be written: everything can be read, nothing entered.
    [[nodiscard]] bool readOnly() const;
    /// Throws ArchiveError when the file is damaged (SQLite's quick check, once per opened
    /// archive); every write and export runs it first.
    void checkIntact();

    /// Enters a download under `station` in one transaction: a new sample is added, one
    /// archived with the same values counted, one archived with other values kept as a
    /// conflict. A new `station` that looks like an archived one is refused, or with
    /// TakesArchivedSpelling entered under that one (the result's `station`). Any failure
    /// leaves the archive as it was and throws ArchiveError.
    EntryResult enter(const QString &station, const DownloadEntry &entry,
                      LookAlikeName lookAlike = LookAlikeName::Refused);

    /// Adds `station` without a download, when it is not archived yet.
    void addStation(const QString &station);
    [[nodiscard]] std::vector<StationSummary> stations();
    [[nodiscard]] QStringList stationNames();
    /// The samples of `station` from `from` to `to` (both included; t as ArchivedSample has
    /// it), in time order, each once. Throws ArchiveError for a station not archived.
    [[nodiscard]] std::vector<ArchivedSample> samples(const QString &station,
                                                      std::optional<qint64> from = std::nullopt,
                                                      std::optional<qint64> to = std::nullopt);
    /// The coverage of `station` from `from` to `to` (both included): each sample's time with
    /// the step of the download that brought it (kept in its `times`), through findCoverage.
    /// Throws ArchiveError for a station not archived.
    [[nodiscard]] RecordCoverage coverage(const QString &station,
                                          std::optional<qint64> from = std::nullopt,
                                          std::optional<qint64> to = std::nullopt);
    /// The conflicts of `station`: what a download brought against what is archived, in time
    /// order (then in the order the downloads were entered). Throws ArchiveError for a station
    /// not archived.
    [[nodiscard]] std::vector<ConflictRow> conflicts(const QString &station);
    /// Renames `from` to `to`. When `to` exists, the two stations become one (`to`): in one
    /// transaction, the downloads of `from` move to `to`, its samples whose time `to` lacks
    /// move, those `to` holds with the same values count as already archived, those with other
    /// values become conflicts (the sample of `to` stays). Throws ArchiveError; nothing changes
    /// then.
    StationMerge renameStation(const QString &from, const QString &to);
    /// Removes download `id` in one transaction: the samples no other download of its station
    /// brought go, those another brought stay, credited to it (with its values when they
    /// differ), its conflicts go, and a station left without downloads goes too. Throws
    /// ArchiveError; nothing changes then.
    DownloadRemoval removeDownload(qint64 downloadId);
    /// Removes download `id` and enters its kept bytes under `station` (made when new), in one
    /// transaction. Throws ArchiveError; nothing changes then.
    DownloadMove moveDownload(qint64 downloadId, const QString &station);
    /// The downloads of `station`, or of every station when it is empty, in the order they
    /// were entered.
    [[nodiscard]] std::vector<DownloadSummary> downloads(const QString &station = {});
    /// The bytes "GUARDAR" gave for download `id`.
    [[nodiscard]] QByteArray savedFileText(qint64 downloadId);
    /// The CSV of the samples of `station` in the layout of "Exportar CSV…". Throws
    /// ArchiveError when the rows read are not as many as the archive keeps count of.
    [[nodiscard]] QByteArray csvText(const QString &station,
                                     std::optional<qint64> from = std::nullopt,
                                     std::optional<qint64> to = std::nullopt);
    /// The same CSV handed to `take` in parts as the samples are read, so that a long record
    /// never sits in memory whole. The last part comes only once every row read is counted:
    /// a caller that keeps the parts until then hands out nothing of a damaged archive.
    void writeCsv(const QString &station, std::optional<qint64> from, std::optional<qint64> to,
                  const std::function<void(const QByteArray &part)> &take);

    /// The SHA-256 (hex) of every download archived.
    [[nodiscard]] QStringList downloadHashes();
    /// Download `id` as stored.
    [[nodiscard]] StoredDownload storedDownload(qint64 downloadId);
    /// Marks download `id` as sent to the server.
    void markSent(qint64 downloadId);
    /// Downloads not yet marked sent.
    [[nodiscard]] int unsentCount();

    /// What the program remembers between runs; empty when nothing.
    [[nodiscard]] QString setting(const QString &key);
    void setSetting(const QString &key, const QString &value);
    /// The station last used with `port`; empty when none.
    [[nodiscard]] QString stationForPort(const QString &port);
    void setStationForPort(const QString &port, const QString &station);
    /// The shared archive's URL, password included if it was given so.
    [[nodiscard]] QString serverUrl();
    void setServerUrl(const QString &url);

private:
    explicit StationArchive(std::unique_ptr<ArchiveDatabase> database);
    /// The key of `station`, made when new; a new name like an archived one's is refused, or
    /// with TakesArchivedSpelling becomes that one's (`station` then holds it).
    [[nodiscard]] qint64 stationId(QString &station, LookAlikeName lookAlike);
    /// The key and name of a station other than the one of key `except` that `station`, as a
    /// new name, looks like (see stationKey); none when there is none.
    [[nodiscard]] std::optional<std::pair<qint64, QString>>
    archivedLookAlike(const QString &station, qint64 except);
    /// Throws ArchiveError when `station`, as a new name, looks like (see stationKey) a
    /// station other than the one of key `except`.
    void refuseLookAlike(const QString &station, qint64 except);
    /// Throws ArchiveError when the archive may not be written: nothing is changed.
    void refuseReadOnly() const;
    /// The ports that named station `from` name `to` from now on, lest the next download
    /// bring the old name back; inside the transaction open.
    void renamePortStations(const QString &from, const QString &to);
    /// The key of an archived station; throws ArchiveError when it is not archived.
    [[nodiscard]] qint64 existingStationId(const QString &station);
    void renameOnce(StationMerge &result);
    EntryResult enterOnce(const QString &station, const DownloadEntry &entry,
                          const DecodedEntry &decoded, const QString &sha256,
                          LookAlikeName lookAlike);
    /// enterOnce inside a transaction already open, left open.
    EntryResult enterWithin(const QString &station, const DownloadEntry &entry,
                            const DecodedEntry &decoded, const QString &sha256,
                            LookAlikeName lookAlike = LookAlikeName::Refused);
    /// removeDownload inside a transaction already open, left open; the download as it was.
    StoredDownload removeWithin(qint64 downloadId, DownloadRemoval &result);

    std::unique_ptr<ArchiveDatabase> m_database;
    bool m_checked = false;
};

/// A station name as the archive takes it: trimmed; throws ArchiveError for an empty one (also
/// one of invisible characters alone), one longer than 100 characters (code points) or one
/// with a line break or another control character.
[[nodiscard]] QString checkedStationName(const QString &station);

/// The SHA-256 of `raw` in lower-case hex, as the archive keys downloads.
[[nodiscard]] QString downloadHash(const QByteArray &raw);
