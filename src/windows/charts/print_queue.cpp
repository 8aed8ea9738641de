#include "windows/charts/print_queue.h"

#include <QPrinter>

#include <cups/cups.h>

#include <memory>

namespace PrintQueue {

namespace {

/// Printer state as the printing system reports it: 3 idle, 4 printing, 5 stopped.
constexpr int stoppedState = 5;

/// Whether the job goes to a queue of the printing system, not to a file.
bool printsOnQueue(const QPrinter &printer)
{
    return printer.outputFormat() == QPrinter::NativeFormat && printer.outputFileName().isEmpty()
        && !printer.printerName().isEmpty();
}

QString quoted(const QString &name)
{
    return QStringLiteral("«%1»").arg(name);
}

} // namespace

QString whyRefused(const QPrinter &printer)
{
    if (!printsOnQueue(printer))
        return {};
    // The toolkit names an instance of a queue "queue/instance".
    const QString name = printer.printerName();
    const qsizetype slash = name.indexOf(QLatin1Char('/'));
    const QByteArray queue = name.left(slash).toLocal8Bit();
    const QByteArray instance = slash < 0 ? QByteArray() : name.mid(slash + 1).toLocal8Bit();
    const std::unique_ptr<cups_dest_t, void (*)(cups_dest_t *)> destination(
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.constData(),
                         instance.isEmpty() ? nullptr : instance.constData()),
        [](cups_dest_t *dest) { cupsFreeDests(1, dest); });
    if (!destination)
        return QStringLiteral("La impresora %1 ya no está instalada: no se imprimió nada.")
            .arg(quoted(name));
    const auto option = [&destination](const char *key) {
        return QByteArray(cupsGetOption(key, destination->num_options, destination->options));
    };
    if (option("printer-is-accepting-jobs") == "false")
        return QStringLiteral("La impresora %1 no acepta trabajos: no se imprimió nada.")
            .arg(quoted(name));
    if (option("printer-state").toInt() == stoppedState)
        return QStringLiteral("La impresora %1 está detenida: no se imprimió nada.")
            .arg(quoted(name));
    return {};
}

QString jobRefusal(const QPrinter &printer)
{
    if (!printsOnQueue(printer) || cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE)
        return {};
    return QStringLiteral("La impresora %1 no aceptó el trabajo: %2")
        .arg(quoted(printer.printerName()), QString::fromUtf8(cupsLastErrorString()));
}

} // namespace PrintQueue
