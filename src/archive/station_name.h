#pragma once

#include <QString>
#include <QStringList>

#include <optional>

/// The key under which two station names are one station: the name in Unicode NFC, without
/// its invisible and bidirectional control characters (format characters: zero-width space and
/// joiners, LRM and RLM, embeddings, overrides and isolates, soft hyphen, BOM…), case-folded and
/// trimmed. "Parcela 3", "PARCELA 3" and "Parcela 3" with an RLM after it share one key.
[[nodiscard]] QString stationKey(const QString &name);

/// The length of a station name in characters: Unicode code points of its NFC form, so that an
/// emoji counts one, as a letter does.
[[nodiscard]] qsizetype stationNameLength(const QString &name);

/// The station among `known` that `name` only looks like: one with the same key but another
/// spelling. None when `name` is one of them exactly, or like none of them.
[[nodiscard]] std::optional<QString> lookAlikeStation(const QString &name,
                                                      const QStringList &known);

/// Why a new name like `existing` is refused: "ya hay una estación «Parcela 3»; use ese nombre".
[[nodiscard]] QString lookAlikeMessage(const QString &existing);
