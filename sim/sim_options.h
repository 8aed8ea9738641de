#pragma once

#include "faults.h"
#include "simulated_logger.h"

#include <QString>
#include <QStringList>

#include <optional>

/// How fast the download text goes out.
enum class Pace {
    Line, ///< at the real line's 115200 baud: 11520 bytes per second
    Fast, ///< as fast as the pseudo-terminal takes it
};

/// The simulator's command-line settings.
struct SimOptions
{
    QString name = QStringLiteral("logger");
    int frameIntervalMs = 1000;
    int discardWaitMs = 600;
    Pace pace = Pace::Line;
    FaultSet faults;
    bool verbose = false;
    LoggerSetup logger;
};

/// The outcome of reading the command line: settings, or text to show and an exit code.
struct SimOptionsParse
{
    std::optional<SimOptions> options;
    QString message; ///< the help or version text, or the error
    int exitCode = 0; ///< 0 for help and version, 2 for a bad command line
};

/// Reads the command line (arguments[0] is the program) without touching anything else.
[[nodiscard]] SimOptionsParse parseSimOptions(const QStringList &arguments);

/// A name usable as a file name in the link folder: letters, digits, '.', '_', '-', not
/// beginning with '.'.
[[nodiscard]] bool isValidDeviceName(const QString &name);
