#pragma once

#include <QByteArray>
#include <QString>

/// The simulator's output: the device lines and errors always, one line per event in verbose
/// mode. Each line is flushed at once, so a process reading the output sees it as it happens.
class EventLog
{
public:
    explicit EventLog(bool verbose)
        : m_verbose(verbose)
    { }

    [[nodiscard]] bool isVerbose() const { return m_verbose; }

    /// A line on stdout whatever the mode.
    void always(const QString &line);
    /// A line on stdout in verbose mode.
    void event(const QString &line);
    /// A line on stderr.
    void error(const QString &line);

    /// Bytes as one line of visible text: printable ASCII as it is, "\r", "\n", "\\" and
    /// "\xNN" for the rest.
    [[nodiscard]] static QString visible(const QByteArray &bytes);

private:
    bool m_verbose;
};
