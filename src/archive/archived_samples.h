#pragma once

#include "data/sample_timestamps.h"
#include "link/status_frame.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>
#include <optional>
#include <vector>

/// What the raw bytes of an archived download are, so that they can be read again.
enum class RawKind {
    DownloadText = 0, ///< the logger's download text as the line brought it
    SavedFile = 1, ///< a file saved with "GUARDAR"
    Csv = 2, ///< the program's own CSV of samples
};

/// One sample as the archive keeps it. `t` is the logger's wall-clock time as it reports it
/// (it knows no time zone), in seconds since 1970-01-01 00:00:00 counted as if it were UTC.
/// The values are the grid's texts as integers: tenths for channels 1 to 3 ("23,4" is 234,
/// "-0,5" is -5), units for channel 4.
struct ArchivedSample
{
    qint64 t = 0;
    std::array<int, 4> values {};

    friend bool operator==(const ArchivedSample &, const ArchivedSample &) = default;
};

/// The samples of a download or an old file, with what the archive keeps beside them.
struct DecodedEntry
{
    std::vector<ArchivedSample> samples; ///< in the order of the text
    std::optional<int> stepMinutes;
    /// The sample lines or rows that came.
    int samplesReceived = 0;
    /// Rows that are not entered: damaged lines and rows without a date.
    int damagedRows = 0;
    bool checkPassed = false;
    /// For a download text whose check failed, the rows not entered: every row from the first
    /// damaged one on (all of them when the count was wrong and no row came damaged), damaged
    /// rows and rows without a date included. The logger still holds them.
    int leftInDownload = 0;
};

/// Decodes `raw` of `kind` as the data window decodes it. A download's damaged lines (see
/// checkDownload) and rows without a date are left out and counted; the check passes when the
/// download is what the logger reported (`reported`) and every row was entered. Of a download
/// whose check failed only the rows before the first damaged one are taken, since the times of
/// the rows after it may be off; none when the count is wrong and no row came damaged. A saved file or
/// CSV that does not read throws ArchiveError naming the line.
[[nodiscard]] DecodedEntry decodeEntry(const QByteArray &raw, RawKind kind,
                                       std::optional<int> reported);

/// The bytes "GUARDAR" writes for `raw` once the data window has shown it.
[[nodiscard]] QByteArray savedFileText(const QByteArray &raw, RawKind kind);

/// The kind of an old file by its first line: the program's CSV, else a saved file.
[[nodiscard]] RawKind fileKind(const QByteArray &bytes);

/// `t` of a logger time.
[[nodiscard]] qint64 sampleTime(int year, int month, int day, int hour, int minute, int second);
/// The calendar day of `t`.
[[nodiscard]] QDate sampleDay(qint64 t);
/// "dd/mm/yyyy" and "hh:mm:ss" of `t`, as the grid writes them. Written digit by digit: "Ver
/// datos", "GUARDAR" and the charts of ten years ask for some 350,000 of each.
[[nodiscard]] QString sampleDateText(qint64 t);
[[nodiscard]] QString sampleTimeText(qint64 t);
/// `t` of the grid's date and time texts ("dd/mm/yyyy", "hh:mm:ss"); none when they are not a
/// date and time that exist.
[[nodiscard]] std::optional<qint64> sampleTimeOfTexts(const QString &date, const QString &time);

/// A value text of the grid (decimal comma, or the CSV's point) as the archive's integer for
/// `channel` (0 to 3); none for a text the grid does not write for that channel.
[[nodiscard]] std::optional<int> archivedValue(const QString &text, int channel);
/// The grid's text of an archived value of `channel`.
[[nodiscard]] QString archivedValueText(int value, int channel);

/// The logger's clock against the PC's, in seconds: the logger's date and time in a status
/// frame minus the PC's local time when that frame arrived (`pcUtcMs`), both as wall-clock
/// times, since the logger's clock is set from the PC's local time. None for a frame whose date
/// does not exist.
[[nodiscard]] std::optional<qint64> clockOffsetSeconds(const StatusDetails &frame, qint64 pcUtcMs);

/// A length of time in its two largest units, a zero second one left out: "42 s",
/// "2 min 13 s", "3 h", "1 día 4 h", "12 días".
[[nodiscard]] QString durationText(quint64 seconds);

/// `count` and the word for it: "1 muestra", "3 muestras".
[[nodiscard]] QString countedText(int count, const QString &one, const QString &many);

/// The clock offset said in words: "el reloj del logger iba 2 min 13 s adelantado" (the logger's
/// clock ahead of the PC's), "… atrasado" (behind), "el reloj del logger iba en hora" (0 s); in
/// hours and minutes from an hour on, in days and hours from a day on.
[[nodiscard]] QString clockOffsetText(qint64 seconds);
