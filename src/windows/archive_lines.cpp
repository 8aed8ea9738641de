#include "windows/archive_lines.h"

#include "archive/archive_error.h"
#include "archive/archive_sync.h"
#include "archive/archived_samples.h"
#include "archive/server_address.h"
#include "link/live_frames.h"

namespace ArchiveLines {

std::optional<qint64> clockOffsetOfNewest(const LiveFrames &frames)
{
    // A frame of an earlier connection may be another logger's clock.
    const LiveFrame *newest = frames.find(frames.newestSequence());
    if (!newest || frames.newestSequence() < frames.connectionStart())
        return std::nullopt;
    StatusDetails clock;
    clock.year = newest->year;
    clock.month = newest->month;
    clock.day = newest->day;
    clock.hour = newest->hour;
    clock.minute = newest->minute;
    clock.second = newest->second;
    return clockOffsetSeconds(clock, newest->pcTime);
}

QString currentFailure()
{
    try {
        throw;
    } catch (const ArchiveError &error) {
        return error.message();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("falta memoria");
    } catch (const std::exception &error) {
        return QString::fromLocal8Bit(error.what());
    }
}

QString failure(const QString &reason)
{
    return QStringLiteral("No se pudo archivar: %1").arg(reason);
}

QString noStation()
{
    return QStringLiteral("Descarga sin archivar: no se eligió la estación");
}

QString sync(const SyncResult &result)
{
    const auto downloads = [](int count) {
        return count == 1 ? QStringLiteral("1 descarga")
                          : QStringLiteral("%1 descargas").arg(count);
    };
    if (!result.succeeded())
        return QStringLiteral("No se pudo enviar al archivo compartido: %1; %2 sin enviar en este "
                              "PC")
            .arg(result.failure, downloads(result.unsent));
    QString text = result.sent == 1
        ? QStringLiteral("Enviada 1 descarga al archivo compartido")
        : QStringLiteral("Enviadas %1 al archivo compartido").arg(downloads(result.sent));
    if (result.conflicts > 0)
        text += QStringLiteral("; %1 muestras no coinciden con lo archivado allí: ¿es otro logger?")
                    .arg(result.conflicts);
    if (!result.respelled.empty())
        text += QStringLiteral("; ") + result.respelledText();
    if (result.damaged.size() == 1)
        text += QStringLiteral("; 1 descarga de este PC está dañada y no se envió: %1")
                    .arg(result.damagedAdvice());
    else if (!result.damaged.empty())
        text += QStringLiteral("; %1 descargas de este PC están dañadas y no se enviaron: %2")
                    .arg(result.damaged.size())
                    .arg(result.damagedAdvice());
    return text;
}

QString urlWithPassword(const ServerAddress &address)
{
    return address.textWithPassword();
}

} // namespace ArchiveLines
