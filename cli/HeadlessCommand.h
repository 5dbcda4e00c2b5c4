// The headless command: `umnoglaz --recognize PICTURE [--json] [--output FILE]` loads a picture
// as the window would, runs the recognition pass on it and reports every region, without any
// display. More pictures and folders may follow; they are recognised on a pool of workers and
// reported in input order (PicturePool.h). `--help` and `--version` are answered here too.
#pragma once

// True when the arguments ask for the headless command, --help or --version rather than for
// the window.
bool IsHeadlessInvocation(int argc, char **argv);

// Runs it on Qt's offscreen platform and returns the exit code: 0 success, 1 a picture that
// cannot be loaded or an output that cannot be written (any of them, for many pictures), 2 a
// usage error or an output refused because it would replace an input or another output.
int RunHeadless(int argc, char **argv);
