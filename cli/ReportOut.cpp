#include "cli/ReportOut.h"

#include <cerrno>

ReportOut::ReportOut(std::FILE *stream)
    : m_stream(stream)
{
    if (m_stream)
        m_buffer.reserve(kBlock + 256);
}

ReportOut::~ReportOut()
{
    flush();
}

void ReportOut::handOver()
{
    const std::size_t size = m_buffer.size();
    if (size != 0 && std::fwrite(m_buffer.data(), 1, size, m_stream) != size && !m_error)
        m_error = errno != 0 ? errno : EIO;
    m_buffer.clear(); // keeps the capacity
}

bool ReportOut::flush()
{
    if (!m_stream)
        return true;
    handOver();
    if (std::fflush(m_stream) != 0 && !m_error)
        m_error = errno != 0 ? errno : EIO;
    return m_error == 0;
}
