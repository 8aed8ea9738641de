#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

/// The saved data file, built from the grid's cells as they stand.
namespace TextExport {

/// The heading line of the file, 45 characters, without its line end.
inline constexpr char headingLine[] = "FECHA          HORA     CH1   CH2   CH3   CH4";

/// A grid cell by column and row, counted from 0 as the user sees them (row 0 the headings).
using CellReader = std::function<QString(int column, int row)>;

/// The whole file: the heading line, an empty line, then for each row 1 … `rows` the texts of
/// columns 1 to 6 joined by the fixed blanks "  ", "   ", "    ", "    ", "    " and ended by
/// two blanks; every line ends in CR LF. Texts are written in Latin-1, as the values are.
[[nodiscard]] QByteArray fileText(int rows, const CellReader &cell);

/// What `fileName` is when it is no place for a file's bytes: "es un dispositivo", "es una
/// tubería (FIFO)", "es un socket", or "es un enlace a …" one of them; empty for a regular
/// file, a folder, a new name or a name that cannot be looked at.
[[nodiscard]] QString notAFile(const QString &fileName);

/// Throws EInOutError naming `fileName` when notAFile() finds it no place for a file, so that
/// a device, a FIFO or a socket is never opened, written or replaced by a save; likewise for a
/// station archive in use or the files beside it (see ArchiveFiles).
void refuseNonFile(const QString &fileName);

/// Writes `bytes` as the file `fileName`. The bytes go to a temporary file beside it that
/// replaces an existing file only once it is complete, so that a failed write leaves the old
/// file as it was and no part of a new one; where the folder takes no new file, an existing
/// file that may be written is rewritten in place. A device, a FIFO or a socket, or a link to
/// one, is refused as refuseNonFile() says and left as it was. Failures throw EInOutError.
void writeFile(const QString &fileName, const QByteArray &bytes);

/// Takes the next part of a file's bytes.
using PartSink = std::function<void(const QByteArray &part)>;

/// Writes the file `fileName` as writeFile() does, its bytes made as they are written:
/// `produce` hands each part in turn to the sink it is given. When it throws, the exception
/// goes on and the old file stays as it was. Where the folder takes no new file, the parts are
/// gathered and the file rewritten in place only once they are all there.
void writeFileInParts(const QString &fileName,
                      const std::function<void(const PartSink &)> &produce);

} // namespace TextExport
