// Writes the fuzz targets' seed corpora from the simulated logger's own frame and download
// builders: make_fuzz_seeds <corpus folder>. The seeds are committed; run it again only when
// the logger's output changes.

#include "fuzz_chunks.h"

#include "download_text.h"
#include "status_frame_builder.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <cstdio>

namespace {

bool writeSeed(const QDir &corpus, const QString &target, const QString &name,
               const QByteArray &bytes)
{
    if (!corpus.mkpath(target))
        return false;
    QFile file(corpus.filePath(target + QLatin1Char('/') + name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QDateTime at(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc());
}

QByteArray download(const QDateTime &start, int rateCode, const QList<std::array<int, 4>> &samples)
{
    QByteArray text = DownloadText::header(start, rateCode) + "SAMPLES\r\n";
    for (const std::array<int, 4> &readings : samples)
        text += DownloadText::sampleLine(readings);
    return text + 'A';
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <corpus folder>\n");
        return 2;
    }
    const QDir corpus(QString::fromLocal8Bit(argv[1]));
    bool ok = true;

    LoggerStatus status;
    status.clock = at(2026, 12, 6, 14, 30, 5);
    status.batteryReading = 209;
    status.readings = {735, 512, 1860, 1234};
    status.memoryPointer = 279;
    const QByteArray frame = buildStatusFrame(status);
    status.clock = at(2009, 2, 28, 23, 59, 59);
    status.rateCode = 6;
    status.readings = {0, 4095, 3200, 600};
    status.memoryPointer = 19;
    const QByteArray other = buildStatusFrame(status);
    QByteArray broken = frame;
    broken[39] = ' ';

    ok &= writeSeed(corpus, QStringLiteral("status_frames"), QStringLiteral("one_frame"),
                    joinFuzzChunks({frame}));
    ok &= writeSeed(corpus, QStringLiteral("status_frames"), QStringLiteral("three_chunks"),
                    joinFuzzChunks({frame.first(10), frame.sliced(10, 20), frame.sliced(30)}));
    ok &= writeSeed(corpus, QStringLiteral("status_frames"), QStringLiteral("misaligned"),
                    joinFuzzChunks({frame + other.first(2), other.sliced(2), frame.first(2)}));
    ok &= writeSeed(corpus, QStringLiteral("status_frames"), QStringLiteral("bad_memory_digit"),
                    joinFuzzChunks({broken, other}));

    const QByteArray text =
        download(at(2008, 12, 31, 23, 59, 30), 1, {{735, 512, 1860, 1234}, {495, 500, 620, 0}});
    ok &= writeSeed(
        corpus, QStringLiteral("download_collector"), QStringLiteral("download"),
        joinFuzzChunks({text.first(23), text.sliced(23, 30), text.sliced(53).chopped(1), "A"}));
    ok &=
        writeSeed(corpus, QStringLiteral("download_collector"), QStringLiteral("marker_lookalikes"),
                  joinFuzzChunks({"AA", "A\r\n", "xA", "A"}));
    // A program behind the line: the marker shares its read with the last line and the frame.
    ok &= writeSeed(
        corpus, QStringLiteral("download_collector"), QStringLiteral("marker_with_line_and_frame"),
        joinFuzzChunks({text.first(53), text.sliced(53) + frame.first(20), frame.sliced(20)}));

    ok &=
        writeSeed(corpus, QStringLiteral("download_decoding"), QStringLiteral("one_minute"), text);
    ok &= writeSeed(corpus, QStringLiteral("download_decoding"), QStringLiteral("half_hour"),
                    download(at(2009, 12, 31, 23, 30, 0), 5,
                             {{0, 4095, 3100, 4095}, {500, 735, 3200, 600}, {1, 2, 3, 4}}));
    ok &= writeSeed(corpus, QStringLiteral("download_decoding"), QStringLiteral("leap_day"),
                    download(at(2008, 2, 28, 23, 45, 0), 4, {{1, 1, 1, 1}, {2, 2, 2, 2}}));
    ok &= writeSeed(corpus, QStringLiteral("download_decoding"), QStringLiteral("no_samples"),
                    download(at(2000, 1, 1, 0, 0, 0), 6, {}));
    QByteArray blank = download(at(2031, 2, 1, 9, 5, 7), 2, {{1, 2, 3, 4}, {5, 6, 7, 8}});
    blank[blank.indexOf("\r\n", blank.indexOf("SAMPLES")) + 2 + 9] = ' ';
    ok &= writeSeed(corpus, QStringLiteral("download_decoding"), QStringLiteral("blank_in_sample"),
                    blank);

    if (!ok) {
        std::fprintf(stderr, "make_fuzz_seeds: cannot write the seeds under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
