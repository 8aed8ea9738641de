#pragma once

#include "data/data_error.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <vector>

/// One sample row of a saved data file, as the grid shows it.
struct SavedRow
{
    QString date; ///< "dd/mm/yyyy"
    QString time; ///< "hh:mm:ss"
    std::array<QString, 4> values; ///< the four channel texts, decimal comma
};

/// The samples of a saved data file, with what the data window shows beside them.
struct SavedRecording
{
    std::vector<SavedRow> rows;
    /// Minutes between samples, from the first two rows; 0 with fewer than two rows.
    int stepMinutes = 0;
};

/// Reads the text of a data file as "GUARDAR" writes it: the heading line, an empty line, then
/// one line per sample with date, time and the four values separated by blanks. Line ends may
/// be CR LF or LF alone and trailing blanks may be missing, so a file that passed through an
/// editor still reads. The dates must exist, the values be numbers as the grid writes them,
/// and every row stand one logger rate step after the one before; anything else throws
/// DataError naming the line.
[[nodiscard]] SavedRecording readSavedFile(const QByteArray &text);
