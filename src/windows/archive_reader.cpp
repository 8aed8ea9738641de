#include "windows/archive_reader.h"

#include "archive/station_archive.h"
#include "runtime/error_report.h"
#include "windows/archive_lines.h"

#include <QThread>

#include <optional>

/// Runs queued work with its event loop; the archive is opened and closed on it.
class ArchiveReader::Thread : public QThread
{
public:
    explicit Thread(QString path)
        : m_path(std::move(path))
    { }

    /// The archive, opened at the first use; only on this thread.
    StationArchive &archive()
    {
        if (!m_archive)
            m_archive.emplace(StationArchive::openFile(m_path));
        return *m_archive;
    }

protected:
    void run() override
    {
        exec();
        m_archive.reset();
    }

private:
    QString m_path;
    std::optional<StationArchive> m_archive;
};

ArchiveReader::ArchiveReader(const QString &path, Failure failure, QObject *parent)
    : QObject(parent)
    , m_failure(std::move(failure))
    , m_thread(std::make_unique<Thread>(path))
    , m_context(new QObject)
{
    m_thread->setObjectName(QStringLiteral("ArchiveReader"));
    m_context->moveToThread(m_thread.get());
    m_thread->start();
}

ArchiveReader::~ArchiveReader()
{
    m_thread->quit();
    m_thread->wait();
    delete m_context;
}

void ArchiveReader::ask(Work work)
{
    askAside([this, work = std::move(work)] { return work(m_thread->archive()); });
}

void ArchiveReader::askAside(std::function<Answer()> work)
{
    ++m_pending;
    QMetaObject::invokeMethod(
        m_context,
        [this, work = std::move(work)] {
            Answer answer;
            QString failure;
            try {
                answer = work();
            } catch (const std::exception &) {
                failure = ArchiveLines::currentFailure();
            }
            // Dropped with this object should it go first: it waits for this thread, so the
            // call is posted while it still exists.
            QMetaObject::invokeMethod(
                this,
                [this, answer = std::move(answer), failure] {
                    --m_pending;
                    ErrorReport::guard([&] {
                        if (answer)
                            answer();
                        else if (!failure.isEmpty() && m_failure)
                            m_failure(failure);
                    });
                    if (m_pending == 0)
                        emit idle();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}
