#pragma once

#include <QString>

#include <stdexcept>

/// The station archive could not do what it was asked (a file that is not ours, a disk that
/// takes no more, a server that does not answer), with a Spanish message for the user that
/// never holds a password.
class ArchiveError : public std::runtime_error
{
public:
    explicit ArchiveError(const QString &message)
        : std::runtime_error(message.toStdString())
    { }

    [[nodiscard]] QString message() const { return QString::fromUtf8(what()); }
};

/// A download of the archive whose kept raw text no longer gives its SHA-256 (damaged on the
/// disk): the rest of the archive can still be read and sent.
class DamagedDownloadError : public ArchiveError
{
public:
    using ArchiveError::ArchiveError;
};
