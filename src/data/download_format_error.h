#pragma once

#include <QString>

#include <optional>
#include <stdexcept>

/// A download text that does not have the logger's layout where it is read: a line too short
/// for the positions read from it, or a header whose start date or time does not exist.
class DownloadFormatError : public std::runtime_error
{
public:
    explicit DownloadFormatError(const QString &message);

    /// Line `lineNumber` has `length` characters where at least `needed` are read.
    [[nodiscard]] static DownloadFormatError lineTooShort(int lineNumber, qsizetype length,
                                                          int needed);
    /// The header's start has `field` (a Spanish field name) at the impossible `value`.
    [[nodiscard]] static DownloadFormatError startOutOfRange(const QString &field, int value);

    /// The header's rate code is none of the logger's six; `keptRate` is the rate text left
    /// from an earlier decoding that still stamps the samples, if there is one.
    [[nodiscard]] static DownloadFormatError unknownRateCode(int rateCode,
                                                            const std::optional<QString> &keptRate);

    [[nodiscard]] QString message() const { return QString::fromUtf8(what()); }
};
