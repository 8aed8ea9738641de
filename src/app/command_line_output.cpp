#include "app/command_line_output.h"

#include "runtime/quit_signals.h"

#include <unistd.h>

namespace CommandLine {

namespace {

void write(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

QString escapedControls(const QString &text)
{
    QString clean;
    clean.reserve(text.size());
    for (const QChar c : text) {
        // Control characters are those of C0, DEL and C1: all below 0x100.
        if (c == QLatin1Char('\n') || c == QLatin1Char('\t')
            || c.category() != QChar::Other_Control)
            clean += c;
        else
            clean += QStringLiteral("\\x%1").arg(int(c.unicode()), 2, 16, QLatin1Char('0'));
    }
    return clean;
}

void say(FILE *stream, const QString &text)
{
    write(stream, escapedControls(text));
}

void sayToTerminal(const QString &text)
{
    write(stderr, text);
}

int fail(ExitCode code, const QString &message)
{
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    say(stderr, QStringLiteral("brentavius4: %1\n").arg(line.simplified()));
    return code;
}

int interrupted(int signalNumber)
{
    return fail(ExitCode(QuitSignals::exitCode(signalNumber)), QStringLiteral("interrumpido"));
}

void keepToolkitMessagesOut()
{
    static QtMessageHandler toolkit = nullptr;
    toolkit = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if ((type == QtCriticalMsg || type == QtFatalMsg) && toolkit)
                toolkit(type, context, message);
        });
}

bool onTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

} // namespace CommandLine
