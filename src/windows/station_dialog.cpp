#include "windows/station_dialog.h"

#include "archive/archive_error.h"
#include "archive/station_archive.h"
#include "windows/archive_dialog_parts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

StationDialog::StationDialog(const QString &title, const QString &question,
                             const QStringList &known, const QString &current, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("StationDialog"));
    setWindowTitle(title);
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(question, this));
    m_names = new QComboBox(this);
    m_names->setObjectName(QStringLiteral("StationNames"));
    m_names->setEditable(true);
    m_names->setInsertPolicy(QComboBox::NoInsert);
    m_names->addItems(known);
    m_names->setCurrentText(current);
    m_names->lineEdit()->setPlaceholderText(QStringLiteral("Nombre de una estación nueva"));
    m_names->setMinimumContentsLength(28);
    layout->addWidget(m_names);
    m_problem = ArchiveDialogParts::problemLine(this, "StationProblem");
    layout->addWidget(m_problem);
    layout->addWidget(ArchiveDialogParts::acceptOrCancel(this));
    m_names->setFocus();
}

void StationDialog::accept()
{
    try {
        m_station = checkedStationName(m_names->currentText());
    } catch (const ArchiveError &error) {
        // Said in the dialog, which stays open for another name.
        m_problem->setText(QStringLiteral("No sirve como nombre: %1").arg(error.message()));
        m_problem->show();
        return;
    }
    QDialog::accept();
}
