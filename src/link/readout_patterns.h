#pragma once

#include <QString>

#include <array>

/// The number patterns with which the main window shows the logger's values: channels 1 to 4
/// on their indicators and the battery level on its dial. The live recording writes the same.
inline const std::array<QString, 4> channelReadoutPatterns {
    QStringLiteral("#0.0"), QStringLiteral("#0.0"), QStringLiteral("#0.0"),
    QStringLiteral("##00")};
inline const QString batteryReadoutPattern = QStringLiteral("##0.0");
