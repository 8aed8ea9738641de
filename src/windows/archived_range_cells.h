#pragma once

#include "archive/archived_samples.h"
#include "windows/string_grid.h"

#include <vector>

/// A stretch of a station's record as the data window's grid shows it, each text made from the
/// archived sample when the grid asks for it: row 0 the headings, then each sample's number,
/// its own date and time, and its four values, as the grid wrote them when it held them all.
class ArchivedRangeCells : public GridCells
{
public:
    /// `samples` in time order.
    explicit ArchivedRangeCells(std::vector<ArchivedSample> samples);

    [[nodiscard]] int rowCount() const override { return 1 + int(m_samples.size()); }
    [[nodiscard]] QString cell(int column, int row) const override;

private:
    std::vector<ArchivedSample> m_samples;
};
