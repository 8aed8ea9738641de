#include "windows/charts/chart_window_menu.h"

#include "runtime/error_report.h"
#include "windows/charts/chart_view.h"
#include "windows/charts/chart_window.h"

#include <QActionGroup>
#include <QMenu>

void showChartMenu(TForm6 &form, ChartView &chart, QPoint globalPos)
{
    QMenu menu(&chart);
    menu.setObjectName(QStringLiteral("ChartMenu"));
    QAction *save = menu.addAction(QStringLiteral("Guardar imagen…"));
    QAction *copy = menu.addAction(QStringLiteral("Copiar"));
    menu.addSeparator();
    auto *timeAxis = new QActionGroup(&menu);
    QAction *dates = menu.addAction(QStringLiteral("Eje de tiempo: fecha y hora"));
    QAction *numbers = menu.addAction(QStringLiteral("Eje de tiempo: número de muestra"));
    for (QAction *choice : {dates, numbers}) {
        choice->setCheckable(true);
        timeAxis->addAction(choice);
    }
    (form.timeAxis() == TimeAxis::Dates ? dates : numbers)->setChecked(true);

    QAction *chosen = menu.exec(globalPos);
    if (chosen == save)
        ErrorReport::guard([&form, &chart] { form.saveChartPicture(&chart); });
    else if (chosen == copy)
        form.copyChart(&chart);
    else if (chosen == dates || chosen == numbers)
        ErrorReport::guard([&form, chosen, dates] {
            form.setTimeAxis(chosen == dates ? TimeAxis::Dates : TimeAxis::SampleNumber);
        });
}
