#pragma once

#include <QByteArray>

/// A runtime folder of the program's own while the environment names none: Qt wants one
/// (XDG_RUNTIME_DIR) and otherwise says so on every start. Made before the application object,
/// private to the user (0700, under /tmp), and removed with everything in it at exit.
class PrivateRuntimeFolder
{
public:
    /// Makes the folder and names it in XDG_RUNTIME_DIR, only when that is unset or empty; a
    /// folder that cannot be made leaves the environment as it was.
    PrivateRuntimeFolder();
    ~PrivateRuntimeFolder();

    PrivateRuntimeFolder(const PrivateRuntimeFolder &) = delete;
    PrivateRuntimeFolder &operator=(const PrivateRuntimeFolder &) = delete;

    /// The folder made, or empty when the environment already named one.
    [[nodiscard]] QByteArray path() const { return m_path; }

private:
    QByteArray m_path;
};
