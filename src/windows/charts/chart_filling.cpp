#include "windows/charts/chart_filling.h"

#include "archive/archived_samples.h"
#include "runtime/program_formats.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

std::optional<double> parseProgramFloat(const QString &text)
{
    // Sign, digits with at most one decimal comma (at least one digit in all), an exponent.
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+(%1\\d*)?|%1\\d+)([eE][+-]?\\d+)?$")
            .arg(QRegularExpression::escape(QString(ProgramFormats::decimalSeparator))));
    const QString trimmed = text.trimmed();
    if (!number.match(trimmed).hasMatch())
        return std::nullopt;
    QString cText = trimmed;
    cText.replace(ProgramFormats::decimalSeparator, u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(cText, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

ColumnReading readColumn(const SampleGrid &grid, int column)
{
    ColumnReading reading;
    const int count = grid.sampleCount();
    if (count <= 0)
        return reading;
    reading.values.reserve(count);
    for (int row = 1; row <= count; ++row) {
        const QString text = grid.cellText(column, row);
        const std::optional<double> value = parseProgramFloat(text);
        if (!value) {
            reading.badCell = text;
            break;
        }
        reading.values.append(*value);
    }
    return reading;
}

TimeReading readTimes(const SampleGrid &grid)
{
    TimeReading reading;
    const int count = grid.sampleCount();
    if (count <= 0)
        return reading;
    reading.times.reserve(count);
    for (int row = 1; row <= count; ++row) {
        const std::optional<qint64> t = sampleTimeOfTexts(grid.cellText(dateColumn, row).trimmed(),
                                                          grid.cellText(timeColumn, row).trimmed());
        if (!t || (!reading.times.empty() && *t < reading.times.back())) {
            reading.badRow = row;
            break;
        }
        reading.times.push_back(*t);
    }
    return reading;
}

std::vector<qsizetype> breaksAt(const std::vector<qint64> &times,
                                const std::vector<RecordGap> &gaps)
{
    std::vector<qsizetype> breaks;
    auto gap = gaps.begin();
    for (size_t i = 0; i + 1 < times.size() && gap != gaps.end(); ++i) {
        while (gap != gaps.end() && gap->firstAfter <= times[i])
            ++gap;
        if (gap != gaps.end() && gap->lastBefore >= times[i] && gap->firstAfter <= times[i + 1])
            breaks.push_back(qsizetype(i));
    }
    return breaks;
}

SeriesPoints brokenSeries(const QVector<double> &keys, const QVector<double> &values,
                          const std::vector<qsizetype> &breaks)
{
    const qsizetype count = std::min(keys.size(), values.size());
    SeriesPoints points;
    points.keys.reserve(count + qsizetype(breaks.size()));
    points.values.reserve(count + qsizetype(breaks.size()));
    auto next = breaks.begin();
    for (qsizetype i = 0; i < count; ++i) {
        points.keys.append(keys[i]);
        points.values.append(values[i]);
        while (next != breaks.end() && *next < i)
            ++next;
        if (next != breaks.end() && *next == i && i + 1 < count) {
            points.keys.append((keys[i] + keys[i + 1]) / 2);
            points.values.append(std::numeric_limits<double>::quiet_NaN());
        }
    }
    return points;
}
