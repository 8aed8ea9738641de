#include "windows/archive_texts.h"

#include "archive/archived_samples.h"

#include <QDateTime>
#include <QStringList>

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
    constexpr qint64 minute = 60;
    constexpr qint64 hour = 60 * minute;
    constexpr qint64 day = 24 * hour;
    const auto part = [](qint64 count, const QString &one, const QString &many) {
        return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
    };
    const auto pair = [](const QString &first, qint64 rest, const QString &unit) {
        return rest == 0 ? first : QStringLiteral("%1 %2 %3").arg(first).arg(rest).arg(unit);
    };
    const qint64 s = seconds < 0 ? -seconds : seconds;
    QString text;
    if (s >= day)
        text = pair(part(s / day, QStringLiteral("día"), QStringLiteral("días")), s % day / hour,
                    QStringLiteral("h"));
    else if (s >= hour)
        text = pair(QStringLiteral("%1 h").arg(s / hour), s % hour / minute, QStringLiteral("min"));
    else if (s >= minute)
        text = pair(QStringLiteral("%1 min").arg(s / minute), s % minute, QStringLiteral("s"));
    else
        text = QStringLiteral("%1 s").arg(s);
    return seconds < 0 ? QLatin1Char('-') + text : text;
}

QString gapTip(const RecordGap &gap)
{
    return QStringLiteral("Hueco de %1\ndesde %2\nhasta %3")
        .arg(span(gap.length()), moment(gap.lastBefore), moment(gap.firstAfter));
}


} // namespace ArchiveTexts
