#pragma once

#include "app/command_line_options.h"

#include <QString>

#include <cstdio>

/// What the runs without windows write: text as it is, and failures as one line each.
namespace CommandLine {

/// Writes `text` to `stream` at once. Text from files (names, dates, fields) may hold control
/// characters that a terminal would obey: each but the line break and the tab is written
/// escaped, "\x1b" for ESC.
void say(FILE *stream, const QString &text);

/// `text` with every control character but the line break and the tab written as "\xNN".
[[nodiscard]] QString escapedControls(const QString &text);

/// Writes the program's own terminal controls (the progress line's carriage return and
/// erase) to standard error as they are.
void sayToTerminal(const QString &text);

/// One line on standard error in the program's name; returns `code`.
int fail(ExitCode code, const QString &message);

/// A quit signal ended the run before it was done: "interrumpido" and 128 + its number. What
/// the run had open closes as it goes, and nothing more is written.
int interrupted(int signalNumber);

/// Keeps the toolkit's own debug lines and warnings (the database drivers', a damaged zlib
/// stream's) off standard error, where every failure is already one line of the program's;
/// critical and fatal ones still go there.
void keepToolkitMessagesOut();

/// Whether standard error is a terminal, where progress and what went well are shown.
[[nodiscard]] bool onTerminal();

} // namespace CommandLine
