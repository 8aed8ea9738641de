#pragma once

class TForm1;
class TForm4;

/// The main window's own menu, on a right click anywhere in it: "Configurar puerto…" while not
/// connected, "Descargar de nuevo" once a download has ended, "Grabar en vivo…", "Gráfico en
/// vivo", and "Abrir archivo…" (Ctrl+O), which shows a saved data file without a logger; with
/// the station archive, "Estación…" for the port's station, "Archivo compartido…" for the lab's
/// server, "Sincronizar ahora" and "Archivo de estaciones…" (Ctrl+Shift+E), the archive window.
void installMainWindowMenu(TForm1 &form);
/// The online gauges window's menu, on a right click anywhere in it: the main window's
/// "Gráfico en vivo" and "Grabar en vivo…" entries.
void installGaugesWindowMenu(TForm4 &gauges, TForm1 &form);
