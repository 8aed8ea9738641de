#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

/// One instrument widget set up as a window would use it, made on demand.
struct WidgetSample
{
    QString name;
    std::function<std::unique_ptr<QWidget>()> make;
};

/// Every widget of the set, configured with the windows' captions, scales and values.
[[nodiscard]] QList<WidgetSample> widgetSamples();
