#pragma once

class QWidget;

/// Puts a window in the middle of the usable part of its screen, frame and title bar included
/// (the toolkit would centre a dialog over the active window instead). Call it as the window is
/// shown: before the window manager has framed it, its frame is taken to be that of the
/// program's other windows, and corrected once its own is known.
void centreOnDesktop(QWidget *window);
