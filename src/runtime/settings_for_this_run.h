#pragma once

/// Keeps the settings that the toolkit remembers on its own (the file dialog's history, last
/// folder and view) off the disk, in memory for this run only: the program keeps nothing
/// between runs, in the user's configuration or elsewhere. Call it once at start, before any
/// window exists.
void keepToolkitSettingsForThisRun();
