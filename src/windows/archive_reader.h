#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QThread;
class StationArchive;

/// A thread of the archive window's own, holding its own connection to the archive, on which
/// every question to the archive is answered in the order it was asked: the window asks and
/// goes on, and the answer is run on the window's thread when it comes. The archive is opened
/// on that thread at the first question, and closed there when the reader goes.
class ArchiveReader : public QObject
{
    Q_OBJECT

public:
    /// What is done on the window's thread with an answer.
    using Answer = std::function<void()>;
    /// The work done on the reader's thread; it gives back what to do with its answer.
    using Work = std::function<Answer(StationArchive &archive)>;
    /// What is done on the window's thread when the work failed, with the reason.
    using Failure = std::function<void(const QString &reason)>;

    /// A reader of the SQLite file `path`; `failure` is told of work that failed.
    ArchiveReader(const QString &path, Failure failure, QObject *parent = nullptr);
    /// Waits for the work under way; work not begun is dropped.
    ~ArchiveReader() override;

    /// Queues `work`; its answer is run on this object's thread once it is done.
    void ask(Work work);
    /// Queues `work` that does not read through the reader's own connection (it may not open),
    /// in turn with the rest.
    void askAside(std::function<Answer()> work);
    /// Work asked and not answered yet.
    [[nodiscard]] int pending() const { return m_pending; }

signals:
    /// Every question asked so far has been answered.
    void idle();

private:
    class Thread;

    Failure m_failure;
    std::unique_ptr<Thread> m_thread;
    /// Lives on the reader's thread: the queued work runs there through it.
    QObject *m_context;
    int m_pending = 0;
};
