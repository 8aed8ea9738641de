#pragma once

#include "archive/archived_samples.h"
#include "data/record_coverage.h"

#include <QString>

#include <vector>

class QWidget;
class TForm6;
struct ProgramWindows;

/// A stretch of a station's record to chart: its samples in time order and its coverage,
/// whose gaps break the lines.
struct ChartRecord
{
    QString station;
    std::vector<ArchivedSample> samples;
    RecordCoverage coverage;
};

/// Opens a chart window of its own (non-modal, deleted when closed) on `record`, with the
/// date axis on and a break at each gap, the title's second line giving the period.
TForm6 *openRecordChart(ProgramWindows &windows, ChartRecord record, QWidget *parent = nullptr);
/// Opens such a window at once, before its record is read: it says that it reads the archive
/// until TForm6::showRecord fills it.
TForm6 *openLoadingRecordChart(ProgramWindows &windows, const QString &station,
                               QWidget *parent = nullptr);
