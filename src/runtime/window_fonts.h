#pragma once

#include <QFont>
#include <QFontDatabase>
#include <QString>

/// The faces the program's windows and dialogs write in.
namespace WindowFonts {

/// The given face at a size in points, bold or not. A face that the system lacks becomes Arial
/// (or the metric-compatible face the system puts in its place), whose widths suit the windows'
/// fixed sizes, rather than the system's own fallback, often a much wider face.
[[nodiscard]] inline QFont font(const QString &family, int pointSize, bool bold = false)
{
    QFont result(QFontDatabase::hasFamily(family) ? family : QStringLiteral("Arial"));
    result.setPointSize(pointSize);
    result.setBold(bold);
    return result;
}

/// The dialog face of most of the small windows.
[[nodiscard]] inline QFont msSansSerif(int pointSize = 8)
{
    return font(QStringLiteral("MS Sans Serif"), pointSize);
}

} // namespace WindowFonts
