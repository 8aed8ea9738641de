#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

/// "Archivo compartido…": the lab's server as a URL, and a password that is never shown back.
/// An empty URL means no shared archive.
class SharedArchiveDialog : public QDialog
{
    Q_OBJECT

public:
    /// `keptUrl` is the URL kept so far (its password, if any, stays hidden and is kept when the
    /// password field is left empty).
    SharedArchiveDialog(const QString &keptUrl, QWidget *parent = nullptr);

    /// The URL to keep, password included when one was given or kept; empty for none.
    [[nodiscard]] QString url() const { return m_url; }

    void accept() override;

private:
    QLineEdit *m_address;
    QLineEdit *m_password;
    QLabel *m_problem;
    QString m_keptPassword;
    QString m_url;
};
