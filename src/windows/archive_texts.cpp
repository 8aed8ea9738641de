#include "windows/archive_texts.h"

#include "archive/archived_samples.h"

#include <QDateTime>

namespace ArchiveTexts {

QString moment(qint64 t)
{
    return sampleDateText(t) + QLatin1Char(' ') + sampleTimeText(t);
}

QString pcMoment(qint64 utcMs)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs).toLocalTime().toString(
        QStringLiteral("dd/MM/yyyy hh:mm:ss"));
}

QString span(qint64 seconds)
{
    const QString text = durationText(seconds < 0 ? 0 - quint64(seconds) : quint64(seconds));
    return seconds < 0 ? QLatin1Char('-') + text : text;
}

QString gapTip(const RecordGap &gap)
{
    return QStringLiteral("Hueco de %1\ndesde %2\nhasta %3")
        .arg(span(gap.length()), moment(gap.lastBefore), moment(gap.firstAfter));
}


} // namespace ArchiveTexts
