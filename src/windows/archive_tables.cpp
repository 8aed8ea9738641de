#include "windows/archive_tables.h"

#include "archive/archived_samples.h"
#include "data/download_decoding.h"
#include "windows/archive_texts.h"

#include <QHeaderView>
#include <QTableWidget>

#include <algorithm>

namespace {

QTableWidgetItem *item(const QString &text, Qt::Alignment alignment = Qt::AlignLeft)
{
    auto *cell = new QTableWidgetItem(text);
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    cell->setTextAlignment(alignment | Qt::AlignVCenter);
    return cell;
}

QTableWidgetItem *number(qint64 value)
{
    return item(QString::number(value), Qt::AlignRight);
}

template<typename Value, typename Text>
QString orDash(const std::optional<Value> &value, Text text)
{
    return value ? text(*value) : QStringLiteral("—");
}

/// Refills `table` with `rows` rows, the view told once.
template<typename Fill>
void refill(QTableWidget &table, int rows, Fill fill)
{
    table.setUpdatesEnabled(false);
    table.setSortingEnabled(false);
    table.clearContents();
    table.setRowCount(rows);
    for (int row = 0; row < rows; ++row)
        fill(row);
    table.resizeColumnsToContents();
    table.setUpdatesEnabled(true);
}

/// Narrows the widest of the shown columns of `table`, as little as it takes, until they fit
/// its width: its texts elide rather than scroll sideways.
void fitColumnsToWidth(QTableWidget &table)
{
    QHeaderView &header = *table.horizontalHeader();
    const int available = table.viewport()->width();
    std::vector<int> widths;
    for (int column = 0; column < table.columnCount(); ++column)
        if (!header.isSectionHidden(column))
            widths.push_back(header.sectionSize(column));
    int total = 0;
    for (int width : widths)
        total += width;
    if (widths.empty() || total <= available)
        return;
    // The widest width every column may keep: the largest cap whose columns still fit.
    std::sort(widths.begin(), widths.end());
    int cap = 0;
    int below = 0;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const int rest = int(widths.size() - i);
        cap = (available - below) / rest;
        if (cap <= widths[i])
            break;
        below += widths[i];
    }
    cap = std::max(cap, header.minimumSectionSize());
    for (int column = 0; column < table.columnCount(); ++column)
        if (!header.isSectionHidden(column) && header.sectionSize(column) > cap)
            header.resizeSection(column, cap);
}

} // namespace

namespace ArchiveTables {

QTableWidget *make(QWidget *parent, const char *name, const QStringList &headings)
{
    auto *table = new QTableWidget(0, int(headings.size()), parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(headings);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    return table;
}

void fillStations(QTableWidget &table, const std::vector<StationSummary> &stations)
{
    refill(table, int(stations.size()), [&](int row) {
        const StationSummary &station = stations[std::size_t(row)];
        QTableWidgetItem *name = item(station.name);
        name->setFlags(name->flags() | Qt::ItemIsEditable);
        name->setData(Qt::UserRole, station.name);
        table.setItem(row, 0, name);
        table.setItem(row, 1, item(orDash(station.firstSample, ArchiveTexts::moment)));
        table.setItem(row, 2, item(orDash(station.lastSample, ArchiveTexts::moment)));
        table.setItem(row, 3, number(station.samples));
        table.setItem(row, 4, number(station.downloads));
        table.setItem(row, 5, item(orDash(station.lastDownloadUtcMs, ArchiveTexts::pcMoment)));
        table.setItem(row, 6, item(orDash(station.lastClockOffsetSeconds, clockOffsetText)));
    });
}

void fillDownloads(QTableWidget &table, const std::vector<DownloadSummary> &downloads,
                   bool sentShown)
{
    // Whether a download went to the shared archive says something only where one is set.
    table.setColumnHidden(8, !sentShown);
    refill(table, int(downloads.size()), [&](int row) {
        const DownloadSummary &download = downloads[std::size_t(row)];
        QTableWidgetItem *arrival = item(ArchiveTexts::pcMoment(download.arrivedUtcMs));
        arrival->setData(Qt::UserRole, download.id);
        table.setItem(row, 0, arrival);
        table.setItem(row, 1,
                      item(download.samplesReported
                               ? QStringLiteral("%1 de %2").arg(download.samplesReceived)
                                     .arg(*download.samplesReported)
                               : QString::number(download.samplesReceived),
                           Qt::AlignRight));
        table.setItem(row, 2, number(download.newSamples));
        table.setItem(row, 3, number(download.alreadyArchived));
        table.setItem(row, 4, number(download.conflicts));
        table.setItem(row, 5, item(orDash(download.stepMinutes, [](int step) {
                          return rateTextForStep(step).value_or(
                              QStringLiteral("%1 minutos").arg(step));
                      })));
        table.setItem(row, 6, item(orDash(download.clockOffsetSeconds, clockOffsetText)));
        table.setItem(row, 7,
                      item(download.checkPassed
                               ? QStringLiteral("correcta")
                               : download.damagedRows == 1
                                     ? QStringLiteral("falló: 1 fila dañada")
                                     : download.damagedRows > 1
                                           ? QStringLiteral("falló: %1 filas dañadas")
                                                 .arg(download.damagedRows)
                                           : QStringLiteral("falló")));
        table.setItem(row, 8, item(download.sent ? QStringLiteral("sí") : QStringLiteral("no")));
    });
    fitColumnsToWidth(table);
}

void fillGaps(QTableWidget &table, const std::vector<RecordGap> &gaps)
{
    refill(table, int(gaps.size()), [&](int row) {
        const RecordGap &gap = gaps[std::size_t(row)];
        table.setItem(row, 0, item(ArchiveTexts::moment(gap.lastBefore)));
        table.setItem(row, 1, item(ArchiveTexts::moment(gap.firstAfter)));
        table.setItem(row, 2, item(ArchiveTexts::span(gap.length()), Qt::AlignRight));
    });
}

void fillConflicts(QTableWidget &table, const std::vector<ConflictRow> &conflicts)
{
    refill(table, int(conflicts.size()), [&](int row) {
        const ConflictRow &conflict = conflicts[std::size_t(row)];
        table.setItem(row, 0, item(ArchiveTexts::moment(conflict.t)));
        table.setItem(row, 1, item(ArchiveTexts::pcMoment(conflict.arrivedUtcMs)));
        for (int channel = 0; channel < 4; ++channel) {
            const auto c = std::size_t(channel);
            QTableWidgetItem *brought =
                item(archivedValueText(conflict.brought[c], channel), Qt::AlignRight);
            if (conflict.brought[c] != conflict.archived[c]) {
                QFont bold = brought->font();
                bold.setBold(true);
                brought->setFont(bold);
                brought->setForeground(QColor(0xb0, 0x10, 0x10));
            }
            table.setItem(row, 2 + channel, brought);
            table.setItem(row, 6 + channel,
                          item(archivedValueText(conflict.archived[c], channel), Qt::AlignRight));
        }
    });
}

} // namespace ArchiveTables
