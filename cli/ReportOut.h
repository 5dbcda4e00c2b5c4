// Where a report's bytes go as they are made: straight to a stream, handed over in blocks of
// 64 KiB so that no report is ever held whole, or kept in memory for a caller that must hold
// it back (a picture's report waiting for the pictures before it).
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <string>
#include <string_view>

class ReportOut
{
public:
    // Writes to stream, or keeps every byte in bytes() when stream is null.
    explicit ReportOut(std::FILE *stream = nullptr);
    ~ReportOut(); // flushes
    ReportOut(const ReportOut &) = delete;
    ReportOut &operator=(const ReportOut &) = delete;

    void append(char c)
    {
        m_buffer.push_back(c);
        handOverWhenFull();
    }
    void append(std::string_view bytes)
    {
        m_buffer.append(bytes);
        handOverWhenFull();
    }
    void append(const QByteArray &bytes) { append(std::string_view(bytes.data(), bytes.size())); }
    void append(const QString &text) { append(text.toUtf8()); }

    // Hands what is buffered to the stream and flushes it; false when the stream reports a
    // failure (now or at an earlier hand-over).
    bool flush();

    // The errno of the first failure, 0 while there was none.
    int error() const { return m_error; }

    // Without a stream: a copy of everything appended so far.
    QByteArray bytes() const { return QByteArray(m_buffer.data(), qsizetype(m_buffer.size())); }

private:
    static constexpr std::size_t kBlock = std::size_t(1) << 16;

    void handOverWhenFull()
    {
        if (m_stream && m_buffer.size() >= kBlock)
            handOver();
    }
    void handOver();

    std::FILE *m_stream;
    std::string m_buffer;
    int m_error = 0;
};
