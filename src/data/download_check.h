#pragma once

#include "data/download_lines.h"

#include <QList>
#include <QString>

#include <optional>

/// What a finished download holds against what the logger reported before it was asked.
struct DownloadCheck
{
    /// The samples the logger reported holding (its whole memory for a forced download);
    /// none when no status frame told.
    std::optional<int> expected;
    /// The sample lines that arrived.
    int received = 0;
    /// Rows (counted from 1, as the grid numbers them) whose line is not exactly 24 digits
    /// giving four readings of two bytes each, within 0 to 4095.
    QList<int> damagedRows;

    /// The count is right when every reported sample came; one more is the logger's next
    /// sample, taken between its last report and the request.
    [[nodiscard]] bool countRight() const
    {
        return !expected || (received >= *expected && received <= *expected + 1);
    }
    [[nodiscard]] bool passed() const { return damagedRows.isEmpty() && countRight(); }
};

/// Checks every sample line of a download text and its count against `expected`.
[[nodiscard]] DownloadCheck checkDownload(const DownloadLines &lines, std::optional<int> expected);

/// When the message about a download that did not pass is read: over the data, before the
/// user saves them, or once the file is saved all the same for review.
enum class CheckAdvice { ReviewBeforeSaving, SavedForReview };

/// The Spanish message for a download that did not pass: the samples expected and received,
/// the damaged rows (the first twenty of them) and what to do; empty for one that passed.
[[nodiscard]] QString downloadCheckMessage(const DownloadCheck &check,
                                           CheckAdvice advice = CheckAdvice::ReviewBeforeSaving);
