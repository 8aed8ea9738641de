#include "windows/archive_dialog_parts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

namespace ArchiveDialogParts {

QLabel *problemLine(QDialog *dialog, const char *name)
{
    auto *line = new QLabel(dialog);
    line->setObjectName(QString::fromLatin1(name));
    line->setStyleSheet(QStringLiteral("color: #b00000"));
    line->setWordWrap(true);
    line->hide();
    return line;
}

QDialogButtonBox *acceptOrCancel(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Aceptar"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace ArchiveDialogParts
