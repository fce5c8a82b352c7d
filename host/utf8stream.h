// Host side: a wide output stream that writes UTF-8 to a C stream, so that any UTF-16 text
// (paths, account names) reaches a pipe, a file or the console unchanged.
#pragma once

#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>

class CUtf8StreamBuf : public std::wstreambuf
{
public:
    explicit CUtf8StreamBuf(std::FILE* file) : m_file(file) {}

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const wchar_t* text, std::streamsize count) override;
    int sync() override;

private:
    void put(wchar_t c);
    void encode(unsigned long code);
    std::FILE* m_file;
    wchar_t m_highSurrogate = 0;
    std::string m_pending;
};

class CUtf8Stream : public std::wostream
{
public:
    explicit CUtf8Stream(std::FILE* file) : std::wostream(nullptr), m_buffer(file) { rdbuf(&m_buffer); }
    ~CUtf8Stream() override { flush(); }

private:
    CUtf8StreamBuf m_buffer;
};

// A stream that swallows everything (for measuring what formatting alone costs).
class CNullStreamBuf : public std::wstreambuf
{
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const wchar_t*, std::streamsize count) override { return count; }
};
