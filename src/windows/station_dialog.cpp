#include "windows/station_dialog.h"

#include "archive/archive_error.h"
#include "archive/station_archive.h"
#include "archive/station_name.h"
#include "windows/archive_dialog_parts.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

StationDialog::StationDialog(const QString &title, const QString &question,
                             const QStringList &known, const QString &current, QWidget *parent)
    : QDialog(parent)
    , m_known(known)
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
    // Names that fit what is typed are listed below the field, not written into it, and the
    // combo box is kept from swapping the text for a known name that differs in case when the
    // field loses focus: the name taken is the one the field shows.
    auto *completer = new QCompleter(known, m_names);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    m_names->setCompleter(completer);
    disconnect(m_names->lineEdit(), &QLineEdit::editingFinished, m_names, nullptr);
    m_names->installEventFilter(this);
    m_names->lineEdit()->installEventFilter(this);
    completer->popup()->installEventFilter(this);
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
    QString name;
    try {
        name = checkedStationName(m_names->currentText());
    } catch (const ArchiveError &error) {
        // Said in the dialog, which stays open for another name.
        m_problem->setText(QStringLiteral("No sirve como nombre: %1").arg(error.message()));
        m_problem->show();
        adjustSize();
        return;
    }
    if (const std::optional<QString> existing = lookAlikeStation(name, m_known)) {
        // The known station is offered in its place: Aceptar again takes it.
        m_names->setEditText(*existing);
        m_problem->setText(
            QStringLiteral("«%1» coincide con la estación «%2»: Aceptar la elige")
                .arg(name, *existing));
        m_problem->show();
        adjustSize();
        return;
    }
    m_station = name;
    QDialog::accept();
}

bool StationDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QDialog::eventFilter(watched, event);
    QAbstractItemView *list = m_names->completer()->popup();
    // A name picked in the list goes into the field, as the completer does it.
    if (watched == list && list->isVisible()
        && list->selectionModel()->isSelected(list->currentIndex()))
        return false;
    list->hide();
    accept();
    return true;
}
