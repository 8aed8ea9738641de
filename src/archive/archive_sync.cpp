#include "archive/archive_sync.h"

#include "archive/archive_error.h"
#include "archive/archived_samples.h"
#include "archive/server_address.h"
#include "archive/server_password.h"
#include "archive/station_archive.h"

#include <QSet>

#include <algorithm>

QString SyncResult::line() const
{
    if (!succeeded()) {
        // The failure names the server, or says that the local archive is at fault.
        QString text = QStringLiteral("No se pudo sincronizar: %1").arg(failure);
        if (unsent == 1)
            text += QStringLiteral(". 1 descarga queda en el archivo local, sin enviar");
        else if (unsent > 1)
            text += QStringLiteral(". %1 descargas quedan en el archivo local, sin enviar")
                        .arg(unsent);
        return text;
    }
    QString text;
    if (sent == 0 && alreadyThere == 0) {
        text = damaged.empty()
            ? QStringLiteral("El servidor %1 ya tiene todas las descargas").arg(server)
            : QStringLiteral("El servidor %1 ya tiene todas las demás descargas").arg(server);
    } else {
        text = sent == 1
            ? QStringLiteral("1 descarga enviada al servidor %1").arg(server)
            : QStringLiteral("%1 descargas enviadas al servidor %2").arg(sent).arg(server);
        if (alreadyThere > 0)
            text += QStringLiteral(", %1 ya estaban").arg(alreadyThere);
    }
    if (conflicts > 0)
        text += QStringLiteral("; %1 muestras no coinciden con lo archivado en el servidor: "
                               "¿es otro logger?")
                    .arg(conflicts);
    if (!respelled.empty())
        text += QStringLiteral("; ") + respelledText();
    if (damaged.size() == 1)
        text += QStringLiteral("; 1 descarga del archivo local está dañada y no se envió: %1")
                    .arg(damagedAdvice());
    else if (!damaged.empty())
        text += QStringLiteral("; %1 descargas del archivo local están dañadas y no se "
                               "enviaron: %2")
                    .arg(damaged.size())
                    .arg(damagedAdvice());
    return text;
}

QString SyncResult::damagedAdvice() const
{
    const auto unreadables = std::count_if(damaged.begin(), damaged.end(),
                                           [](const DamagedDownload &d) { return d.unreadable; });
    if (unreadables == 0)
        return QStringLiteral("reconstruya el archivo");
    if (unreadables == qsizetype(damaged.size()))
        return unreadables == 1 ? QStringLiteral("quítela del archivo local")
                                : QStringLiteral("quítelas del archivo local");
    return QStringLiteral("quite del archivo local las que no se leen y reconstrúyalo");
}

QString SyncResult::respelledText() const
{
    QStringList clauses;
    for (const auto &[local, shared] : respelled)
        clauses << QStringLiteral("«%1» se envió como «%2», como la llama el archivo compartido")
                       .arg(local, shared);
    return clauses.join(QStringLiteral("; "));
}

QStringList SyncResult::damagedLines() const
{
    QStringList lines;
    for (const DamagedDownload &download : damaged)
        lines << QStringLiteral("la descarga %1 de «%2» no se envió: %3")
                     .arg(download.id)
                     .arg(download.station, download.why);
    return lines;
}

SyncResult syncArchive(StationArchive &local, StationArchive &server, const SyncStop &stop)
{
    SyncResult result;
    result.server = server.shownName();
    try {
        const std::vector<DownloadSummary> downloads = local.downloads();
        for (const DownloadSummary &download : downloads)
            result.unsent += download.sent ? 0 : 1;
        const QStringList hashes = server.downloadHashes();
        const QSet<QString> onServer(hashes.begin(), hashes.end());
        for (const DownloadSummary &download : downloads) {
            if (stop && stop()) {
                result.failure = QStringLiteral("se detuvo antes de terminar");
                break;
            }
            if (!onServer.contains(download.sha256)) {
                StoredDownload stored;
                try {
                    stored = local.storedDownload(download.id);
                } catch (const DamagedDownloadError &error) {
                    // The local archive's fault, not the server's: the others still go.
                    result.damaged.push_back({download.id, download.station, error.message()});
                    continue;
                }
                try {
                    // Read here first, as the server's entry will: a text that does not read
                    // is the local archive's fault, told apart from the server's.
                    (void)decodeEntry(stored.entry.raw, stored.entry.kind,
                                      stored.entry.samplesReported);
                } catch (const ArchiveError &error) {
                    result.damaged.push_back({download.id, download.station,
                                              QStringLiteral("no se lee: ") + error.message(),
                                              true});
                    continue;
                }
                // Another PC may have brought the same station spelled otherwise first.
                const EntryResult entered = server.enter(stored.station, stored.entry,
                                                         LookAlikeName::TakesArchivedSpelling);
                if (entered.alreadyEntered) {
                    ++result.alreadyThere;
                } else {
                    ++result.sent;
                    result.conflicts += entered.conflicts;
                    const std::pair respelling(stored.station, entered.station);
                    if (entered.station != stored.station
                        && std::find(result.respelled.begin(), result.respelled.end(), respelling)
                            == result.respelled.end())
                        result.respelled.push_back(respelling);
                }
            } else if (!download.sent) {
                ++result.alreadyThere;
            }
            if (!download.sent) {
                local.markSent(download.id);
                --result.unsent;
            }
        }
    } catch (const ArchiveError &error) {
        result.failure = error.message();
    }
    return result;
}

SyncResult syncArchive(const QString &archivePath, const QString &serverUrl, const SyncStop &stop)
{
    SyncResult result;
    try {
        StationArchive local = StationArchive::openFile(archivePath);
        const QString url = serverUrl.isEmpty() ? local.serverUrl() : serverUrl;
        if (url.isEmpty()) {
            result.unsent = local.unsentCount();
            result.failure = QStringLiteral("no hay un archivo compartido configurado");
            return result;
        }
        ServerAddress address = parseServerAddress(url);
        result.server = address.shownText();
        if (address.password.isEmpty())
            address.password = ServerPassword::kept(address);
        try {
            StationArchive server = StationArchive::openServer(address);
            return syncArchive(local, server, stop);
        } catch (const ArchiveError &error) {
            result.unsent = local.unsentCount();
            result.failure = error.message();
        }
    } catch (const ArchiveError &error) {
        result.failure = error.message();
    }
    return result;
}
