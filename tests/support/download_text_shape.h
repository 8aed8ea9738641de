#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>

/// What is wrong with a download text of `samples` samples as the simulator sends it, or
/// nothing: a header of 21 characters, a second line, then one line of 24 digits per sample,
/// every line ended by CR LF.
inline QString downloadTextProblem(const QByteArray &text, int samples)
{
    if (!text.endsWith("\r\n"))
        return QStringLiteral("the text does not end with CRLF");
    const QList<QByteArray> lines = text.chopped(2).split('\n');
    if (lines.size() != samples + 2)
        return QStringLiteral("%1 lines, %2 expected").arg(lines.size()).arg(samples + 2);
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const QByteArray line = k + 1 < lines.size() ? lines[k] : lines[k] + '\r';
        if (!line.endsWith('\r'))
            return QStringLiteral("line %1 has no CR").arg(k + 1);
        const QByteArray body = line.chopped(1);
        const bool digits =
            std::all_of(body.begin(), body.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (k == 0 && body.size() != 21)
            return QStringLiteral("the header has %1 characters").arg(body.size());
        if (k >= 2 && (body.size() != 24 || !digits))
            return QStringLiteral("sample line %1 is damaged: %2")
                .arg(k - 1)
                .arg(QString::fromLatin1(line));
    }
    return {};
}
