#pragma once

#include <QObject>

class QSocketNotifier;

/// Turns SIGINT and SIGTERM into a Qt signal delivered by the event loop, through a pipe
/// that the signal handler writes to, so that clean-up runs as ordinary code.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    /// Installs the handlers; false and a reason on failure. Only one watcher may exist.
    [[nodiscard]] bool install(QString *error);

signals:
    void terminationRequested(int signalNumber);

private:
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
};
