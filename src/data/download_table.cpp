#include "data/download_table.h"

#include "data/download_decoding.h"

namespace DownloadTable {

const std::array<QString, columnCount> &headings()
{
    static const std::array<QString, columnCount> texts = {
        QString(),
        QStringLiteral(" FECHA:"),
        QStringLiteral(" HORA:"),
        QStringLiteral("CANAL 1"),
        QStringLiteral("CANAL 2"),
        QStringLiteral("CANAL 3"),
        QStringLiteral("CANAL 4"),
    };
    return texts;
}

Header decodeTableHeader(const DownloadLines &lines, const QString &keptRate)
{
    const DownloadHeader decoded = decodeHeader(lines.line(1));
    Header header;
    header.rateText = keptRate;
    try {
        checkStartInRange(decoded.start);
    } catch (const DownloadFormatError &error) {
        // Stamps counted from an impossible start would be nonsense: the samples keep their
        // values and go without dates and times.
        header.problem = error;
        return header;
    }
    header.start = decoded.start;
    if (const std::optional<QString> rate = rateText(decoded.rateCode)) {
        header.rateText = *rate;
    } else {
        // The rate kept, if any, is an earlier download's: say so rather than stamp in silence.
        header.problem = DownloadFormatError::unknownRateCode(
            decoded.rateCode,
            stepMinutesForRateText(keptRate) ? std::optional(keptRate) : std::nullopt);
    }
    header.stepMinutes = stepMinutesForRateText(header.rateText);
    return header;
}

void writeTimestamps(const LoggerTime &start, int stepMinutes, int samples, const CellSink &cell)
{
    const std::vector<LoggerTime> stamps = timestampPass(start, stepMinutes, samples);
    for (int row = 1; row <= int(stamps.size()); ++row) {
        const LoggerTime &stamp = stamps[std::size_t(row - 1)];
        cell(1, row, dateText(stamp));
        cell(2, row, timeText(stamp));
    }
}

void writeHeadings(const CellSink &cell)
{
    for (int column = 1; column < columnCount; ++column)
        cell(column, 0, headings()[std::size_t(column)]);
}

void writeRowNumbers(int samples, const CellSink &cell)
{
    for (int row = 1; row <= samples; ++row)
        cell(0, row, QString::number(row));
}

void writeValues(const DownloadLines &lines, const CellSink &cell)
{
    for (int row = 1; row <= lines.samples(); ++row) {
        const int lineNumber = row + 2;
        // All four readings decode before any of the row's cells is written.
        const std::array<QString, 4> texts =
            sampleValueTexts(decodeSampleReadings(lines.line(lineNumber), lineNumber));
        for (int channel = 0; channel < 4; ++channel)
            cell(3 + channel, row, texts[std::size_t(channel)]);
    }
}

std::optional<DownloadFormatError> fill(const DownloadLines &lines, const CellSink &cell)
{
    const Header header = decodeTableHeader(lines, QString());
    if (header.start && header.stepMinutes)
        writeTimestamps(*header.start, *header.stepMinutes, lines.samples(), cell);
    writeHeadings(cell);
    writeRowNumbers(lines.samples(), cell);
    writeValues(lines, cell);
    return header.problem;
}

} // namespace DownloadTable
