#include "runtime/settings_for_this_run.h"

#include <QSettings>

void keepToolkitSettingsForThisRun()
{
    // A path below a device file can never be a folder: the toolkit finds no settings there and
    // its writes fail quietly, so nothing is read from or left on disk, even after a crash.
    const QString nowhere = QStringLiteral("/dev/null");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, nowhere);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, nowhere);
}
