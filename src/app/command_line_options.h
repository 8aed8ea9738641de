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
};

/// A run without windows that the command line asks for.
struct Options
{
    enum class Action { Help, Version, ListPorts, Download };
    Action action = Action::Help;
    QString port;
    QString output;
    bool csv = false;
    bool forced = false;
    bool setClock = false;
    int timeoutSeconds = 30;
};

/// The outcome of reading the arguments: a run, or the one-line reason they make none.
struct Parse
{
    std::optional<Options> options;
    QString error;
};

/// True when an argument begins with '-' and is not one of Qt's documented options (or the
/// value of one): the program then runs without windows, to do what the command line asks or
/// to refuse an option it does not know, and needs no display either way.
[[nodiscard]] bool wanted(int argc, const char *const *argv);

/// Reads the arguments (arguments[0] is the program).
[[nodiscard]] Parse parse(const QStringList &arguments);

/// The text of --help.
[[nodiscard]] QString helpText();

} // namespace CommandLine
