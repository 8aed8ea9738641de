#pragma once

#include "archive/archived_samples.h"

#include <QByteArray>

/// The records of the program's CSV of samples (CsvExport::samplesText of the grid's texts),
/// written straight from the archive's integers: an export of ten years formats some 350,000
/// rows, and the grid's texts of each would cost several times the reading of it.
namespace SampleCsv {

/// Appends the record of `sample` to `text`: the bytes CsvExport::samplesText writes for the
/// grid's row of it (sampleDateText, sampleTimeText and archivedValueText).
void appendRecord(QByteArray &text, const ArchivedSample &sample);

} // namespace SampleCsv
