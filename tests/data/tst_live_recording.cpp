// Covers the live recording: the CSV line of a frame, the heading written once, appending on a
// restart, and a failed write or a vanished file stopping the recording with one error.
#include "data/live_csv.h"
#include "data/live_recorder.h"
#include "runtime/in_out_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

namespace {

/// The frame whose fields are 30 14 06 12 26 05 209 0 4 02 223 02 000 07 068 04 210 001 023.
const QByteArray exampleFrame = QByteArrayLiteral("3014061226052090402223020000706804210001023\r");

/// 2026-12-08 07:25:03.120 UTC.
constexpr qint64 examplePcTime = 1'796'714'703'120;

const QTimeZone madrid(3600);

LiveFrame example(qint64 pcTime = examplePcTime)
{
    return *liveFrameFrom(decodeStatusFrame(exampleFrame), pcTime);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// A device that takes `good` writes and refuses the rest, as a full disk does.
class FillingDevice : public QIODevice
{
public:
    FillingDevice(int good, QByteArray &written)
        : m_good(good)
        , m_written(written)
    {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (m_good-- <= 0) {
            errno = ENOSPC;
            return -1;
        }
        m_written.append(data, size);
        return size;
    }

private:
    int m_good;
    QByteArray &m_written;
};

} // namespace

class TestLiveRecording : public QObject
{
    Q_OBJECT

private slots:
    void aLineHoldsTheFrameAsTheMainWindowShowsIt()
    {
        QCOMPARE(LiveCsv::heading(),
                 QByteArray("pc_time,logger_timestamp,ch1_air_temp_C,ch2_soil_temp_C,ch3_rh_pct,"
                            "ch4_par_umol_m2_s,battery_pct,memory_positions"));
        QCOMPARE(LiveCsv::record(example(), madrid),
                 QByteArray("2026-12-08T08:25:03.120+01:00,2026-12-06T14:30:05,23.5,1.2,50.0,"
                            "1234,95.0,33\r\n"));

        LiveFrame low = example();
        low.shown = {-5, -500, 0, 7};
        low.memoryPointer = 19;
        QCOMPARE(LiveCsv::record(low, QTimeZone(-(3 * 3600 + 1800))),
                 QByteArray("2026-12-08T03:55:03.120-03:30,2026-12-06T14:30:05,-0.5,-50.0,0.0,"
                            "07,95.0,0.5\r\n"));
    }

    void theHeadingIsWrittenOnceAndARestartAppends()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("datos.csv");
        {
            LiveRecorder recorder(path, madrid);
            recorder.record(example());
            recorder.record(example(examplePcTime + 1000));
            QCOMPARE(recorder.framesRecorded(), 2);
            // Each line is in the file as soon as it is recorded.
            QCOMPARE(readAll(path).count('\n'), 3);
        }
        {
            LiveRecorder recorder(path, madrid);
            recorder.record(example(examplePcTime + 2000));
            QCOMPARE(recorder.framesRecorded(), 1);
        }
        const QList<QByteArray> lines = readAll(path).split('\n');
        QCOMPARE(lines.size(), 5); // four lines and the empty rest after the last line end
        QCOMPARE(lines[0], LiveCsv::heading() + '\r');
        QCOMPARE(lines[1] + '\n', LiveCsv::record(example(), madrid));
        QVERIFY(lines[3].startsWith("2026-12-08T08:25:05.120+01:00,"));

        // An empty file gets the heading too.
        const QString empty = dir.filePath("vacio.csv");
        QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
        LiveRecorder(empty, madrid).record(example());
        QVERIFY(readAll(empty).startsWith(LiveCsv::heading() + "\r\n2026-12-08T08:25:03"));
    }

    void aLineCutOffByACrashIsEndedBeforeTheNext()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("datos.csv");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(LiveCsv::heading() + "\r\n2026-12-08T08:2");
        file.close();
        LiveRecorder(path, madrid).record(example());
        QCOMPARE(readAll(path),
                 LiveCsv::heading() + "\r\n2026-12-08T08:2\r\n"
                     + LiveCsv::record(example(), madrid));
    }

    void aFailedWriteStopsTheRecordingWithOneError()
    {
        QByteArray written;
        LiveRecorder recorder(std::make_unique<FillingDevice>(2, written), // the heading, a frame
                              QStringLiteral("datos.csv"), madrid);
        recorder.record(example());
        try {
            recorder.record(example());
            QFAIL("a failed write was taken for success");
        } catch (const EInOutError &error) {
            QCOMPARE(error.ErrorCode(), ENOSPC);
            QCOMPARE(error.message(),
                     QStringLiteral("Se detuvo la grabación en vivo en datos.csv: Disk full."));
        }
        QVERIFY(!recorder.isRecording());
        recorder.record(example()); // no second error
        QCOMPARE(recorder.framesRecorded(), 1);
        QCOMPARE(written, LiveCsv::heading() + "\r\n" + LiveCsv::record(example(), madrid));
    }

    void aFileReplacedByAFolderStopsTheRecording()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("datos.csv");
        LiveRecorder recorder(path, madrid);
        recorder.record(example());
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir(dir.path()).mkdir("datos.csv"));
        QVERIFY_THROWS_EXCEPTION(EInOutError, recorder.record(example()));
        QVERIFY(!recorder.isRecording());
        recorder.record(example());
        QCOMPARE(recorder.framesRecorded(), 1);
    }

    void whatIsNotAFileIsRefused()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // Opening the FIFO would wait for a reader: the refusal must come first.
        QVERIFY_THROWS_EXCEPTION(EInOutError, LiveRecorder(fifo, madrid));
        QVERIFY_THROWS_EXCEPTION(EInOutError, LiveRecorder(dir.path(), madrid));
        QVERIFY_THROWS_EXCEPTION(EInOutError, LiveRecorder(dir.filePath("no/hay/carpeta.csv")));
    }
};

QTEST_GUILESS_MAIN(TestLiveRecording)
#include "tst_live_recording.moc"
