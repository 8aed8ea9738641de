#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;

/// Asks which station a download (or a port's downloads) come from: the known stations to
/// choose from, or a new name to type. An empty name, or one the archive does not take, is
/// refused in the dialog, which stays open; a new name that looks like a known station (see
/// stationKey) puts that station in the field and says so. Enter takes the name the field
/// shows: known names are offered in a list below it, never written into it unless picked.
class StationDialog : public QDialog
{
    Q_OBJECT

public:
    StationDialog(const QString &title, const QString &question, const QStringList &known,
                  const QString &current, QWidget *parent = nullptr);

    /// The name accepted, trimmed.
    [[nodiscard]] QString station() const { return m_station; }

    void accept() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStringList m_known;
    QComboBox *m_names;
    QLabel *m_problem;
    QString m_station;
};
