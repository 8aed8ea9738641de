#include "windows/charts/chart_record.h"

#include "windows/charts/chart_window.h"

namespace {

TForm6 *newRecordChart(ProgramWindows &windows, QWidget *parent)
{
    auto *form = new TForm6(windows, parent);
    form->setAttribute(Qt::WA_DeleteOnClose);
    return form;
}

} // namespace

TForm6 *openRecordChart(ProgramWindows &windows, ChartRecord record, QWidget *parent)
{
    TForm6 *form = newRecordChart(windows, parent);
    form->showRecord(std::move(record));
    form->show();
    return form;
}

TForm6 *openLoadingRecordChart(ProgramWindows &windows, const QString &station, QWidget *parent)
{
    TForm6 *form = newRecordChart(windows, parent);
    form->showRecordLoading(station);
    form->show();
    return form;
}
