// The simulated logger: serves the logger's side of the serial line on a pseudo-terminal.
#include "device_link.h"
#include "event_log.h"
#include "logger_server.h"
#include "pty_device.h"
#include "signal_watcher.h"
#include "sim_options.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brentavius-sim"));

    const SimOptionsParse parsed = parseSimOptions(QCoreApplication::arguments());
    if (!parsed.options) {
        std::FILE *stream = parsed.exitCode == 0 ? stdout : stderr;
        std::fputs(parsed.message.toLocal8Bit().constData(), stream);
        std::fputs("\n", stream);
        return parsed.exitCode;
    }
    const SimOptions &options = *parsed.options;
    EventLog log(options.verbose);

    QString error;
    SignalWatcher signalWatcher;
    if (!signalWatcher.install(&error)) {
        log.error(error);
        return 1;
    }
    PtyDevice device;
    if (!device.open(&error)) {
        log.error(error);
        return 1;
    }
    DeviceLink link;
    if (!link.create(DeviceLink::folderForUser(::getuid()), options.name, device.devicePath(),
                     &error)) {
        log.error(error);
        return 1;
    }
    log.always(QStringLiteral("device ") + device.devicePath());
    log.always(QStringLiteral("link ") + link.linkPath());

    LoggerServer server(device, options, log);
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &app,
                     [&log](int signalNumber) {
                         log.event(QStringLiteral("signal %1").arg(signalNumber));
                         QCoreApplication::exit(0);
                     });
    // A program killed while it held the device in exclusive mode leaves it so: a new device
    // under the same link takes its place, and the next program connects as usual.
    QObject::connect(&server, &LoggerServer::deviceHeld, &app, [&device, &link, &log] {
        PtyDevice fresh;
        QString reason;
        if (!fresh.open(&reason) || !link.retarget(fresh.devicePath(), &reason)) {
            log.error(QStringLiteral("cannot replace the held device: ") + reason);
            return;
        }
        device.takeOver(fresh);
        log.always(QStringLiteral("device ") + device.devicePath());
    });
    QObject::connect(&server, &LoggerServer::finished, &app,
                     [](int exitCode) { QCoreApplication::exit(exitCode); });
    server.start();

    const int exitCode = QCoreApplication::exec();
    link.remove();
    return exitCode;
}
