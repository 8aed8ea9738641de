#pragma once

#include <QString>

#include <stdexcept>

/// Data the program was given that it cannot take as it is (a file that is not a saved data
/// file, samples without dates for a daily summary), with a message for the user.
class DataError : public std::runtime_error
{
public:
    explicit DataError(const QString &message)
        : std::runtime_error(message.toStdString())
    { }

    [[nodiscard]] QString message() const { return QString::fromUtf8(what()); }
};
