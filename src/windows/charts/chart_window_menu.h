#pragma once

#include <QPoint>

class ChartView;
class TForm6;

/// A chart's own menu, on a right click that does not pan: "Guardar imagen…", "Copiar" and
/// the time axis of the window's charts, "Eje de tiempo: fecha y hora" or "número de muestra".
void showChartMenu(TForm6 &form, ChartView &chart, QPoint globalPos);
