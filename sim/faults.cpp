#include "faults.h"

#include <array>
#include <utility>

namespace {

const std::array<std::pair<Fault, const char *>, 5> kNames {{
    {Fault::NonDigit, "non-digit"},
    {Fault::DropBytes, "drop-bytes"},
    {Fault::ExtraBytes, "extra-bytes"},
    {Fault::NoEndMarker, "no-end-marker"},
    {Fault::Hangup, "hangup"},
}};

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
