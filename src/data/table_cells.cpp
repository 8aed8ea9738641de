#include "data/table_cells.h"

#include "runtime/conversion_error.h"

FilledTable fillTable(const DownloadLines &lines)
{
    FilledTable table {TableCells(lines.samples()), {}};
    try {
        if (const std::optional<DownloadFormatError> problem =
                DownloadTable::fill(lines, table.cells.sink()))
            table.problem = problem->message();
    } catch (const DownloadFormatError &error) {
        table.problem = error.message();
    } catch (const EConvertError &error) {
        table.problem = error.message();
    }
    return table;
}
