#pragma once

#include "data/download_lines.h"
#include "data/download_table.h"

#include <QString>

#include <array>
#include <vector>

/// The cells of the samples table, as the data window's grid holds them after a rebuild, for
/// the code that writes or reads a download without a window.
class TableCells
{
public:
    explicit TableCells(int samples)
        : m_rows(std::size_t(samples > 0 ? samples + 1 : 1))
    { }

    [[nodiscard]] DownloadTable::CellSink sink()
    {
        return [this](int column, int row, const QString &text) {
            m_rows[std::size_t(row)][std::size_t(column)] = text;
        };
    }

    [[nodiscard]] QString cell(int column, int row) const
    {
        return m_rows[std::size_t(row)][std::size_t(column)];
    }

private:
    std::vector<std::array<QString, DownloadTable::columnCount>> m_rows;
};

/// A download text decoded into the table as the data window decodes it: rows before a line
/// that does not decode keep their values, so that the cells are what the window would let
/// the user save.
struct FilledTable
{
    TableCells cells;
    /// Why the decoding stopped or what the header got wrong; empty when all went well.
    QString problem;
};

[[nodiscard]] FilledTable fillTable(const DownloadLines &lines);
