#pragma once

#include "app/command_line_options.h"

#include <QString>

#include <cstdio>

/// What the runs without windows write: text as it is, and failures as one line each.
namespace CommandLine {

/// Writes `text` to `stream` at once.
void say(FILE *stream, const QString &text);

/// One line on standard error in the program's name; returns `code`.
int fail(ExitCode code, const QString &message);

/// Whether standard error is a terminal, where progress and what went well are shown.
[[nodiscard]] bool onTerminal();

} // namespace CommandLine
