#include "link/main_window_menu.h"

#include "link/main_window.h"
#include "runtime/error_report.h"

#include <QAction>

void installMainWindowMenu(TForm1 &form)
{
    auto *open = new QAction(QStringLiteral("Abrir archivo…"), &form);
    open->setObjectName(QStringLiteral("OpenFileAction"));
    open->setShortcut(QKeySequence::Open);
    open->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(open, &QAction::triggered, &form,
                     [&form] { ErrorReport::guard([&form] { form.showSavedFile(); }); });
    form.addAction(open);
    form.setContextMenuPolicy(Qt::ActionsContextMenu);
}
