#include "windows/shared_archive_dialog.h"

#include "archive/archive_error.h"
#include "archive/server_address.h"
#include "windows/archive_dialog_parts.h"
#include "windows/archive_lines.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

SharedArchiveDialog::SharedArchiveDialog(const QString &keptUrl, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SharedArchiveDialog"));
    setWindowTitle(QStringLiteral("Archivo compartido"));
    setModal(true);
    QString shown;
    if (!keptUrl.isEmpty()) {
        try {
            const ServerAddress kept = parseServerAddress(keptUrl);
            shown = kept.shownText();
            m_keptPassword = kept.password;
        } catch (const ArchiveError &) {
            // A URL the program no longer reads is typed again; it is not shown, as it might
            // hold a password.
        }
    }
    auto *layout = new QFormLayout(this);
    auto *intro = new QLabel(
        QStringLiteral("Cada descarga se guarda primero en el archivo de este PC y luego se envía\n"
                       "al servidor PostgreSQL del laboratorio. Sin dirección, no se envía nada."),
        this);
    layout->addRow(intro);
    m_address = new QLineEdit(shown, this);
    m_address->setObjectName(QStringLiteral("ServerAddress"));
    m_address->setPlaceholderText(QStringLiteral("postgresql://usuario@servidor:5432/base"));
    m_address->setMinimumWidth(320);
    layout->addRow(QStringLiteral("Dirección:"), m_address);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("ServerPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setPlaceholderText(m_keptPassword.isEmpty()
                                       ? QStringLiteral("vacía: se lee ~/.pgpass")
                                       : QStringLiteral("vacía: se mantiene la guardada"));
    layout->addRow(QStringLiteral("Contraseña:"), m_password);
    layout->addRow(new QLabel(
        QStringLiteral("Sin contraseña aquí, se toma la de ~/.pgpass. Una contraseña escrita\n"
                       "aquí se guarda aparte, en el llavero del escritorio o, sin él, en\n"
                       "~/.config/BRENTAVIUS4 (solo su usuario puede leerla); nunca en el\n"
                       "archivo de estaciones, y nunca se muestra."),
        this));
    m_problem = ArchiveDialogParts::problemLine(this, "ServerProblem");
    layout->addRow(m_problem);
    layout->addRow(ArchiveDialogParts::acceptOrCancel(this));
}

void SharedArchiveDialog::accept()
{
    const QString typed = m_address->text().trimmed();
    if (typed.isEmpty()) {
        m_url.clear();
        QDialog::accept();
        return;
    }
    ServerAddress address;
    try {
        address = parseServerAddress(typed);
    } catch (const ArchiveError &error) {
        m_problem->setText(error.message());
        m_problem->show();
        return;
    }
    // A password typed in the URL itself counts as typed in its field.
    if (!m_password->text().isEmpty())
        address.password = m_password->text();
    else if (address.password.isEmpty())
        address.password = m_keptPassword;
    m_url = ArchiveLines::urlWithPassword(address);
    QDialog::accept();
}
