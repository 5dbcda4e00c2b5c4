// One self-updating line on a terminal: pictures done out of the total, the rate and the time
// left. On anything but a terminal it shows nothing, so that logs and pipes stay clean.
#pragma once

#include <chrono>
#include <cstdio>

class ProgressLine
{
public:
    ProgressLine(std::FILE *stream, int total);

    // Redraws the line for `done` pictures finished.
    void show(int done);
    // Takes the line away, before other output is written to the same terminal and at the end.
    void clear();

private:
    std::FILE *m_stream;
    int m_total;
    bool m_enabled;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_drawn;
};
