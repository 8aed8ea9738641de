#include "data/download_format_error.h"

DownloadFormatError::DownloadFormatError(const QString &message)
    : std::runtime_error(message.toStdString())
{ }

DownloadFormatError DownloadFormatError::lineTooShort(int lineNumber, qsizetype length, int needed)
{
    const QString has = length == 1 ? QStringLiteral("1 carácter")
                                    : QStringLiteral("%1 caracteres").arg(length);
    return DownloadFormatError(
        QStringLiteral("La línea %1 de la descarga está incompleta: tiene %2 y se esperaban al "
                       "menos %3.")
            .arg(lineNumber)
            .arg(has)
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

DownloadFormatError DownloadFormatError::unknownRateCode(int rateCode,
                                                        const std::optional<QString> &keptRate)
{
    const QString consequence = keptRate
        ? QStringLiteral("las muestras se fechan con la tasa anterior, %1.").arg(*keptRate)
        : QStringLiteral("las muestras quedan sin fecha ni hora.");
    return DownloadFormatError(
        QStringLiteral("La tasa de muestreo de la descarga no es válida (código %1): %2")
            .arg(rateCode)
            .arg(consequence));
}
