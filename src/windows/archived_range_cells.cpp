#include "windows/archived_range_cells.h"

#include "data/download_table.h"

ArchivedRangeCells::ArchivedRangeCells(std::vector<ArchivedSample> samples)
    : m_samples(std::move(samples))
{ }

QString ArchivedRangeCells::cell(int column, int row) const
{
    if (column < 0 || column >= DownloadTable::columnCount || row < 0 || row >= rowCount())
        return {};
    if (row == 0)
        return DownloadTable::headings()[std::size_t(column)];
    const ArchivedSample &sample = m_samples[std::size_t(row - 1)];
    switch (column) {
    case 0:
        return QString::number(row);
    case 1:
        return sampleDateText(sample.t);
    case 2:
        return sampleTimeText(sample.t);
    default:
        return archivedValueText(sample.values[std::size_t(column - 3)], column - 3);
    }
}
