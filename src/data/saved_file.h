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
/// be CR LF or LF alone, trailing blanks may be missing and one blank line may follow the last
/// sample, so a file that passed through an editor still reads. The dates must exist, each
/// value be a text that the grid writes for its channel, and every row stand one logger rate
/// step after the one before; anything else throws DataError naming the line.
[[nodiscard]] SavedRecording readSavedFile(const QByteArray &text);

/// The largest file taken for a saved data file: one of the logger's 4000 samples has some
/// 220 kB.
inline constexpr qint64 largestSavedFile = 16 * 1024 * 1024;

/// The bytes of the file `fileName` for readSavedFile. Only a regular file is read (a link is
/// followed to it): a folder, a FIFO, a device or a socket is refused without being waited
/// on, and no more than largestSavedFile bytes are ever read. Anything that keeps the file
/// from being read throws DataError, saying in Spanish and with the file's name why.
[[nodiscard]] QByteArray readSavedFileBytes(const QString &fileName);
