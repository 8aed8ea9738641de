#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

/// Faults the simulator can put on the line, for testing the PC's error paths.
enum class Fault {
    NonDigit, ///< every 3rd frame has the letter 'N' at position 40 (in the memory pointer)
    DropBytes, ///< every 4th frame loses its character at position 20
    ExtraBytes, ///< every 5th frame gets an extra '0' before position 20
    NoEndMarker, ///< a download ends without the lone "A"
    Hangup, ///< the simulator closes the line halfway through a download and exits
    LostLine, ///< a download loses its 5th sample line
    DamagedLine, ///< a download's 3rd sample line loses its 10th digit
    SlippedFrame, ///< a status frame slips into a download after its 7th sample line
};

/// The faults chosen on the command line.
class FaultSet
{
public:
    void add(Fault fault) { m_bits |= bit(fault); }
    [[nodiscard]] bool has(Fault fault) const { return (m_bits & bit(fault)) != 0; }
    [[nodiscard]] bool isEmpty() const { return m_bits == 0; }

private:
    static unsigned bit(Fault fault) { return 1U << static_cast<unsigned>(fault); }

    unsigned m_bits = 0;
};

/// The fault of a command-line name ("non-digit", "drop-bytes", …).
[[nodiscard]] std::optional<Fault> faultFromName(const QString &name);

/// All fault names, for the help text and error messages.
[[nodiscard]] QStringList faultNames();

/// The download text as it goes on the line with the chosen faults; `frame` is the status
/// frame that may slip in. A download too short for a fault keeps its text.
[[nodiscard]] QByteArray applyDownloadFaults(QByteArray text, FaultSet faults,
                                             const QByteArray &frame);

/// The frame as it goes on the line with the chosen faults; frames count from 1. A
/// non-digit at position 40 leaves positions 1 … 37 intact, so the PC still decodes the
/// channels and fails on the memory pointer.
[[nodiscard]] QByteArray applyFrameFaults(QByteArray frame, qint64 frameNumber, FaultSet faults);
