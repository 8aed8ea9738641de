#pragma once

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
};

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
