#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

/// Closes the next modal window that comes up, from whatever event loop is running then (a
/// modal window opened from deep inside a handler runs its own), and notes its object name.
class ModalCloser : public QObject
{
public:
    /// Looks for the window every checkMs.
    explicit ModalCloser(int checkMs = 10)
    {
        m_timer.setInterval(checkMs);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            m_timer.stop();
            m_closed = modal->objectName();
            modal->close();
        });
        m_timer.start();
    }

    /// The object name of the window closed, empty until one was.
    [[nodiscard]] QString closed() const { return m_closed; }

private:
    QTimer m_timer;
    QString m_closed;
};
