#include "data/csv_export.h"

#include <QRegularExpression>

namespace CsvExport {

namespace {

constexpr char lineEnd[] = "\r\n";

QString field(const QString &text)
{
    static const QRegularExpression special(QStringLiteral("[,\"\r\n]"));
    if (!text.contains(special))
        return text;
    QString quotedText = text;
    quotedText.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quotedText + QLatin1Char('"');
}

} // namespace

QByteArray record(const QStringList &fields)
{
    QStringList written;
    written.reserve(fields.size());
    for (const QString &text : fields)
        written.append(field(text));
    return written.join(QLatin1Char(',')).toUtf8() + lineEnd;
}

QString isoTimestamp(const QString &date, const QString &time)
{
    static const QRegularExpression dateShape(QStringLiteral("^(\\d\\d)/(\\d\\d)/(\\d{4})$"));
    static const QRegularExpression timeShape(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    const QRegularExpressionMatch d = dateShape.match(date);
    if (!d.hasMatch() || !timeShape.match(time).hasMatch())
        return {};
    return QStringLiteral("%1-%2-%3T%4").arg(d.captured(3), d.captured(2), d.captured(1), time);
}

QByteArray samplesText(int rows, const CellReader &cell)
{
    QByteArray text = QByteArray(samplesHeading) + lineEnd;
    text.reserve(text.size() + qsizetype(rows > 0 ? rows : 0) * 48);
    for (int row = 1; row <= rows; ++row) {
        QStringList fields {isoTimestamp(cell(1, row), cell(2, row))};
        for (int column = 3; column <= 6; ++column)
            fields.append(cell(column, row).replace(QLatin1Char(','), QLatin1Char('.')));
        text += record(fields);
    }
    return text;
}

} // namespace CsvExport
