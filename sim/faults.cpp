#include "faults.h"

#include <array>
#include <utility>

namespace {

const std::array<std::pair<Fault, const char *>, 8> kNames {{
    {Fault::NonDigit, "non-digit"},
    {Fault::DropBytes, "drop-bytes"},
    {Fault::ExtraBytes, "extra-bytes"},
    {Fault::NoEndMarker, "no-end-marker"},
    {Fault::Hangup, "hangup"},
    {Fault::LostLine, "lost-line"},
    {Fault::DamagedLine, "damaged-line"},
    {Fault::SlippedFrame, "slipped-frame"},
}};

constexpr qsizetype kFirstSampleLine = 2; // after the header and the line after it

constexpr qsizetype kNonDigitIndex = 39; // position 40
constexpr qsizetype kDropOrExtraIndex = 19; // position 20

} // namespace

std::optional<Fault> faultFromName(const QString &name)
{
    for (const auto &[fault, text] : kNames) {
        if (name == QLatin1String(text))
            return fault;
    }
    return std::nullopt;
}

QStringList faultNames()
{
    QStringList names;
    for (const auto &entry : kNames)
        names << QLatin1String(entry.second);
    return names;
}

QByteArray applyDownloadFaults(QByteArray text, FaultSet faults, const QByteArray &frame)
{
    QList<QByteArray> lines = text.split('\n');
    const auto sampleLine = [](int k) { return kFirstSampleLine + k - 1; };
    // Later lines first, so that the earlier ones keep their places.
    if (faults.has(Fault::SlippedFrame) && lines.size() > sampleLine(8))
        lines.insert(sampleLine(8), frame.endsWith('\r') ? frame : frame + '\r');
    if (faults.has(Fault::LostLine) && lines.size() > sampleLine(6))
        lines.removeAt(sampleLine(5));
    if (faults.has(Fault::DamagedLine) && lines.size() > sampleLine(4)
        && lines[sampleLine(3)].size() > 10)
        lines[sampleLine(3)].remove(9, 1);
    return lines.join('\n');
}

QByteArray applyFrameFaults(QByteArray frame, qint64 frameNumber, FaultSet faults)
{
    if (faults.has(Fault::NonDigit) && frameNumber % 3 == 0 && frame.size() > kNonDigitIndex)
        frame[kNonDigitIndex] = 'N';
    if (faults.has(Fault::DropBytes) && frameNumber % 4 == 0 && frame.size() > kDropOrExtraIndex)
        frame.remove(kDropOrExtraIndex, 1);
    if (faults.has(Fault::ExtraBytes) && frameNumber % 5 == 0 && frame.size() > kDropOrExtraIndex)
        frame.insert(kDropOrExtraIndex, '0');
    return frame;
}
