#pragma once

#include <QString>
#include <QStringList>

#include <optional>

/// The program's command line: what it asks for, how it ends, and the help that says both.
namespace CommandLine {

/// How a run from the command line ends; the help and the manual page list the same codes.
enum ExitCode : int {
    Ok = 0,
    BadArguments = 2,
    PortUnavailable = 3,
    NoAnswer = 4,
    Unverified = 5,
    SaveFailed = 6,
    ArchiveFailed = 7,
    SyncFailed = 8,
    /// The server got everything else; damaged downloads of the local archive were not sent.
    DamagedNotSent = 9,
};

/// A run without windows that the command line asks for.
struct Options
{
    enum class Action {
        Help,
        Version,
        ListPorts,
        Download,
        ArchiveList,
        ArchiveExport,
        ArchiveImport,
        ArchiveSync,
        ArchiveDownloads,
        ArchiveRemoveDownload,
        ArchiveMoveDownload,
        ArchiveRebuild,
    };
    Action action = Action::Help;
    QString port;
    /// Empty for a download that is only archived.
    QString output;
    bool csv = false;
    bool forced = false;
    bool setClock = false;
    int timeoutSeconds = 30;
    /// The station a download or old files are archived under, or whose record is exported;
    /// empty for a download that is not archived.
    QString station;
    /// The archive's SQLite file; empty for the user's own.
    QString archive;
    /// The shared archive's URL; empty for the one kept in the archive's settings, if any.
    QString archiveServer;
    /// The range exported, in the archive's sample time (see ArchivedSample).
    std::optional<qint64> from;
    std::optional<qint64> to;
    /// The old files brought in.
    QStringList files;
    /// The download removed or moved, as --archive-downloads lists it.
    qint64 downloadId = 0;
};

/// The outcome of reading the arguments: a run, or the one-line reason they make none.
struct Parse
{
    std::optional<Options> options;
    QString error;
};

/// True when an argument begins with '-' and is not one of Qt's documented options, nor
/// --port with its port (or the value of one of these): the program then runs without windows,
/// to do what the command line asks or to refuse an option it does not know, and needs no
/// display either way.
[[nodiscard]] bool wanted(int argc, const char *const *argv);

/// The port --port names for the window program (the last one given), decoded as a file name;
/// empty when none is given. The port setup dialog and the main window start with it.
[[nodiscard]] QString windowPort(int argc, const char *const *argv);

/// A time of --from or --to: "2026-03-01", "2026-03-01T10:00" or "2026-03-01T10:00:07" (a
/// blank for the "T" will do), in the archive's sample time. A day alone is its first second,
/// or with `endOfDay` its last. None for any other text.
[[nodiscard]] std::optional<qint64> rangeTime(const QString &text, bool endOfDay);

/// Reads the arguments (arguments[0] is the program).
[[nodiscard]] Parse parse(const QStringList &arguments);

/// The text of --help.
[[nodiscard]] QString helpText();

} // namespace CommandLine
