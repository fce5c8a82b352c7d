#pragma once

#include "sytaskio.h"

#include <string>
#include <vector>

class CSyTaskIOImpl : public CSyGenericImpl
{
public:
    CSyTaskIOImpl();
    ~CSyTaskIOImpl() override;
    CSyTaskIOImpl(const CSyTaskIOImpl&) = delete;
    CSyTaskIOImpl& operator=(const CSyTaskIOImpl&) = delete;

    iastring getLine();
    void putLine(const iastring& text);
    bool isEof() const;
    void close();
    iachar getChar();
    void put(iachar c);

    // For the child application: descriptors of _open_osfhandle(_O_TEXT | _O_APPEND), owned from here
    // on. A previous descriptor of the same direction is closed first.
    void attachReading(int descriptor);
    void attachWriting(int descriptor);

    // The code page the child's output is read in: the ANSI code page, in which toMbstring writes its
    // input. Tests choose another to read one this machine does not run.
    void setCodePage(unsigned int codePage);

private:
    // Next byte of the reading descriptor; false at the end of the pipe or on a read error.
    bool readByte(char& byte);
    void write(const std::string& bytes, const wchar_t* exceptionText);
    // The UTF-16 units (1 or 2) of bytes when they are one whole character of the code page; 0 when they
    // are none, or not yet.
    int decode(const char* bytes, std::size_t count, wchar_t (&units)[2]) const;
    // Whether more bytes could still make them one: a lead byte, or the start of a UTF-8 sequence.
    bool incomplete(const char* bytes, std::size_t count) const;

    int m_readDescriptor;
    // The second unit of a character beyond the basic plane, for the next getChar; 0 when none waits.
    wchar_t m_pendingUnit;
    int m_writeDescriptor;
    bool m_eof;
    unsigned int m_codePage;
    // Read ahead of getChar: one _read for every byte would cost a system call a character.
    std::vector<char> m_readAhead;
    std::size_t m_readPosition;
    std::size_t m_readEnd;
};

class CSyTaskIO : public CSyHandle<ISyTaskIO, CSyTaskIOImpl>
{
public:
    iastring getLine() override { return SY_FORWARD(m_impl.getLine()); }
    void putLine(const iastring& text) override { return SY_FORWARD(m_impl.putLine(text)); }
    bool isEof() const override { return SY_FORWARD(m_impl.isEof()); }
    void close() override { return SY_FORWARD(m_impl.close()); }
    iachar getChar() override { return SY_FORWARD(m_impl.getChar()); }
    void put(iachar c) override { return SY_FORWARD(m_impl.put(c)); }
};
