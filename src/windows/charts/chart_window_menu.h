#pragma once

#include <QPoint>

class ChartView;
class TForm6;

/// A chart's own menu, on a right click that does not pan: "Guardar imagen…" and "Copiar".
void showChartMenu(TForm6 &form, ChartView &chart, QPoint globalPos);
