#include "windows/main_window_menu.h"

#include "runtime/error_report.h"
#include "windows/archive_window.h"
#include "windows/charts/live_chart_window.h"
#include "windows/gauges_window.h"
#include "windows/main_window.h"
#include "windows/window_archiving.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QEvent>
#include <QMenu>

#include <functional>

namespace {

QAction *addAction(TForm1 &form, const char *name, const QString &text, const QKeySequence &keys,
                   const std::function<void()> &handler)
{
    auto *action = new QAction(text, &form);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, &form,
                     [handler] { ErrorReport::guard(handler); });
    form.addAction(action);
    return action;
}

/// Brings the entries up to date just before the menu shows.
class ContextMenuRefresh : public QObject
{
public:
    ContextMenuRefresh(QObject *parent, std::function<void()> refresh)
        : QObject(parent)
        , m_refresh(std::move(refresh))
    { }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ContextMenu)
            return false;
        m_refresh();
        // The menu Qt would show, with the tips that say why an entry is not offered.
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || widget->contextMenuPolicy() != Qt::ActionsContextMenu)
            return false;
        QMenu menu(widget);
        menu.setToolTipsVisible(true);
        menu.addActions(widget->actions());
        menu.exec(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }

private:
    std::function<void()> m_refresh;
};

/// Names the live recording's entry for what it would do now, and offers it only when it can
/// act: a recording is started while connected and stopped while it runs.
void refreshLiveRecordingEntry(const TForm1 &form, QAction *live)
{
    live->setText(form.liveRecording() ? QStringLiteral("Detener grabación en vivo")
                                       : QStringLiteral("Grabar en vivo…"));
    live->setEnabled(form.connected() || form.liveRecording());
}

} // namespace

void installMainWindowMenu(TForm1 &form)
{
    QAction *setup = addAction(form, "PortSetupAction", QStringLiteral("Configurar puerto…"), {},
                               [&form] { form.SerialPort1.ShowPortSetup(); });
    QAction *again = addAction(form, "DownloadAgainAction", QStringLiteral("Descargar de nuevo"),
                               {}, [&form] { form.downloadAgain(); });
    QAction *live = addAction(form, "LiveRecordingAction", QStringLiteral("Grabar en vivo…"), {},
                              [&form] { form.toggleLiveRecording(); });
    addAction(form, "LiveChartAction", QStringLiteral("Gráfico en vivo"), {},
              [&form] { (void)LiveChartWindow::showFor(form); });
    addAction(form, "OpenFileAction", QStringLiteral("Abrir archivo…"), QKeySequence::Open,
              [&form] { form.showSavedFile(); });
    WindowArchiving &archiving = form.archiving();
    const QList<QAction *> archive = {
        addAction(form, "StationAction", QStringLiteral("Estación…"), {},
                  [&archiving] { archiving.chooseStation(); }),
        addAction(form, "SharedArchiveAction", QStringLiteral("Archivo compartido…"), {},
                  [&archiving] { archiving.chooseSharedArchive(); }),
        addAction(form, "SyncAction", QStringLiteral("Sincronizar ahora"), {},
                  [&archiving] { archiving.syncNow(); })};
    // Always offered, so that its shortcut works before the first right click; without an
    // archive it says so.
    addAction(form, "ArchiveWindowAction", QStringLiteral("Archivo de estaciones…"),
              ArchiveWindow::shortcut(), [&form] { (void)ArchiveWindow::showFor(form.windows()); });
    form.setContextMenuPolicy(Qt::ActionsContextMenu);

    // Each entry is offered only when it can act: the port is chosen while not connected, a
    // new download asked for once one has ended and none is running.
    // The archive's entries show once start-up has named the archive; the station is named for
    // a chosen port.
    const auto update = [&form, setup, again, live, archive] {
        setup->setEnabled(!form.connected());
        again->setEnabled(form.connected() && form.dataDownloaded && !form.downloading);
        refreshLiveRecordingEntry(form, live);
        for (QAction *entry : archive)
            entry->setVisible(form.archiving().enabled());
        archive[0]->setEnabled(!form.SerialPort1.Port().isEmpty());
        const bool shared = form.archiving().enabled() && form.archiving().sharedArchiveSet();
        archive[2]->setEnabled(shared && !form.archiving().syncing());
        archive[2]->setToolTip(shared ? QString()
                                      : QStringLiteral("No hay un archivo compartido: se elige "
                                                       "en «Archivo compartido…»"));
    };
    update();
    form.installEventFilter(new ContextMenuRefresh(&form, update));
}

void installGaugesWindowMenu(TForm4 &gauges, TForm1 &form)
{
    // The main window's own entries, so that both menus do the same and read the same.
    QAction *chart = form.findChild<QAction *>(QStringLiteral("LiveChartAction"));
    QAction *live = form.findChild<QAction *>(QStringLiteral("LiveRecordingAction"));
    gauges.addActions({chart, live});
    gauges.setContextMenuPolicy(Qt::ActionsContextMenu);
    gauges.installEventFilter(
        new ContextMenuRefresh(&gauges, [&form, live] { refreshLiveRecordingEntry(form, live); }));
}
