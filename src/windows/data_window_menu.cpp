#include "windows/data_window_menu.h"

#include "runtime/error_report.h"
#include "windows/archive_window.h"
#include "windows/data_window.h"
#include "windows/main_window.h"

#include <QAction>
#include <QTimer>

#include <functional>

void installDataWindowMenu(TForm5 &form)
{
    const auto add = [&form](const char *name, const QString &text, const QKeySequence &keys,
                             std::function<void(TForm5 &)> handler) {
        auto *action = new QAction(text, &form);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, &form, [&form, handler] {
            ErrorReport::guard([&form, &handler] { handler(form); });
        });
        form.addAction(action);
    };
    add("OpenFileAction", QStringLiteral("Abrir archivo…"), QKeySequence::Open,
        [](TForm5 &f) { (void)f.openSavedFileDialog(); });
    add("ExportCsvAction", QStringLiteral("Exportar CSV…"), QKeySequence(Qt::CTRL | Qt::Key_E),
        [](TForm5 &f) { f.exportCsv(); });
    add("DailySummaryAction", QStringLiteral("Resumen diario…"), QKeySequence(),
        [](TForm5 &f) { f.showDailySummary(); });
    // The data window is modal: it closes, and the archive window opens once it has.
    add("ArchiveWindowAction", QStringLiteral("Archivo de estaciones…"), ArchiveWindow::shortcut(),
        [](TForm5 &f) {
            f.close();
            TForm1 *mainWindow = f.windows().Form1;
            QTimer::singleShot(0, mainWindow, [mainWindow] {
                ErrorReport::guard(
                    [mainWindow] { (void)ArchiveWindow::showFor(mainWindow->windows()); });
            });
        });
    form.setContextMenuPolicy(Qt::ActionsContextMenu);
}
