#pragma once

#include "app/command_line_options.h"

/// The runs without windows: list the ports, or download the logger into a file. Each says
/// what went wrong in one line on standard error and returns its exit code.
namespace CommandLine {

/// Runs what `arguments` ask for; a QCoreApplication must exist.
[[nodiscard]] int run(const QStringList &arguments);

} // namespace CommandLine
