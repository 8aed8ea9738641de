#pragma once

class TForm1;

/// The main window's own menu, on a right click anywhere in it and by its keyboard shortcuts:
/// "Abrir archivo…" (Ctrl+O) shows a saved data file without a logger.
void installMainWindowMenu(TForm1 &form);
