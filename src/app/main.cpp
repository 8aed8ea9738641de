// Program start: the command line without windows, or the application title, the eight
// windows in their order and the message loop until the main window is closed.
#include "app/command_line.h"
#include "app/command_line_output.h"
#include "app/window_set.h"
#include "archive/archive_location.h"
#include "runtime/error_report.h"
#include "runtime/private_runtime_folder.h"
#include "runtime/quit_signals.h"
#include "runtime/settings_for_this_run.h"
#include "serial/serial_port.h"
#include "windows/main_window.h"
#include "windows/program_icon.h"
#include "windows/window_archiving.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <csignal>

int main(int argc, char **argv)
{
    // A file that grows past the user's size limit (ulimit -f) fails to write with EFBIG, which
    // is reported as the write error it is, instead of ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    // A command line of ours runs without windows, so that it needs no display.
    if (CommandLine::wanted(argc, argv)) {
        CommandLine::keepToolkitMessagesOut();
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("BRENTAVIUS4"));
        QCoreApplication::setApplicationVersion(QString::fromLatin1(BRENTAVIUS_VERSION));
        return CommandLine::run(QCoreApplication::arguments());
    }

    // Before the application object, whose platform looks for the folder.
    const PrivateRuntimeFolder runtimeFolder;
    ErrorReportingApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("BRENTAVIUS4"));
    QApplication::setWindowIcon(programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("brentavius4"));
    // Qt's own dialogs and buttons in Spanish, where the translations are installed.
    QTranslator qtSpanish;
    if (qtSpanish.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtSpanish);
    // Only closing the main window ends the program, whatever other window is still open.
    QApplication::setQuitOnLastWindowClosed(false);
    keepToolkitSettingsForThisRun();

    WindowSet program(windowSerialPort(argc, argv));
    // Every download of the window program enters the user's own station archive.
    program.windows.Form1->archiving().setArchivePath(defaultArchivePath());
    QObject::connect(program.windows.Form1, &TForm1::closed, &app, &QCoreApplication::quit);
    // Interrupted, terminated or its terminal gone: the line closes as closing the main window
    // closes it, so that the port is free for the next program.
    QuitSignals quit;
    QObject::connect(&quit, &QuitSignals::received, program.windows.Form1, &QWidget::close);
    program.windows.Form1->show();
    const int status = app.exec();
    return quit.signalNumber() != 0 ? QuitSignals::exitCode(quit.signalNumber()) : status;
}
