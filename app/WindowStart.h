// Starting the window program. Qt reports a display that cannot be opened with a warning or two
// and then a fatal error, which aborts with a core dump and a screenful of text; this unit
// checks for a display first and holds Qt's messages back while the application starts, so
// that a missing or unusable display reads as one line and a plain exit code.
#pragma once

// Runs the window, with the picture named as the only argument opened at once, and returns the
// exit code: that of the event loop, 1 without a usable display, 2 for more than one argument.
int RunWindow(int argc, char **argv);
