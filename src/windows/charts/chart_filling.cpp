#include "windows/charts/chart_filling.h"

#include "runtime/program_formats.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

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
