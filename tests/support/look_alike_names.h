#pragma once

// Station names that are one station by stationKey, for the suites that check that the archive
// and the command line take no new name that only looks like an archived one.
#include <QString>
#include <QTest>

namespace LookAlikeNames {

/// Adds the columns "existing" and "lookAlike", a row for each way of looking alike.
inline void addRows()
{
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QString>("lookAlike");
    const QString parcela = QStringLiteral("Parcela 3");
    QTest::newRow("NFD beside NFC")
        << QStringLiteral("Estaci\u00F3n") << QStringLiteral("Estacio\u0301n");
    QTest::newRow("case") << parcela << QStringLiteral("PARCELA 3");
    QTest::newRow("zero-width space inside") << parcela << QStringLiteral("Parcela\u200B 3");
    QTest::newRow("RLM at the end") << parcela << QStringLiteral("Parcela 3\u200F");
    QTest::newRow("soft hyphen") << parcela << QStringLiteral("Par\u00ADcela 3");
}

/// A name of `count` characters, each two UTF-16 units: a seedling emoji.
inline QString emojiName(int count)
{
    return QString::fromUcs4(U"\U0001F331", 1).repeated(count);
}

} // namespace LookAlikeNames
