#pragma once

#include <QFileDialog>

/// A file dialog as the windows show it: modal, giving the chosen file, or nothing when the
/// user cancels.
inline QString runFileDialog(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}
