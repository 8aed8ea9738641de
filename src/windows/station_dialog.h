#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;

/// Asks which station a download (or a port's downloads) come from: the known stations to
/// choose from, or a new name to type. An empty name, or one the archive does not take, is
/// refused in the dialog, which stays open.
class StationDialog : public QDialog
{
    Q_OBJECT

public:
    StationDialog(const QString &title, const QString &question, const QStringList &known,
                  const QString &current, QWidget *parent = nullptr);

    /// The name accepted, trimmed.
    [[nodiscard]] QString station() const { return m_station; }

    void accept() override;

private:
    QComboBox *m_names;
    QLabel *m_problem;
    QString m_station;
};
