#pragma once

class TForm5;

/// The data window's own menu, on a right click anywhere in it and by its keyboard shortcuts:
/// "Abrir archivo…" (Ctrl+O), "Exportar CSV…" (Ctrl+E), "Resumen diario…" and "Archivo de
/// estaciones…" (Ctrl+Shift+E), which closes the data window for the archive window.
void installDataWindowMenu(TForm5 &form);
