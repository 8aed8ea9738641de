#include "data/saved_file.h"

#include "data/download_decoding.h"
#include "data/download_format_error.h"
#include "data/sample_timestamps.h"
#include "data/text_export.h"
#include "runtime/conversion_error.h"

#include <QDate>
#include <QRegularExpression>

namespace {

constexpr int firstSampleLine = 3;

DataError lineError(int lineNumber, const QString &what)
{
    return DataError(QStringLiteral("El archivo no es un registro de datos guardado: la "
                                         "línea %1 %2.")
                              .arg(lineNumber)
                              .arg(what));
}

/// A text from the file as a message can quote it, control bytes by their code.
QString quoted(const QByteArray &text)
{
    QString visible;
    for (const char c : text)
        visible += visibleCharacter(c);
    return QStringLiteral("«%1»").arg(visible);
}

/// The line without its line end: CR LF or LF.
QByteArray withoutLineEnd(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

/// The date "dd/mm/yyyy" of a year 2000–2099 and the time "hh:mm:ss", as the logger counts.
bool parseMoment(const QByteArray &date, const QByteArray &time, LoggerTime &moment)
{
    static const QRegularExpression dateShape(QStringLiteral("^(\\d\\d)/(\\d\\d)/20(\\d\\d)$"));
    static const QRegularExpression timeShape(QStringLiteral("^(\\d\\d):(\\d\\d):(\\d\\d)$"));
    const QRegularExpressionMatch d = dateShape.match(QString::fromLatin1(date));
    const QRegularExpressionMatch t = timeShape.match(QString::fromLatin1(time));
    if (!d.hasMatch() || !t.hasMatch())
        return false;
    moment = {d.captured(3).toInt(), d.captured(2).toInt(), d.captured(1).toInt(),
              t.captured(1).toInt(), t.captured(2).toInt(), t.captured(3).toInt()};
    try {
        checkStartInRange(moment);
    } catch (const DownloadFormatError &) {
        return false;
    }
    return true;
}

/// Channels 1 to 3 carry one decimal after a comma, channel 4 none.
bool isChannelValue(const QByteArray &text, int channel)
{
    static const QRegularExpression oneDecimal(QStringLiteral("^-?\\d{1,4},\\d$"));
    static const QRegularExpression whole(QStringLiteral("^\\d{1,4}$"));
    return (channel < 3 ? oneDecimal : whole).match(QString::fromLatin1(text)).hasMatch();
}

/// Whole minutes from one moment to the next, counted on the calendar (no clock changes).
qint64 minutesBetween(const LoggerTime &from, const LoggerTime &to)
{
    const auto seconds = [](const LoggerTime &t) {
        const QDateTime moment(QDate(2000 + t.year, t.month, t.day),
                               QTime(t.hour, t.minute, t.second), Qt::UTC);
        return moment.toSecsSinceEpoch();
    };
    const qint64 difference = seconds(to) - seconds(from);
    return difference % 60 == 0 ? difference / 60 : -1;
}

} // namespace

SavedRecording readSavedFile(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not a line of its own

    if (withoutLineEnd(lines.value(0)).trimmed() != QByteArray(TextExport::headingLine))
        throw lineError(1, QStringLiteral("no es el encabezado de columnas de un archivo guardado"));
    if (lines.size() < 2 || !withoutLineEnd(lines.at(1)).trimmed().isEmpty())
        throw lineError(2, QStringLiteral("debería estar vacía"));

    SavedRecording recording;
    recording.rows.reserve(std::size_t(lines.size()));
    std::vector<LoggerTime> moments;
    for (int index = firstSampleLine - 1; index < lines.size(); ++index) {
        const int lineNumber = index + 1;
        QList<QByteArray> words;
        for (const QByteArray &field : withoutLineEnd(lines.at(index)).split(' '))
            if (!field.isEmpty())
                words.append(field);
        if (words.size() != 6)
            throw lineError(lineNumber, QStringLiteral("no tiene fecha, hora y cuatro valores"));

        LoggerTime moment;
        if (!parseMoment(words[0], words[1], moment))
            throw lineError(lineNumber, QStringLiteral("tiene una fecha u hora que no existe: %1 %2")
                                            .arg(quoted(words[0]), quoted(words[1])));
        SavedRow row {QString::fromLatin1(words[0]), QString::fromLatin1(words[1]), {}};
        for (int channel = 0; channel < 4; ++channel) {
            const QByteArray &value = words[2 + channel];
            if (!isChannelValue(value, channel))
                throw lineError(lineNumber, QStringLiteral("tiene en el canal %1 un valor que no "
                                                           "es de un registro: %2")
                                                .arg(channel + 1)
                                                .arg(quoted(value)));
            row.values[std::size_t(channel)] = QString::fromLatin1(value);
        }
        recording.rows.push_back(std::move(row));
        moments.push_back(moment);
    }

    if (moments.size() < 2)
        return recording;
    const qint64 step = minutesBetween(moments[0], moments[1]);
    if (step <= 0 || !rateTextForStep(int(step)))
        throw lineError(firstSampleLine + 1,
                        QStringLiteral("no sigue a la anterior a una tasa de muestreo del logger "
                                       "(1, 5, 10, 15, 30 o 60 minutos)"));
    recording.stepMinutes = int(step);
    // Every row where the logger's own count of time puts it.
    const std::vector<LoggerTime> expected =
        timestampPass(moments[0], recording.stepMinutes, int(moments.size()));
    for (std::size_t i = 2; i < moments.size(); ++i) {
        if (!(moments[i] == expected[i]))
            throw lineError(int(i) + firstSampleLine,
                            QStringLiteral("no está %1 minutos después de la anterior")
                                .arg(recording.stepMinutes));
    }
    return recording;
}
