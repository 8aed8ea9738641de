#include "data/download_format_error.h"

DownloadFormatError::DownloadFormatError(const QString &message)
    : std::runtime_error(message.toStdString())
{ }

DownloadFormatError DownloadFormatError::lineTooShort(int lineNumber, qsizetype length, int needed)
{
    return DownloadFormatError(
        QStringLiteral("La línea %1 de la descarga está incompleta: tiene %2 caracteres y se "
                       "esperaban al menos %3.")
            .arg(lineNumber)
            .arg(length)
            .arg(needed));
}

DownloadFormatError DownloadFormatError::startOutOfRange(const QString &field, int value)
{
    return DownloadFormatError(
        QStringLiteral("La fecha u hora de inicio de la descarga no es válida (%1 %2): las "
                       "muestras quedan sin fecha ni hora.")
            .arg(field)
            .arg(value));
}
