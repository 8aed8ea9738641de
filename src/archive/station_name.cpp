#include "archive/station_name.h"

QString stationKey(const QString &name)
{
    QString visible;
    visible.reserve(name.size());
    for (const char32_t c : name.toUcs4()) {
        if (QChar::category(c) != QChar::Other_Format)
            visible.append(QString::fromUcs4(&c, 1));
    }
    // Folding the case may undo the composition (a dotted capital I folds to i and a
    // combining dot), so the folded text is composed again.
    return visible.normalized(QString::NormalizationForm_C)
        .toCaseFolded()
        .normalized(QString::NormalizationForm_C)
        .trimmed();
}

qsizetype stationNameLength(const QString &name)
{
    return name.normalized(QString::NormalizationForm_C).toUcs4().size();
}

std::optional<QString> lookAlikeStation(const QString &name, const QStringList &known)
{
    if (known.contains(name))
        return std::nullopt;
    const QString key = stationKey(name);
    for (const QString &station : known) {
        if (stationKey(station) == key)
            return station;
    }
    return std::nullopt;
}

QString lookAlikeMessage(const QString &existing)
{
    return QStringLiteral("ya hay una estación «%1»; use ese nombre").arg(existing);
}
