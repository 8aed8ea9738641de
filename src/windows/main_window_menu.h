#pragma once

class TForm1;

/// The main window's own menu, on a right click anywhere in it: "Configurar puerto…" while not
/// connected, "Descargar de nuevo" once a download has ended, and "Abrir archivo…" (Ctrl+O),
/// which shows a saved data file without a logger; with the station archive, "Estación…" for
/// the port's station, "Archivo compartido…" for the lab's server and "Sincronizar ahora".
void installMainWindowMenu(TForm1 &form);
