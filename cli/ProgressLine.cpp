#include "cli/ProgressLine.h"

#include <unistd.h>

ProgressLine::ProgressLine(std::FILE *stream, int total)
    : m_stream(stream)
    , m_total(total)
    , m_enabled(::isatty(::fileno(stream)) == 1)
    , m_start(std::chrono::steady_clock::now())
{ }

void ProgressLine::show(int done)
{
    if (!m_enabled)
        return;
    // At most ten redraws a second while the line stands, so that small pictures do not
    // flood the terminal.
    const auto now = std::chrono::steady_clock::now();
    if (m_shown && done < m_total && now - m_drawn < std::chrono::milliseconds(100))
        return;
    m_drawn = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    std::fprintf(m_stream, "\r\033[K%d/%d pictures", done, m_total);
    if (done > 0 && seconds > 0) {
        const double rate = done / seconds;
        std::fprintf(m_stream, ", %.1f a second, %.0f s left", rate, (m_total - done) / rate);
    }
    std::fflush(m_stream);
    m_shown = true;
}

void ProgressLine::clear()
{
    if (!m_shown)
        return;
    std::fputs("\r\033[K", m_stream);
    std::fflush(m_stream);
    m_shown = false;
}
