#pragma once

#include "data/record_coverage.h"

#include <QString>
#include <QVector>

#include <functional>
#include <optional>

/// Where the chart window reads the samples: the data window's grid by visual position (row 0
/// holds the headings, rows 1 to sampleCount the samples, columns 3 to 6 the four channels).
struct SampleGrid
{
    /// N, the number of sample rows, worked out anew at every call.
    std::function<int()> sampleCount;
    /// The text standing at a visual column and row.
    std::function<QString(int column, int row)> cellText;
    /// The coverage of the archived stretch the rows show, whose gaps break the lines; none
    /// (or no function) for a download or a file.
    std::function<std::optional<RecordCoverage>()> coverage = {};
};

/// The grid columns of a sample's date ("dd/mm/yyyy") and time ("hh:mm:ss").
constexpr int dateColumn = 1;
constexpr int timeColumn = 2;

/// The grid column of a channel from 1 to 4.
[[nodiscard]] constexpr int channelColumn(int channel)
{
    return channel + 2;
}

/// A number written with the program's decimal comma ("23,5", "-0,5", "1234", "1,5E3"), blanks
/// around it allowed; nothing for any other text, a thousands separator included.
[[nodiscard]] std::optional<double> parseProgramFloat(const QString &text);

/// One grid column read into series values, row 1 first.
struct ColumnReading
{
    /// The values read, up to the first cell that did not parse.
    QVector<double> values;
    /// The text of that cell, if there was one: the reading stopped there.
    std::optional<QString> badCell;
};

/// Reads rows 1 to N of a grid column; N of 0 or less reads nothing.
[[nodiscard]] ColumnReading readColumn(const SampleGrid &grid, int column);

/// The sample times of a grid's rows 1 to N (see ArchivedSample for t).
struct TimeReading
{
    std::vector<qint64> times;
    /// The first row whose date and time are not valid or come before the row above's: the
    /// reading stopped there.
    std::optional<int> badRow;
};

/// Reads rows 1 to N of the date and time columns.
[[nodiscard]] TimeReading readTimes(const SampleGrid &grid);

/// Where a chart's lines break: the indices i of `times` (ascending) such that one of `gaps`
/// lies between sample i and sample i + 1.
[[nodiscard]] std::vector<qsizetype> breaksAt(const std::vector<qint64> &times,
                                              const std::vector<RecordGap> &gaps);

/// The points of one series, keys ascending.
struct SeriesPoints
{
    QVector<double> keys;
    QVector<double> values;
};

/// The points of `values` at `keys` (as many as there are values) with a point of no value
/// (NaN) halfway between the two samples of each break, where the chart leaves its line open.
[[nodiscard]] SeriesPoints brokenSeries(const QVector<double> &keys, const QVector<double> &values,
                                        const std::vector<qsizetype> &breaks);
