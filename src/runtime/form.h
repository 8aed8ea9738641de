#pragma once

#include <QDialog>

/// A window of the program. FormActivate runs when the window is shown and when the user
/// switches to it from another window of the program, but not when a modal window or message
/// box shown over it closes (the toolkit activates the window again then; that is filtered).
class Form : public QDialog
{
    Q_OBJECT

public:
    explicit Form(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    /// Shows the window modally and returns when it closes.
    int showModal() { return exec(); }

protected:
    /// The window's activation handler; exceptions leaving it are reported.
    virtual void FormActivate() { }

    bool event(QEvent *event) override;
    /// Escape does not close a window of the program; only its own buttons and close box do.
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class ModalReturnFilter;
    bool m_nextActivationIsAReturn = false;
};
