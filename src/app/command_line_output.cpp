#include "app/command_line_output.h"

#include <unistd.h>

namespace CommandLine {

void say(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int fail(ExitCode code, const QString &message)
{
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    say(stderr, QStringLiteral("brentavius4: %1\n").arg(line.simplified()));
    return code;
}

bool onTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

} // namespace CommandLine
