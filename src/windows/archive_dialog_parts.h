#pragma once

class QDialog;
class QDialogButtonBox;
class QLabel;

/// What the archive's small dialogs share.
namespace ArchiveDialogParts {

/// A hidden red line that says why what was typed cannot be taken; the dialog stays open.
[[nodiscard]] QLabel *problemLine(QDialog *dialog, const char *name);

/// "Aceptar" and "Cancelar", wired to the dialog's accept() and reject().
[[nodiscard]] QDialogButtonBox *acceptOrCancel(QDialog *dialog);

} // namespace ArchiveDialogParts
