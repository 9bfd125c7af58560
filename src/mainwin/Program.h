#pragma once
// The program's start and end around the main window.

namespace drv {

class fmTxt;

// Starts the diary: program name, wait cursor, the main window. Returns the exit
// status: 0 after a normal end, 1 when the diary could not be opened.
int Main();

// The shutdown sequence, run once from the main window's unload: geometry into the
// settings, the other windows closed, the store closed, the settings file written.
void AppEnd(fmTxt& window);

// Gives the stored default font names a real Japanese face.
void installFontSubstitutes();

} // namespace drv
